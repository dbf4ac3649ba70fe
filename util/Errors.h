#pragma once
// The failure kinds of the program. Every failure travels as one of these exceptions and
// is caught only at the handler boundaries of the start window.
#include <cstdint>
#include <exception>
#include <string>

namespace zem {

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);
    const std::wstring& Message() const { return message; }
    const char* what() const noexcept override { return narrow.c_str(); }

private:
    std::wstring message;
    std::string narrow;
};

// The database refused an operation; ErrorCode is the server's error number.
class EOracleError : public Exception {
public:
    EOracleError(std::wstring message, int errorCode)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

// The database client cannot be loaded or set up (no driver manager, no usable driver).
class EDatabaseClientError : public Exception {
public:
    using Exception::Exception;
};

// An integer value outside its range.
class ERangeError : public Exception {
public:
    ERangeError() : Exception(L"Range check error") {}
};

// zlib refused the content; the message is zlib's text for the result code.
class EDecompressionError : public Exception {
public:
    using Exception::Exception;
};

// A file-system operation failed; Code is the system error code.
class EInOutError : public Exception {
public:
    EInOutError(std::wstring message, std::uint32_t code)
        : Exception(std::move(message)), Code(code) {}
    std::uint32_t Code;
};

class ERegistryError : public Exception {
public:
    using Exception::Exception;
};

} // namespace zem
