// The database layer against the real PostgreSQL over ODBC.
#include "tests/integration/DatabaseSupport.h"
#include "util/Errors.h"
#include "util/PathText.h"

using namespace zem;
using namespace zem::test;

TEST_F(DatabaseTest, RowsNullsAndDatesToTheMillisecond) {
    Exec(*session,
         L"create temporary table t (id integer, name varchar(50), d timestamp(3), n numeric(10))");
    Exec(*session, L"insert into t values (2, 'Zwei ü', '2026-03-04 05:06:07.891', 7), "
                   L"(1, null, null, null), (3, '', '1999-12-31 23:59:59.999', -4)");
    auto q = session->NewQuery();
    q->SQL = L"select id, name, d, n from t order by id";
    q->Execute();
    ASSERT_FALSE(q->Eof());
    EXPECT_EQ(q->FieldAsInteger(L"ID"), 1);
    EXPECT_TRUE(q->FieldIsNull(L"name"));
    EXPECT_TRUE(q->FieldIsNull(L"D"));
    EXPECT_EQ(q->FieldAsString(L"name"), L"");
    q->Next();
    EXPECT_EQ(q->FieldAsString(L"Name"), L"Zwei ü");
    EXPECT_EQ(q->Field(L"id"), L"2");
    EXPECT_EQ(q->FieldAsInteger(L"n"), 7);
    EXPECT_EQ(ToMilliseconds(q->FieldAsDate(L"d")),
              ToMilliseconds(EncodeDateTime(2026, 3, 4, 5, 6, 7, 891)));
    q->Next();
    EXPECT_FALSE(q->FieldIsNull(L"name"));
    EXPECT_EQ(q->FieldAsInteger(L"n"), -4);
    EXPECT_EQ(ToMilliseconds(q->FieldAsDate(L"d")),
              ToMilliseconds(EncodeDateTime(1999, 12, 31, 23, 59, 59, 999)));
    EXPECT_THROW(q->FieldAsString(L"missing"), EOracleError);
    EXPECT_THROW(q->FieldAsDate(L"name"), EOracleError);
    q->Next();
    EXPECT_TRUE(q->Eof());
    EXPECT_THROW(q->FieldAsString(L"id"), EOracleError);
}

TEST_F(DatabaseTest, StatementErrorsCarryTheServersText) {
    auto q = session->NewQuery();
    q->SQL = L"select nothing from nowhere";
    try {
        q->Execute();
        FAIL() << "no error";
    } catch (const EOracleError& e) {
        EXPECT_NE(e.Message().find(L"nowhere"), std::wstring::npos);
    }
    q->SQL = L"select 1 as one"; // the query is usable again after an error
    q->Execute();
    EXPECT_EQ(q->FieldAsInteger(L"ONE"), 1);
}

namespace {

// Reads a large object in 65536-byte requests; returns the bytes and counts the reads.
Bytes ReadAll(TLOBLocator& lob, int& reads) {
    Bytes out, buffer(65536);
    reads = 0;
    std::size_t n;
    do {
        n = lob.Read(buffer.data(), buffer.size());
        ++reads;
        out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<long>(n));
    } while (n > 0);
    return out;
}

} // namespace

TEST_F(DatabaseTest, LargeObjectsInChunks) {
    Exec(*session, L"create temporary table b (id integer, data bytea)");
    for (std::size_t size : {std::size_t(0), std::size_t(65536), std::size_t(200000)}) {
        SCOPED_TRACE(size);
        Bytes content = RandomBytes(size, static_cast<unsigned>(size));
        Exec(*session, L"delete from zemfiles");
        Exec(*session, L"delete from b");
        StoreEntry(*session, 1, L"f", 32, L"2026-01-01 00:00:00", content);
        support::Statement insert(*session, L"insert into b values (1, ?)");
        insert.BindBinaryStream(
            1, [&](const support::PutData& put) { put(content.data(), content.size()); });
        insert.Execute();
        for (const wchar_t* sql :
             {L"select CFFILE from ZEMFILES where cfid = 1", L"select data from b where id = 1"}) {
            SCOPED_TRACE(ToUtf8(sql));
            auto q = session->NewQuery();
            q->SQL = sql;
            q->Execute();
            TLOBLocator& lob = q->LOBField(
                std::wstring(sql).find(L"CFFILE") != std::wstring::npos ? L"cffile" : L"DATA");
            EXPECT_EQ(lob.Size(), static_cast<std::int64_t>(size));
            int reads = 0;
            EXPECT_EQ(ReadAll(lob, reads), content);
            EXPECT_EQ(static_cast<std::size_t>(reads), size / 65536 + (size % 65536 ? 1 : 0) + 1);
        }
    }
}

TEST_F(DatabaseTest, LargeObjectFieldOfAnotherTypeIsAnError) {
    auto q = session->NewQuery();
    q->SQL = L"select 1 as n";
    q->Execute();
    EXPECT_THROW(q->LOBField(L"n"), EOracleError);
}

TEST(DatabaseLogon, RefusedLogons) {
    try {
        Connect(L"ZEM", L"JPX", L"wrong");
        FAIL() << "logged on with a wrong password";
    } catch (const EOracleError& e) {
        EXPECT_NE(e.Message().find(L"password"), std::wstring::npos) << ToUtf8(e.Message());
        RecordProperty("wrong_password_native_error", e.ErrorCode);
    }
    try {
        Connect(L"ZEMDOWN");
        FAIL() << "logged on to a server that is down";
    } catch (const EOracleError& e) {
        EXPECT_NE(e.Message().find(L"127.0.0.1"), std::wstring::npos) << ToUtf8(e.Message());
    }
    EXPECT_THROW(Connect(L"NO_SUCH_SOURCE"), EDatabaseClientError);
    try { // the driver manager cannot load the driver: the client is missing
        Connect(L"ZEMNODRIVER");
        FAIL() << "logged on without a driver";
    } catch (const EDatabaseClientError& e) {
        EXPECT_NE(e.Message().find(L"zem-no-driver.so"), std::wstring::npos) << ToUtf8(e.Message());
    }
    auto session = CreateOdbcSession();
    session->SetConnected(false); // nothing happens on a session that is not logged on
    EXPECT_FALSE(session->Connected());
    auto ok = Connect(L"zem"); // data source names ignore case
    EXPECT_TRUE(ok->Connected());
    ok->SetConnected(false);
    EXPECT_FALSE(ok->Connected());
}
