#pragma once

// Typed errors of the format code: a code, the byte offset where the fault
// was found, and a short context. One table of messages turns them into the
// one-line error the tools print.

#include <cstdint>
#include <expected>
#include <string>

namespace tarnwell::tools {

enum class ErrorCode {
    Truncated,
    BadSignature,
    BadChecksum,
    Unsupported,
    LimitExceeded,
    Corrupt,
    Io,
    Usage,
};

struct Error {
    ErrorCode code;
    std::uint64_t offset { 0 };
    std::string context;

    // "corrupt data at byte 1234: <context>"
    std::string message() const;
};

template<typename T> using Result = std::expected<T, Error>;

inline std::unexpected<Error> fail(ErrorCode code, std::uint64_t offset, std::string context)
{
    return std::unexpected(Error { code, offset, std::move(context) });
}

char const* describe(ErrorCode);

}
