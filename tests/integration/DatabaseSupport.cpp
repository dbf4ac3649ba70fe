#include "tests/integration/DatabaseSupport.h"

namespace zem::test {

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

std::wstring Hex(const Bytes& bytes) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out;
    out.reserve(bytes.size() * 2);
    for (auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

void StoreEntry(TOracleSession& session, std::int64_t id, const std::wstring& name,
                std::int64_t attr, const std::wstring& date, const Bytes& content,
                std::int64_t exec) {
    Exec(session, L"insert into zemfiles (cfid, cfname, cfattr, cfexec, cfdate, cffile) values (" +
                      std::to_wstring(id) + L", '" + name + L"', " + std::to_wstring(attr) + L", " +
                      std::to_wstring(exec) + L", timestamp '" + date +
                      L"', lo_from_bytea(0, decode('" + Hex(content) + L"', 'hex')))");
}

} // namespace zem::test
