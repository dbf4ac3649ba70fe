#include "tools/support/Database.h"

#include "db/OdbcText.h"
#include "util/Errors.h"
#include "util/PathText.h"

#include <cstdio>
#include <limits>

namespace zem::support {
namespace {

using odbc::FromSql;
using odbc::Ok;
using odbc::ToSql;

// Raises the handle's first diagnostic record, with the statement it belongs to.
[[noreturn]] void ThrowDiagnostic(SQLSMALLINT type, SQLHANDLE handle, const std::wstring& what) {
    const odbc::Diagnostic d = odbc::ReadDiagnostic(type, handle, what);
    if (d.state.empty())
        throw EOracleError(what, 0);
    throw EOracleError(d.message + L" (SQLSTATE " + d.state + L"; " + what + L")", d.native);
}

SQLHDBC ConnectionOf(TOracleSession& session) {
    void* dbc = OdbcConnectionHandle(session);
    if (dbc == nullptr)
        throw EOracleError(L"Nicht an der Datenbank angemeldet", 1012);
    return static_cast<SQLHDBC>(dbc);
}

std::wstring InfoText(TOracleSession& session, SQLUSMALLINT what) {
    SQLWCHAR text[256] = {};
    SQLSMALLINT length = 0;
    SQLHDBC dbc = ConnectionOf(session);
    if (!Ok(SQLGetInfoW(dbc, what, text, sizeof text, &length)))
        ThrowDiagnostic(SQL_HANDLE_DBC, dbc, L"SQLGetInfo");
    return FromSql(text);
}

} // namespace

std::unique_ptr<TOracleSession> Connect(const std::wstring& database, const std::wstring& user,
                                        const std::wstring& password) {
    auto session = CreateOdbcSession();
    session->LogonDatabase = database;
    session->LogonUsername = user;
    session->LogonPassword = password;
    session->SetConnected(true);
    return session;
}

void Exec(TOracleSession& session, const std::wstring& sql) {
    auto q = session.NewQuery();
    q->SQL = sql;
    q->Execute();
}

std::wstring DbmsName(TOracleSession& session) {
    return InfoText(session, SQL_DBMS_NAME);
}

bool NeedsLongDataLength(TOracleSession& session) {
    return InfoText(session, SQL_NEED_LONG_DATA_LEN) == L"Y";
}

// --- statement ---

struct Statement::Parameter {
    std::int32_t integer = 0;
    std::basic_string<SQLWCHAR> text;
    SQL_TIMESTAMP_STRUCT date{};
    SQLLEN indicator = 0;
    ValueWriter writer;
};

Statement::Statement(TOracleSession& session, const std::wstring& sql) : sqlText(sql) {
    SQLHDBC dbc = ConnectionOf(session);
    SQLHSTMT h = SQL_NULL_HANDLE;
    if (!Ok(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &h)))
        ThrowDiagnostic(SQL_HANDLE_DBC, dbc, sqlText);
    stmt = h;
    auto text = ToSql(sql);
    if (!Ok(SQLPrepareW(h, text.data(), SQL_NTS))) {
        try {
            ThrowDiagnostic(SQL_HANDLE_STMT, h, sqlText);
        } catch (...) {
            SQLFreeHandle(SQL_HANDLE_STMT, h);
            throw;
        }
    }
}

Statement::~Statement() {
    SQLFreeHandle(SQL_HANDLE_STMT, static_cast<SQLHSTMT>(stmt));
}

void Statement::Bind(int position, std::unique_ptr<Parameter> p) {
    if (static_cast<std::size_t>(position) > parameters.size())
        parameters.resize(static_cast<std::size_t>(position));
    parameters[static_cast<std::size_t>(position - 1)] = std::move(p);
}

void Statement::BindInteger(int position, std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        throw ERangeError();
    auto p = std::make_unique<Parameter>();
    p->integer = static_cast<std::int32_t>(value);
    if (!Ok(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(position), SQL_PARAM_INPUT,
                             SQL_C_SLONG, SQL_INTEGER, 0, 0, &p->integer, 0, &p->indicator)))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
    Bind(position, std::move(p));
}

void Statement::BindText(int position, const std::wstring& value) {
    auto p = std::make_unique<Parameter>();
    p->text = ToSql(value);
    p->indicator = static_cast<SQLLEN>(p->text.size() * sizeof(SQLWCHAR));
    if (!Ok(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(position), SQL_PARAM_INPUT,
                             SQL_C_WCHAR, SQL_WVARCHAR, p->text.empty() ? 1 : p->text.size(), 0,
                             p->text.data(), p->indicator, &p->indicator)))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
    Bind(position, std::move(p));
}

void Statement::BindDate(int position, TDateTime value) {
    auto p = std::make_unique<Parameter>();
    DateTimeParts d = DecodeDateTime(value);
    p->date.year = static_cast<SQLSMALLINT>(d.year);
    p->date.month = static_cast<SQLUSMALLINT>(d.month);
    p->date.day = static_cast<SQLUSMALLINT>(d.day);
    p->date.hour = static_cast<SQLUSMALLINT>(d.hour);
    p->date.minute = static_cast<SQLUSMALLINT>(d.minute);
    p->date.second = static_cast<SQLUSMALLINT>(d.second);
    p->date.fraction = static_cast<SQLUINTEGER>(d.millisecond) * 1000000u;
    p->indicator = sizeof p->date;
    // Column size 23 and 3 digits: "YYYY-MM-DD HH:MM:SS.mmm".
    if (!Ok(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(position), SQL_PARAM_INPUT,
                             SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3, &p->date, 0,
                             &p->indicator)))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
    Bind(position, std::move(p));
}

void Statement::BindNullBinary(int position) {
    auto p = std::make_unique<Parameter>();
    p->indicator = SQL_NULL_DATA;
    if (!Ok(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(position), SQL_PARAM_INPUT,
                             SQL_C_BINARY, SQL_LONGVARBINARY, 1, 0, nullptr, 0, &p->indicator)))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
    Bind(position, std::move(p));
}

void Statement::BindBinaryStream(int position, ValueWriter writer,
                                 std::optional<std::int64_t> length) {
    auto p = std::make_unique<Parameter>();
    p->writer = std::move(writer);
    p->indicator = length ? SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(*length)) : SQL_DATA_AT_EXEC;
    // The value pointer is only a token that SQLParamData hands back: the position.
    auto token = reinterpret_cast<SQLPOINTER>(static_cast<std::intptr_t>(position));
    SQLULEN size =
        length ? static_cast<SQLULEN>(*length) : std::numeric_limits<std::int32_t>::max();
    if (!Ok(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(position), SQL_PARAM_INPUT,
                             SQL_C_BINARY, SQL_LONGVARBINARY, size, 0, token, 0, &p->indicator)))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
    Bind(position, std::move(p));
}

void Statement::Execute() {
    SQLFreeStmt(stmt, SQL_CLOSE);
    SQLRETURN rc = SQLExecute(stmt);
    if (rc == SQL_NEED_DATA) {
        SQLPOINTER token = nullptr;
        while ((rc = SQLParamData(stmt, &token)) == SQL_NEED_DATA) {
            auto position = static_cast<std::size_t>(reinterpret_cast<std::intptr_t>(token));
            if (position == 0 || position > parameters.size() || !parameters[position - 1] ||
                !parameters[position - 1]->writer) {
                SQLCancel(stmt);
                throw EOracleError(L"Unerwarteter Parameter bei der Übertragung (" + sqlText + L")",
                                   0);
            }
            try {
                parameters[position - 1]->writer([this](const void* data, std::size_t n) {
                    if (!Ok(SQLPutData(stmt, const_cast<void*>(data), static_cast<SQLLEN>(n))))
                        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
                });
            } catch (...) {
                // Leaves the data-at-execution state, so that the transaction can be rolled
                // back on this connection.
                SQLCancel(stmt);
                throw;
            }
        }
    }
    if (rc != SQL_NO_DATA && !Ok(rc))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
}

bool Statement::Fetch() {
    SQLRETURN rc = SQLFetch(stmt);
    if (rc == SQL_NO_DATA)
        return false;
    if (!Ok(rc))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
    return true;
}

std::int64_t Statement::Integer(int column) {
    SQLBIGINT value = 0;
    SQLLEN indicator = 0;
    if (!Ok(SQLGetData(stmt, static_cast<SQLUSMALLINT>(column), SQL_C_SBIGINT, &value, 0,
                       &indicator)))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
    return indicator == SQL_NULL_DATA ? 0 : value;
}

std::wstring Statement::Text(int column) {
    std::wstring out;
    SQLWCHAR buffer[2048];
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(stmt, static_cast<SQLUSMALLINT>(column), SQL_C_WCHAR, buffer,
                                  sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA)
            break;
        if (!Ok(rc))
            ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
        std::size_t chars = (indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof buffer))
                                ? sizeof buffer / sizeof(SQLWCHAR) - 1
                                : static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
        out += FromSql(buffer, chars);
        if (rc == SQL_SUCCESS)
            break;
    }
    return out;
}

TDateTime Statement::Date(int column) {
    SQL_TIMESTAMP_STRUCT ts{};
    SQLLEN indicator = 0;
    if (!Ok(SQLGetData(stmt, static_cast<SQLUSMALLINT>(column), SQL_C_TYPE_TIMESTAMP, &ts,
                       sizeof ts, &indicator)))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
    if (indicator == SQL_NULL_DATA)
        return 0;
    // The fraction is in nanoseconds; whole milliseconds, rounded.
    return FromMilliseconds(ToMilliseconds(EncodeDateTime(ts.year, ts.month, ts.day, ts.hour,
                                                          ts.minute, ts.second, 0)) +
                            (ts.fraction + 500000) / 1000000);
}

std::optional<std::int64_t> Statement::BinaryLength(int column) {
    unsigned char probe[1];
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(stmt, static_cast<SQLUSMALLINT>(column), SQL_C_BINARY, probe,
                              sizeof probe, &indicator);
    if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA)
        return 0;
    if (!Ok(rc))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
    if (indicator == SQL_NO_TOTAL)
        return std::nullopt;
    return indicator;
}

ColumnType Statement::Describe(int column) {
    SQLWCHAR name[256];
    SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    if (!Ok(SQLDescribeColW(stmt, static_cast<SQLUSMALLINT>(column), name, 256, &nameLength, &type,
                            &size, &digits, &nullable)))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
    SQLWCHAR typeName[256] = {};
    SQLSMALLINT typeNameLength = 0;
    if (!Ok(SQLColAttributeW(stmt, static_cast<SQLUSMALLINT>(column), SQL_DESC_TYPE_NAME, typeName,
                             sizeof typeName, &typeNameLength, nullptr)))
        ThrowDiagnostic(SQL_HANDLE_STMT, stmt, sqlText);
    return ColumnType{type, FromSql(typeName)};
}

// --- transaction ---

Transaction::Transaction(TOracleSession& session) : dbc(ConnectionOf(session)) {
    if (!Ok(SQLSetConnectAttrW(dbc, SQL_ATTR_AUTOCOMMIT,
                               reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)))
        ThrowDiagnostic(SQL_HANDLE_DBC, dbc, L"Transaktion beginnen");
}

Transaction::~Transaction() {
    if (!done)
        SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
    SQLSetConnectAttrW(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                       0);
}

void Transaction::Commit() {
    if (!Ok(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT)))
        ThrowDiagnostic(SQL_HANDLE_DBC, dbc, L"Commit");
    done = true;
}

} // namespace zem::support
