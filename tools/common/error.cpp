#include "common/error.h"

namespace tarnwell::tools {

char const* describe(ErrorCode code)
{
    switch (code) {
    case ErrorCode::Truncated:
        return "truncated data";
    case ErrorCode::BadSignature:
        return "not the expected format";
    case ErrorCode::BadChecksum:
        return "checksum mismatch";
    case ErrorCode::Unsupported:
        return "unsupported";
    case ErrorCode::LimitExceeded:
        return "limit exceeded";
    case ErrorCode::Corrupt:
        return "corrupt data";
    case ErrorCode::Io:
        return "i/o error";
    case ErrorCode::Usage:
        return "usage";
    }
    return "error";
}

std::string Error::message() const
{
    std::string text = describe(code);
    if (code != ErrorCode::Io && code != ErrorCode::Usage)
        text += " at byte " + std::to_string(offset);
    if (!context.empty())
        text += ": " + context;
    return text;
}

}
