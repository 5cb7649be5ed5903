#include "cab/cabinet/block_decoder.h"

#include "cab/cabinet/layout.h"
#include "cab/mszip/inflate.h"

#include <cstring>
#include <optional>

#ifdef TARNWELL_HAVE_LZX
#    include "lzx/decoder.h"
#endif

namespace tarnwell::tools::cab {

namespace {

    class StoredDecoder final : public BlockDecoder {
    public:
        Result<void> decode(std::span<std::uint8_t const> input, std::span<std::uint8_t> output) override
        {
            if (input.size() != output.size())
                return fail(ErrorCode::Corrupt, 0,
                    "stored block of " + std::to_string(input.size()) + " bytes says it holds "
                        + std::to_string(output.size()));
            if (!input.empty())
                std::memcpy(output.data(), input.data(), input.size());
            return {};
        }
    };

    class MszipDecoder final : public BlockDecoder {
    public:
        Result<void> decode(std::span<std::uint8_t const> input, std::span<std::uint8_t> output) override
        {
            if (m_error)
                return std::unexpected(*m_error);
            if (input.size() < 2 || input[0] != layout::mszip_signature[0] || input[1] != layout::mszip_signature[1]) {
                m_error = Error { ErrorCode::BadSignature, 0, "MSZIP block without its \"CK\" signature" };
                return std::unexpected(*m_error);
            }
            auto decoded = m_inflater.decode_stream(input.subspan(2), output);
            if (!decoded)
                m_error = decoded.error();
            return decoded;
        }

    private:
        deflate::Inflater m_inflater;
        std::optional<Error> m_error;
    };

#ifdef TARNWELL_HAVE_LZX
    class LzxBlockDecoder final : public BlockDecoder {
    public:
        explicit LzxBlockDecoder(lzx::Decoder decoder)
            : m_decoder(std::move(decoder))
        {
        }
        Result<void> decode(std::span<std::uint8_t const> input, std::span<std::uint8_t> output) override
        {
            return m_decoder.decode_frame(input, output);
        }

    private:
        lzx::Decoder m_decoder;
    };
#endif

}

Result<std::unique_ptr<BlockDecoder>> create_block_decoder(Compression compression)
{
    switch (compression.method) {
    case Method::None:
        return std::make_unique<StoredDecoder>();
    case Method::Mszip:
        return std::make_unique<MszipDecoder>();
    case Method::Lzx: {
#ifdef TARNWELL_HAVE_LZX
        auto decoder = lzx::Decoder::create(compression.window_bits);
        if (!decoder)
            return std::unexpected(decoder.error());
        return std::make_unique<LzxBlockDecoder>(std::move(*decoder));
#else
        return fail(ErrorCode::Unsupported, 0, "unsupported compression: LZX (this build has no LZX decoder)");
#endif
    }
    case Method::Quantum:
        return fail(ErrorCode::Unsupported, 0, "unsupported compression: Quantum");
    case Method::Unknown:
        break;
    }
    return fail(ErrorCode::Unsupported, 0, "unsupported compression");
}

char const* method_name(Method method)
{
    switch (method) {
    case Method::None:
        return "none";
    case Method::Mszip:
        return "MSZIP";
    case Method::Quantum:
        return "Quantum";
    case Method::Lzx:
        return "LZX";
    case Method::Unknown:
        break;
    }
    return "unknown";
}

}
