// The transfer and the whole update run against the real PostgreSQL, real zlib and a real
// temporary folder.
#include "app/StartWindow.h"
#include "tests/integration/DatabaseSupport.h"
#include "tests/support/NativeRun.h"
#include "update/ContentTransfer.h"
#include "util/Errors.h"
#include "util/PathText.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace zem;
using namespace zem::test;
namespace fs = std::filesystem;

namespace {

struct Calls {
    std::vector<std::int32_t> soFar;
    ProgressCallback Callback() {
        return [this](const std::wstring&, std::int32_t n, std::int32_t, bool&) {
            soFar.push_back(n);
        };
    }
};

Bytes ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

} // namespace

class TransferTest : public DatabaseTest {};

TEST_F(TransferTest, ContentsOfEveryShape) {
    Bytes text;
    for (int i = 0; i < 20000; ++i)
        for (char c : "program text line " + std::to_string(i) + "\n")
            text.push_back(static_cast<std::uint8_t>(c));
    struct Case {
        const char* name;
        Bytes plain;
        int windowBits;
    } cases[] = {
        {"one MiB incompressible", RandomBytes(1 << 20), 15},
        {"window bits 9", text, 9},
        {"text", text, 15},
    };
    std::int64_t id = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes packed = Compress(c.plain, c.windowBits);
        StoreEntry(*session, ++id, L"f", 32, L"2026-01-01 00:00:00", packed);
        TMemoryStream out;
        Calls calls;
        EXPECT_TRUE(ReadCompressedBlob(*session, out, L"ZEMFILES", L"CFFILE",
                                       L"where cfid = " + std::to_wstring(id), calls.Callback()));
        EXPECT_EQ(out.Bytes(), c.plain);
        EXPECT_EQ(calls.soFar.back(), static_cast<std::int32_t>(packed.size()));
    }
}

TEST_F(TransferTest, ExactlyOneChunkGivesTwoCallsAndEmptyContentIsAnError) {
    StoreEntry(*session, 1, L"f", 32, L"2026-01-01 00:00:00", RandomBytes(65536));
    TMemoryStream raw;
    Calls calls;
    EXPECT_TRUE(ReadBlobToStream(*session, raw, L"ZEMFILES", L"CFFILE", L"where cfid = 1",
                                 calls.Callback()));
    EXPECT_EQ(calls.soFar, (std::vector<std::int32_t>{65536, 65536}));

    StoreEntry(*session, 2, L"g", 32, L"2026-01-01 00:00:00", {});
    TMemoryStream out;
    Calls none;
    EXPECT_THROW(ReadCompressedBlob(*session, out, L"ZEMFILES", L"CFFILE", L"where cfid = 2",
                                    none.Callback()),
                 EDecompressionError);
    EXPECT_TRUE(none.soFar.empty());
}

// The update run with the real database and folder; window, boxes and clock are doubles.
class UpdateRunTest : public DatabaseTest, public NativeRun {
protected:
    UpdateRunTest()
        : NativeRun(fs::temp_directory_path() / ("zem-update-" + std::to_string(::getpid()))) {}
    void SetUp() override {
        DatabaseTest::SetUp();
        fs::remove_all(root);
        fs::create_directories(root);
        Exec(*session, L"insert into zemconfig values ('Integration GmbH')");
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path Folder() const { return root / "ZEM_JPX_EXE"; }

    void Run(std::vector<std::wstring> args = {}) {
        view = FakeView{};
        RunKeepingHooks(std::move(args));
    }
    // As Run, with the view's hooks that the test has set.
    void RunKeepingHooks(std::vector<std::wstring> args) {
        NativeRun::Run(std::move(args), [] { return CreateOdbcSession(); });
    }
};

TEST_F(UpdateRunTest, FillsTheFolderThenLeavesCurrentFilesAlone) {
    Bytes program = RandomBytes(300000, 7), library = RandomBytes(5000, 8);
    StoreEntry(*session, 1, L"bin\\", 0x10, L"2026-01-01 00:00:00", {});
    StoreEntry(*session, 2, L"ZEM.exe", 32, L"2026-02-03 04:05:06.789", Compress(program));
    StoreEntry(*session, 3, L"bin\\lib.dll", 32, L"2026-02-03 04:05:07", Compress(library));
    Exec(*session, L"update zemfiles set cfvolume = 'ZEM_HOME\\OTHER' where cfid = 3");
    StoreEntry(*session, 4, L"bin\\other.dll", 32, L"2026-02-03 04:05:07", Compress(library));

    Run({L"/UPDATE_ONLY"});
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(view.Caption(LabelId::Label3), L"Integration GmbH");
    EXPECT_EQ(ReadFile(Folder() / "ZEM.exe"), program);
    EXPECT_EQ(ReadFile(Folder() / "bin" / "other.dll"), library);
    EXPECT_FALSE(fs::exists(Folder() / "bin" / "lib.dll")); // another volume
    EXPECT_FALSE(fs::exists(Folder() / "ZEM.exe.old"));
    EXPECT_EQ(view.alerts.size(), 1u);
    TDateTime stamped =
        files.GetCreationTime(ExtractFilePath(ProgramPath()) + L"ZEM_JPX_EXE\\ZEM.exe");
    EXPECT_EQ(ToMilliseconds(stamped), ToMilliseconds(EncodeDateTime(2026, 2, 3, 4, 5, 6, 789)));

    // A second run finds everything current and fetches nothing.
    Run({L"/UPDATE_ONLY"});
    EXPECT_TRUE(view.alerts.empty());
    EXPECT_TRUE(view.progress.empty());

    // A newly published version replaces the file and removes the backup.
    Bytes changed = RandomBytes(1000, 9);
    Exec(*session, L"delete from zemfiles where cfid = 2");
    StoreEntry(*session, 2, L"ZEM.exe", 32, L"2026-02-04 00:00:00", Compress(changed));
    Run();
    EXPECT_EQ(ReadFile(Folder() / "ZEM.exe"), changed);
    EXPECT_FALSE(fs::exists(Folder() / "ZEM.exe.old"));
    ASSERT_EQ(processes.started.size(), 1u);
    // (Which program is chosen depends on the file system's letter case: tested with doubles.)
    EXPECT_EQ(processes.started[0].second, ExtractFilePath(ProgramPath()) + L"ZEM_JPX_EXE");
}

TEST_F(UpdateRunTest, CorruptEntryIsReportedAndTheOthersArrive) {
    Bytes good = RandomBytes(1000, 3);
    Bytes corrupt = Compress(RandomBytes(1000, 4));
    corrupt[corrupt.size() / 2] ^= 0xFF;
    fs::create_directories(Folder());
    std::ofstream(Folder() / "bad.dll", std::ios::binary) << "previous";
    StoreEntry(*session, 1, L"bad.dll", 32, L"2026-01-01 00:00:00", corrupt);
    StoreEntry(*session, 2, L"good.dll", 32, L"2026-01-01 00:00:00", Compress(good));
    Run({L"/UPDATE_ONLY"});
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, L"data error");
    EXPECT_EQ(ReadFile(Folder() / "bad.dll"), ToBytes("previous"));
    EXPECT_FALSE(fs::exists(Folder() / "bad.dll.old"));
    EXPECT_EQ(ReadFile(Folder() / "good.dll"), good);
}

TEST_F(UpdateRunTest, SessionKilledDuringATransferPutsThePreviousVersionBack) {
    fs::create_directories(Folder());
    std::ofstream(Folder() / "big.dat", std::ios::binary) << "previous";
    Bytes big = RandomBytes(2 << 20, 5), small = RandomBytes(1000, 6);
    StoreEntry(*session, 1, L"big.dat", 32, L"2026-01-01 00:00:00", Compress(big));
    StoreEntry(*session, 2, L"small.dat", 32, L"2026-01-01 00:00:00", Compress(small));
    // At the first progress call, end the program's database session from the outside.
    view.onProcessMessages = [this](int pump) {
        if (pump == 3)
            Exec(*session, L"select pg_terminate_backend(pid) from pg_stat_activity "
                           L"where usename = 'JPX' and pid <> pg_backend_pid()");
    };
    RunKeepingHooks({L"/UPDATE_ONLY"});
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes[0].kind, L"translated");
    EXPECT_EQ(ReadFile(Folder() / "big.dat"), ToBytes("previous"));
    EXPECT_FALSE(fs::exists(Folder() / "big.dat.old"));
    // The next entry is attempted (and fails on the dead session); the next run fetches both.
    EXPECT_FALSE(fs::exists(Folder() / "small.dat"));
    Run({L"/UPDATE_ONLY"});
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(ReadFile(Folder() / "big.dat"), big);
    EXPECT_EQ(ReadFile(Folder() / "small.dat"), small);
}
