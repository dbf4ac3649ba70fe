#pragma once
// Connection to the throwaway test PostgreSQL (tests/db/testdb.sh) and helpers that put
// rows and contents into it.
#include "db/OdbcSession.h"
#include "tests/support/Doubles.h"

#include <gtest/gtest.h>

namespace zem::test {

std::unique_ptr<TOracleSession> Connect(const std::wstring& database = L"ZEM",
                                        const std::wstring& user = L"JPX",
                                        const std::wstring& password = L"JPX");
void Exec(TOracleSession& session, const std::wstring& sql);
std::wstring Hex(const Bytes& bytes);
// Stores a catalogue row whose content is the given (already compressed) bytes.
void StoreEntry(TOracleSession& session, std::int64_t id, const std::wstring& name,
                std::int64_t attr, const std::wstring& date, const Bytes& content,
                std::int64_t exec = 0);

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = Connect();
        Exec(*session, L"delete from zemfiles");
        Exec(*session, L"delete from zemconfig");
    }
    std::unique_ptr<TOracleSession> session;
};

} // namespace zem::test
