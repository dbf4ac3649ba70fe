// Replacing files so that nothing is lost whenever the process dies, a second start program
// on the same folder, and failures that are not the program's own.
#include "tests/support/World.h"
#include "update/TargetPath.h"
#include "util/PathText.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

using namespace zem;
using namespace zem::test;

namespace {

const TDateTime Stamp = EncodeDateTime(2026, 3, 4, 5, 6, 7, 890);
const TDateTime Older = EncodeDateTime(2025, 1, 1, 0, 0, 0, 0);

struct ReplaceWorld : World {
    ReplaceWorld() { files.AddFolder(DefaultFolder); }
    const FakeFile* At(const std::wstring& name) { return files.Find(Folder(name)); }
    std::vector<std::wstring> Translated() {
        std::vector<std::wstring> out;
        for (const auto& b : boxes.boxes)
            if (b.kind == L"translated")
                out.push_back(b.text);
        return out;
    }
};

} // namespace

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
            ReplaceWorld w;
            if (existed)
                w.files.AddFile(w.Folder(L"app.dll"), previous, Older);
            w.db.AddFile(1, L"app.dll", published, Stamp);
            w.files.mutations = 0;
            w.files.crashAt = k;
            w.Run({L"/UPDATE_ONLY"});
            if (k == 1) {
                ReplaceWorld clean; // how many mutating calls an undisturbed run makes
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

            ReplaceWorld next;
            next.files = w.files;
            next.files.crashAt = 0;
            next.db.AddFile(1, L"app.dll", published, Stamp);
            next.Run({L"/UPDATE_ONLY"});
            ASSERT_NE(next.At(L"app.dll"), nullptr);
            EXPECT_EQ(next.At(L"app.dll")->content, published);
            EXPECT_TRUE(SameMillisecond(next.At(L"app.dll")->created, Stamp));
            EXPECT_EQ(next.files.FilesUnder(next.DefaultFolder),
                      std::vector<std::wstring>{next.Folder(L"app.dll")});
            EXPECT_TRUE(next.Translated().empty());
        }
    }
}

// The previous version is touched only once the new one is flushed and closed; the stamp
// follows the rename (a stamp before it could be replaced by the name's old creation time).
TEST(Replacement, OrderOfSteps) {
    ReplaceWorld w;
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
        std::function<void(ReplaceWorld&)> leave;
        Bytes expected;
        bool fetched;
    } cases[] = {
        {"temporary file beside the current file",
         [](ReplaceWorld& w) {
             w.files.AddFile(w.Folder(L"app.dll"), ToBytes("current"), Stamp);
             w.files.AddFile(w.Folder(L"app.dll.zemnew"), ToBytes("half"), Older);
             w.files.Find(w.Folder(L"app.dll.zemnew"))->readOnly = true;
         },
         ToBytes("current"), false},
        {"backup without its file is the last complete version",
         [](ReplaceWorld& w) {
             w.files.AddFile(w.Folder(L"app.dll.old"), ToBytes("current"), Stamp);
         },
         ToBytes("current"), false},
        {"backup beside the current file is older",
         [](ReplaceWorld& w) {
             w.files.AddFile(w.Folder(L"app.dll"), ToBytes("current"), Stamp);
             w.files.AddFile(w.Folder(L"app.dll.old"), ToBytes("older"), Older);
         },
         ToBytes("current"), false},
        {"backup without its file, outdated",
         [](ReplaceWorld& w) {
             w.files.AddFile(w.Folder(L"app.dll.old"), ToBytes("older"), Older);
             w.files.AddFile(w.Folder(L"app.dll.zemnew"), ToBytes("complete?"), Older);
         },
         ToBytes("current"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReplaceWorld w;
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
        ReplaceWorld w;
        w.files.AddFile(w.Folder(L"big.dat"), ToBytes("previous"), Older);
        w.db.AddFile(1, L"big.dat", ToBytes("published"), Stamp);
        w.db.AddFile(2, L"next.dat", ToBytes("next"), Stamp);
        w.db.failOnRead[1] = c.failure;
        w.Run();
        auto boxes = w.Translated();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].find(L"big.dat"), std::wstring::npos);
        EXPECT_NE(boxes[0].find(c.message), std::wstring::npos);
        EXPECT_EQ(w.At(L"big.dat")->content, ToBytes("previous"));
        EXPECT_EQ(w.At(L"next.dat")->content, ToBytes("next"));
        EXPECT_EQ(w.files.FilesUnder(w.DefaultFolder).size(), 2u);
        EXPECT_EQ(w.processes.started.size(), 1u);
    }
}

// Alt+F4, the taskbar's "Close window" or another program's WM_CLOSE abort like Esc.
TEST(Replacement, CloseRequestDuringATransferAbortsLikeEsc) {
    ReplaceWorld w;
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
        ReplaceWorld w;
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
        ReplaceWorld w;
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
        ReplaceWorld w;
        w.db.AddFile(1, L"app.dll", ToBytes("published"), Stamp);
        w.locks.unavailable = true;
        w.Run();
        EXPECT_EQ(w.At(L"app.dll")->content, ToBytes("published"));
        EXPECT_NE(std::find(w.debug.lines.begin(), w.debug.lines.end(),
                            L"  No lock for the program folder; going on without it"),
                  w.debug.lines.end());
    }
}
