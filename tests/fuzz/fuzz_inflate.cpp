// Fuzzes the unpacking: any content either unpacks or raises a decompression error, and it
// always ends (libFuzzer's -timeout reports a hang).
#include "update/ContentTransfer.h"
#include "util/Errors.h"

#include <cstdint>
#include <cstdlib>

namespace {
struct CountingStream : zem::IOutputStream {
    std::size_t total = 0;
    void Write(const void*, std::size_t n) override { total += n; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zem::TMemoryStream in;
    in.Write(data, size);
    CountingStream out;
    try {
        zem::InflateStream(in, out);
    } catch (const zem::EDecompressionError&) {
    }
    return 0;
}
