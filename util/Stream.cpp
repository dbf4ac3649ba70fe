#include "util/Stream.h"

#include <cstring>

namespace zem {

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
