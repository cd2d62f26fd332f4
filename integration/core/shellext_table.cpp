// The shell extension's registry entries as data, so that registering and
// unregistering walk the same table.
#include "integration/core/shellext_table.h"
#include "platform/core/product_names.h"

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
constexpr ShellExtRemoval Key = ShellExtRemoval::Key;
constexpr ShellExtRemoval Value = ShellExtRemoval::Value;
constexpr ShellExtRemoval WithItsKey = ShellExtRemoval::WithItsKey;
}  // namespace

// The server key comes before the class key that holds it, so that it is
// deleted first (a key with subkeys cannot be deleted on the NT family); the
// handler keys named "Qavrix" are shared with nothing but may have gained
// subkeys, so only their default values go; the "Approved" key belongs to
// the system and only our value leaves it.
const ShellExtEntry ShellExtEntries[ShellExtEntryCount] = {
    {CR, QAV_CLSID_KEY "\\InProcServer32", "", Module, nullptr, true, Key},
    {CR, QAV_CLSID_KEY "\\InProcServer32", "ThreadingModel", Text, "Apartment", true, WithItsKey},
    {CR, QAV_CLSID_KEY, "", Text, "Qavrix", true, Key},
    {CR, QAV_ARCHIVE_PROGRAM_ID "\\shellex\\ContextMenuHandlers\\" QAV_SHELLEXT_GUID, "", Text, "", false, Key},
    {CR, QAV_ARCHIVE_PROGRAM_ID "\\shellex\\PropertySheetHandlers\\" QAV_SHELLEXT_GUID, "", Text, "", false, Key},
    {CR, QAV_ZIP_PROGRAM_ID "\\shellex\\ContextMenuHandlers\\" QAV_SHELLEXT_GUID, "", Text, "", false, Key},
    {CR, QAV_ZIP_PROGRAM_ID "\\shellex\\PropertySheetHandlers\\" QAV_SHELLEXT_GUID, "", Text, "", false, Key},
    {CR, "exefile\\shellex\\PropertySheetHandlers\\" QAV_SHELLEXT_GUID, "", Text, "", false, Key},
    {CR, QAV_ARCHIVE_PROGRAM_ID "\\shellex\\DropHandler", "", Guid, nullptr, false, Key},
    {CR, QAV_ZIP_PROGRAM_ID "\\shellex\\DropHandler", "", Guid, nullptr, false, Key},
    {CR, "*\\shellex\\ContextMenuHandlers\\Qavrix", "", Guid, nullptr, false, Value},
    {CR, "Folder\\shellex\\ContextMenuHandlers\\Qavrix", "", Guid, nullptr, false, Value},
    {CR, "Folder\\shellex\\DragDropHandlers\\Qavrix", "", Guid, nullptr, false, Value},
    {CR, "Drive\\shellex\\DragDropHandlers\\Qavrix", "", Guid, nullptr, false, Value},
    {CR, "Directory\\shellex\\ContextMenuHandlers\\Qavrix", "", Guid, nullptr, false, Value},
    {CR, "Directory\\shellex\\DragDropHandlers\\Qavrix", "", Guid, nullptr, false, Value},
    {LM, QAV_APPROVED_KEY, QAV_SHELLEXT_GUID, Text, "Qavrix shell extension", false, Value},
};
