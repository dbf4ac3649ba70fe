#pragma once
// The throwaway test PostgreSQL (tests/db/testdb.sh): logon, statements, and rows with
// contents put in through bound parameters.
#include "tests/support/Doubles.h"
#include "tools/support/Database.h"

#include <gtest/gtest.h>

namespace zem::test {

using support::Connect;
using support::Exec;

// Stores a catalogue row whose content is the given (already compressed) bytes; date as
// "YYYY-MM-DD HH:MM:SS[.mmm]".
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
