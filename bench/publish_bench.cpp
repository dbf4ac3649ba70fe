// Publishing benchmark: one folder published into an empty catalogue by the catalogue tool's
// own code, with time and peak memory, then published again (every row current).
//   publish_bench FOLDER lo|bytea
// "bytea" publishes into the bytea catalogue of tests/db/schema-bytea.sql. Run one kind per
// process: the peak is the process's own.
#include "bench/BenchSupport.h"
#include "tools/Catalogue.h"

#include <cstdio>
#include <cstring>

using namespace zem;
using namespace zem::bench;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[2], "lo") != 0 && std::strcmp(argv[2], "bytea") != 0)) {
        std::fprintf(stderr, "usage: publish_bench FOLDER lo|bytea\n");
        return 2;
    }
    const bool bytea = std::strcmp(argv[2], "bytea") == 0;
    auto session = Connect();
    if (bytea) {
        catalogue::Init(*session, fs::path(ZEM_SOURCE_DIR) / "tests/db/schema-bytea.sql");
        Exec(*session, L"set search_path to zembytea, public");
    }
    Exec(*session, L"delete from zemfiles");
    std::uintmax_t plain = 0;
    for (const auto& e : fs::recursive_directory_iterator(argv[1]))
        if (e.is_regular_file())
            plain += e.file_size();

    double before = PeakMiB();
    std::int64_t stored = 0;
    catalogue::PublishOptions options;
    options.written = [&](const std::wstring&, std::int64_t n) { stored += n; };
    auto start = std::chrono::steady_clock::now();
    catalogue::Publish(*session, argv[1], options);
    double first = Seconds(start);
    double peak = PeakMiB();

    start = std::chrono::steady_clock::now();
    auto again = catalogue::Publish(*session, argv[1], {});
    double second = Seconds(start);

    const double mib = 1024.0 * 1024.0;
    std::printf("%-5s %7.1f MiB of files, %7.1f MiB stored: %6.2f s (%5.1f MiB/s of files), "
                "peak memory %6.1f MiB (%+.1f MiB for the publish); again (%d current): %.3f s\n",
                argv[2], plain / mib, stored / mib, first, plain / mib / first, peak, peak - before,
                again.unchanged, second);
    return 0;
}
