// lngtool: the translators' kit of the Qavrix uninstaller. It prints the key
// of a text, writes a template language file from the program's resources,
// and checks a language file against the program.
#include "codepage.h"
#include "lngfile_check.h"
#include "program_texts.h"
#include "template_writer.h"
#include "platform/handles.h"
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int ExitErrors = 1;   // faults found, or a file could not be read
constexpr int ExitUsage = 2;    // wrong command line

void PrintUsage(FILE* to) {
    std::fprintf(to,
        "lngtool: the translators' kit of the Qavrix uninstaller.\n"
        "\n"
        "  lngtool key --kind message|window [--context NAME] [--codepage CP] TEXT\n"
        "      Prints the key of TEXT: a message, or a window text of dialog NAME\n"
        "      (SETUPDLG, CONTEXTITEMS, DONEDLG). The reading-order entry is\n"
        "      --kind window --context LTR LTR, a dialog's size entry its empty text \"\".\n"
        "      TEXT may use the language file's escapes \\n \\r \\t \\\\ \\\".\n"
        "  lngtool template PROGRAM [--dialogs DLL] [--codepage CP] [--output FILE]\n"
        "      Writes a complete language file for PROGRAM (uninstall.exe) to FILE, or\n"
        "      to standard output. --dialogs: the dialogs come from a language DLL\n"
        "      (qavlng.dll) installed beside the program; messages always from PROGRAM.\n"
        "  lngtool check FILE --program PROGRAM [--dialogs DLL] [--codepage CP]\n"
        "      Loads FILE as the program does and reports every fault with its line;\n"
        "      the exit status is 0 only when there is no error.\n"
        "  lngtool --help\n"
        "\n"
        "CP is the ANSI code page of the systems the language file is for; keys are\n"
        "made from the program's texts in that code page (default: this system's, %u).\n"
        "Exit status: 0 success, 1 errors found or a file unreadable, 2 wrong command line.\n",
        GetACP());
}

int UsageError(const std::string& problem) {
    std::fprintf(stderr, "lngtool: %s\n(lngtool --help shows the commands)\n", problem.c_str());
    return ExitUsage;
}

int Failure(const std::string& problem) {
    std::fprintf(stderr, "lngtool: %s\n", problem.c_str());
    return ExitErrors;
}

std::string Ansi(const std::wstring& text) { return ToCodePage(text, CP_ACP); }

// The command line after the subcommand: options with their values, and
// the rest in order.
struct Arguments {
    std::vector<std::pair<std::wstring, std::wstring>> options;
    std::vector<std::wstring> rest;
    std::string problem;

    const std::wstring* Option(const wchar_t* name) const {
        for (const auto& option : options)
            if (option.first == name) return &option.second;
        return nullptr;
    }
};

Arguments ParseArguments(int argc, wchar_t** argv, std::initializer_list<const wchar_t*> known) {
    Arguments args;
    for (int i = 2; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--") {
            for (++i; i < argc; ++i) args.rest.push_back(argv[i]);
            break;
        }
        if (a.size() > 2 && a.compare(0, 2, L"--") == 0) {
            bool isKnown = false;
            for (const wchar_t* name : known) isKnown = isKnown || a == name;
            if (!isKnown) { args.problem = "unknown option " + Ansi(a); break; }
            if (i + 1 >= argc) { args.problem = "option " + Ansi(a) + " needs a value"; break; }
            if (args.Option(a.c_str())) { args.problem = "option " + Ansi(a) + " is given twice"; break; }
            args.options.emplace_back(a, argv[++i]);
            continue;
        }
        args.rest.push_back(a);
    }
    return args;
}

// The --codepage value, or the system's; 0 with `problem` set when unusable.
UINT CodePageOption(const Arguments& args, std::string& problem) {
    const std::wstring* value = args.Option(L"--codepage");
    if (!value) return GetACP();
    wchar_t* end = nullptr;
    unsigned long cp = std::wcstoul(value->c_str(), &end, 10);
    if (value->empty() || *end != L'\0' || value->find_first_not_of(L"0123456789") != std::wstring::npos) {
        problem = "code page \"" + ToUtf8(*value) + "\" is not a number";
        return 0;
    }
    if (cp == 0 || cp > 65535 || !IsUsableCodePage(static_cast<UINT>(cp))) {
        problem = "unknown code page " + std::to_string(cp) + " (this system cannot convert to it)";
        return 0;
    }
    return static_cast<UINT>(cp);
}

std::string DialogsOption(const Arguments& args) {
    const std::wstring* dialogs = args.Option(L"--dialogs");
    return dialogs ? Ansi(*dialogs) : std::string();
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& problem) {
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        problem = path + ": cannot open (" + SystemErrorText(GetLastError()) + ")";
        return false;
    }
    bytes.clear();
    char block[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file.get(), block, sizeof block, &got, nullptr) != FALSE) && got > 0) {
        bytes.append(block, got);
        if (bytes.size() > 64u * 1024 * 1024) {
            problem = path + ": larger than 64 MB, not a language file";
            return false;
        }
    }
    if (!ok) problem = path + ": cannot read (" + SystemErrorText(GetLastError()) + ")";
    return ok;
}

int RunKey(int argc, wchar_t** argv) {
    Arguments args = ParseArguments(argc, argv, {L"--kind", L"--context", L"--codepage"});
    if (!args.problem.empty()) return UsageError(args.problem);
    if (args.rest.size() != 1) return UsageError("key needs exactly one TEXT (quote it when it has blanks)");
    const std::wstring* kind = args.Option(L"--kind");
    if (!kind) return UsageError("key needs --kind message or --kind window");
    if (*kind != L"message" && *kind != L"window")
        return UsageError("--kind must be message or window, not \"" + ToUtf8(*kind) + "\"");
    const std::wstring* context = args.Option(L"--context");
    if (*kind == L"message" && context) return UsageError("messages have no context; --context is for window texts");
    std::string problem;
    UINT cp = CodePageOption(args, problem);
    if (!cp) return UsageError(problem);

    std::string contextBytes = context ? ToCodePage(*context, cp) : std::string();
    bool lossy = false;
    std::uint32_t key = KeyOfText(*kind == L"message" ? TextKind::MessageText : TextKind::WindowText,
                                  context ? contextBytes.c_str() : nullptr, UnescapeLikeLanguageFile(args.rest[0]),
                                  cp, &lossy);
    if (lossy)
        std::fprintf(stderr, "lngtool: warning: code page %u cannot hold every character of TEXT\n", cp);
    char text[lng::KeyLength + 1];
    FormatTranslationKey(key, text);
    std::printf("%s\n", text);
    return 0;
}

int RunTemplate(int argc, wchar_t** argv) {
    Arguments args = ParseArguments(argc, argv, {L"--codepage", L"--output", L"--dialogs"});
    if (!args.problem.empty()) return UsageError(args.problem);
    if (args.rest.size() != 1) return UsageError("template needs exactly one PROGRAM (uninstall.exe or qavlng.dll)");
    std::string problem;
    UINT cp = CodePageOption(args, problem);
    if (!cp) return UsageError(problem);

    std::string program = Ansi(args.rest[0]);
    std::string dialogs = DialogsOption(args);
    ProgramTexts texts;
    if (!ReadProgramTexts(program, cp, texts, problem, dialogs)) return Failure(problem);
    for (const std::string& name : texts.missing)
        std::fprintf(stderr, "lngtool: warning: %s has no dialog %s\n", (dialogs.empty() ? program : dialogs).c_str(),
                     name.c_str());
    std::string name = program.substr(program.find_last_of("\\/:") + 1);
    std::string bytes = MakeTemplate(texts, name, cp);

    const std::wstring* output = args.Option(L"--output");
    if (!output) {
        _setmode(_fileno(stdout), _O_BINARY);  // the file's own CR LF, nothing added
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
            return Failure("cannot write the template to standard output");
        return 0;
    }
    std::string path = Ansi(*output);
    UniqueFileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Failure(path + ": cannot create (" + SystemErrorText(GetLastError()) + ")");
    bool written = WriteAll(file.get(), bytes);
    DWORD error = GetLastError();
    file.reset();
    if (!written) return Failure(path + ": cannot write (" + SystemErrorText(error) + ")");
    return 0;
}

int RunCheck(int argc, wchar_t** argv) {
    Arguments args = ParseArguments(argc, argv, {L"--program", L"--codepage", L"--dialogs"});
    if (!args.problem.empty()) return UsageError(args.problem);
    if (args.rest.size() != 1) return UsageError("check needs exactly one language FILE");
    const std::wstring* programOption = args.Option(L"--program");
    if (!programOption) return UsageError("check needs --program uninstall.exe, the program the file translates");
    std::string problem;
    UINT cp = CodePageOption(args, problem);
    if (!cp) return UsageError(problem);

    std::string path = Ansi(args.rest[0]);
    std::string bytes;
    if (!ReadWholeFile(path, bytes, problem)) return Failure(problem);
    ProgramTexts texts;
    if (!ReadProgramTexts(Ansi(*programOption), cp, texts, problem, DialogsOption(args))) return Failure(problem);

    CheckResult result = CheckLanguageFile(bytes, texts, cp);
    for (const Finding& f : result.findings) {
        std::string place = f.line > 0 ? path + ":" + std::to_string(f.line) : path;
        std::printf("%s: %s: %s\n", place.c_str(), f.error ? "error" : "warning", f.text.c_str());
    }
    for (const std::string& line : result.summary) std::printf("%s\n", line.c_str());
    std::printf("%d error(s), %d warning(s)\n", result.Errors(), result.Warnings());
    return result.Errors() == 0 ? 0 : ExitErrors;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return ExitUsage;
    }
    std::wstring command = argv[1];
    if (command == L"--help" || command == L"-h" || command == L"/?" || command == L"help") {
        PrintUsage(stdout);
        return 0;
    }
    if (command == L"key") return RunKey(argc, argv);
    if (command == L"template") return RunTemplate(argc, argv);
    if (command == L"check") return RunCheck(argc, argv);
    return UsageError("unknown command \"" + ToUtf8(command) + "\"");
}
