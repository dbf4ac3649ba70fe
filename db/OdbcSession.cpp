#include "db/OdbcSession.h"

#include "db/OdbcText.h"
#include "util/Errors.h"
#include "util/PathText.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <optional>
#include <vector>

namespace zem {
namespace {

using odbc::Diagnostic;
using odbc::FromSql;
using odbc::Ok;
using odbc::ReadDiagnostic;
using odbc::ToSql;

// Raises the diagnostic records of a handle as a database error.
[[noreturn]] void ThrowDiagnostic(SQLSMALLINT type, SQLHANDLE handle, std::wstring_view what) {
    Diagnostic d = ReadDiagnostic(type, handle, what);
    throw EOracleError(d.message, d.native);
}

// Encloses a connection-string value in braces when it holds characters that would end it.
std::wstring ConnectValue(const std::wstring& value) {
    if (value.find_first_of(L";{}= ") == std::wstring::npos)
        return value;
    std::wstring out = L"{";
    for (wchar_t c : value) {
        out += c;
        if (c == L'}')
            out += L'}';
    }
    return out + L"}";
}

struct Handle {
    SQLSMALLINT type;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    explicit Handle(SQLSMALLINT t) : type(t) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Reset(); }
    // Allocates a new handle below the parent (null for an environment); false on failure,
    // the handle then stays null.
    bool Allocate(SQLHANDLE parent) {
        Reset();
        if (Ok(SQLAllocHandle(type, parent, &handle)))
            return true;
        handle = SQL_NULL_HANDLE;
        return false;
    }
    void Reset() {
        if (handle != SQL_NULL_HANDLE)
            SQLFreeHandle(type, handle);
        handle = SQL_NULL_HANDLE;
    }
};

constexpr SQLLEN ChunkSize = 65536;

bool IsBinaryType(SQLSMALLINT t) {
    return t == SQL_BINARY || t == SQL_VARBINARY || t == SQL_LONGVARBINARY;
}

bool IsDateType(SQLSMALLINT t) {
    return t == SQL_TYPE_TIMESTAMP || t == SQL_TYPE_DATE || t == SQL_TIMESTAMP || t == SQL_DATE;
}

struct Cell {
    bool isNull = true;
    std::wstring text;
    std::optional<TDateTime> date;
};

class OdbcQuery;

class OdbcLob : public TLOBLocator {
public:
    OdbcLob(OdbcQuery& q, SQLUSMALLINT col, std::wstring name)
        : query(q), column(col), columnName(std::move(name)) {}
    std::int64_t Size() override;
    std::size_t Read(void* buffer, std::size_t n) override;

private:
    void Fetch();
    OdbcQuery& query;
    SQLUSMALLINT column;
    std::wstring columnName;
    bool started = false, finished = false;
    std::optional<std::int64_t> size;
    std::vector<unsigned char> pending;
    std::size_t pendingPos = 0;
};

class OdbcSessionImpl;

class OdbcQuery : public TOracleQuery {
public:
    explicit OdbcQuery(OdbcSessionImpl& s) : session(s), stmt(SQL_HANDLE_STMT) {}
    void Execute() override;
    bool Eof() const override { return eof; }
    void Next() override;
    bool FieldIsNull(std::wstring_view column) override;
    std::wstring FieldAsString(std::wstring_view column) override;
    std::int64_t FieldAsInteger(std::wstring_view column) override;
    TDateTime FieldAsDate(std::wstring_view column) override;
    TLOBLocator& LOBField(std::wstring_view column) override;

    SQLHSTMT Stmt() const { return stmt.handle; }
    std::int64_t LengthFromDatabase(const std::wstring& column);

private:
    void FetchRow();
    std::size_t ColumnIndex(std::wstring_view column) const;
    const Cell& CachedCell(std::wstring_view column);
    Cell ReadCell(SQLUSMALLINT col, SQLSMALLINT type);

    OdbcSessionImpl& session;
    Handle stmt;
    bool eof = true;
    std::vector<std::wstring> names;
    std::vector<SQLSMALLINT> types;
    std::vector<Cell> row;
    std::unique_ptr<OdbcLob> lob;
    std::size_t lobColumn = 0;
};

class OdbcSessionImpl : public TOracleSession {
public:
    OdbcSessionImpl() : env(SQL_HANDLE_ENV), dbc(SQL_HANDLE_DBC) {}
    bool Connected() const override { return connected; }
    void SetConnected(bool value) override;
    std::unique_ptr<TOracleQuery> NewQuery() override;

    SQLHDBC Dbc() const { return dbc.handle; }
    bool IsOracle() const { return isOracle; }

private:
    void Logon();
    std::wstring ConnectionString();
    Handle env, dbc;
    bool connected = false;
    bool isOracle = false;
};

// --- session ---

void OdbcSessionImpl::SetConnected(bool value) {
    if (value == connected)
        return;
    if (!value) {
        SQLDisconnect(dbc.handle);
        dbc.Reset();
        connected = false;
        return;
    }
    Logon();
}

std::wstring OdbcSessionImpl::ConnectionString() {
    const std::wstring credentials =
        L";UID=" + ConnectValue(LogonUsername) + L";PWD=" + ConnectValue(LogonPassword) + L";";
    SQLWCHAR name[SQL_MAX_DSN_LENGTH + 1];
    SQLWCHAR description[512];
    SQLSMALLINT nameLength = 0, descriptionLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (Ok(SQLDataSourcesW(env.handle, direction, name, SQL_MAX_DSN_LENGTH + 1, &nameLength,
                              description, 512, &descriptionLength))) {
        direction = SQL_FETCH_NEXT;
        std::wstring dsn = FromSql(name);
        if (SameTextAscii(dsn, LogonDatabase))
            return L"DSN=" + ConnectValue(dsn) + credentials;
    }
    SQLWCHAR driver[512];
    SQLWCHAR attributes[2048];
    SQLSMALLINT driverLength = 0, attributesLength = 0;
    direction = SQL_FETCH_FIRST;
    while (Ok(SQLDriversW(env.handle, direction, driver, 512, &driverLength, attributes, 2048,
                          &attributesLength))) {
        direction = SQL_FETCH_NEXT;
        std::wstring name16 = FromSql(driver);
        if (name16.rfind(L"Oracle", 0) == 0)
            return L"DRIVER={" + name16 + L"};DBQ=" + ConnectValue(LogonDatabase) + credentials;
    }
    throw EDatabaseClientError(
        L"Der Oracle-Client kann nicht geladen werden: keine ODBC-Datenquelle \"" + LogonDatabase +
        L"\" und kein Oracle-ODBC-Treiber installiert");
}

void OdbcSessionImpl::Logon() {
    if (env.handle == SQL_NULL_HANDLE) {
        if (!env.Allocate(SQL_NULL_HANDLE))
            throw EDatabaseClientError(L"Der ODBC-Treibermanager kann nicht geladen werden");
        SQLSetEnvAttr(env.handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                      0);
    }
    std::wstring connect = ConnectionString();
    if (!dbc.Allocate(env.handle))
        ThrowDiagnostic(SQL_HANDLE_ENV, env.handle, L"Keine Datenbankverbindung möglich");
    // A server that does not answer must not hang the start.
    SQLSetConnectAttrW(dbc.handle, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(20), 0);
    auto text = ToSql(connect);
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = SQLDriverConnectW(dbc.handle, nullptr, text.data(), SQL_NTS, out, 1024,
                                     &outLength, SQL_DRIVER_NOPROMPT);
    if (!Ok(rc)) {
        Diagnostic d = ReadDiagnostic(SQL_HANDLE_DBC, dbc.handle,
                                      L"Anmeldung an der Datenbank fehlgeschlagen");
        dbc.Reset();
        // SQLSTATE class IM: the driver manager could not load or use the driver, so the
        // client is missing rather than the logon refused.
        if (d.driverManager)
            throw EDatabaseClientError(d.message);
        throw EOracleError(d.message, d.native);
    }
    SQLWCHAR dbms[128] = {};
    SQLSMALLINT dbmsLength = 0;
    SQLGetInfoW(dbc.handle, SQL_DBMS_NAME, dbms, sizeof dbms, &dbmsLength);
    isOracle = FromSql(dbms).rfind(L"Oracle", 0) == 0;
    connected = true;
}

std::unique_ptr<TOracleQuery> OdbcSessionImpl::NewQuery() {
    return std::make_unique<OdbcQuery>(*this);
}

// --- query ---

void OdbcQuery::Execute() {
    if (!session.Connected())
        throw EOracleError(L"Not logged on", 1012);
    lob.reset();
    names.clear();
    types.clear();
    row.clear();
    eof = true;
    if (!stmt.Allocate(session.Dbc()))
        ThrowDiagnostic(SQL_HANDLE_DBC, session.Dbc(), L"Abfrage kann nicht angelegt werden");
    auto text = ToSql(SQL);
    SQLRETURN rc = SQLExecDirectW(stmt.handle, text.data(), SQL_NTS);
    if (rc == SQL_NO_DATA)
        return;
    if (!Ok(rc))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt.handle, L"Abfrage fehlgeschlagen");
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt.handle, &count);
    for (SQLUSMALLINT c = 1; c <= count; ++c) {
        SQLWCHAR name[256];
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        if (!Ok(SQLDescribeColW(stmt.handle, c, name, 256, &nameLength, &type, &size, &digits,
                                &nullable)))
            ThrowDiagnostic(SQL_HANDLE_STMT, stmt.handle, L"Spalte unbekannt");
        names.push_back(FromSql(name));
        types.push_back(type);
    }
    if (count > 0)
        FetchRow();
}

void OdbcQuery::Next() {
    if (!eof)
        FetchRow();
}

void OdbcQuery::FetchRow() {
    lob.reset();
    row.assign(names.size(), Cell{});
    SQLRETURN rc = SQLFetch(stmt.handle);
    if (rc == SQL_NO_DATA) {
        eof = true;
        return;
    }
    if (!Ok(rc))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt.handle, L"Zeile kann nicht gelesen werden");
    eof = false;
    // Columns are read in order; a large object and what follows it stay in the driver,
    // so that the content can be streamed.
    lobColumn = names.size();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (IsBinaryType(types[i])) {
            lobColumn = i;
            break;
        }
        row[i] = ReadCell(static_cast<SQLUSMALLINT>(i + 1), types[i]);
    }
}

Cell OdbcQuery::ReadCell(SQLUSMALLINT col, SQLSMALLINT type) {
    Cell cell;
    SQLLEN indicator = 0;
    if (IsDateType(type)) {
        SQL_TIMESTAMP_STRUCT ts{};
        if (!Ok(SQLGetData(stmt.handle, col, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator)))
            ThrowDiagnostic(SQL_HANDLE_STMT, stmt.handle, L"Datum kann nicht gelesen werden");
        if (indicator == SQL_NULL_DATA)
            return cell;
        cell.isNull = false;
        // The fraction is in nanoseconds; keep whole milliseconds, rounded.
        int ms = static_cast<int>((ts.fraction + 500000) / 1000000);
        cell.date =
            FromMilliseconds(ToMilliseconds(EncodeDateTime(ts.year, ts.month, ts.day, ts.hour,
                                                           ts.minute, ts.second, 0)) +
                             ms);
        wchar_t text[64];
        std::swprintf(text, 64, L"%04d-%02d-%02d %02d:%02d:%02d", ts.year, ts.month, ts.day,
                      ts.hour, ts.minute, ts.second);
        cell.text = text;
        return cell;
    }
    SQLWCHAR buffer[2048];
    for (;;) {
        SQLRETURN rc = SQLGetData(stmt.handle, col, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        if (!Ok(rc))
            ThrowDiagnostic(SQL_HANDLE_STMT, stmt.handle, L"Wert kann nicht gelesen werden");
        if (indicator == SQL_NULL_DATA)
            return cell;
        cell.isNull = false;
        std::size_t chars = (indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof buffer))
                                ? sizeof buffer / sizeof(SQLWCHAR) - 1
                                : static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
        cell.text += FromSql(buffer, chars);
        if (rc == SQL_SUCCESS)
            break;
    }
    return cell;
}

std::size_t OdbcQuery::ColumnIndex(std::wstring_view column) const {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameTextAscii(names[i], column))
            return i;
    throw EOracleError(L"Field " + std::wstring(column) + L" does not exist", 0);
}

const Cell& OdbcQuery::CachedCell(std::wstring_view column) {
    if (eof)
        throw EOracleError(L"No current row", 1002);
    std::size_t i = ColumnIndex(column);
    if (i >= lobColumn)
        throw EOracleError(L"Field " + std::wstring(column) + L" is a large object or follows one",
                           0);
    return row[i];
}

bool OdbcQuery::FieldIsNull(std::wstring_view column) {
    return CachedCell(column).isNull;
}

std::wstring OdbcQuery::FieldAsString(std::wstring_view column) {
    return CachedCell(column).text;
}

std::int64_t OdbcQuery::FieldAsInteger(std::wstring_view column) {
    const Cell& cell = CachedCell(column);
    if (cell.isNull)
        return 0;
    std::wstring text = Trim(cell.text);
    wchar_t* end = nullptr;
    double value = std::wcstod(text.c_str(), &end);
    if (text.empty() || end == nullptr || *end != L'\0')
        throw EOracleError(L"Field " + std::wstring(column) + L" is not a number: " + cell.text, 0);
    return static_cast<std::int64_t>(value);
}

TDateTime OdbcQuery::FieldAsDate(std::wstring_view column) {
    const Cell& cell = CachedCell(column);
    if (cell.isNull)
        return 0;
    if (!cell.date)
        throw EOracleError(L"Field " + std::wstring(column) + L" is not a date", 0);
    return *cell.date;
}

TLOBLocator& OdbcQuery::LOBField(std::wstring_view column) {
    if (eof)
        throw EOracleError(L"No current row", 1002);
    std::size_t i = ColumnIndex(column);
    if (!IsBinaryType(types[i]))
        throw EOracleError(L"Field " + std::wstring(column) + L" is not a large object", 0);
    if (i != lobColumn)
        throw EOracleError(L"Only the first large object of a row can be read", 0);
    if (!lob)
        lob = std::make_unique<OdbcLob>(*this, static_cast<SQLUSMALLINT>(i + 1), names[i]);
    return *lob;
}

std::int64_t OdbcQuery::LengthFromDatabase(const std::wstring& column) {
    auto q = session.NewQuery();
    q->SQL = session.IsOracle()
                 ? L"select dbms_lob.getlength(" + column + L") as len from (" + SQL + L")"
                 : L"select octet_length(" + column + L") as len from (" + SQL + L") zem_lob";
    q->Execute();
    if (q->Eof())
        throw EOracleError(L"Large object no longer exists", 0);
    return q->FieldAsInteger(L"len");
}

// --- large object ---

void OdbcLob::Fetch() {
    pending.resize(ChunkSize);
    pendingPos = 0;
    SQLLEN indicator = 0;
    SQLRETURN rc =
        SQLGetData(query.Stmt(), column, SQL_C_BINARY, pending.data(), ChunkSize, &indicator);
    if (rc != SQL_NO_DATA && !Ok(rc))
        ThrowDiagnostic(SQL_HANDLE_STMT, query.Stmt(), L"Large object cannot be read");
    if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) {
        pending.clear();
        finished = true;
        if (!size)
            size = 0;
        return;
    }
    if (!started && indicator != SQL_NO_TOTAL)
        size = indicator;
    started = true;
    std::size_t got =
        (rc == SQL_SUCCESS_WITH_INFO || indicator == SQL_NO_TOTAL || indicator > ChunkSize)
            ? std::size_t(ChunkSize)
            : std::size_t(indicator);
    pending.resize(got);
    if (rc == SQL_SUCCESS)
        finished = true;
}

std::int64_t OdbcLob::Size() {
    if (!started && !finished)
        Fetch();
    if (!size) {
        // The driver does not tell the total; ask the database.
        size = query.LengthFromDatabase(columnName);
    }
    return *size;
}

std::size_t OdbcLob::Read(void* buffer, std::size_t n) {
    if (pendingPos >= pending.size()) {
        if (finished)
            return 0;
        Fetch();
    }
    std::size_t count = std::min(n, pending.size() - pendingPos);
    if (count > 0)
        std::memcpy(buffer, pending.data() + pendingPos, count);
    pendingPos += count;
    return count;
}

} // namespace

std::unique_ptr<TOracleSession> CreateOdbcSession() {
    return std::make_unique<OdbcSessionImpl>();
}

void* OdbcConnectionHandle(TOracleSession& session) {
    auto* odbc = dynamic_cast<OdbcSessionImpl*>(&session);
    return odbc && odbc->Connected() ? odbc->Dbc() : nullptr;
}

} // namespace zem
