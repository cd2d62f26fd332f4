// The product's program identifiers under HKEY_CLASSES_ROOT as data: setup
// registers the entries in this order and the clean-up walks the same table
// to remove them.
#pragma once
#include "platform/core/product_names.h"
#include "res/resource.h"

struct ProgramIdEntry {
    const char* key;
    // A class: the message with its description and the archiver's icon
    // index; it gets an open command and a DefaultIcon.
    int description;
    int icon;
    // An extension instead: the class it points at. The clean-up removes
    // it only while it still does (another program may have taken it since).
    const char* pointsAt;
};

inline constexpr ProgramIdEntry ProgramIdTable[] = {
    {ArchiveProgramId, MSG_QAV_ARCHIVE, 0, nullptr},
    {ZipProgramId, MSG_ZIP_ARCHIVE, 0, nullptr},
    {RecoveryExtension, 0, 0, RecoveryProgramId},
    {RecoveryProgramId, MSG_RECOVERY_VOLUME, 1, nullptr},
};
