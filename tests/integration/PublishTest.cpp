// The catalogue tool's publish against the real PostgreSQL, into a large-object and a bytea
// catalogue through the same code, read back by the start program's own update run.
#include "tests/integration/DatabaseSupport.h"
#include "tests/support/NativeRun.h"
#include "tools/Catalogue.h"
#include "update/ContentTransfer.h"
#include "util/Errors.h"
#include "util/PathText.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace zem;
using namespace zem::test;
namespace fs = std::filesystem;

namespace {

struct Kind {
    const char* name;
    const wchar_t* schema;  // empty: the default catalogue
    const wchar_t* content; // the stored bytes as a bytea expression, for snapshots
};

void PrintTo(const Kind& kind, std::ostream* os) {
    *os << kind.name;
}

// The start program's session, with a schema first in its search path once it is logged
// on, so that the program reads that schema's catalogue.
class SchemaSession : public TOracleSession {
public:
    explicit SchemaSession(std::wstring s) : schema(std::move(s)) {}
    bool Connected() const override { return inner->Connected(); }
    void SetConnected(bool value) override {
        inner->LogonDatabase = LogonDatabase;
        inner->LogonUsername = LogonUsername;
        inner->LogonPassword = LogonPassword;
        inner->SetConnected(value);
        if (value && !schema.empty())
            Exec(*inner, L"set search_path to " + schema + L", public");
    }
    std::unique_ptr<TOracleQuery> NewQuery() override { return inner->NewQuery(); }

private:
    std::unique_ptr<TOracleSession> inner = CreateOdbcSession();
    std::wstring schema;
};

Bytes ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& p, const Bytes& content) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));
}

void SetDate(const fs::path& p, int minute) {
    fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::hours(24) +
                               std::chrono::minutes(minute));
}

const std::string OddName = "Bücher/Grüße; O'Brien – Ωmega.txt";

} // namespace

class PublishTest : public ::testing::TestWithParam<Kind> {
public: // the fault table below reaches in
    void SetUp() override {
        admin = Connect();
        if (*GetParam().schema)
            catalogue::Init(*admin, fs::path(ZEM_SOURCE_DIR) / "tests/db/schema-bytea.sql");
        publisher = Open();
        Exec(*publisher, L"delete from zemfiles");
        Exec(*publisher, L"delete from zemconfig");
        root = fs::temp_directory_path() / ("zem-publish-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(Folder());
    }
    void TearDown() override { fs::remove_all(root); }

    // A session of this test's catalogue.
    std::unique_ptr<TOracleSession> Open() {
        auto s = Connect();
        if (*GetParam().schema)
            Exec(*s, L"set search_path to " + std::wstring(GetParam().schema) + L", public");
        return s;
    }

    fs::path Source() const { return root / "publish"; }
    fs::path Folder() const { return root / "ZEM_JPX_EXE"; }

    // Version 1: a program, a folder with a large and an empty file, and an odd name.
    void MakeVersion1() {
        WriteFile(Source() / "ZEM.exe", RandomBytes(300000, 1));
        WriteFile(Source() / "lib/big.dll", RandomBytes(3 << 20, 2));
        WriteFile(Source() / "lib/empty.dat", {});
        WriteFile(Source() / OddName, ToBytes("Grüße\n"));
        for (const auto& e : fs::recursive_directory_iterator(Source()))
            SetDate(e.path(), 1);
    }
    // Version 2: big.dll changed, empty.dat gone, new.dll added.
    void MakeVersion2() {
        WriteFile(Source() / "lib/big.dll", RandomBytes(3 << 20, 3));
        SetDate(Source() / "lib/big.dll", 2);
        fs::remove(Source() / "lib/empty.dat");
        WriteFile(Source() / "new.dll", RandomBytes(70000, 4));
    }

    catalogue::PublishCounts Publish(TOracleSession& s,
                                     std::function<void(const std::wstring&)> written = {}) {
        catalogue::PublishOptions o;
        o.written = [&](const std::wstring& name, std::int64_t n) {
            stored[name] = n;
            if (written)
                written(name);
        };
        return catalogue::Publish(s, Source(), o);
    }

    // Every row with its stored bytes' digest, as one text per row.
    std::vector<std::wstring> Snapshot(TOracleSession& s) {
        support::Statement q(s, L"select cfid, cfname, cfattr, cfexec, cfdate, cfvolume, "
                                L"coalesce(md5(" +
                                    std::wstring(GetParam().content) +
                                    L"), '-') from zemfiles order by cfid");
        q.Execute();
        std::vector<std::wstring> rows;
        while (q.Fetch()) {
            std::wstring row;
            for (int c = 1; c <= 7; ++c)
                row += q.Text(c) + L"|";
            rows.push_back(row);
        }
        return rows;
    }
    std::int64_t LargeObjects() {
        support::Statement q(*admin, L"select count(*) from pg_largeobject_metadata");
        q.Execute();
        q.Fetch();
        return q.Integer(1);
    }

    // The start program's whole update run into Folder(), on a session of this catalogue.
    RecordingBoxes RunStartProgram() {
        NativeRun run(root);
        std::wstring schema = GetParam().schema;
        run.Run({L"/UPDATE_ONLY"}, [schema] { return std::make_unique<SchemaSession>(schema); });
        return run.boxes;
    }

    // Every file of the published folder arrived with the same bytes.
    void ExpectSameFiles() {
        for (const auto& e : fs::recursive_directory_iterator(Source())) {
            if (!e.is_regular_file())
                continue;
            SCOPED_TRACE(e.path().string());
            fs::path fetched = Folder() / fs::relative(e.path(), Source());
            ASSERT_TRUE(fs::exists(fetched));
            EXPECT_TRUE(ReadFile(fetched) == ReadFile(e.path()));
        }
    }

    std::unique_ptr<TOracleSession> admin, publisher;
    fs::path root;
    std::map<std::wstring, std::int64_t> stored;
};

INSTANTIATE_TEST_SUITE_P(Catalogues, PublishTest,
                         ::testing::Values(Kind{"lo", L"", L"lo_get(cffile)"},
                                           Kind{"bytea", L"zembytea", L"cffile"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(PublishTest, EveryFileArrivesByteForByteAndCurrentRowsAreLeftAlone) {
    MakeVersion1();
    auto c = Publish(*publisher);
    EXPECT_EQ(c.published, 6); // two folders, four files
    EXPECT_EQ(c.unchanged + c.removed, 0);
    EXPECT_TRUE(RunStartProgram().boxes.empty());
    ExpectSameFiles();
    EXPECT_EQ(catalogue::Verify(*publisher, Source(), stdout), 0);

    auto before = Snapshot(*publisher);
    c = Publish(*publisher);
    EXPECT_EQ(c.published + c.removed, 0);
    EXPECT_EQ(c.unchanged, 6);
    EXPECT_EQ(Snapshot(*publisher), before);

    MakeVersion2();
    c = Publish(*publisher);
    EXPECT_EQ(c.published, 2);
    EXPECT_EQ(c.unchanged, 4);
    EXPECT_EQ(c.removed, 1);
    EXPECT_TRUE(RunStartProgram().boxes.empty());
    ExpectSameFiles();

    // The list shows each row's stored length, however the column stores it.
    char* text = nullptr;
    std::size_t length = 0;
    std::FILE* out = open_memstream(&text, &length);
    catalogue::List(*publisher, out);
    std::fclose(out);
    std::string list(text, length);
    std::free(text);
    EXPECT_NE(list.find("lib\\big.dll"), std::string::npos) << list;
    EXPECT_NE(list.find(" " + std::to_string(stored[L"lib\\big.dll"]) + "  ZEM_HOME\\EXE"),
              std::string::npos)
        << list;
}

TEST_P(PublishTest, AFailureInTheMiddleLeavesTheCatalogueAsItWas) {
    struct Fault {
        const char* what;
        std::function<void(PublishTest&, int row, std::int64_t publisherPid)> act;
    } faults[] = {
        {"an error after the second row",
         [](PublishTest&, int row, std::int64_t) {
             if (row == 2)
                 throw Exception(L"injected");
         }},
        {"a file that disappears while publishing",
         [](PublishTest& t, int row, std::int64_t) {
             if (row == 1)
                 fs::remove(t.Source() / "new.dll");
         }},
        {"the session ended from outside",
         [](PublishTest& t, int row, std::int64_t pid) {
             if (row == 2) {
                 support::Statement kill(*t.admin, L"select pg_terminate_backend(?)");
                 kill.BindInteger(1, pid);
                 kill.Execute();
             }
         }},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.what);
        fs::remove_all(Source());
        publisher = Open();
        Exec(*publisher, L"delete from zemfiles");
        MakeVersion1();
        Publish(*publisher);
        auto before = Snapshot(*publisher);
        std::int64_t objects = LargeObjects();

        MakeVersion2();
        support::Statement pid(*publisher, L"select pg_backend_pid()");
        pid.Execute();
        pid.Fetch();
        std::int64_t publisherPid = pid.Integer(1);
        int rows = 0;
        EXPECT_THROW(
            Publish(*publisher, [&](const std::wstring&) { f.act(*this, ++rows, publisherPid); }),
            Exception);
        auto reader = Open();
        EXPECT_EQ(Snapshot(*reader), before);
        EXPECT_EQ(LargeObjects(), objects);
    }
}

TEST_P(PublishTest, AReaderSeesTheWholeOldCatalogueUntilTheCommit) {
    MakeVersion1();
    Publish(*publisher);
    auto reader = Open();
    auto before = Snapshot(*reader);
    const Bytes oldBig = ReadFile(Source() / "lib/big.dll");
    // The big file's id, as the start program would fetch it.
    support::Statement id(*reader, L"select cfid from zemfiles where cfname = ?");
    id.BindText(1, L"lib\\big.dll");
    id.Execute();
    ASSERT_TRUE(id.Fetch());
    const std::wstring condition = L"where cfid = " + std::to_wstring(id.Integer(1));

    MakeVersion2();
    int checks = 0;
    Publish(*publisher, [&](const std::wstring& name) {
        SCOPED_TRACE(ToUtf8(name));
        ++checks;
        EXPECT_EQ(Snapshot(*reader), before);
        TMemoryStream content;
        EXPECT_TRUE(
            ReadCompressedBlob(*reader, content, L"ZEMFILES", L"CFFILE", condition, nullptr));
        EXPECT_TRUE(content.Bytes() == oldBig);
    });
    EXPECT_GE(checks, 2);

    auto after = Snapshot(*reader);
    EXPECT_NE(after, before);
    EXPECT_EQ(after, Snapshot(*publisher));
    TMemoryStream content;
    EXPECT_TRUE(ReadCompressedBlob(*reader, content, L"ZEMFILES", L"CFFILE", condition, nullptr));
    EXPECT_TRUE(content.Bytes() == ReadFile(Source() / "lib/big.dll"));
}
