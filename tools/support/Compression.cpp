#include "tools/support/Compression.h"

#include "util/Errors.h"

namespace zem::support {

Deflater::Deflater(Sink s, int windowBits) : sink(std::move(s)), block(OutputBlock) {
    if (deflateInit2(&strm, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw Exception(L"zlib kann nicht initialisiert werden (Fensterbits " +
                        std::to_wstring(windowBits) + L")");
}

Deflater::~Deflater() {
    deflateEnd(&strm);
}

void Deflater::Write(const void* data, std::size_t n) {
    const auto* p = static_cast<const Bytef*>(data);
    // avail_in is 32 bits wide; feed large buffers in slices.
    while (n > 0) {
        std::size_t slice = n < (1u << 30) ? n : (1u << 30);
        strm.next_in = const_cast<Bytef*>(p);
        strm.avail_in = static_cast<uInt>(slice);
        Run(Z_NO_FLUSH);
        p += slice;
        n -= slice;
    }
}

void Deflater::Finish() {
    strm.next_in = nullptr;
    strm.avail_in = 0;
    Run(Z_FINISH);
}

void Deflater::Run(int flush) {
    for (;;) {
        strm.next_out = block.data();
        strm.avail_out = static_cast<uInt>(block.size());
        int rc = deflate(&strm, flush);
        if (rc == Z_STREAM_ERROR)
            throw Exception(L"Komprimieren fehlgeschlagen");
        std::size_t produced = block.size() - strm.avail_out;
        if (produced > 0)
            sink(block.data(), produced);
        if (flush == Z_FINISH ? rc == Z_STREAM_END : strm.avail_out != 0)
            return;
    }
}

Bytes Compress(const Bytes& plain, int windowBits) {
    Bytes out;
    Deflater deflater(
        [&](const std::uint8_t* p, std::size_t n) { out.insert(out.end(), p, p + n); }, windowBits);
    deflater.Write(plain.data(), plain.size());
    deflater.Finish();
    return out;
}

} // namespace zem::support
