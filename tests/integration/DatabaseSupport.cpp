#include "tests/integration/DatabaseSupport.h"

#include "tools/Catalogue.h"

namespace zem::test {

void StoreEntry(TOracleSession& session, std::int64_t id, const std::wstring& name,
                std::int64_t attr, const std::wstring& date, const Bytes& content,
                std::int64_t exec) {
    support::Statement insert(
        session, L"insert into zemfiles (cfid, cfname, cfattr, cfexec, cfdate, cffile) "
                 L"values (?, ?, ?, ?, ?, ?)");
    insert.BindInteger(1, id);
    insert.BindText(2, name);
    insert.BindInteger(3, attr);
    insert.BindInteger(4, exec);
    insert.BindDate(5, catalogue::ParseDate(date).value());
    insert.BindBinaryStream(
        6, [&](const support::PutData& put) { put(content.data(), content.size()); },
        static_cast<std::int64_t>(content.size()));
    insert.Execute();
}

} // namespace zem::test
