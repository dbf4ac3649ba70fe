// Transfer benchmark: one stored value fetched over ODBC and unpacked into a file, against
// the sum of a bare chunked fetch of the same value and a one-shot inflate of it.
//   transfer_bench TABLE COLUMN CONDITION LABEL OUTFILE
// The value must already be stored (tools/bench.sh does that). Prints one line of figures.
#include "bench/BenchSupport.h"
#include "platform/posix/PosixFileSystem.h"
#include "tests/support/World.h"
#include "update/ContentTransfer.h"
#include "util/PathText.h"

#include <cstdio>
#include <vector>
#include <zlib.h>

using namespace zem;
using namespace zem::bench;

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: transfer_bench TABLE COLUMN CONDITION LABEL OUTFILE\n");
        return 2;
    }
    const std::wstring table = FromUtf8(argv[1]), column = FromUtf8(argv[2]),
                       condition = FromUtf8(argv[3]);
    auto session = Connect();
    PosixFileSystem files;

    // The server reads the value once, so that no measurement pays for a cold cache.
    Exec(*session, L"select octet_length(" + column + L"::text) from " + table + L" " + condition);

    // 1. The product's path, first, so that the peak memory is its own. Each measurement
    //    is the best of three.
    double baseline = PeakMiB(), peak = 0;
    double full = 1e9, fetch = 1e9, inflate = 1e9;
    // The progress callback is the start window's own, on a window double (its message
    // pump has nothing to do here).
    test::World window;
    window.Start({L"/UPDATE_ONLY"});
    long calls = 0;
    double inCallback = 0, callbackShare = 0;
    for (int round = 0; round < 3; ++round) {
        auto start = std::chrono::steady_clock::now();
        calls = 0;
        inCallback = 0;
        auto out = files.CreateOutputFile(FromUtf8(argv[5]));
        ReadCompressedBlob(
            *session, *out, table, column, condition,
            [&](const std::wstring& t, std::int32_t soFar, std::int32_t total, bool& abort) {
                auto in = std::chrono::steady_clock::now();
                window.window->UpdateProgress(t, soFar, total, abort);
                inCallback += Seconds(in);
                ++calls;
            });
        out->Flush(); // as the update run does before the new file takes the target's name
        out->Close();
        double seconds = Seconds(start);
        if (seconds < full)
            full = seconds, callbackShare = inCallback / seconds;
        if (round == 0)
            peak = PeakMiB() - baseline;
    }

    // The same without the file, to show what writing it costs.
    struct NullStream : IOutputStream {
        void Write(const void*, std::size_t) override {}
    } discard;
    double toMemory = 1e9;
    for (int round = 0; round < 3; ++round) {
        auto start = std::chrono::steady_clock::now();
        ReadCompressedBlob(*session, discard, table, column, condition, nullptr);
        toMemory = std::min(toMemory, Seconds(start));
    }

    // 2. A bare chunked fetch of the same value.
    std::vector<std::uint8_t> compressed;
    for (int round = 0; round < 3; ++round) {
        auto start = std::chrono::steady_clock::now();
        auto q = session->NewQuery();
        q->SQL = L"select " + column + L" from " + table + L" " + condition;
        q->Execute();
        TLOBLocator& lob = q->LOBField(column);
        // A fresh buffer each round: the transfer, too, pays for touching new memory.
        std::vector<std::uint8_t> fresh;
        fresh.reserve(static_cast<std::size_t>(lob.Size()));
        std::uint8_t chunk[65536];
        std::size_t n;
        while ((n = lob.Read(chunk, sizeof chunk)) > 0)
            fresh.insert(fresh.end(), chunk, chunk + n);
        fetch = std::min(fetch, Seconds(start));
        compressed = std::move(fresh);
    }

    // 3. A one-shot inflate of it into memory.
    std::FILE* f = std::fopen(argv[5], "rb");
    std::fseek(f, 0, SEEK_END);
    uLongf plainSize = static_cast<uLongf>(std::ftell(f));
    std::fclose(f);
    std::vector<std::uint8_t> plain(plainSize);
    for (int round = 0; round < 3; ++round) {
        auto start = std::chrono::steady_clock::now();
        uLongf got = plainSize;
        int rc = uncompress(plain.data(), &got, compressed.data(),
                            static_cast<uLong>(compressed.size()));
        inflate = std::min(inflate, Seconds(start));
        if (rc != Z_OK || got != plainSize) {
            std::fprintf(stderr, "inflate check failed\n");
            return 1;
        }
    }
    double mib = 1024.0 * 1024.0;
    std::printf(
        "%-26s compressed %6.1f MiB  unpacked %6.1f MiB  full %6.2f s (%6.1f MB/s of output)  "
        "without the file %5.2f s  bare fetch %5.2f s + inflate %5.2f s  ratio %.3f  peak +%.1f "
        "MiB (compressed + %.1f)  "
        "callbacks %ld (%.2f %% of the time)\n",
        argv[4], compressed.size() / mib, plainSize / mib, full, plainSize / 1e6 / full, toMemory,
        fetch, inflate, full / (fetch + inflate), peak, peak - compressed.size() / mib, calls,
        callbackShare * 100);
    return 0;
}
