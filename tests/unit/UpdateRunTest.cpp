// The update run against doubles: decisions, replacement with backup, roll back, faults,
// crashes at every step, leftovers, a second start program.
#include "tests/support/World.h"
#include "ui/MessageCatalogue.h"
#include "update/TargetPath.h"
#include "util/PathText.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <new>

using namespace zem;
using namespace zem::test;

namespace {

const TDateTime Stamp = EncodeDateTime(2026, 3, 4, 5, 6, 7, 890);
const TDateTime Older = EncodeDateTime(2025, 1, 1, 0, 0, 0, 0);

struct UpdateWorld : World {
    UpdateWorld() { files.AddFolder(DefaultFolder); }
    Bytes FileAt(const std::wstring& name) {
        FakeFile* f = files.Find(Folder(name));
        return f ? f->content : Bytes{};
    }
    bool Exists(const std::wstring& name) { return files.Find(Folder(name)) != nullptr; }
    const FakeFile* At(const std::wstring& name) { return files.Find(Folder(name)); }
    std::vector<RecordingBoxes::Box> Boxes(const std::wstring& kind) {
        std::vector<RecordingBoxes::Box> out;
        for (const auto& b : boxes.boxes)
            if (b.kind == kind)
                out.push_back(b);
        return out;
    }
    // Presses Esc at the n-th message pump of the run.
    void EscAtPump(int n) {
        view.onProcessMessages = [this, n](int pump) {
            if (pump == n)
                view.PressKey(27);
        };
    }
};

} // namespace

TEST(UpdateRun, DecisionByCreationTimeAtWholeMilliseconds) {
    struct Case {
        const char* name;
        bool present;
        TDateTime localStamp;
        bool fetched;
    } cases[] = {
        {"missing", false, 0, true},
        {"equal", true, Stamp, false},
        {"equal once rounded", true, Stamp + 0.0004 / 86400, false},
        {"one millisecond off", true, Stamp + 0.001 / 86400, true},
        {"older", true, Older, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateWorld w;
        if (c.present)
            w.files.AddFile(w.Folder(L"ZEM.exe"), ToBytes("current"), c.localStamp);
        w.db.AddFile(1, L"ZEM.exe", ToBytes("published"), Stamp);
        w.Run();
        EXPECT_EQ(w.FileAt(L"ZEM.exe"), ToBytes(c.fetched ? "published" : "current"));
        EXPECT_EQ(w.view.alerts.size(), c.fetched ? 1u : 0u);
        EXPECT_FALSE(w.Exists(L"ZEM.exe.old"));
        if (c.fetched) {
            EXPECT_TRUE(SameMillisecond(w.files.Find(w.Folder(L"ZEM.exe"))->created, Stamp));
            EXPECT_EQ(w.view.Caption(LabelId::lWait), L"ZEM.exe");
        }
        // A missing file is fetched without any backup step.
        bool backedUp = false;
        for (const auto& op : w.files.log)
            backedUp |= op.rfind(L"rename", 0) == 0 && op.ends_with(L".old");
        EXPECT_EQ(backedUp, c.fetched && c.present);
        EXPECT_EQ(w.view.posted.back(), WM_DOFINISH);
        EXPECT_EQ(w.processes.started.size(), 1u);
        EXPECT_TRUE(w.Boxes(L"translated").empty());
    }
}

TEST(UpdateRun, FoldersAndPaths) {
    UpdateWorld w;
    w.db.AddFolder(1, L"plugins\\"); // trailing backslash: that folder itself
    w.db.AddFolder(2, L"data\\sub"); // no trailing backslash: only what is above
    w.db.AddFile(3, L"a/b\\c.dll", ToBytes("c"), Stamp); // '/' removed from the paths
    w.db.AddFile(4, L"lib\\deep\\x.dll", ToBytes("x"), Stamp);
    w.Run({L"/UPDATE_ONLY"});
    EXPECT_TRUE(w.files.DirectoryExists(w.Folder(L"plugins")));
    EXPECT_TRUE(w.files.DirectoryExists(w.Folder(L"data")));
    EXPECT_FALSE(w.files.DirectoryExists(w.Folder(L"data\\sub")));
    EXPECT_EQ(w.FileAt(L"ab\\c.dll"), ToBytes("c"));
    EXPECT_EQ(w.FileAt(L"lib\\deep\\x.dll"), ToBytes("x"));
    EXPECT_NE(std::find(w.debug.lines.begin(), w.debug.lines.end(),
                        L"  FName=C:\\Apps\\ZEM_JPX_EXE\\a/b\\c.dll"),
              w.debug.lines.end());
    EXPECT_TRUE(w.processes.started.empty()); // update only
    EXPECT_EQ(w.view.posted.back(), WM_DOFINISH);
    EXPECT_EQ(w.view.Caption(LabelId::Label5), L"");
    EXPECT_EQ(w.view.alerts.size(), 1u); // one alert covers both transfers
}

TEST(UpdateRun, EndOfRunMessage) {
    struct Case {
        const char* name;
        std::vector<std::wstring> args;
        bool escDuringCatalogue;
        unsigned expected;
    } cases[] = {
        {"empty catalogue", {}, false, WM_DOSTART},
        {"update only", {L"-update_only"}, false, WM_DOFINISH},
        {"terminated meanwhile", {}, true, WM_DOFINISH},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateWorld w;
        if (c.escDuringCatalogue)
            w.EscAtPump(1);
        w.Start(c.args);
        w.view.queue.clear();
        w.window->Dispatch(WM_DOUPDATE);
        EXPECT_EQ(w.view.posted.back(), c.expected);
        EXPECT_TRUE(w.view.alerts.empty());
    }
}

TEST(UpdateRun, EmptyProgramFolderWithoutFolderPartEndsTheRun) {
    UpdateWorld w;
    w.db.AddFile(1, L"ZEM.exe", ToBytes("x"), Stamp);
    w.db.AddFile(2, L"other.dll", ToBytes("x"), Stamp);
    w.Run({L"/START_PATH:"});
    auto plain = w.Boxes(L"plain");
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_NE(plain[0].text.find(L"Ordnerpfad ist leer"), std::wstring::npos);
    EXPECT_EQ(w.view.posted.back(), WM_DOFINISH);
    EXPECT_TRUE(w.processes.started.empty());
    EXPECT_TRUE(w.files.FilesUnder(L"\\").empty());
}

TEST(UpdateRun, CatalogueNamesAreCheckedWhereTheyLand) {
    struct Case {
        const wchar_t* cfname;
        const wchar_t* landsAt; // below the program folder; null: refused
    } cases[] = {
        {L"..\\evil.dll", nullptr},
        {L"sub\\..\\..\\evil.dll", nullptr},
        {L"./.\\evil.dll", nullptr}, // becomes ..\evil.dll once '/' is removed
        {L"D:\\evil.dll", nullptr},
        {L"\\evil.dll", nullptr},      // rooted: empty first element
        {L"sub\\\\evil.dll", nullptr}, // repeated separator
        {L"sub\\.\\evil.dll", nullptr},
        {L"evil.dll.", nullptr}, // Windows drops trailing dots and blanks
        {L"evil.dll ", nullptr},
        {L"sub. \\evil.dll", nullptr},
        {L"evil.dll:stream", nullptr},
        {L"CON", nullptr},
        {L"sub\\nul.txt", nullptr},
        {L"COM1.dll", nullptr},
        {L"lpt9", nullptr},
        {L"x?.dll", nullptr},
        {L"ok.dll.zemnew", nullptr}, // the temporary name of ok.dll
        {L"ok.dll.OLD", nullptr},    // its backup, which the repair would rename back
        {L"", nullptr},
        {L"/evil.dll", L"evil.dll"}, // '/' removed: inside
        {L"sub/../../evil.dll", L"sub....evil.dll"},
        {L"console.dll", L"console.dll"},
        {L"com10.dll", L"com10.dll"},
        {L"...x.dll", L"...x.dll"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.cfname));
        UpdateWorld w;
        w.db.AddFile(1, c.cfname, ToBytes("evil"), Stamp);
        w.db.AddFile(2, L"ok.dll", ToBytes("ok"), Stamp);
        w.Run();
        auto boxes = w.Boxes(L"translated");
        EXPECT_EQ(w.FileAt(L"ok.dll"), ToBytes("ok"));
        if (c.landsAt == nullptr) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_NE(boxes[0].text.find(L"kein Name im Programmordner"), std::wstring::npos);
            EXPECT_EQ(w.files.FilesUnder(L"").size(), 1u); // only ok.dll
        } else {
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(w.FileAt(c.landsAt), ToBytes("evil"));
            EXPECT_EQ(w.files.FilesUnder(w.DefaultFolder).size(), 2u);
        }
    }
}

TEST(UpdateRun, RunningCopyThatDoesNotCloseStopsTheRun) {
    UpdateWorld w;
    w.files.AddFile(w.Folder(L"ZEM.exe"), ToBytes("running"), Older);
    w.windows.windows[L"ZEM"] = -1;
    w.db.AddFile(1, L"ZEM.exe", ToBytes("new"), Stamp);
    w.db.AddFile(2, L"later.dll", ToBytes("later"), Stamp);
    w.Run();
    EXPECT_EQ(w.windows.posted,
              (std::vector<std::pair<std::wstring, unsigned>>{{L"ZEM", WM_CLOSE_MESSAGE},
                                                              {L"ZEM", WM_CLOSE_MESSAGE},
                                                              {L"ZEM", WM_DESTROY_MESSAGE}}));
    EXPECT_EQ(w.windows.sleptMs, 3000u + 500u);
    TsiLang lang;
    auto boxes = w.Boxes(L"translated");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              lang.GetTextOrDefault(L"IDS_5") + L"ZEM" + lang.GetTextOrDefault(L"IDS_6"));
    EXPECT_EQ(w.FileAt(L"ZEM.exe"), ToBytes("running"));
    EXPECT_FALSE(w.Exists(L"later.dll"));
    EXPECT_TRUE(w.processes.started.empty());
}

TEST(UpdateRun, RunningCopyThatClosesIsReplaced) {
    UpdateWorld w;
    w.files.AddFile(w.Folder(L"tools\\helper.exe"), ToBytes("old"), Older);
    w.windows.windows[L"tools\\helper"] = 0; // closes at the first request
    w.db.AddFile(1, L"tools\\helper.exe", ToBytes("new"), Stamp);
    w.Run();
    EXPECT_EQ(w.windows.posted.size(), 1u);
    EXPECT_EQ(w.windows.sleptMs, 1000u + 500u);
    EXPECT_EQ(w.FileAt(L"tools\\helper.exe"), ToBytes("new"));
}

TEST(UpdateRun, ExecTwoStopsAfterItsReplacement) {
    for (bool current : {false, true}) {
        SCOPED_TRACE(current);
        UpdateWorld w;
        if (current)
            w.files.AddFile(w.Folder(L"setup.exe"), ToBytes("setup"), Stamp);
        w.db.AddFile(1, L"setup.exe", ToBytes("setup"), Stamp, 2);
        w.db.AddFile(2, L"later.dll", ToBytes("later"), Stamp);
        w.Run();
        EXPECT_EQ(w.Exists(L"later.dll"), current);
        EXPECT_EQ(w.processes.started.size(), current ? 1u : 0u);
    }
}

TEST(UpdateRun, StaleBackupIsRemovedFirstSoRollBackRestoresTheRealVersion) {
    UpdateWorld w;
    w.files.AddFile(w.Folder(L"ZEM.exe"), ToBytes("current"), Older);
    w.files.AddFile(w.Folder(L"ZEM.exe.old"), ToBytes("ancient"), Older);
    w.db.AddFile(1, L"ZEM.exe", RandomBytes(300000), Stamp);
    w.EscAtPump(3); // during the transfer
    w.Run();
    EXPECT_EQ(w.FileAt(L"ZEM.exe"), ToBytes("current"));
    EXPECT_TRUE(SameMillisecond(w.files.Find(w.Folder(L"ZEM.exe"))->created, Older));
    EXPECT_FALSE(w.Exists(L"ZEM.exe.old"));
    EXPECT_TRUE(w.processes.started.empty());
}

TEST(UpdateRun, EscAtAnyChunkPutsThePreviousVersionBack) {
    Bytes published = RandomBytes(10 * 65536 - 100); // incompressible: ten chunks
    Bytes previous = ToBytes("previous version");
    // Pump 1 is the catalogue, pump 2 the status text; pumps 3..13 are the eleven progress
    // calls of ten chunks plus the empty read.
    for (bool existed : {true, false}) {
        for (int pump = 3; pump <= 13; ++pump) {
            SCOPED_TRACE(std::to_string(pump) + (existed ? " existed" : " new"));
            UpdateWorld w;
            if (existed)
                w.files.AddFile(w.Folder(L"big.dat"), previous, Older);
            w.db.AddFile(1, L"big.dat", published, Stamp);
            w.db.AddFile(2, L"next.dat", ToBytes("next"), Stamp);
            w.EscAtPump(pump);
            w.Run();
            EXPECT_EQ(w.Exists(L"big.dat"), existed);
            if (existed) {
                EXPECT_EQ(w.FileAt(L"big.dat"), previous);
                EXPECT_TRUE(SameMillisecond(w.files.Find(w.Folder(L"big.dat"))->created, Older));
            }
            EXPECT_FALSE(w.Exists(L"big.dat.old"));
            EXPECT_FALSE(w.Exists(L"next.dat"));
            EXPECT_TRUE(w.processes.started.empty());
            EXPECT_TRUE(w.view.terminated);
            EXPECT_TRUE(w.Boxes(L"translated").empty());
        }
    }
}

TEST(UpdateRun, FaultsAreEntryErrorsWithThePreviousVersionBack) {
    struct Case {
        const char* name;
        std::function<void(UpdateWorld&)> inject;
        std::wstring message; // part of the entry's message
    } cases[] = {
        {"database error after two chunks", [](UpdateWorld& w) { w.db.failAfterChunks[1] = 2; },
         L"ORA-03113"},
        {"corrupt content",
         [](UpdateWorld& w) {
             w.db.entries[0].content[w.db.entries[0].content.size() / 2] ^= 0x55;
         },
         L"data error"},
        {"truncated content",
         [](UpdateWorld& w) { w.db.entries[0].content.resize(w.db.entries[0].content.size() - 9); },
         L"data error"},
        {"disk full", [](UpdateWorld& w) { w.files.failWritesAfter = 100000; }, L"Speicherplatz"},
        {"huge declared size", [](UpdateWorld& w) { w.db.declaredSize[1] = std::int64_t(5) << 32; },
         L"Range check error"},
        {"cannot back up",
         [](UpdateWorld& w) { w.files.lockedPaths.insert(UpperCaseAscii(w.Folder(L"big.dat"))); },
         L"kann nicht gesichert werden"},
    };
    Bytes published = RandomBytes(400000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateWorld w;
        w.files.AddFile(w.Folder(L"big.dat"), ToBytes("previous"), Older);
        w.db.AddFile(1, L"big.dat", published, Stamp);
        w.db.AddFile(2, L"next.dat", ToBytes("next"), Stamp);
        c.inject(w);
        w.Run();
        auto boxes = w.Boxes(L"translated");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].text.find(c.message), std::wstring::npos) << ToUtf8(boxes[0].text);
        EXPECT_EQ(w.FileAt(L"big.dat"), ToBytes("previous"));
        EXPECT_TRUE(SameMillisecond(w.files.Find(w.Folder(L"big.dat"))->created, Older));
        EXPECT_FALSE(w.Exists(L"big.dat.old"));
        EXPECT_EQ(w.FileAt(L"next.dat"), ToBytes("next")); // the run goes on
        EXPECT_EQ(w.processes.started.size(), 1u);
    }
}

TEST(UpdateRun, ReadOnlyFilesAreReplacedOnEveryRun) {
    UpdateWorld w;
    w.files.AddFile(w.Folder(L"ro.dll"), ToBytes("read-only"), Older);
    w.files.Find(w.Folder(L"ro.dll"))->readOnly = true;
    // A read-only backup left by an older program, too.
    w.files.AddFile(w.Folder(L"ro.dll.old"), ToBytes("ancient"), Older);
    w.files.Find(w.Folder(L"ro.dll.old"))->readOnly = true;
    w.db.AddFile(1, L"ro.dll", ToBytes("new"), Stamp);
    w.Run();
    EXPECT_EQ(w.FileAt(L"ro.dll"), ToBytes("new"));
    EXPECT_FALSE(w.Exists(L"ro.dll.old"));
    EXPECT_TRUE(w.Boxes(L"translated").empty());

    UpdateWorld next;
    next.files = w.files;
    next.files.Find(next.Folder(L"ro.dll"))->readOnly = true; // an administrator set it again
    next.db.AddFile(1, L"ro.dll", ToBytes("newer"), Stamp + 1);
    next.Run();
    EXPECT_TRUE(next.Boxes(L"translated").empty());
    EXPECT_EQ(next.FileAt(L"ro.dll"), ToBytes("newer"));
    EXPECT_FALSE(next.Exists(L"ro.dll.old"));
}

TEST(UpdateRun, FolderThatCannotBeCreatedFailsOnlyItsFiles) {
    UpdateWorld w;
    w.files.uncreatableFolders.insert(UpperCaseAscii(w.Folder(L"locked")));
    w.db.AddFile(1, L"locked\\a.dll", ToBytes("a"), Stamp);
    w.db.AddFile(2, L"b.dll", ToBytes("b"), Stamp);
    w.Run();
    auto boxes = w.Boxes(L"translated");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(L"kann nicht angelegt werden"), std::wstring::npos);
    EXPECT_EQ(w.FileAt(L"b.dll"), ToBytes("b"));
    EXPECT_EQ(w.processes.started.size(), 1u);
}

TEST(UpdateRun, LongPaths) {
    // The folder part "C:\\Apps\\ZEM_JPX_EXE\\" has 20 characters.
    const std::wstring tooLong = std::wstring(236, L'n') + L".dll"; // target of 260
    const std::wstring longest = std::wstring(235, L'm') + L".dll"; // target of 259
    const std::wstring longOld = std::wstring(232, L'k') + L".dll"; // ".old" name of 260
    UpdateWorld w;
    w.files.AddFile(LongPathForm(w.Folder(tooLong)), ToBytes("x"), Older);
    w.files.AddFile(w.Folder(longest), ToBytes("previous"), Older);
    w.files.AddFile(w.Folder(longOld), ToBytes("previous"), Older);
    w.db.AddFile(1, tooLong, ToBytes("y"), Stamp);
    w.db.AddFile(2, longest, ToBytes("new"), Stamp);
    w.db.AddFile(3, longOld, ToBytes("new"), Stamp);
    w.Run();
    auto boxes = w.Boxes(L"translated");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(L"zu lang"), std::wstring::npos);
    // Replaced although their temporary and backup names are too long for plain paths.
    EXPECT_EQ(w.FileAt(longest), ToBytes("new"));
    EXPECT_EQ(w.FileAt(longOld), ToBytes("new"));
    EXPECT_EQ(w.files.FilesUnder(w.DefaultFolder).size(), 3u); // no backup or temporary left
}

TEST(UpdateRun, ProgressDisplayDuringATransfer) {
    UpdateWorld w;
    w.clock.step = 1.0 / 86400; // every clock reading is one second later
    w.db.AddFile(1, L"big.dat", RandomBytes(3 * 65536), Stamp);
    w.Run();
    ASSERT_GE(w.view.progress.size(), 4u);
    EXPECT_EQ(w.view.progress[0], 33);
    EXPECT_EQ(w.view.progress[w.view.progress.size() - 2], 100); // last transfer call
    EXPECT_EQ(w.view.progress.back(), 100);                      // the launch
    EXPECT_EQ(w.view.Caption(LabelId::lFertig), L"00:00:00");
    EXPECT_NE(w.view.Caption(LabelId::lDurchSatz).find(L" kB"), std::wstring::npos);
}

// The process dies at the k-th mutating file-system call of a replacement: every later call
// fails, as if nothing of the program ran any more. Whatever k, the file under its own name
// is a complete version (or missing with the previous version as the backup), and the next
// run finishes the job and leaves nothing behind.
TEST(Replacement, CrashAtEveryStepLosesNothing) {
    const Bytes previous = RandomBytes(70000, 7), published = RandomBytes(150000, 8);
    for (bool existed : {true, false}) {
        int steps = 0;
        for (int k = 1; k == 1 || k <= steps; ++k) {
            SCOPED_TRACE((existed ? "existing file, crash at call " : "new file, crash at call ") +
                         std::to_string(k));
            UpdateWorld w;
            if (existed)
                w.files.AddFile(w.Folder(L"app.dll"), previous, Older);
            w.db.AddFile(1, L"app.dll", published, Stamp);
            w.files.mutations = 0;
            w.files.crashAt = k;
            w.Run({L"/UPDATE_ONLY"});
            if (k == 1) {
                UpdateWorld clean; // how many mutating calls an undisturbed run makes
                if (existed)
                    clean.files.AddFile(clean.Folder(L"app.dll"), previous, Older);
                clean.db.AddFile(1, L"app.dll", published, Stamp);
                clean.files.mutations = 0;
                clean.Run({L"/UPDATE_ONLY"});
                steps = clean.files.mutations;
                ASSERT_GT(steps, 6);
            }

            const FakeFile* target = w.At(L"app.dll");
            const FakeFile* backup = w.At(L"app.dll.old");
            if (target != nullptr) {
                EXPECT_TRUE(target->content == published || target->content == previous);
                if (target->content == previous) {
                    EXPECT_TRUE(SameMillisecond(target->created, Older));
                }
            } else if (existed) {
                ASSERT_TRUE(backup != nullptr && backup->content == previous);
            }

            UpdateWorld next;
            next.files = w.files;
            next.files.crashAt = 0;
            next.db.AddFile(1, L"app.dll", published, Stamp);
            next.Run({L"/UPDATE_ONLY"});
            ASSERT_NE(next.At(L"app.dll"), nullptr);
            EXPECT_EQ(next.At(L"app.dll")->content, published);
            EXPECT_TRUE(SameMillisecond(next.At(L"app.dll")->created, Stamp));
            EXPECT_EQ(next.files.FilesUnder(next.DefaultFolder),
                      std::vector<std::wstring>{next.Folder(L"app.dll")});
            EXPECT_TRUE(next.Boxes(L"translated").empty());
        }
    }
}

// The previous version is touched only once the new one is flushed and closed; the stamp
// follows the rename (a stamp before it could be replaced by the name's old creation time).
TEST(Replacement, OrderOfSteps) {
    UpdateWorld w;
    w.files.AddFile(w.Folder(L"app.dll"), ToBytes("previous"), Older);
    w.db.AddFile(1, L"app.dll", ToBytes("published"), Stamp);
    w.files.log.clear();
    w.Run({L"/UPDATE_ONLY"});
    const std::wstring target = w.Folder(L"app.dll"), temp = target + L".zemnew",
                       backup = target + L".old", key = UpperCaseAscii(temp);
    std::vector<std::wstring> steps;
    for (const auto& op : w.files.log)
        if (op.rfind(L"write", 0) != 0)
            steps.push_back(op);
    EXPECT_EQ(steps,
              (std::vector<std::wstring>{L"create " + temp, L"flush " + key, L"close " + key,
                                         L"rename " + target + L" -> " + backup,
                                         L"rename " + temp + L" -> " + target, L"stamp " + target,
                                         L"attrib " + backup, L"delete " + backup}));
}

TEST(Replacement, LeftoversOfAnEarlierCrashAreRepairedFirst) {
    struct Case {
        const char* name;
        std::function<void(UpdateWorld&)> leave;
        Bytes expected;
        bool fetched;
    } cases[] = {
        {"temporary file beside the current file",
         [](UpdateWorld& w) {
             w.files.AddFile(w.Folder(L"app.dll"), ToBytes("current"), Stamp);
             w.files.AddFile(w.Folder(L"app.dll.zemnew"), ToBytes("half"), Older);
             w.files.Find(w.Folder(L"app.dll.zemnew"))->readOnly = true;
         },
         ToBytes("current"), false},
        {"backup without its file is the last complete version",
         [](UpdateWorld& w) {
             w.files.AddFile(w.Folder(L"app.dll.old"), ToBytes("current"), Stamp);
         },
         ToBytes("current"), false},
        {"backup beside the current file is older",
         [](UpdateWorld& w) {
             w.files.AddFile(w.Folder(L"app.dll"), ToBytes("current"), Stamp);
             w.files.AddFile(w.Folder(L"app.dll.old"), ToBytes("older"), Older);
         },
         ToBytes("current"), false},
        {"backup without its file, outdated",
         [](UpdateWorld& w) {
             w.files.AddFile(w.Folder(L"app.dll.old"), ToBytes("older"), Older);
             w.files.AddFile(w.Folder(L"app.dll.zemnew"), ToBytes("complete?"), Older);
         },
         ToBytes("current"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateWorld w;
        c.leave(w);
        w.db.AddFile(1, L"app.dll", ToBytes("current"), Stamp);
        w.Run();
        EXPECT_EQ(w.At(L"app.dll")->content, c.expected);
        EXPECT_EQ(w.view.alerts.size(), c.fetched ? 1u : 0u);
        EXPECT_EQ(w.files.FilesUnder(w.DefaultFolder),
                  std::vector<std::wstring>{w.Folder(L"app.dll")});
        EXPECT_EQ(w.processes.started.size(), 1u);
    }
}

// Failures that are not the program's own are errors of their entry; the run goes on.
TEST(Replacement, ForeignFailuresAreEntryErrors) {
    struct Case {
        const char* name;
        std::exception_ptr failure;
        const wchar_t* message;
    } cases[] = {
        {"out of memory", std::make_exception_ptr(std::bad_alloc()), L"Arbeitsspeicher"},
        {"too long for a vector", std::make_exception_ptr(std::length_error("vector")),
         L"Arbeitsspeicher"},
        {"anything else", std::make_exception_ptr(std::runtime_error("kaputt")), L"kaputt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateWorld w;
        w.files.AddFile(w.Folder(L"big.dat"), ToBytes("previous"), Older);
        w.db.AddFile(1, L"big.dat", ToBytes("published"), Stamp);
        w.db.AddFile(2, L"next.dat", ToBytes("next"), Stamp);
        w.db.failOnRead[1] = c.failure;
        w.Run();
        auto boxes = w.Boxes(L"translated");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].text.find(L"big.dat"), std::wstring::npos);
        EXPECT_NE(boxes[0].text.find(c.message), std::wstring::npos);
        EXPECT_EQ(w.At(L"big.dat")->content, ToBytes("previous"));
        EXPECT_EQ(w.At(L"next.dat")->content, ToBytes("next"));
        EXPECT_EQ(w.files.FilesUnder(w.DefaultFolder).size(), 2u);
        EXPECT_EQ(w.processes.started.size(), 1u);
    }
}

// Alt+F4, the taskbar's "Close window" or another program's WM_CLOSE abort like Esc.
TEST(Replacement, CloseRequestDuringATransferAbortsLikeEsc) {
    UpdateWorld w;
    w.files.AddFile(w.Folder(L"big.dat"), ToBytes("previous"), Older);
    w.db.AddFile(1, L"big.dat", RandomBytes(5 * 65536), Stamp);
    w.view.onProcessMessages = [&w](int pump) {
        if (pump == 4) // the second progress call
            w.window->FormCloseQuery();
    };
    w.Run();
    EXPECT_EQ(w.At(L"big.dat")->content, ToBytes("previous"));
    EXPECT_TRUE(SameMillisecond(w.At(L"big.dat")->created, Older));
    EXPECT_EQ(w.files.FilesUnder(w.DefaultFolder).size(), 1u);
    EXPECT_TRUE(w.processes.started.empty());
    EXPECT_TRUE(w.view.terminated);
}

TEST(Replacement, SecondStartProgramOnTheFolderWaits) {
    const std::wstring lock = L"Global\\ZEM_Start C:/APPS/ZEM_JPX_EXE/";
    {
        SCOPED_TRACE("the first one finishes");
        UpdateWorld w;
        w.db.AddFile(1, L"app.dll", ToBytes("published"), Stamp);
        w.locks.heldElsewhere.insert(lock);
        w.view.onProcessMessages = [&w, &lock](int pump) {
            if (w.locks.heldElsewhere.count(lock)) { // nothing is written before it is free
                EXPECT_EQ(w.files.FilesUnder(w.DefaultFolder).size(), 0u);
            }
            if (pump == 3)
                w.locks.heldElsewhere.erase(lock);
        };
        w.Start({L"/START_PATH:c:\\apps\\zem_jpx_exe"}); // the same folder, other letter case
        w.view.RunLoop();
        EXPECT_EQ(w.locks.opened, std::vector<std::wstring>{lock});
        EXPECT_EQ(w.view.Caption(LabelId::lWait), L"app.dll");
        EXPECT_EQ(w.At(L"app.dll")->content, ToBytes("published"));
        EXPECT_TRUE(w.locks.held.empty()); // released at the end of the run
        EXPECT_EQ(w.processes.started.size(), 1u);
    }
    {
        SCOPED_TRACE("Esc while waiting");
        UpdateWorld w;
        w.db.AddFile(1, L"app.dll", ToBytes("published"), Stamp);
        w.locks.heldElsewhere.insert(lock);
        w.view.onProcessMessages = [&w](int pump) {
            if (pump == 2)
                w.view.PressKey(27);
        };
        w.Run();
        EXPECT_EQ(w.view.Caption(LabelId::lWait), L"Warte auf ein anderes Startprogramm ...");
        EXPECT_TRUE(w.files.FilesUnder(w.DefaultFolder).empty());
        EXPECT_TRUE(w.processes.started.empty());
        EXPECT_EQ(w.view.posted.back(), WM_DOFINISH);
    }
    {
        SCOPED_TRACE("no lock to be had");
        UpdateWorld w;
        w.db.AddFile(1, L"app.dll", ToBytes("published"), Stamp);
        w.locks.unavailable = true;
        w.Run();
        EXPECT_EQ(w.At(L"app.dll")->content, ToBytes("published"));
        EXPECT_NE(std::find(w.debug.lines.begin(), w.debug.lines.end(),
                            L"  No lock for the program folder; going on without it"),
                  w.debug.lines.end());
    }
}
