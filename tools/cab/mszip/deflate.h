#pragma once

// Our deflate encoder (RFC 1951), shaped for MSZIP: each call compresses one
// data block of at most 32 KiB into one complete deflate stream, with the
// preceding 32 KiB of the folder as the window its matches may reach into.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tarnwell::tools::cab::deflate {

struct DeflateOptions {
    // Search effort, after the usual trade-offs of hash-chain encoders:
    // chains are cut after `max_chain` candidates (a quarter of that once a
    // match of `good_length` is in hand); a match of `nice_length` ends the
    // search; a match of `lazy_length` or more is taken without looking one
    // byte ahead. The defaults were measured on a PE image against the
    // ratio goal of the cabinet tools (see bench/cab).
    unsigned max_chain { 128 };
    unsigned good_length { 8 };
    unsigned nice_length { 128 };
    unsigned lazy_length { 16 };
};

class Deflater {
public:
    explicit Deflater(DeflateOptions = {});
    ~Deflater();
    Deflater(Deflater&&) noexcept;
    Deflater& operator=(Deflater&&) noexcept;

    // Compresses `input` (at most 32 KiB) into `output` as one stream with
    // its final-block flag set. Returns the stream's size, or 0 when it
    // would not be smaller than the input (the caller stores the block
    // instead, see write_stored_stream). Either way the input joins the
    // window of the next call.
    size_t compress(std::span<std::uint8_t const> input, std::vector<std::uint8_t>& output);

    // Forgets the window (a new folder starts).
    void reset();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// One stream holding `input` in a single stored block: 5 bytes of header,
// then the bytes.
void write_stored_stream(std::span<std::uint8_t const> input, std::vector<std::uint8_t>& output);

}
