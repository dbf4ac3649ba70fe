#pragma once
// Shared bits of the benchmarks: timing and memory; the logon comes from the tools' support
// library.
#include "tools/support/Database.h"

#include <chrono>
#include <sys/resource.h>

namespace zem::bench {

using support::Connect;
using support::Exec;

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
