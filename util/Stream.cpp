#include "util/Stream.h"

#include <cstring>
#include <new>
#include <stdexcept>

namespace zem {

void TMemoryStream::ExpectSize(std::size_t n) {
    // Without the room in one piece, the writes grow the storage and fail only when the
    // content really does not fit.
    try {
        if (n <= bytes.max_size())
            bytes.reserve(n);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
}

void TMemoryStream::Write(const void* data, std::size_t n) {
    if (n == 0)
        return;
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + n);
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t n) {
    std::size_t available = bytes.size() - position;
    if (n > available)
        n = available;
    if (n > 0)
        std::memcpy(buffer, bytes.data() + position, n);
    position += n;
    return n;
}

} // namespace zem
