// The uninstall as deployment tools and the system's own launchers drive it:
// started from the system folder, silent, nobody at the screen. Each row is
// one trouble such a run meets; every row ends with the exit code the tools
// read, shows no window (not even from the self-removal batch's own runs),
// and writes what it did to its log.
#include "tests/e2e/uninstall_fixture.h"
#include <algorithm>
#include <memory>

namespace uninstall_e2e {
namespace {

enum class Trouble {
    None,          // an ordinary silent run
    MissingList,   // no Uninstall.lst
    HeldFile,      // a listed file open without delete sharing: left for the restart
    LoadedDll,     // a listed DLL loaded by another process: moved aside, then a restart
    SecondRun,     // another run waits at its confirmation meanwhile
    TwoAtOnce,     // two silent runs started 0.1 s apart
    ForeignTemp,   // a person's own run whose TEMP names a folder outside the ANSI code page
    Upgrade,       // a new version is written into the folder right after the run
    LogHardLink,   // the log's name is a second name of a bait file
    LogFileLink,   // the log's name is a link to a bait file
    PipedOutput,   // the caller reads the program's output through a pipe, as deployment agents do
    Undeletable,   // a listed file whose deletion the system accepts and then fails
    LongPath,      // a listed file whose path is longer than 300 characters, in listed folders
    SharedFile,    // a listed file held open with delete sharing: it goes when closed, its folders at the restart
    Utf8Mark,      // Uninstall.lst begins with a UTF-8 byte-order mark
    Utf16List,     // Uninstall.lst is UTF-16 text with its byte-order mark
};

struct Row {
    const char* name;
    Trouble trouble;
    long exit;
    bool folderGoes;                    // the program folder is gone once the batch (or the restart) ran
    std::vector<const char*> logLines;  // parts of lines the log must hold
};

class Unattended : public Installation {
protected:
    std::string LogPath() {
        std::string folder = root_ / "logs dir";
        EXPECT_TRUE(test::MakeDir(folder) || test::Exists(folder));
        return folder + "\\run.log";
    }
    // Runs the program as the tools do, from the system folder, silent and
    // logging; returns the log.
    std::string RunSilently(long exit) {
        EXPECT_TRUE(Run("/S \"/LOG=" + LogPath() + "\"", IDOK, exit, test::SystemFolder()).empty()) << "no window";
        return test::ReadBytes(LogPath());
    }
    // The same run with its output and error going into a pipe. Once the
    // program has ended nobody holds the pipe's other end (the batch's
    // interpreter, still running, inherited none of it), and nobody holds the log.
    std::string RunPiped(long exit) {
        HANDLE read = nullptr, write = nullptr;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        EXPECT_TRUE(CreatePipe(&read, &write, &inherit, 0));
        UniqueHandle reader(read), writer(write);
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        test::Process run;
        EXPECT_TRUE(run.Start(exe_, "/S \"/LOG=" + LogPath() + "\"", test::SystemFolder(), write, write));
        started_.push_back(run.Stamp());
        writer.reset();
        EXPECT_EQ(run.Wait(60000), exit);
        DWORD available = 0;
        EXPECT_FALSE(PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr)) << "the pipe is still held";
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
        EXPECT_TRUE(UniqueFileHandle(CreateFileA(LogPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                                 nullptr)))
            << "the log is still held";
        return test::ReadBytes(LogPath());
    }
    // What the restart carries out: the schedule, folders included.
    static void Restart() {
        test::Process boot;
        ASSERT_TRUE(boot.Start(test::SystemFolder() + "\\wineboot.exe", "-r"));
        EXPECT_EQ(boot.Wait(60000), 0);
    }
};

// TEMP and TMP of this process (and so of the program) for one scope.
class TempScope : test::Scope {
public:
    explicit TempScope(const std::wstring& folder) {
        for (const wchar_t* name : {L"TEMP", L"TMP"}) {
            wchar_t old[1024] = L"";
            GetEnvironmentVariableW(name, old, 1024);
            saved_.push_back(old);
            SetEnvironmentVariableW(name, folder.c_str());
        }
    }
    ~TempScope() {
        SetEnvironmentVariableW(L"TEMP", saved_[0].c_str());
        SetEnvironmentVariableW(L"TMP", saved_[1].c_str());
    }
private:
    std::vector<std::wstring> saved_;
};

std::wstring Wide(const std::string& ansi) {
    wchar_t out[1024] = L"";
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, out, 1024);
    return out;
}

// Each a folder of the long path, 60 characters a name.
std::string LongFolder(int depth) {
    std::string path;
    for (int i = 0; i < depth; ++i) path += (i ? "\\" : "") + std::string(58, static_cast<char>('k' + i)) + "_" + std::to_string(i);
    return path;
}

TEST_F(Unattended, SilentRunsFromTheSystemFolderEndWithTheirCodeAndNoWindow) {
    const Row rows[] = {
        {"ordinary", Trouble::None, test::ExitDone, true,
         {"removed a.txt", "registry key HKEY_CURRENT_USER\\Software\\Qavrix removed",
          "skipped ..\\outside.txt: it leads outside the program folder", "skipped CON: it names a device",
          "moved aside to uninstall.exe.0.exe",
          "self-removal batch", "ended with exit code 0: done"}},
        {"missing-list", Trouble::MissingList, test::ExitCannotStart, false,
         {"cannot start: Uninstall.lst cannot be opened", "ended with exit code 1603"}},
        {"held-file", Trouble::HeldFile, test::ExitRestart, false,
         {"in use and cannot be moved: ", "is removed at the next start if it is empty then",
          "a restart is needed", "ended with exit code 3010"}},
        {"loaded-dll", Trouble::LoadedDll, test::ExitRestart, true,
         {"moved aside to ext.dll.0.tmp, removed at the next start", "a restart is needed",
          "ended with exit code 3010"}},
        {"second-run", Trouble::SecondRun, test::ExitBusy, true,
         {"program folder ", "ended with exit code 1618: another setup or uninstall run is under way",
          "ended with exit code 0"}},
        {"two-at-once", Trouble::TwoAtOnce, test::ExitDone, true, {"ended with exit code "}},
        {"foreign-temp", Trouble::ForeignTemp, test::ExitDone, true,
         {"self-removal batch", "ended with exit code 0"}},
        {"upgrade", Trouble::Upgrade, test::ExitDone, false, {"ended with exit code 0"}},
        {"log-hard-link", Trouble::LogHardLink, test::ExitDone, true, {"self-removal batch", "ended with exit code 0"}},
        // Wine follows a Unix link whatever it is asked: the link is left alone
        // and no log is written (Windows removes a link there as itself).
        {"log-file-link", Trouble::LogFileLink, test::ExitDone, true, {}},
        {"piped-output", Trouble::PipedOutput, test::ExitDone, true, {"self-removal batch", "ended with exit code 0"}},
        {"undeletable", Trouble::Undeletable, test::ExitEntriesLeft, false,
         {"removed a.txt", "could not remove ", "keep.dat: error 0", "1 listed entries could not be removed",
          "ended with exit code 1603: the uninstall ran but left entries it could not remove"}},
        {"long-path", Trouble::LongPath, test::ExitDone, true, {"removed a.txt", "_4\\deep.dat", "ended with exit code 0"}},
        {"shared-file", Trouble::SharedFile, test::ExitRestart, true,
         {"held open by another program: ", "is removed at the next start if it is empty then",
          "ended with exit code 3010"}},
        {"utf8-mark", Trouble::Utf8Mark, test::ExitDone, true, {"removed a.txt", "ended with exit code 0"}},
        {"utf16-list", Trouble::Utf16List, test::ExitCannotStart, false,
         {"Uninstall.lst is UTF-16 text", "ended with exit code 1603"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::EmptySchedule schedule;
        Install(std::string("unattended-") + row.name);
        Put("a.txt");
        Folder("bin");
        std::string list = "a.txt\r\nbin\r\n";
        if (row.trouble == Trouble::None) list += "..\\outside.txt\r\nCON\r\n";
        if (row.trouble != Trouble::MissingList) List(list);
        if (row.trouble == Trouble::Utf8Mark) List("\xEF\xBB\xBF" + list);
        if (row.trouble == Trouble::Utf16List) {
            std::string utf16 = "\xFF\xFE";
            for (char c : list) utf16 += std::string(1, c) + '\0';
            List(utf16);
        }
        if (row.trouble == Trouble::None || row.trouble == Trouble::Utf16List)
            test::SetRegText(HKEY_CURRENT_USER, "Software\\Qavrix\\Setup", "x", "y");
        std::unique_ptr<test::UndeletableFile> undeletable;
        if (row.trouble == Trouble::Undeletable) {
            Put("keep.dat");
            List("keep.dat\r\n" + list);
            undeletable.reset(new test::UndeletableFile(In("keep.dat")));
            ASSERT_TRUE(*undeletable) << "chattr +i needs a file system that supports it";
        }
        if (row.trouble == Trouble::LongPath) {
            // Made and listed deepest first, through wide names: the ANSI
            // functions stop at 260 characters.
            std::string lines;
            for (int depth = 1; depth <= 5; ++depth) {
                ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Wide(In(LongFolder(depth)))).c_str(), nullptr));
                lines = LongFolder(depth) + "\r\n" + lines;
            }
            std::string deep = In(LongFolder(5) + "\\deep.dat");
            ASSERT_GT(deep.size(), 300u);
            UniqueFileHandle file(CreateFileW((L"\\\\?\\" + Wide(deep)).c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_NEW, 0, nullptr));
            ASSERT_TRUE(file);
            List(LongFolder(5) + "\\deep.dat\r\n" + lines + list);
        }

        std::vector<test::HeldFile> held;
        if (row.trouble == Trouble::HeldFile) {
            Put("bin\\locked.dat");
            held.emplace_back(In("bin\\locked.dat"), test::Hold::NoDeleteSharing);
            List(list + "bin\\locked.dat\r\n");
        }
        if (row.trouble == Trouble::LoadedDll) {
            ASSERT_TRUE(test::CopyTo(program_, In("bin\\ext.dll")));
            held.emplace_back(In("bin\\ext.dll"), test::Hold::AsLibrary);
            List("bin\\ext.dll\r\n" + list);
        }
        if (row.trouble == Trouble::SharedFile) {
            Put("bin\\shared.dat");
            held.emplace_back(In("bin\\shared.dat"), test::Hold::ShareDelete);
            List(list + "bin\\shared.dat\r\n");
        }
        for (const test::HeldFile& h : held) ASSERT_TRUE(h);

        // The run under way first: interactive, waiting at its confirmation.
        test::Process first;
        HWND question = nullptr;
        if (row.trouble == Trouble::SecondRun) {
            ASSERT_TRUE(first.Start(exe_, "\"/LOG=" + LogPath() + "\"", test::SystemFolder()));
            question = ui::WaitForDialog(first.pid(), 20000, "", first.handle());
            ASSERT_NE(question, nullptr);
            started_.push_back(first.Stamp());
        }
        std::string foreignTemp = root_ / "tmp";
        std::wstring foreignTempWide = Wide(foreignTemp) + L"\x0e01";   // a Thai letter, not in code page 936
        ASSERT_TRUE(CreateDirectoryW(foreignTempWide.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        std::string log;
        if (row.trouble == Trouble::TwoAtOnce) {
            // Either may start first: one runs, the other finds it under way
            // or, when it came too late, no list, or no program at all (the
            // first one has moved itself aside); neither shows anything.
            test::Process runs[2];
            bool second = false;
            for (int i = 0; i < 2; ++i) {
                std::string name = root_ / ("two" + std::to_string(i) + ".log");
                bool started = runs[i].Start(exe_, "/S \"/LOG=" + name + "\"", test::SystemFolder());
                ASSERT_TRUE(started || i == 1);
                if (started) started_.push_back(runs[i].Stamp());
                second = started;
                Sleep(100);
            }
            long codes[2] = {runs[0].Wait(30000), second ? runs[1].Wait(30000) : test::ExitCannotStart};
            std::sort(codes, codes + 2);
            EXPECT_EQ(codes[0], test::ExitDone);
            EXPECT_TRUE(codes[1] == test::ExitBusy || codes[1] == test::ExitCannotStart) << codes[1];
            log = test::ReadBytes(root_ / "two0.log") + test::ReadBytes(root_ / "two1.log");
            EXPECT_NE(log.find("ended with exit code 0"), std::string::npos) << log;
        } else {
            // Only a run without the administrators' rights keeps its batch
            // in its own temporary folder: here its short form.
            std::unique_ptr<TempScope> temp;
            std::unique_ptr<test::NonAdministratorScope> person;
            if (row.trouble == Trouble::ForeignTemp) {
                temp.reset(new TempScope(foreignTempWide));
                person.reset(new test::NonAdministratorScope);
            }
            std::string bait = root_ / "bait.txt";
            if (row.trouble == Trouble::LogHardLink || row.trouble == Trouble::LogFileLink) {
                ASSERT_TRUE(test::WriteBytes(bait, "bait"));
                DeleteFileA(LogPath().c_str());
                if (row.trouble == Trouble::LogHardLink)
                    ASSERT_TRUE(CreateHardLinkA(LogPath().c_str(), bait.c_str(), nullptr));
                else
                    ASSERT_TRUE(test::MakeUnixLink(LogPath(), bait));
            }
            log = row.trouble == Trouble::PipedOutput ? RunPiped(row.exit) : RunSilently(row.exit);
            if (row.trouble == Trouble::LogHardLink || row.trouble == Trouble::LogFileLink) {
                EXPECT_EQ(test::ReadBytes(bait), "bait");
                if (row.trouble == Trouble::LogFileLink) test::RemoveUnixLink(LogPath());
            }
            if (row.trouble == Trouble::None) {
                // An administrators' run (all others under Wine) keeps it in the Windows one.
                std::string base = test::WindowsFolder() + "\\Temp\\QavRemoval.";
                EXPECT_NE(log.find("self-removal batch " + base), std::string::npos) << log;
            }
            if (row.trouble == Trouble::ForeignTemp) {
                wchar_t shortWide[1024] = L"";
                ASSERT_GT(GetShortPathNameW(foreignTempWide.c_str(), shortWide, 1024), 0u);
                char shortName[1024] = "";
                WideCharToMultiByte(CP_ACP, 0, shortWide, -1, shortName, sizeof shortName, nullptr, nullptr);
                EXPECT_NE(log.find(std::string("self-removal batch ") + shortName + "\\"), std::string::npos) << log;
            }
        }
        // The new version, written right after the old one ended.
        const char* const newFiles[] = {"uninstall.exe", "Qavrix.exe", "bin\\qavext.dll", "Uninstall.lst"};
        if (row.trouble == Trouble::Upgrade) {
            Folder("bin");
            for (const char* f : newFiles) Put(f, std::string("new ") + f);
        }
        if (row.trouble == Trouble::SecondRun) {
            // The second run changed nothing and only added to the log they
            // share; a person's run ("Change") meanwhile is told why nothing
            // happens. The first one then runs to its end.
            EXPECT_TRUE(Has("a.txt"));
            EXPECT_TRUE(Has("Uninstall.lst"));
            std::vector<test::Box> boxes = Run("/setup", IDOK, test::ExitBusy);
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, "Qavrix 的另一个安装或卸载正在进行。请等它结束后再试。");
            ui::Command(question, IDYES);
            EXPECT_EQ(first.Wait(30000), test::ExitDone);
            log = test::ReadBytes(LogPath());
        }
        for (const char* part : row.logLines) EXPECT_NE(log.find(part), std::string::npos) << part << "\n" << log;
        if (row.trouble != Trouble::LogFileLink) {
            EXPECT_NE(log.find("started in " + test::SystemFolder()), std::string::npos) << log;
        }

        // The batch (wherever it went) has run to its end and asked nothing.
        EXPECT_TRUE(test::WaitUntilGone(In("uninstall.exe.0.exe"), 30000));
        WaitForBatch(30000);
        Sleep(500);
        EXPECT_TRUE(ui::DialogsOf(0).empty()) << "a window appeared";
        if (row.trouble == Trouble::Upgrade) {
            for (const char* f : newFiles) EXPECT_EQ(test::ReadBytes(In(f)), std::string("new ") + f) << f;
        }
        if (row.trouble == Trouble::MissingList || row.trouble == Trouble::Utf16List) {
            EXPECT_TRUE(Has("a.txt"));
            EXPECT_TRUE(Has("uninstall.exe"));
            EXPECT_EQ(Has("Uninstall.lst"), row.trouble == Trouble::Utf16List);
        }
        if (row.trouble == Trouble::Utf16List) {
            EXPECT_EQ(test::ReadRegString(HKEY_CURRENT_USER, "Software\\Qavrix\\Setup", "x"), "y");
            RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Qavrix\\Setup");
            RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Qavrix");
        }
        if (row.trouble == Trouble::Undeletable) {
            EXPECT_TRUE(Has("keep.dat"));
            EXPECT_FALSE(Has("a.txt"));
            EXPECT_FALSE(Has("bin"));
        }
        if (row.trouble == Trouble::HeldFile || row.trouble == Trouble::LoadedDll ||
            row.trouble == Trouble::SharedFile) {
            EXPECT_TRUE(test::IsScheduledForDeletion(dir_)) << "the folder goes after the files left for the restart";
            EXPECT_TRUE(test::IsScheduledForDeletion(In("bin")));
            std::vector<std::string> order = test::ScheduledDeletions();
            auto at = [&](const std::string& path) {
                for (std::size_t i = 0; i < order.size(); ++i)
                    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, order[i].c_str(), -1,
                                       ("\\??\\" + path).c_str(), -1) == CSTR_EQUAL)
                        return i;
                return order.size();
            };
            EXPECT_LT(at(In("bin")), at(dir_)) << "the deepest folder first";
        }
        if (row.trouble == Trouble::LoadedDll) {
            // The library is still loaded at the restart's time on a real system;
            // here the restart runs once its holder let it go.
            held.clear();
            EXPECT_TRUE(test::Exists(dir_)) << "held by the moved-aside DLL until the restart";
            Restart();
        }
        if (row.trouble == Trouble::SharedFile) {
            // Deleted once its holder closed it; the folders go at the restart.
            held.clear();
            EXPECT_FALSE(Has("bin\\shared.dat"));
            EXPECT_TRUE(test::Exists(dir_));
            Restart();
        }
        undeletable.reset();
        held.clear();
        if (row.folderGoes) EXPECT_TRUE(test::WaitUntilGone(dir_, 30000));
        else EXPECT_TRUE(test::Exists(dir_));
        test::EndProcessesStartedBy(started_);
        started_.clear();
        RemoveDirectoryW(foreignTempWide.c_str());
    }
}

}  // namespace
}  // namespace uninstall_e2e
