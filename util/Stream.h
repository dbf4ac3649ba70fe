#pragma once
// Byte streams: the local file written by the update, the in-memory copy of a stored
// content, and the source that unpacking reads from.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zem {

class IOutputStream {
public:
    virtual ~IOutputStream() = default;
    // Writes all n bytes or throws.
    virtual void Write(const void* data, std::size_t n) = 0;
    // Announces how many bytes will follow, so that storage can be sized once. A hint only:
    // it never fails.
    virtual void ExpectSize(std::size_t) {}
};

class IInputStream {
public:
    virtual ~IInputStream() = default;
    // Copies up to n bytes, returns the number copied, 0 at the end.
    virtual std::size_t Read(void* buffer, std::size_t n) = 0;
};

class TMemoryStream : public IOutputStream, public IInputStream {
public:
    void ExpectSize(std::size_t n) override;
    void Write(const void* data, std::size_t n) override;
    std::size_t Read(void* buffer, std::size_t n) override;
    void SetPosition(std::size_t p) { position = p < bytes.size() ? p : bytes.size(); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes; }

private:
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
};

} // namespace zem
