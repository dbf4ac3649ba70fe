// The session object's construction and the start window's sequence of messages.
#include "ui/FixedTexts.h"
#include "app/MainDM.h"
#include "tests/support/World.h"
#include "util/PathText.h"

#include <gtest/gtest.h>

using namespace zem;
using namespace zem::test;

namespace {

std::vector<std::wstring> Lines(const World& w) {
    return w.debug.lines;
}

bool HasLine(const World& w, const std::wstring& line) {
    return std::find(w.debug.lines.begin(), w.debug.lines.end(), line) != w.debug.lines.end();
}

} // namespace

TEST(SessionObject, LogonValuesFromDefaultsSettingsAndCommandLine) {
    struct Case {
        const char* name;
        std::vector<std::wstring> args;
        std::string ini;      // content of the settings file that the case puts in place
        std::wstring iniPath; // where it goes
        std::wstring traceIni, user, password, database, folder;
        bool byIni;
    } cases[] = {
        {"defaults",
         {},
         "",
         L"",
         L"C:\\Apps\\ZEM_Start.INI",
         L"JPX",
         L"JPX",
         L"ZEM",
         L"C:\\Apps\\ZEM_JPX_EXE",
         false},
        {"default settings file",
         {},
         "[DB]\nDATABASE=PROD\nUSERNAME=u\nPASSWORD=p\n",
         L"C:\\Apps\\ZEM_Start.INI",
         L"C:\\Apps\\ZEM_Start.INI",
         L"u",
         L"p",
         L"PROD",
         L"C:\\Apps\\PROD_u_EXE",
         false},
        {"only DATABASE",
         {},
         "[db]\ndatabase=PROD\n",
         L"C:\\Apps\\ZEM_Start.INI",
         L"C:\\Apps\\ZEM_Start.INI",
         L"JPX",
         L"JPX",
         L"PROD",
         L"C:\\Apps\\PROD_JPX_EXE",
         false},
        {"named settings file",
         {L"-inifile:site.ini"},
         "[DB]\nUSERNAME=site\n",
         L"C:\\Apps\\site.ini",
         L"C:\\Apps\\site.ini",
         L"site",
         L"JPX",
         L"ZEM",
         L"C:\\Apps\\ZEM_site_EXE",
         true},
        {"'=' belongs to the value",
         {L"/INIFILE=site.ini"},
         "[DB]\nUSERNAME=site\n",
         L"C:\\Apps\\site.ini",
         L"C:\\Apps\\=site.ini",
         L"JPX",
         L"JPX",
         L"ZEM",
         L"C:\\Apps\\ZEM_JPX_EXE",
         true},
        {"empty value: the folder itself",
         {L"/INIFILE"},
         "",
         L"",
         L"C:\\Apps\\",
         L"JPX",
         L"JPX",
         L"ZEM",
         L"C:\\Apps\\ZEM_JPX_EXE",
         true},
        {"full path still relative",
         {L"/INIFILE:D:\\site.ini"},
         "[DB]\nUSERNAME=x\n",
         L"D:\\site.ini",
         L"C:\\Apps\\D:\\site.ini",
         L"JPX",
         L"JPX",
         L"ZEM",
         L"C:\\Apps\\ZEM_JPX_EXE",
         true},
        {"alias wins over settings",
         {L"@PROD"},
         "[DB]\nDATABASE=TEST\n",
         L"C:\\Apps\\ZEM_Start.INI",
         L"C:\\Apps\\ZEM_Start.INI",
         L"JPX",
         L"JPX",
         L"PROD",
         L"C:\\Apps\\PROD_JPX_EXE",
         false},
        {"alias only from parameter 1",
         {L"/INIFILE:site.ini", L"@PROD"},
         "",
         L"",
         L"C:\\Apps\\site.ini",
         L"JPX",
         L"JPX",
         L"ZEM",
         L"C:\\Apps\\ZEM_JPX_EXE",
         true},
        {"alias after the first '@'",
         {L"/INIFILE:a@b.ini"},
         "",
         L"",
         L"C:\\Apps\\a@b.ini",
         L"JPX",
         L"JPX",
         L"b.ini",
         L"C:\\Apps\\b.ini_JPX_EXE",
         true},
        {"empty alias",
         {L"@"},
         "",
         L"",
         L"C:\\Apps\\ZEM_Start.INI",
         L"JPX",
         L"JPX",
         L"",
         L"C:\\Apps\\_JPX_EXE",
         false},
        {"connect text keeps its slashes",
         {L"@//srv/inst"},
         "",
         L"",
         L"C:\\Apps\\ZEM_Start.INI",
         L"JPX",
         L"JPX",
         L"//srv/inst",
         L"C:\\Apps\\//srv/inst_JPX_EXE",
         false},
        {"start path unchanged",
         {L"@PROD", L"/START_PATH:D:\\Apps"},
         "",
         L"",
         L"C:\\Apps\\ZEM_Start.INI",
         L"JPX",
         L"JPX",
         L"PROD",
         L"D:\\Apps",
         false},
        {"empty start path",
         {L"/START_PATH"},
         "",
         L"",
         L"C:\\Apps\\ZEM_Start.INI",
         L"JPX",
         L"JPX",
         L"ZEM",
         L"",
         false},
        {"section missing",
         {},
         "[other]\nDATABASE=X\n",
         L"C:\\Apps\\ZEM_Start.INI",
         L"C:\\Apps\\ZEM_Start.INI",
         L"JPX",
         L"JPX",
         L"ZEM",
         L"C:\\Apps\\ZEM_JPX_EXE",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        if (!c.iniPath.empty())
            w.files.AddFile(c.iniPath, ToBytes(c.ini));
        w.Start(c.args);
        ASSERT_TRUE(w.window->MainDM);
        const TMainDM& dm = *w.window->MainDM;
        EXPECT_EQ(w.debug.lines.at(0), L"Loading ini file @ " + c.traceIni);
        EXPECT_EQ(w.db.user, c.user);
        EXPECT_EQ(w.db.password, c.password);
        EXPECT_EQ(w.db.database, c.database);
        EXPECT_EQ(dm.VelkorStartDir, c.folder);
        EXPECT_EQ(dm.StartedbyIniFile, c.byIni);
        EXPECT_TRUE(dm.ORA_Session->Connected());
        EXPECT_TRUE(w.boxes.boxes.empty());
    }
}

TEST(SessionObject, AliasIsTraced) {
    World w;
    w.Start({L"@PROD"});
    EXPECT_EQ(Lines(w),
              (std::vector<std::wstring>{L"Loading ini file @ C:\\Apps\\ZEM_Start.INI",
                                         L"  Working TNS=PROD", L"tfrmMainUpdate.FormCreate"}));
}

TEST(SessionObject, HelpShowsUsageAndGoesOn) {
    World w;
    w.Start({L"/help"});
    ASSERT_EQ(w.boxes.boxes.size(), 1u);
    EXPECT_EQ(w.boxes.boxes[0].kind, L"plain");
    EXPECT_EQ(w.boxes.boxes[0].text, UsageText);
    EXPECT_TRUE(w.window->MainDM->ORA_Session->Connected());
}

TEST(SessionObject, RefusedLogonMessages) {
    TsiLang lang;
    const std::wstring tail = L"\n\r" + lang.GetTextOrDefault(L"IDS_11");
    struct Case {
        int code;
        std::wstring id;
    } cases[] = {{12154, L"IDS_7"}, {12500, L"IDS_8"}, {12541, L"IDS_9"},
                 {1033, L"IDS_10"}, {1034, L"IDS_10"}, {1017, L""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        World w;
        w.db.logonError = c.code;
        w.Start();
        ASSERT_TRUE(w.window->MainDM);
        EXPECT_FALSE(w.window->MainDM->ORA_Session->Connected());
        EXPECT_TRUE(HasLine(w, L"OracleErrorCode : " + std::to_wstring(c.code)));
        ASSERT_EQ(w.boxes.boxes.size(), 1u);
        EXPECT_EQ(w.boxes.boxes[0].kind, L"translated");
        EXPECT_EQ(w.boxes.boxes[0].button, L"OK");
        EXPECT_EQ(w.boxes.boxes[0].text, lang.GetTextOrDefault(c.id) + tail);
    }
}

TEST(SessionObject, TenantName) {
    struct Case {
        std::vector<std::optional<std::wstring>> rows;
        std::wstring shown;
    } cases[] = {{{std::wstring(L"Acme")}, L"Acme"},
                 {{std::nullopt, std::wstring(L"second")}, L"unknown"},
                 {{}, L""}};
    for (const Case& c : cases) {
        World w;
        w.db.tenants = c.rows;
        w.Start();
        EXPECT_EQ(w.view.Caption(LabelId::Label3), c.shown);
    }
}

TEST(StartSequence, NormalRunTracesInOrderAndLaunches) {
    World w;
    w.files.AddFolder(World::DefaultFolder);
    w.files.AddFile(w.Folder(L"ZEM.exe"), ToBytes("old"), 0);
    w.db.AddFile(1, L"ZEM.exe", ToBytes("new program"), 45000.25);
    w.Run();
    EXPECT_EQ(Lines(w),
              (std::vector<std::wstring>{
                  L"Loading ini file @ C:\\Apps\\ZEM_Start.INI", L"tfrmMainUpdate.FormCreate",
                  L"tfrmMainUpdate.DoUpdate", L" *Parms", L"  ZEMHOME=", L"  EXE=ZEM.exe",
                  L"  LOWBAND=0", L"  MemBuffer=65000", L"  FName=C:\\Apps\\ZEM_JPX_EXE\\ZEM.exe",
                  L"CreateProcess    C:\\Apps\\ZEM_JPX_EXE\\ZEM.exe  "}));
    EXPECT_EQ(w.view.posted, (std::vector<unsigned>{WM_DOUPDATE, WM_DOSTART, WM_DOFINISH}));
    EXPECT_TRUE(w.view.terminated);
    EXPECT_EQ(w.windows.sleptMs, 500u);
    EXPECT_EQ(w.view.Caption(LabelId::Label3), L"Demo GmbH");
    EXPECT_EQ(w.view.Caption(LabelId::Label2), TfrmMainUpdate::NoticeText(2025));
    ASSERT_EQ(w.processes.started.size(), 1u);
}

TEST(StartSequence, RefusedLogonStillShowsWindowAndEndsAfterTheReport) {
    World w;
    w.db.logonError = 12541;
    w.Run();
    EXPECT_FALSE(HasLine(w, L"tfrmMainUpdate.FormCreate"));
    EXPECT_EQ(w.view.Caption(LabelId::Label3), L"");
    ASSERT_EQ(w.boxes.boxes.size(), 2u);
    EXPECT_EQ(w.boxes.boxes[1].kind, L"plain");
    EXPECT_EQ(w.boxes.boxes[1].text,
              L"Oracle-Umgebung nicht installiert. Bitte fragen Sie Ihren Administrator");
    EXPECT_EQ(w.view.posted, (std::vector<unsigned>{WM_DOUPDATE, WM_DOFINISH}));
    EXPECT_EQ(w.windows.sleptMs, 500u);
    EXPECT_TRUE(w.view.terminated);
    EXPECT_TRUE(w.processes.started.empty());
}

TEST(StartSequence, ClientThatCannotBeLoadedIsReportedAndTheRunEnds) {
    World w;
    w.db.clientMissing = true;
    w.Run();
    EXPECT_FALSE(w.window->MainDM);
    ASSERT_EQ(w.boxes.boxes.size(), 2u);
    EXPECT_EQ(w.boxes.boxes[0].kind, L"error");
    EXPECT_EQ(w.boxes.boxes[0].text, L"Der Oracle-Client kann nicht geladen werden.");
    EXPECT_EQ(w.boxes.boxes[1].text,
              L"Oracle-Umgebung nicht installiert. Bitte fragen Sie Ihren Administrator");
    EXPECT_TRUE(w.view.terminated);
}

TEST(StartSequence, FailedTenantLookupIsReportedAndTheRunGoesOn) {
    World w;
    w.db.tenantTableMissing = true;
    w.Run({L"/UPDATE_ONLY"});
    ASSERT_GE(w.boxes.boxes.size(), 1u);
    EXPECT_EQ(w.boxes.boxes[0].kind, L"error");
    EXPECT_EQ(w.boxes.boxes[0].text, L"ORA-00942: table or view does not exist.");
    EXPECT_TRUE(HasLine(w, L"tfrmMainUpdate.DoUpdate"));
    EXPECT_EQ(w.view.posted.back(), WM_DOFINISH);
}

TEST(StartSequence, KeysOtherThanEscChangeNothingAndEscTwiceEndsOnce) {
    World w;
    w.db.logonError = 1017; // no update run needed for this
    w.Start();
    w.window->FormKeyPress(L'a');
    w.window->FormKeyPress(L'\r');
    EXPECT_FALSE(w.window->FTerm);
    EXPECT_EQ(w.view.posted, (std::vector<unsigned>{WM_DOUPDATE}));
    w.view.queue.clear();
    w.window->FormKeyPress(27);
    w.window->FormKeyPress(27);
    EXPECT_TRUE(w.window->FTerm);
    w.view.RunLoop();
    // Both closes run before the main loop takes the quit request: 500 ms each, one end.
    EXPECT_TRUE(w.view.terminated);
    EXPECT_EQ(w.windows.sleptMs, 1000u);
}

TEST(StartSequence, FailureInAHandlerIsReportedAndTheSequenceStops) {
    World w;
    w.files.AddFolder(World::DefaultFolder);
    w.files.AddFile(w.Folder(L"ZEM.exe"), ToBytes("x"), 45000.25);
    w.db.AddFile(1, L"ZEM.exe", ToBytes("x"), 45000.25);
    w.files.uncreatableFolders.insert(L"C:\\MISSING");
    w.Start({L"/START_PATH:C:\\missing"});
    w.view.RunLoop();
    // The launch cannot enter the program folder: reported, nothing started, no close.
    ASSERT_FALSE(w.boxes.boxes.empty());
    EXPECT_EQ(w.boxes.boxes.back().kind, L"error");
    EXPECT_TRUE(w.processes.started.empty());
    EXPECT_FALSE(w.view.terminated);
    EXPECT_EQ(w.view.posted, (std::vector<unsigned>{WM_DOUPDATE, WM_DOSTART}));
    // Esc still closes the window.
    w.view.PressKey(27);
    w.view.RunLoop();
    EXPECT_TRUE(w.view.terminated);
}

TEST(StartSequence, ErrorReportAppendsFullStop) {
    EXPECT_EQ(ErrorReportText(L"abc"), L"abc.");
    EXPECT_EQ(ErrorReportText(L"abc."), L"abc.");
    EXPECT_EQ(ErrorReportText(L"abc!"), L"abc!"); // '!' is below '.'
    EXPECT_EQ(ErrorReportText(L"12"), L"12.");
    EXPECT_EQ(ErrorReportText(L""), L"");
}
