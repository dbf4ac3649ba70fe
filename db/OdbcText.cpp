#include "db/OdbcText.h"

#include "util/PathText.h"

#include <cstdint>

namespace zem::odbc {

// SQLWCHAR is UTF-16 on both platforms; wchar_t is UTF-16 only on Windows.
std::basic_string<SQLWCHAR> ToSql(std::wstring_view text) {
    std::basic_string<SQLWCHAR> out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        auto cp = static_cast<std::uint32_t>(c);
        if (sizeof(wchar_t) == 4 && cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<SQLWCHAR>(0xD800 + (cp >> 10));
            out += static_cast<SQLWCHAR>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<SQLWCHAR>(cp);
        }
    }
    return out;
}

std::wstring FromSql(const SQLWCHAR* text, std::size_t n) {
    std::wstring out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t c = text[i];
        if (sizeof(wchar_t) == 4 && c >= 0xD800 && c < 0xDC00 && i + 1 < n &&
            text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        out += static_cast<wchar_t>(c);
    }
    return out;
}

std::wstring FromSql(const SQLWCHAR* text) {
    std::size_t n = 0;
    while (text[n] != 0)
        ++n;
    return FromSql(text, n);
}

bool Ok(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

Diagnostic ReadDiagnostic(SQLSMALLINT type, SQLHANDLE handle, std::wstring_view what) {
    Diagnostic d;
    d.message = what;
    if (handle == SQL_NULL_HANDLE)
        return d;
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR text[1024] = {};
    SQLSMALLINT length = 0;
    for (SQLSMALLINT record = 1;
         Ok(SQLGetDiagRecW(type, handle, record, state, &native, text, 1024, &length)); ++record) {
        if (record == 1) {
            d.state = FromSql(state);
            d.message = TrimRight(FromSql(text));
            if (d.message.empty())
                d.message = std::wstring(what) + L" (SQLSTATE " + d.state + L")";
            // Only the first record decides: a driver's refusal may be followed by the driver
            // manager's IM006 ("SQLSetConnectAttr failed"). unixODBC reports a driver it
            // cannot load as 01000 of its own, Windows as IM002 or IM003.
            d.driverManager =
                d.state.starts_with(L"IM") ||
                (d.state == L"01000" && d.message.find(L"[Driver Manager]") != std::wstring::npos);
        }
        if (d.native == 0 && native != 0)
            d.native = static_cast<int>(native < 0 ? -native : native);
    }
    return d;
}

} // namespace zem::odbc
