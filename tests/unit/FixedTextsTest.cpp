// The system's own texts, pinned as literals: a typo in the product fails here.
#include "tests/support/World.h"
#include "ui/FixedTexts.h"
#include "ui/MessageCatalogue.h"
#include "update/UpdateRun.h"
#include "util/PathText.h"

#include <gtest/gtest.h>

using namespace zem;
using namespace zem::test;

TEST(FixedTexts, AsTheUsersSeeThem) {
    TsiLang lang;
    World w; // the alert's texts, from a run that fetches a file
    w.files.AddFolder(World::DefaultFolder);
    w.db.AddFile(1, L"a.dll", ToBytes("a"), 46000.0);
    w.Run({L"/UPDATE_ONLY"});
    ASSERT_EQ(w.view.alerts.size(), 1u);

    struct Row {
        const char* what;
        std::wstring actual;
        const wchar_t* expected;
    } rows[] = {
        {"IDS_2", lang.GetTextOrDefault(L"IDS_2"), L"Überprüfe"},
        {"IDS_4", lang.GetTextOrDefault(L"IDS_4"), L"Lade..."},
        {"IDS_5", lang.GetTextOrDefault(L"IDS_5"), L"Programm "},
        {"IDS_6", lang.GetTextOrDefault(L"IDS_6"),
         L" konnte nicht beendet werden. Startprogramm wird beendet. Bitte beenden Sie das "
         L"genannte Programm und starten dann ZEM erneut."},
        {"IDS_7", lang.GetTextOrDefault(L"IDS_7"),
         L"Connect-Bezeichner konnte nicht gefunden werden. Fehlerhafte oder nicht gefundene "
         L"TNSNAMES.ORA"},
        {"IDS_8", lang.GetTextOrDefault(L"IDS_8"),
         L"Listener-Problem. Es konnte keine Verbindung eingerichtet werden. Fehlercode 12500"},
        {"IDS_9", lang.GetTextOrDefault(L"IDS_9"),
         L"Der ZEM-Datenbankserver ist nicht erreichbar. Ist der Listener gestartet? Fehlercode "
         L"12541"},
        {"IDS_10", lang.GetTextOrDefault(L"IDS_10"),
         L"Der ZEM-Datenbankserver startet gerade oder wird heruntergefahren. Bitte in wenigen "
         L"Minuten nochmal versuchen. Fehlercode 01033 oder 01034"},
        {"IDS_11", lang.GetTextOrDefault(L"IDS_11"),
         L"Verbindung zum Oracle-Server konnte nicht hergestellt werden. Das Programm wird "
         L"beendet"},
        {"usage", UsageText,
         L"ZEM_START.EXE [/INIFILE=Filename] [@TNSNAMES-ALIAS] [@//SERVER/INSTANCE] "
         L"[/UPDATE_ONLY] [/UPDATE_PATH=Pathname]. Startet das ZEM_START-Programm. Es müssen "
         L"Schreibrechte vorhanden sein!"},
        {"missing database", NoDatabaseText,
         L"Oracle-Umgebung nicht installiert. Bitte fragen Sie Ihren Administrator"},
        {"message box caption", ApplicationTitle, L"ZEM Startprogram"},
        {"window title", lang.WindowText(L"frmMainUpdate"), L"Starte ZEM"},
        {"lWait", lang.WindowText(L"lWait"), L"Bitte warten..."},
        {"Label5", lang.WindowText(L"label5"), L"ESC = Abbruch"},
        {"alert caption", w.view.alerts[0].first, L"ZEM-Update"},
        {"alert text", w.view.alerts[0].second, L"Dateien werden aktualisiert"},
        {"catalogue query", CatalogueQuery,
         L"select cfid, cfname, cfAttr, cfExec, cfDate  from zemfiles   where "
         L"zemvolume.GetPathForId(cfId)='ZEM_HOME\\EXE' order by cfid"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.actual, r.expected);
    }
}
