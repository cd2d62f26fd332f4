// Creating and removing the archiver's shell links and program groups
// through the shell's link object and special-folder locations.
#include "integration/shortcuts.h"
#include "integration/core/link_paths.h"
#include "platform/core/product_names.h"
#include "lang/messages.h"
#include "platform/handles.h"
#include "platform/ole.h"
#include "platform/program_path.h"
#include "platform/safe_file.h"
#include "platform/text.h"
#include "platform/file.h"
#include "platform/windows_version.h"
#include "resource.h"
#include <shlobj.h>

const GroupLink GroupLinkTable[GroupLinkCount] = {
    {"Qavrix", 0, ArchiverFileName},
    {nullptr, MSG_HELP_LINK, "Qavrix.hlp"},
    {nullptr, MSG_MANUAL_LINK, "Qav.txt"},
};

namespace {

constexpr char LinkFileName[] = "Qavrix.lnk";
constexpr char GroupFolderName[] = "Qavrix";

// The file-system path of a special folder; false, with the buffer emptied,
// when the shell has no location for it (that place is then skipped).
bool SpecialFolderPath(int csidl, char (&folder)[PathSize]) {
    folder[0] = '\0';
    UniqueIdList location;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, location.put())) || !location) return false;
    char path[PathSize] = "";
    if (!SHGetPathFromIDListA(location.get(), path)) return false;  // writes at most MAX_PATH bytes
    return CopyText(folder, sizeof folder, path) && folder[0] != '\0';
}

// The texts every shortcut needs, read once: message buffers rotate.
struct LinkTexts {
    char mainTarget[PathSize];
    char description[MessageBufferSize];
    char names[GroupLinkCount][MessageBufferSize];
};

void ReadLinkTexts(LinkTexts& texts) {
    FileBesideProgram(ArchiverFileName, texts.mainTarget);
    CopyText(texts.description, sizeof texts.description, GetMessageText(MSG_LINK_DESCRIPTION));
    for (int row = 0; row < GroupLinkCount; ++row) {
        const GroupLink& link = GroupLinkTable[row];
        CopyText(texts.names[row], sizeof texts.names[row],
                 link.fixedName ? link.fixedName : GetMessageText(link.nameMessage));
    }
}

// Whether the shortcut file `link` points at `target` (read back through the
// shell's link object; letter case ignored).
bool LinkPointsAt(const char* link, const char* target) {
    ComPtr<IShellLinkA> shellLink;
    ComPtr<IPersistFile> file;
    wchar_t wideName[MAX_PATH];
    // A link that is not there points nowhere: OLE is not started for it.
    if (target[0] == '\0' || !FileExistsAnyName(link) || !WideFromAnsi(link, wideName, MAX_PATH)) return false;
    if (!OleStarted() ||
        FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                shellLink.putVoid())) ||
        FAILED(shellLink->QueryInterface(IID_IPersistFile, file.putVoid())) || !file ||
        FAILED(file->Load(wideName, STGM_READ)))
        return false;
    char path[MAX_PATH] = "";
    return SUCCEEDED(shellLink->GetPath(path, sizeof path, nullptr, SLGP_RAWPATH)) &&
           CompareTextNoCase(path, target) == 0;
}

// What becomes of a "Qavrix.lnk" that is there already.
enum class ExistingLink {
    Replaced,         // rewritten when wanted, deleted otherwise
    KeptUnlessOurs,   // someone's choice: kept when wanted, and deleted only when
                      // it is the product's own (it points at the archiver beside this program)
};

// "Qavrix.lnk" in `folder`: made when `wanted`, deleted otherwise.
void UpdateSingleLink(const char* folder, bool wanted, ExistingLink existing, const LinkTexts& texts) {
    char link[PathSize];
    if (!JoinFolderPath(LeadByteTable, link, sizeof link, folder, LinkFileName, "")) return;
    bool keepExisting = existing == ExistingLink::KeptUnlessOurs;
    if (!wanted) {
        if (!keepExisting || LinkPointsAt(link, texts.mainTarget)) RemoveEntryItself(link);
        return;
    }
    if (keepExisting && FileExistsAnyName(link)) return;
    if (texts.mainTarget[0] != '\0') CreateShellLink(texts.mainTarget, link, texts.description);
}

// The group's shortcuts, written only into a real folder of its own, held
// in place while they are written: a group folder that is a link is
// removed and made anew, or, where it cannot be removed, left unused.
bool MakeProgramGroup(const char* group, const LinkTexts& texts) {
    UniqueFileHandle hold;
    if (!HoldOwnFolder(group, hold)) return false;
    for (int row = 0; row < GroupLinkCount; ++row) {
        char link[PathSize], target[PathSize];
        if (!JoinFolderPath(LeadByteTable, link, sizeof link, group, texts.names[row], ".lnk")) continue;
        if (!FileBesideProgram(GroupLinkTable[row].targetFile, target)) continue;
        CreateShellLink(target, link, texts.description);
    }
    return true;
}

// The "Qavrix" group under a Programs folder, made or removed with all it holds.
void UpdateProgramGroup(const char* programs, bool wanted, const LinkTexts& texts, char* groupPath,
                        std::size_t groupPathSize) {
    char group[PathSize];
    if (!JoinFolderPath(LeadByteTable, group, sizeof group, programs, GroupFolderName, "")) return;
    if (!wanted) {
        RemoveTreeItself(group);
        return;
    }
    if (MakeProgramGroup(group, texts) && groupPath) CopyText(groupPath, groupPathSize, group);
}

}  // namespace

bool CreateShellLink(const char* target, const char* linkPath, const char* description) {
    ComPtr<IShellLinkA> link;
    if (!OleStarted() ||
        FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putVoid())))
        return false;
    link->SetPath(target);
    if (description) link->SetDescription(description);
    // A name that does not fit the shell's wide buffer is not saved: a cut
    // name would be another file.
    wchar_t wideName[MAX_PATH];
    if (!WideFromAnsi(linkPath, wideName, MAX_PATH)) return false;
    // The link's bytes are made in memory and written as a new file by this
    // program: the shell's own save would open an existing name, and with it
    // whatever a link of that name points at.
    ComPtr<IPersistStream> persist;
    ComPtr<IStream> stream;
    if (FAILED(link->QueryInterface(IID_IPersistStream, persist.putVoid())) || !persist ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) || FAILED(persist->Save(stream.get(), TRUE)))
        return false;
    ULARGE_INTEGER size{};
    HGLOBAL memory = nullptr;
    if (FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &size)) || size.QuadPart == 0 ||
        size.QuadPart > (1u << 20) || FAILED(GetHGlobalFromStream(stream.get(), &memory)))
        return false;
    const void* bytes = GlobalLock(memory);
    if (!bytes) return false;
    bool saved = WriteNewFile(linkPath, bytes, static_cast<std::size_t>(size.QuadPart), ExistingFile::Replace);
    GlobalUnlock(memory);
    if (saved) SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA, linkPath, nullptr);
    return saved;
}

bool GetDesktopFolder(char (&folder)[PathSize]) { return SpecialFolderPath(CSIDL_DESKTOPDIRECTORY, folder); }

void UpdateShortcuts(const IntegrationSettings& settings, char* groupPath, std::size_t groupPathSize) {
    LinkTexts texts;
    ReadLinkTexts(texts);
    char folder[PathSize];
    if (GetDesktopFolder(folder))
        UpdateSingleLink(folder, settings.desktopLink, ExistingLink::KeptUnlessOurs, texts);
    if (SpecialFolderPath(CSIDL_STARTMENU, folder))
        UpdateSingleLink(folder, settings.startMenuLink, ExistingLink::Replaced, texts);
    if (SpecialFolderPath(CSIDL_PROGRAMS, folder)) UpdateProgramGroup(folder, settings.programGroup, texts, groupPath, groupPathSize);
    if (NtMajorVersion() != 0 && SpecialFolderPath(CSIDL_COMMON_PROGRAMS, folder))
        UpdateProgramGroup(folder, settings.programGroup, texts, nullptr, 0);
}
