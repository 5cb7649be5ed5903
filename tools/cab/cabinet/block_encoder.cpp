#include "cab/cabinet/block_encoder.h"

#include "cab/cabinet/layout.h"
#include "cab/mszip/deflate.h"

#include <vector>

#ifdef TARNWELL_HAVE_LZX_ENCODER
#    include "lzx/encoder.h"
#endif

namespace tarnwell::tools::cab {

namespace {

    // Gathers input into 32 KiB blocks and hands each to encode_block().
    class ChunkingEncoder : public BlockEncoder {
    public:
        ChunkingEncoder() { m_pending.reserve(layout::max_block_uncompressed); }

        Result<void> feed(std::span<std::uint8_t const> input, DataBlockSink const& sink) override
        {
            while (!input.empty()) {
                size_t take = std::min(input.size(), layout::max_block_uncompressed - m_pending.size());
                m_pending.insert(m_pending.end(), input.begin(), input.begin() + static_cast<std::ptrdiff_t>(take));
                input = input.subspan(take);
                if (m_pending.size() == layout::max_block_uncompressed) {
                    if (auto sent = send(sink); !sent)
                        return sent;
                }
            }
            return {};
        }

        Result<void> finish(DataBlockSink const& sink) override
        {
            if (m_pending.empty())
                return {};
            return send(sink);
        }

    protected:
        virtual Result<void> encode_block(std::span<std::uint8_t const> block, DataBlockSink const& sink) = 0;

    private:
        Result<void> send(DataBlockSink const& sink)
        {
            auto result = encode_block(m_pending, sink);
            m_pending.clear();
            return result;
        }

        std::vector<std::uint8_t> m_pending;
    };

    class StoredEncoder final : public ChunkingEncoder {
        Result<void> encode_block(std::span<std::uint8_t const> block, DataBlockSink const& sink) override
        {
            return sink(block, static_cast<std::uint32_t>(block.size()));
        }
    };

    class MszipEncoder final : public ChunkingEncoder {
        Result<void> encode_block(std::span<std::uint8_t const> block, DataBlockSink const& sink) override
        {
            m_frame.assign(layout::mszip_signature, layout::mszip_signature + 2);
            if (m_deflater.compress(block, m_stream) == 0)
                deflate::write_stored_stream(block, m_stream);
            m_frame.insert(m_frame.end(), m_stream.begin(), m_stream.end());
            return sink(m_frame, static_cast<std::uint32_t>(block.size()));
        }

        deflate::Deflater m_deflater;
        std::vector<std::uint8_t> m_stream;
        std::vector<std::uint8_t> m_frame;
    };

#ifdef TARNWELL_HAVE_LZX_ENCODER
    class LzxEncoder final : public BlockEncoder {
    public:
        explicit LzxEncoder(lzx::Encoder encoder)
            : m_encoder(std::move(encoder))
        {
        }
        Result<void> feed(std::span<std::uint8_t const> input, DataBlockSink const& sink) override
        {
            return m_encoder.compress(input, sink);
        }
        Result<void> finish(DataBlockSink const& sink) override { return m_encoder.finish(sink); }

    private:
        lzx::Encoder m_encoder;
    };
#endif

}

bool can_encode(Method method)
{
    switch (method) {
    case Method::None:
    case Method::Mszip:
        return true;
    case Method::Lzx:
#ifdef TARNWELL_HAVE_LZX_ENCODER
        return true;
#else
        return false;
#endif
    default:
        return false;
    }
}

Result<std::unique_ptr<BlockEncoder>> create_block_encoder(Compression compression)
{
    switch (compression.method) {
    case Method::None:
        return std::make_unique<StoredEncoder>();
    case Method::Mszip:
        return std::make_unique<MszipEncoder>();
    case Method::Lzx: {
#ifdef TARNWELL_HAVE_LZX_ENCODER
        auto encoder = lzx::Encoder::create(compression.window_bits, lzx::EncoderOptions {});
        if (!encoder)
            return std::unexpected(encoder.error());
        return std::make_unique<LzxEncoder>(std::move(*encoder));
#else
        return fail(ErrorCode::Unsupported, 0, "this build cannot write LZX");
#endif
    }
    default:
        return fail(
            ErrorCode::Unsupported, 0, std::string("cannot write compression ") + method_name(compression.method));
    }
}

}
