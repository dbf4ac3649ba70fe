#pragma once
// Shared bits of the benchmarks: the logon to the benchmark database, timing, memory.
#include "db/OdbcSession.h"

#include <chrono>
#include <sys/resource.h>

namespace zem::bench {

inline std::unique_ptr<TOracleSession> Connect() {
    auto s = CreateOdbcSession();
    s->LogonDatabase = L"ZEM";
    s->LogonUsername = L"JPX";
    s->LogonPassword = L"JPX";
    s->SetConnected(true);
    return s;
}

inline void Exec(TOracleSession& s, const std::wstring& sql) {
    auto q = s.NewQuery();
    q->SQL = sql;
    q->Execute();
}

inline double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Peak resident memory of the process so far, in MiB.
inline double PeakMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

} // namespace zem::bench
