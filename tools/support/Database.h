#pragma once
// Database helpers of the catalogue tool, the tests and the benchmarks: the logon the start
// program uses, plain statements, and statements with bound parameters and transactions on
// the same ODBC connection.
#include "db/OdbcSession.h"
#include "util/DateTime.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zem::support {

// Logs on as the start program does (a data source named like the database, else the
// Oracle ODBC driver with the database as TNS alias). Throws EOracleError or
// EDatabaseClientError.
std::unique_ptr<TOracleSession> Connect(const std::wstring& database = L"ZEM",
                                        const std::wstring& user = L"JPX",
                                        const std::wstring& password = L"JPX");

// Runs one statement that takes no parameters and whose rows, if any, are not needed.
void Exec(TOracleSession& session, const std::wstring& sql);

// The database product as the driver names it ("PostgreSQL", "Oracle", ...).
std::wstring DbmsName(TOracleSession& session);

// A column as the driver describes it: ODBC type (SQL_LONGVARBINARY, ...) and the database's
// own type name ("bytea", "lo", "BLOB", ...).
struct ColumnType {
    int sqlType = 0;
    std::wstring name;
};

// Writes one piece of a parameter's value sent at execution.
using PutData = std::function<void(const void* data, std::size_t n)>;
// Produces a parameter's value by calling put for each piece; may throw to abandon the
// statement.
using ValueWriter = std::function<void(const PutData& put)>;

// A prepared statement on the session's connection. Parameters are numbered from 1 and
// keep their values until the next Execute; columns are numbered from 1. Every failure
// throws EOracleError with the driver's message.
class Statement {
public:
    Statement(TOracleSession& session, const std::wstring& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void BindInteger(int position, std::int64_t value);
    void BindText(int position, const std::wstring& value);
    void BindDate(int position, TDateTime value);
    // SQL null for a binary column.
    void BindNullBinary(int position);
    // Binary content sent at execution in pieces (SQL_LONGVARBINARY). length is the total
    // when known; drivers that need it in advance (SQL_NEED_LONG_DATA_LEN) must get it.
    void BindBinaryStream(int position, ValueWriter writer,
                          std::optional<std::int64_t> length = std::nullopt);

    // Runs the statement; a select is then read with Fetch.
    void Execute();
    // Moves to the next row; false at the end. Read a row's columns in ascending order, each
    // once (some drivers allow nothing else).
    bool Fetch();
    std::int64_t Integer(int column); // null gives 0
    std::wstring Text(int column);    // null gives ""
    TDateTime Date(int column);       // null gives 0
    // The length the driver reports for a binary column of the current row without reading
    // it; nullopt when the driver cannot tell (SQL_NO_TOTAL).
    std::optional<std::int64_t> BinaryLength(int column);
    ColumnType Describe(int column);

private:
    struct Parameter;
    void Bind(int position, std::unique_ptr<Parameter> p);
    std::wstring sqlText;
    void* stmt = nullptr;
    std::vector<std::unique_ptr<Parameter>> parameters;
};

// Autocommit is off while this object lives. Commit makes every change since the start
// permanent; without it the destructor rolls them back. Either way autocommit is on again
// afterwards.
class Transaction {
public:
    explicit Transaction(TOracleSession& session);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    void* dbc;
    bool done = false;
};

// True when the driver needs the total length of a value sent at execution before its
// first piece.
bool NeedsLongDataLength(TOracleSession& session);

} // namespace zem::support
