#pragma once

// Sequential writing into a fresh output file that leaves runs of zeros
// unwritten. A new file reads as zeros wherever nothing was written, so the
// bytes come out the same; where the file system keeps holes, a large empty
// stretch (a file that was itself sparse, zero padding) then costs neither
// disk space nor the time to write it.

#include "iso/progress.h"

#include "common/error.h"
#include "common/file_io.h"

#include <cstdint>
#include <span>

namespace tarnwell::iso {

// Where SparseOutput::copy takes bytes from: read into a buffer, to be
// looked at, or appended to the output directly (on Linux the kernel copies
// them without passing them through the process).
class CopySource {
public:
    virtual ~CopySource() = default;
    virtual tools::Result<void> read(std::uint64_t offset, std::span<std::uint8_t> buffer) = 0;
    // `buffer` may be used as scratch space.
    virtual tools::Result<void> append(
        tools::AtomicOutputFile&, std::uint64_t offset, std::uint64_t length, std::span<std::uint8_t> buffer)
        = 0;
};

class SparseOutput {
public:
    // `out` must be fresh: nothing written yet.
    explicit SparseOutput(tools::AtomicOutputFile& out)
        : m_out(out)
    {
    }

    tools::Result<void> write(std::span<std::uint8_t const> data);
    // Appends `length` bytes of `source` from `offset`, a buffer's size at a
    // time. A short piece, or one whose first page holds data, is appended
    // directly; only a long piece that starts with zeros is read whole, and
    // skipped if it is all zeros.
    tools::Result<void> copy(
        CopySource&, std::uint64_t offset, std::uint64_t length, std::span<std::uint8_t> buffer, Progress&);
    // Gives the file its full length when it ends in skipped zeros.
    tools::Result<void> finish();
    std::uint64_t position() const { return m_position; }

private:
    tools::AtomicOutputFile& m_out;
    std::uint64_t m_position { 0 };
};

bool all_zero(std::span<std::uint8_t const> data);

}
