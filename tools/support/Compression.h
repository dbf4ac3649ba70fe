#pragma once
// zlib streams (RFC 1950) as the catalogue stores contents: written piece by piece, so that
// a large file never has to be held in memory.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>
#include <zlib.h>

namespace zem::support {

using Bytes = std::vector<std::uint8_t>;

class Deflater {
public:
    // Receives the compressed bytes in pieces of at most OutputBlock bytes.
    using Sink = std::function<void(const std::uint8_t* data, std::size_t n)>;
    static constexpr std::size_t OutputBlock = 65536;

    // Throws zem::Exception when zlib refuses the window bits (9 to 15).
    Deflater(Sink sink, int windowBits = 15);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses n more bytes; the sink may be called.
    void Write(const void* data, std::size_t n);
    // Ends the stream; the sink receives the rest. No Write after it.
    void Finish();

private:
    void Run(int flush);
    Sink sink;
    z_stream strm{};
    Bytes block;
};

// The whole zlib stream of the bytes.
Bytes Compress(const Bytes& plain, int windowBits = 15);

} // namespace zem::support
