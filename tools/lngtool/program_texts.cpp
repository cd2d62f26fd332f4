// Reading the program's texts: the string table with LoadString, the dialog
// texts from the dialogs themselves, created hidden from their templates so
// that every text is what the dialog shows before it is translated.
#include "program_texts.h"
#include "codepage.h"
#include "platform/handles.h"
#include <cstring>

const char* const ProgramDialogs[3] = {"SETUPDLG", "CONTEXTITEMS", "DONEDLG"};

namespace {

// The buffers the program reads its texts into.
constexpr int MessageBuffer = 512;
constexpr int WindowTextBuffer = 1024;
// The program translates and moves at most this many children of a dialog.
constexpr int MaxChildren = 512;

// A program or DLL loaded for its resources only.
UniqueLibrary LoadDataModule(const std::string& path) {
    return UniqueLibrary(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

std::string KeyToText(std::uint32_t key) {
    char text[lng::KeyLength + 1];
    FormatTranslationKey(key, text);
    return text;
}

void AddText(ProgramTexts& out, ProgramText text) {
    text.key = TranslationKeyValue(text.kind, text.context.empty() ? nullptr : text.context.c_str(),
                                   text.bytes.c_str());
    // A text met twice under one key is one entry; the first place names it.
    for (ProgramText& known : out.texts)
        if (known.key == text.key) {
            known.where += ", " + text.where;
            return;
        }
    out.texts.push_back(std::move(text));
}

// The text as the program's 8-bit functions give it: through them when the
// code page is the system's, else converted from UTF-16 the same way.
std::string ProgramBytes(const std::wstring& wide, const char* ansi, UINT codePage, std::size_t limit,
                         bool& lossy, bool& cut) {
    std::string full = ToCodePage(wide, codePage, &lossy);
    cut = full.size() > limit;
    if (ansi && codePage == GetACP()) return ansi;
    return CutToBytes(full, limit, codePage);
}

BOOL CALLBACK CollectStringBlock(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<int>*>(param)->push_back(static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

void ReadMessages(HMODULE module, UINT codePage, ProgramTexts& out) {
    std::vector<int> blocks;
    EnumResourceNamesA(module, MAKEINTRESOURCEA(6), CollectStringBlock, reinterpret_cast<LONG_PTR>(&blocks));  // RT_STRING
    for (int block : blocks) {
        for (int number = (block - 1) * 16; number < block * 16; ++number) {
            const wchar_t* resource = nullptr;
            int length = LoadStringW(module, number, reinterpret_cast<wchar_t*>(&resource), 0);
            if (length <= 0 || !resource) continue;
            char ansi[MessageBuffer] = "";
            LoadStringA(module, number, ansi, sizeof ansi);
            ProgramText text;
            text.role = TextRole::Message;
            text.kind = TextKind::MessageText;
            text.wide.assign(resource, static_cast<std::size_t>(length));
            text.bytes = ProgramBytes(text.wide, ansi, codePage, MessageBuffer - 1, text.lossy, text.cut);
            text.where = "message " + std::to_string(number);
            text.capacity = MessageBuffer;
            AddText(out, std::move(text));
        }
    }
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::wstring WideWindowText(HWND window) {
    wchar_t text[WindowTextBuffer] = L"";
    GetWindowTextW(window, text, WindowTextBuffer);
    return text;
}

std::string ControlName(const char* dialog, HWND child) {
    char className[256] = "";
    GetClassNameA(child, className, sizeof className);
    int id = GetDlgCtrlID(child);
    std::string name = std::string(dialog) + " control ";
    name += id == -1 || id == 0xFFFF ? std::string("without ID") : std::to_string(id);
    return name + " (" + className + ")";
}

ProgramText WindowText(TextRole role, const char* dialog, HWND window, UINT codePage, std::string where) {
    char ansi[WindowTextBuffer] = "";
    GetWindowTextA(window, ansi, sizeof ansi);
    ProgramText text;
    text.role = role;
    text.kind = TextKind::WindowText;
    text.context = dialog;
    text.wide = WideWindowText(window);
    text.bytes = ProgramBytes(text.wide, ansi, codePage, WindowTextBuffer - 1, text.lossy, text.cut);
    text.where = std::move(where);
    text.capacity = WindowTextBuffer;
    return text;
}

// The dialog is made from its template as the program makes it, but never
// shown; its title and direct children are read in the program's order.
enum class DialogRead { Done, Missing, Failed };

DialogRead ReadDialog(HMODULE module, const char* name, UINT codePage, ProgramTexts& out) {
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!found) return DialogRead::Missing;
    HGLOBAL loaded = LoadResource(module, found);
    auto* dialogTemplate = loaded ? static_cast<LPCDLGTEMPLATEA>(LockResource(loaded)) : nullptr;
    if (!dialogTemplate) return DialogRead::Failed;
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate, nullptr, QuietDialogProc, 0);
    if (!dialog) return DialogRead::Failed;

    ProgramText scale;
    scale.role = TextRole::Scale;
    scale.kind = TextKind::WindowText;
    scale.context = name;
    scale.where = std::string(name) + " size";
    scale.capacity = MessageBuffer;
    AddText(out, scale);

    ProgramText title = WindowText(TextRole::Title, name, dialog, codePage, std::string(name) + " title");
    if (!title.bytes.empty()) AddText(out, std::move(title));  // else it is the scale entry's key

    HWND first = GetWindow(dialog, GW_CHILD);
    HWND child = first;
    for (int n = 0; child && n < MaxChildren; ++n) {
        ProgramText text = WindowText(TextRole::Control, name, child, codePage, ControlName(name, child));
        if (!text.bytes.empty()) AddText(out, std::move(text));
        child = GetWindow(child, GW_HWNDNEXT);
        if (child == first) break;
    }
    DestroyWindow(dialog);
    return DialogRead::Done;
}

}  // namespace

std::string ProgramText::KeyText() const { return KeyToText(key); }

const ProgramText* ProgramTexts::Find(std::uint32_t key) const {
    for (const ProgramText& text : texts)
        if (text.key == key) return &text;
    return nullptr;
}

std::uint32_t KeyOfText(TextKind kind, const char* context, const std::wstring& text, UINT codePage, bool* lossy) {
    std::string bytes = ToCodePage(text, codePage, lossy);
    return TranslationKeyValue(kind, context, bytes.c_str());
}

bool ReadProgramTexts(const std::string& path, UINT codePage, ProgramTexts& out, std::string& error,
                      const std::string& dialogPath) {
    out = ProgramTexts{};
    UniqueLibrary module = LoadDataModule(path);
    if (!module.get()) {
        error = path + ": cannot read its resources (" + SystemErrorText(GetLastError()) + ")";
        return false;
    }
    UniqueLibrary dialogModule = LoadDataModule(dialogPath.empty() ? path : dialogPath);
    if (!dialogModule.get()) {
        error = dialogPath + ": cannot read its resources (" + SystemErrorText(GetLastError()) + ")";
        return false;
    }
    // The rich-edit control of SETUPDLG, as the program loads it.
    static UniqueLibrary richEdit(LoadLibraryA("riched32.dll"));

    ProgramText order;
    order.role = TextRole::ReadingOrder;
    order.kind = TextKind::WindowText;
    order.context = "LTR";
    order.bytes = "LTR";
    order.wide = L"LTR";
    order.where = "reading order";
    order.capacity = WindowTextBuffer;
    AddText(out, order);

    ReadMessages(module.get(), codePage, out);
    bool anyDialog = false;
    for (const char* name : ProgramDialogs) {
        DialogRead read = ReadDialog(dialogModule.get(), name, codePage, out);
        if (read == DialogRead::Failed) {
            error = (dialogPath.empty() ? path : dialogPath) + ": the dialog " + name + " cannot be made from its template (" +
                    SystemErrorText(GetLastError()) + ")";
            return false;
        }
        if (read == DialogRead::Done) anyDialog = true;
        else out.missing.push_back(name);
    }
    if (out.texts.size() == 1 && !anyDialog) {
        error = path + ": holds neither messages nor the dialogs SETUPDLG, CONTEXTITEMS, DONEDLG";
        return false;
    }
    return true;
}
