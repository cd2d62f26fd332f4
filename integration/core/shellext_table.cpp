// The shell extension's registry entries as data, so that registering and
// unregistering walk the same names.
#include "integration/core/shellext_table.h"

#define QAV_SHELLEXT_GUID "{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}"
#define QAV_CLSID_KEY "CLSID\\" QAV_SHELLEXT_GUID
#define QAV_APPROVED_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved"

const char ShellExtGuid[] = QAV_SHELLEXT_GUID;
static_assert(sizeof(QAV_SHELLEXT_GUID) == ShellExtGuidLength + 1, "the class identifier is 38 characters");

namespace {
constexpr ShellExtRoot CR = ShellExtRoot::ClassesRoot;
constexpr ShellExtRoot LM = ShellExtRoot::LocalMachine;
constexpr ShellExtData Text = ShellExtData::Text;
constexpr ShellExtData Module = ShellExtData::ModulePath;
constexpr ShellExtData Guid = ShellExtData::Guid;
}  // namespace

const ShellExtEntry ShellExtEntries[ShellExtEntryCount] = {
    {CR, QAV_CLSID_KEY, "", Text, "Qavrix", true},
    {CR, QAV_CLSID_KEY "\\InProcServer32", "", Module, nullptr, true},
    {CR, QAV_CLSID_KEY "\\InProcServer32", "ThreadingModel", Text, "Apartment", true},
    {CR, "Qavrix\\shellex\\ContextMenuHandlers\\" QAV_SHELLEXT_GUID, "", Text, "", false},
    {CR, "Qavrix\\shellex\\PropertySheetHandlers\\" QAV_SHELLEXT_GUID, "", Text, "", false},
    {CR, "Qavrix.ZIP\\shellex\\ContextMenuHandlers\\" QAV_SHELLEXT_GUID, "", Text, "", false},
    {CR, "Qavrix.ZIP\\shellex\\PropertySheetHandlers\\" QAV_SHELLEXT_GUID, "", Text, "", false},
    {CR, "exefile\\shellex\\PropertySheetHandlers\\" QAV_SHELLEXT_GUID, "", Text, "", false},
    {CR, "Qavrix\\shellex\\DropHandler", "", Guid, nullptr, false},
    {CR, "Qavrix.ZIP\\shellex\\DropHandler", "", Guid, nullptr, false},
    {CR, "*\\shellex\\ContextMenuHandlers\\Qavrix", "", Guid, nullptr, false},
    {CR, "Folder\\shellex\\ContextMenuHandlers\\Qavrix", "", Guid, nullptr, false},
    {CR, "Folder\\shellex\\DragDropHandlers\\Qavrix", "", Guid, nullptr, false},
    {CR, "Drive\\shellex\\DragDropHandlers\\Qavrix", "", Guid, nullptr, false},
    {CR, "Directory\\shellex\\ContextMenuHandlers\\Qavrix", "", Guid, nullptr, false},
    {CR, "Directory\\shellex\\DragDropHandlers\\Qavrix", "", Guid, nullptr, false},
    {LM, QAV_APPROVED_KEY, QAV_SHELLEXT_GUID, Text, "Qavrix shell extension", false},
};

// The server key goes before its parent (a key with subkeys cannot be
// deleted on the NT family); the handler keys named "Qavrix" are shared
// with nothing but may have gained subkeys, so only their default values go;
// the "Approved" key belongs to the system and only our value leaves it.
const ShellExtRemoval ShellExtRemovals[ShellExtRemovalCount] = {
    {CR, QAV_CLSID_KEY "\\InProcServer32", nullptr},
    {CR, QAV_CLSID_KEY, nullptr},
    {CR, "Qavrix\\shellex\\ContextMenuHandlers\\" QAV_SHELLEXT_GUID, nullptr},
    {CR, "Qavrix\\shellex\\PropertySheetHandlers\\" QAV_SHELLEXT_GUID, nullptr},
    {CR, "Qavrix.ZIP\\shellex\\ContextMenuHandlers\\" QAV_SHELLEXT_GUID, nullptr},
    {CR, "Qavrix.ZIP\\shellex\\PropertySheetHandlers\\" QAV_SHELLEXT_GUID, nullptr},
    {CR, "exefile\\shellex\\PropertySheetHandlers\\" QAV_SHELLEXT_GUID, nullptr},
    {CR, "Qavrix\\shellex\\DropHandler", nullptr},
    {CR, "Qavrix.ZIP\\shellex\\DropHandler", nullptr},
    {CR, "*\\shellex\\ContextMenuHandlers\\Qavrix", ""},
    {CR, "Folder\\shellex\\ContextMenuHandlers\\Qavrix", ""},
    {CR, "Folder\\shellex\\DragDropHandlers\\Qavrix", ""},
    {CR, "Drive\\shellex\\DragDropHandlers\\Qavrix", ""},
    {CR, "Directory\\shellex\\ContextMenuHandlers\\Qavrix", ""},
    {CR, "Directory\\shellex\\DragDropHandlers\\Qavrix", ""},
    {LM, QAV_APPROVED_KEY, QAV_SHELLEXT_GUID},
};
