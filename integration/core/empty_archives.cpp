// The empty-archive images: a QAV signature with its main archive header,
// and the end-of-central-directory record of an empty ZIP archive.
#include "integration/core/empty_archives.h"

unsigned char QavEmptyArchive[QavTemplateSize] = {
    0x00, 'a', 'v', '!', 0x1A, 0x07, 0x00,          // signature ("Qav!" once the Q is in place)
    0xCF, 0x90,                                      // header CRC, low 16 bits of the CRC-32 below
    0x73,                                            // header type: main archive header
    0x00, 0x00,                                      // flags
    0x0D, 0x00,                                      // header size 13
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

unsigned char ZipEmptyArchive[ZipTemplateSize] = {
    0x00, 0x4B, 0x05, 0x06,                          // "PK\5\6" once the P is in place
};

void PutTemplateFirstBytes() {
    QavEmptyArchive[0] = 'Q';
    ZipEmptyArchive[0] = 'P';
}
