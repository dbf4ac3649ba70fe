#pragma once
// The database access the program relies on: a session with logon values and a connected
// flag, queries with row access by column name, and large-object locators.
#include "util/DateTime.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zem {

class TLOBLocator {
public:
    virtual ~TLOBLocator() = default;
    // Length in bytes. Throws EOracleError when the database cannot tell.
    virtual std::int64_t Size() = 0;
    // Copies up to n bytes from the current position onward and advances; 0 at the end.
    virtual std::size_t Read(void* buffer, std::size_t n) = 0;
};

class TOracleQuery {
public:
    virtual ~TOracleQuery() = default;
    std::wstring SQL;
    // Runs SQL; a select is left on its first row. Throws EOracleError.
    virtual void Execute() = 0;
    // True when there is no current row.
    virtual bool Eof() const = 0;
    virtual void Next() = 0;
    // Column access by name, letter case ignored. Unknown columns throw EOracleError.
    virtual bool FieldIsNull(std::wstring_view column) = 0;
    virtual std::wstring FieldAsString(std::wstring_view column) = 0; // null gives ""
    virtual std::int64_t FieldAsInteger(std::wstring_view column) = 0;
    virtual TDateTime FieldAsDate(std::wstring_view column) = 0;
    // The value as text, as a variant converts it.
    std::wstring Field(std::wstring_view column) { return FieldAsString(column); }
    // The current row's large object; it belongs to the query.
    virtual TLOBLocator& LOBField(std::wstring_view column) = 0;
};

class TOracleSession {
public:
    virtual ~TOracleSession() = default;
    std::wstring LogonUsername;
    std::wstring LogonPassword;
    std::wstring LogonDatabase;

    virtual bool Connected() const = 0;
    // True logs on with the logon values: a refused logon throws EOracleError, a client
    // that cannot be loaded throws EDatabaseClientError. False logs off (nothing when not
    // logged on).
    virtual void SetConnected(bool value) = 0;
    // A new query bound to this session.
    virtual std::unique_ptr<TOracleQuery> NewQuery() = 0;
};

} // namespace zem
