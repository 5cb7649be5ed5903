#include "lzx/decoder.h"
#include "lzx/encoder.h"
#include "sample_data.h"
#include "sanitizer_scale.h"

#include <gtest/gtest.h>

namespace tarnwell::tools::lzx {
namespace {

    using test::lzx::make_sample;
    using test::lzx::round_trip_options;
    using test::lzx::Sample;
    using test::lzx::sample_name;
    using test::lzx::scaled;

    struct Frame {
        std::vector<std::uint8_t> bytes;
        std::uint32_t size;
    };

    Result<std::vector<Frame>> encode(
        std::span<std::uint8_t const> data, unsigned window_bits, std::size_t piece, EncoderOptions options = {})
    {
        auto encoder = Encoder::create(window_bits, options);
        if (!encoder)
            return std::unexpected(encoder.error());
        std::vector<Frame> frames;
        FrameSink sink = [&](std::span<std::uint8_t const> bytes, std::uint32_t size) -> Result<void> {
            frames.push_back(Frame { { bytes.begin(), bytes.end() }, size });
            return {};
        };
        for (std::size_t at = 0; at < data.size(); at += piece) {
            if (auto done = encoder->compress(data.subspan(at, std::min(piece, data.size() - at)), sink); !done)
                return std::unexpected(done.error());
        }
        if (auto done = encoder->finish(sink); !done)
            return std::unexpected(done.error());
        return frames;
    }

    Result<std::vector<std::uint8_t>> decode(std::vector<Frame> const& frames, unsigned window_bits)
    {
        auto decoder = Decoder::create(window_bits);
        if (!decoder)
            return std::unexpected(decoder.error());
        std::vector<std::uint8_t> out;
        for (auto const& frame : frames) {
            std::size_t start = out.size();
            out.resize(start + frame.size);
            if (auto done = decoder->decode_frame(frame.bytes, std::span(out).subspan(start)); !done)
                return std::unexpected(done.error());
        }
        return out;
    }

    void expect_round_trip(
        std::vector<std::uint8_t> const& data, unsigned window_bits, EncoderOptions options = round_trip_options())
    {
        auto frames = encode(data, window_bits, data.size() + 1, options);
        ASSERT_TRUE(frames) << frames.error().message();
        std::size_t expected_frames = (data.size() + frame_size - 1) / frame_size;
        ASSERT_EQ(frames->size(), expected_frames);
        for (std::size_t i = 0; i < frames->size(); ++i) {
            EXPECT_EQ((*frames)[i].size, i + 1 < frames->size() ? frame_size : data.size() - i * frame_size);
            EXPECT_LE((*frames)[i].bytes.size(), max_compressed_frame_size);
        }
        auto decoded = decode(*frames, window_bits);
        ASSERT_TRUE(decoded) << decoded.error().message();
        ASSERT_EQ(decoded->size(), data.size());
        EXPECT_TRUE(*decoded == data);
    }

    TEST(LzxRoundTrip, EverySizeAndKindAtEveryWindow)
    {
        // Sizes around the frame boundary, and one that spans several frames.
        for (unsigned bits = min_window_bits; bits <= max_window_bits; ++bits) {
            for (std::size_t size : { 0u, 1u, 32767u, 32768u, 32769u, 150000u }) {
                for (auto kind : { Sample::Random, Sample::Text, Sample::X86Code, Sample::Zeros }) {
                    SCOPED_TRACE("window " + std::to_string(bits) + ", " + std::to_string(size) + " bytes of "
                        + sample_name(kind));
                    expect_round_trip(make_sample(kind, size, bits), bits);
                }
            }
        }
    }

    TEST(LzxRoundTrip, SeveralMegabytesOfMixedData)
    {
        // Longer than the smallest window many times over and than the largest
        // once: matches at the window's edge, window slides, mixed block types.
        auto data = make_sample(Sample::Mixed, 3u << 20, 7);
        for (unsigned bits : { 15u, 21u }) {
            SCOPED_TRACE(bits);
            expect_round_trip(data, bits);
        }
    }

    TEST(LzxRoundTrip, MatchesOfEveryShortPeriodAndLength)
    {
        // The decoder copies matches in words; a match that overlaps its own
        // source (a period shorter than the match) or one that ends inside
        // a word must still give exactly the bytes of a byte-wise copy, and
        // leave the bytes after it alone. Each case: a fresh random period,
        // repeated to run on for `run` more bytes, then a break.
        auto noise = make_sample(Sample::Random, 1 << 16, 11);
        std::size_t next_noise = 0;
        auto fresh_byte = [&] { return noise[next_noise++ % noise.size()]; };
        std::vector<std::uint8_t> data;
        for (unsigned period = 1; period <= 17; ++period) {
            for (unsigned run = 2; run <= 40; ++run) {
                std::size_t start = data.size();
                for (unsigned i = 0; i < period; ++i)
                    data.push_back(fresh_byte());
                for (unsigned i = 0; i < run; ++i)
                    data.push_back(data[start + i]);
                data.push_back(fresh_byte());
            }
        }
        // Then the whole again, so that long matches follow short ones.
        data.insert(data.end(), data.begin(), data.end());
        expect_round_trip(data, 15);

        // A random stretch repeated at a distance just under the smallest
        // window: its matches reach back across the window's wrap, where
        // the source lies near the window's end and may run over it.
        auto stretch = make_sample(Sample::Random, 32000, 5);
        std::vector<std::uint8_t> repeated;
        for (int copy = 0; copy < 5; ++copy)
            repeated.insert(repeated.end(), stretch.begin(), stretch.end());
        expect_round_trip(repeated, 15);
    }

    TEST(LzxRoundTrip, OptionsThatChangeTheStream)
    {
        auto data = make_sample(Sample::Mixed, 200000, 3);
        for (auto options : { EncoderOptions { .e8_translation_size = 0 }, EncoderOptions { .parse_passes = 1 },
                 EncoderOptions { .max_block_frames = 1 }, EncoderOptions { .nice_length = 257, .max_search_depth = 4 },
                 EncoderOptions { .nice_length = 48, .max_search_depth = 16, .insert_inside_long_matches = true } }) {
            expect_round_trip(data, 17, options);
        }
    }

    TEST(LzxEncoder, OutputDoesNotDependOnHowTheInputIsCut)
    {
        auto data = make_sample(Sample::Mixed, 120000, 5);
        auto whole = encode(data, 16, data.size(), round_trip_options());
        ASSERT_TRUE(whole);
        for (std::size_t piece : { 1u, 1000u, 32768u, 65537u }) {
            SCOPED_TRACE(piece);
            auto cut = encode(data, 16, piece, round_trip_options());
            ASSERT_TRUE(cut);
            ASSERT_EQ(cut->size(), whole->size());
            for (std::size_t i = 0; i < cut->size(); ++i)
                EXPECT_TRUE((*cut)[i].bytes == (*whole)[i].bytes) << "frame " << i;
        }
    }

    TEST(LzxEncoder, ShrinksCompressibleDataAndBarelyGrowsRandomData)
    {
        struct Case {
            Sample kind;
            double at_most; // compressed / original
        };
        for (auto const& c : { Case { Sample::Text, 0.2 }, Case { Sample::Zeros, 0.01 }, Case { Sample::X86Code, 0.5 },
                 Case { Sample::Random, 1.001 } }) {
            SCOPED_TRACE(sample_name(c.kind));
            auto data = make_sample(c.kind, scaled(200000), 11);
            auto frames = encode(data, 21, data.size());
            ASSERT_TRUE(frames);
            std::size_t total = 0;
            for (auto const& frame : *frames)
                total += frame.bytes.size();
            EXPECT_LE(static_cast<double>(total), c.at_most * static_cast<double>(data.size()));
        }
    }

    TEST(LzxEncoder, RejectsBadParameters)
    {
        for (unsigned bits : { 14u, 22u })
            EXPECT_EQ(Encoder::create(bits).error().code, ErrorCode::Unsupported);
        EXPECT_EQ(Encoder::create(15, EncoderOptions { .parse_passes = 0 }).error().code, ErrorCode::Usage);
    }

    TEST(LzxEncoder, SinkErrorsReachTheCaller)
    {
        auto encoder = Encoder::create(15);
        ASSERT_TRUE(encoder);
        FrameSink failing = [](std::span<std::uint8_t const>, std::uint32_t) -> Result<void> {
            return fail(ErrorCode::Io, 0, "disk full");
        };
        auto data = make_sample(Sample::Text, 100000);
        auto compressed = encoder->compress(data, failing);
        auto finished = compressed ? encoder->finish(failing) : compressed;
        ASSERT_FALSE(finished);
        EXPECT_EQ(finished.error().code, ErrorCode::Io);
    }

}
}
