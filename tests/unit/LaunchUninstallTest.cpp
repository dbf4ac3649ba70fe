// The launch of the application and the uninstall mode.
#include "launch/Launch.h"
#include "tests/support/World.h"
#include "uninstall/Uninstall.h"
#include "util/PathText.h"

#include <gtest/gtest.h>

using namespace zem;
using namespace zem::test;

TEST(Launch, StartCommandAndProgramChoice) {
    const std::wstring F = World::DefaultFolder;
    const std::wstring dbArgs = L"/DB_SCHEMA:JPX /DB_PASSWORD:JPX /DB_DATABASE:ZEM";
    struct Case {
        const char* name;
        std::vector<std::wstring> args;
        bool zemExists;
        std::wstring trace;       // after "CreateProcess    "
        std::wstring commandLine; // handed to the system
    } cases[] = {
        {"no parameters", {}, true, F + L"\\ZEM.exe  ", L"\"ZEM.exe\" "},
        {"alias",
         {L"@PROD"},
         true,
         L"C:\\Apps\\PROD_JPX_EXE\\ZEM.exe @PROD ",
         L"\"ZEM.exe\" @PROD"},
        {"settings file switch is dropped, database switches passed",
         {L"/inifile:site.ini"},
         true,
         F + L"\\ZEM.exe  ",
         L"\"ZEM.exe\"   " + dbArgs},
        {"'=' form is passed on",
         {L"/INIFILE=x.ini"},
         true,
         F + L"\\ZEM.exe /INIFILE=x.ini ",
         L"\"ZEM.exe\" /INIFILE=x.ini  " + dbArgs},
        {"minus form is passed on and counts",
         {L"-inifile:site.ini"},
         true,
         F + L"\\ZEM.exe -inifile:site.ini ",
         L"\"ZEM.exe\" -inifile:site.ini  " + dbArgs},
        {"start path in second place dropped",
         {L"a", L"/START_PATH:C:\\p"},
         false,
         L"C:\\p\\ZEM.exe a ",
         L"\"Velkor.exe\" a"},
        {"third parameter never passed",
         {L"a", L"b", L"c"},
         true,
         F + L"\\ZEM.exe a b",
         L"\"ZEM.exe\" a b"},
        {"quoted blank",
         {L"two words"},
         true,
         F + L"\\ZEM.exe two words ",
         L"\"ZEM.exe\" two words"},
        {"touch companion",
         {L"x", L"-LUMET"},
         true,
         F + L"\\ZEM.exe x -LUMET",
         L"\"Lumet_Touch.exe\" x -LUMET"},
        {"fallback program", {}, false, F + L"\\ZEM.exe  ", L"\"Velkor.exe\" "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        w.files.AddFolder(World::DefaultFolder);
        w.files.AddFolder(L"C:\\Apps\\PROD_JPX_EXE");
        w.files.AddFolder(L"C:\\p");
        if (c.zemExists) {
            w.files.AddFile(w.Folder(L"ZEM.EXE"), ToBytes("x"), 1);
            w.files.AddFile(L"C:\\Apps\\PROD_JPX_EXE\\ZEM.exe", ToBytes("x"), 1);
        }
        w.Run(c.args);
        EXPECT_EQ(w.debug.lines.back(), L"CreateProcess    " + c.trace);
        ASSERT_EQ(w.processes.started.size(), 1u);
        EXPECT_EQ(w.processes.started[0].first, c.commandLine);
        std::wstring folder = c.trace.substr(0, c.trace.find(L"\\ZEM.exe"));
        EXPECT_EQ(w.processes.started[0].second, folder);
        EXPECT_EQ(w.files.currentDir, folder + L"\\");
        EXPECT_EQ(w.view.progress.back(), 100);
        EXPECT_EQ(w.view.posted.back(), WM_DOFINISH);
    }
}

TEST(Launch, MissingSettingsFileStillPassesTheLogonValuesInForce) {
    World w;
    w.files.AddFolder(L"C:\\Apps\\PROD_JPX_EXE");
    w.Run({L"@PROD", L"/INIFILE:nothere.ini"});
    ASSERT_EQ(w.processes.started.size(), 1u);
    EXPECT_EQ(w.processes.started[0].first,
              L"\"Velkor.exe\" @PROD  /DB_SCHEMA:JPX /DB_PASSWORD:JPX /DB_DATABASE:PROD");
    for (const auto& line : w.debug.lines)
        EXPECT_EQ(line.find(L"DB_PASSWORD"), std::wstring::npos);
}

TEST(Launch, FolderWithSlashesAndEmptyFolder) {
    {
        World w;
        w.files.AddFolder(L"C:\\Apps\\srvinst_JPX_EXE");
        w.Run({L"@//srv/inst"});
        EXPECT_EQ(w.processes.started.at(0).second, L"C:\\Apps\\srvinst_JPX_EXE");
    }
    {
        World w;
        w.files.AddFolder(L"C:\\p/");
        w.Run({L"/START_PATH:C:\\/p/"}); // a slash in the last position stays
        EXPECT_EQ(w.debug.lines.back(), L"CreateProcess    C:\\p/\\ZEM.exe  ");
    }
    {
        World w; // empty program folder: the root of the current drive, empty process folder
        w.db.entries.clear();
        w.Run({L"/START_PATH:"});
        EXPECT_EQ(w.debug.lines.back(), L"CreateProcess    \\ZEM.exe  ");
        EXPECT_EQ(w.files.currentDir, L"\\");
        ASSERT_EQ(w.processes.started.size(), 1u);
        EXPECT_EQ(w.processes.started[0].second, L"");
    }
}

TEST(Launch, ProgramThatCannotStartEndsSilently) {
    World w;
    w.files.AddFolder(World::DefaultFolder);
    w.processes.fail = true;
    w.Run();
    EXPECT_TRUE(w.boxes.boxes.empty());
    EXPECT_TRUE(w.view.terminated);
}

TEST(ProcessStarter, CommandLineAndFolderRules) {
    EXPECT_EQ(ProcessFolder(L"x.exe", L"C:\\Apps\\DB_EXE\\"), L"C:\\Apps\\DB_EXE");
    EXPECT_EQ(ProcessFolder(L"x.exe", L"C:\\Apps\\DB_EXE"), L"C:\\Apps\\DB_EXE");
    EXPECT_EQ(ProcessFolder(L"D:\\Tools\\x.exe", L""), L"D:\\Tools");
    EXPECT_EQ(ProcessFolder(L"E:\\x.exe", L""), L"E:");
    EXPECT_EQ(ProcessFolder(L"x.exe", L""), L"");
    EXPECT_EQ(ProcessCommandLine(L"x.exe", L"   "), L"\"x.exe\" ");
    EXPECT_EQ(ProcessCommandLine(L"x.exe", L"  a b \t\r\n"), L"\"x.exe\"   a b");
    EXPECT_EQ(FilterPassedParam(L"x/inifile:y"), L"");
    EXPECT_EQ(FilterPassedParam(L"/Start_Path:q"), L"");
    EXPECT_EQ(FilterPassedParam(L"/START_PATH"), L"/START_PATH");
}

namespace {

struct UninstallWorld : World {
    const std::wstring key = UninstallKey(L"PROD");
    const std::wstring folder = L"C:\\Zem\\PROD";
    void Entry(const std::wstring& location) {
        registry.keys[UpperCaseAscii(key)].values[L"INSTALLLOCATION"] = {location};
        files.AddFolder(folder);
    }
};

} // namespace

TEST(Uninstall, RemovesEntryAndPlainFiles) {
    struct Case {
        const char* name;
        std::function<void(UninstallWorld&)> setup;
        std::vector<std::wstring> remaining;
        bool folderRemoved;
    } cases[] = {
        {"two plain files",
         [](UninstallWorld& w) {
             w.files.AddFile(w.folder + L"\\a.exe", ToBytes("a"));
             w.files.AddFile(w.folder + L"\\b.dll", ToBytes("b"));
         },
         {},
         true},
        {"plain, hidden and a subfolder",
         [](UninstallWorld& w) {
             w.files.AddFile(w.folder + L"\\a.exe", ToBytes("a"));
             w.files.AddFile(w.folder + L"\\h.sys", ToBytes("h"));
             w.files.Find(w.folder + L"\\h.sys")->hidden = true;
             w.files.AddFile(w.folder + L"\\sub\\c.txt", ToBytes("c"));
         },
         {L"C:\\Zem\\PROD\\h.sys", L"C:\\Zem\\PROD\\sub\\c.txt"},
         false},
        {"only a subfolder",
         [](UninstallWorld& w) { w.files.AddFolder(w.folder + L"\\sub"); },
         {},
         false},
        {"empty folder stays", [](UninstallWorld&) {}, {}, false},
        {"read-only file stays",
         [](UninstallWorld& w) {
             w.files.AddFile(w.folder + L"\\a.exe", ToBytes("a"));
             w.files.AddFile(w.folder + L"\\ro.dll", ToBytes("r"));
             w.files.Find(w.folder + L"\\ro.dll")->readOnly = true;
         },
         {L"C:\\Zem\\PROD\\ro.dll"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UninstallWorld w;
        w.Entry(w.folder);
        w.registry.keys[UpperCaseAscii(w.key + L"\\Sub\\Deeper")] = {};
        w.registry.keys[UpperCaseAscii(UninstallKey(L"OTHER"))] = {};
        c.setup(w);
        w.Run({L"/u", L"prod"}); // the registry ignores letter case
        EXPECT_EQ(w.files.FilesUnder(w.folder), c.remaining);
        EXPECT_EQ(w.files.DirectoryExists(w.folder), !c.folderRemoved);
        EXPECT_EQ(w.registry.keys.size(), 1u); // only the other alias's entry
        EXPECT_TRUE(w.registry.keys.count(UpperCaseAscii(UninstallKey(L"OTHER"))));
        EXPECT_EQ(w.view.posted.back(), WM_DOFINISH);
        EXPECT_TRUE(w.view.terminated);
        EXPECT_TRUE(w.processes.started.empty());
        EXPECT_TRUE(w.db.executed.empty() ||
                    w.db.executed.back().find(L"zemfiles") == std::wstring::npos);
    }
}

TEST(Uninstall, WrongValueTypeIsReportedAndNothingIsDeleted) {
    UninstallWorld w;
    w.Entry(w.folder);
    w.registry.keys[UpperCaseAscii(w.key)].values[L"INSTALLLOCATION"] = {L"", false};
    w.files.AddFile(w.folder + L"\\a.exe", ToBytes("a"));
    w.Run({L"/U", L"PROD"});
    ASSERT_EQ(w.boxes.boxes.size(), 1u);
    EXPECT_EQ(w.boxes.boxes[0].kind, L"error");
    EXPECT_NE(w.boxes.boxes[0].text.find(L"InstallLocation"), std::wstring::npos);
    EXPECT_EQ(w.registry.keys.size(), 1u);
    EXPECT_EQ(w.files.FilesUnder(w.folder).size(), 1u);
    EXPECT_FALSE(w.view.terminated); // no WM_DOFINISH; the window waits for Esc
}

TEST(Uninstall, EmptyLocationDeletesTheEntryButNoFile) {
    for (bool valuePresent : {false, true}) {
        UninstallWorld w;
        if (valuePresent)
            w.Entry(L"");
        w.files.AddFile(L"\\boot.ini", ToBytes("root file"));
        w.files.currentDir = L"C:\\";
        w.Run({L"/U", L"PROD"});
        EXPECT_TRUE(w.registry.keys.empty());
        EXPECT_EQ(w.files.FilesUnder(L"\\").size(), 1u);
        EXPECT_TRUE(w.view.terminated);
    }
}

TEST(Uninstall, SwitchInSecondPlaceRunsTheUpdate) {
    UninstallWorld w;
    w.Entry(w.folder);
    w.Run({L"@PROD", L"/u"});
    EXPECT_EQ(w.registry.keys.size(), 1u);
    EXPECT_NE(std::find(w.debug.lines.begin(), w.debug.lines.end(), L"tfrmMainUpdate.DoUpdate"),
              w.debug.lines.end());
}

TEST(Uninstall, RootsRelativeAndSystemFoldersAreNeverEmptied) {
    struct Case {
        const wchar_t* location;
        const wchar_t* reason; // empty: the folder is emptied
    } cases[] = {
        {L"C:", L"drive root"},
        {L"C:\\", L"drive root"},
        {L"c:/", L"drive root"},
        {L"\\\\?\\C:\\", L"drive root"},
        {L"\\\\server\\share", L"share root"},
        {L"\\\\server\\share\\", L"share root"},
        {L"\\\\server", L"share root"},
        {L"Zem\\PROD", L"relative path"},
        {L"C:Zem", L"relative path"},
        {L"\\Zem\\PROD", L"relative path"},
        {L"C:\\Zem\\..", L"not a plain folder path"},
        {L"C:\\Windows", L"system folder"},
        {L"c:\\windows\\System32\\", L"system folder"},
        {L"C:\\Windows\\Sysnative", L"system folder"}, // System32 for a 32-bit program
        {L"\\\\.\\GLOBALROOT\\Device\\HarddiskVolume3", L"device path"},
        {L"\\\\.\\C:\\Windows", L"device path"},
        {L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume3", L"device path"},
        {L"C:\\WindowsApps\\Zem", L""}, // not below C:\Windows
        {L"C:\\Zem\\PROD", L""},
        {L"\\\\server\\share\\Zem", L""},
        {L"\\\\?\\C:\\Zem\\PROD", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.location));
        UninstallWorld w;
        w.Entry(c.location);
        w.files.AddFile(L"C:\\boot.ini", ToBytes("root"));
        w.files.AddFile(L"C:\\Windows\\win.ini", ToBytes("system"));
        w.files.AddFile(L"C:\\Windows\\system32\\kernel32.dll", ToBytes("system"));
        w.files.AddFile(L"C:\\Zem\\PROD\\ZEM_Start.exe", ToBytes("start"));
        w.files.AddFile(L"C:\\WindowsApps\\Zem\\ZEM_Start.exe", ToBytes("start"));
        w.files.AddFile(L"\\\\server\\share\\data.txt", ToBytes("shared"));
        w.files.AddFile(L"\\\\server\\share\\Zem\\ZEM_Start.exe", ToBytes("start"));
        const std::size_t before = w.files.files.size();
        w.Run({L"/U", L"PROD"});
        EXPECT_TRUE(w.registry.keys.empty()); // the entry goes in every case
        const std::wstring reason = c.reason;
        EXPECT_EQ(w.files.files.size(), reason.empty() ? before - 1 : before);
        const std::wstring trace =
            L"  InstallLocation not emptied (" + reason + L"): " + c.location;
        EXPECT_EQ(std::find(w.debug.lines.begin(), w.debug.lines.end(), trace) !=
                      w.debug.lines.end(),
                  !reason.empty());
    }
}
