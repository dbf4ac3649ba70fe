#pragma once
// ODBC's wide text and diagnostics, shared by the database layer and the catalogue tool.
#ifdef _WIN32
#include "platform/win32/win.h"
#endif
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

namespace zem::odbc {

// SQLWCHAR is UTF-16 on both platforms; wchar_t is UTF-16 only on Windows.
std::basic_string<SQLWCHAR> ToSql(std::wstring_view text);
std::wstring FromSql(const SQLWCHAR* text, std::size_t n);
std::wstring FromSql(const SQLWCHAR* text); // up to the terminating 0

bool Ok(SQLRETURN rc);

struct Diagnostic {
    std::wstring state;         // SQLSTATE of the first record; empty without a record
    std::wstring message;       // text of the first record; what failed without one
    int native = 0;             // first non-zero native error over all records
    bool driverManager = false; // the first record is the driver manager's: no usable driver
};

// Reads the diagnostic records of a handle.
Diagnostic ReadDiagnostic(SQLSMALLINT type, SQLHANDLE handle, std::wstring_view what);

} // namespace zem::odbc
