#pragma once

// Sequential writing into a fresh output file that leaves runs of zeros
// unwritten. A new file reads as zeros wherever nothing was written, so the
// bytes come out the same; where the file system keeps holes, a large empty
// stretch (a file that was itself sparse, zero padding) then costs neither
// disk space nor the time to write it.

#include "common/error.h"
#include "common/file_io.h"

#include <cstdint>
#include <span>

namespace tarnwell::iso {

class SparseOutput {
public:
    // `out` must be fresh: nothing written yet.
    explicit SparseOutput(tools::AtomicOutputFile& out)
        : m_out(out)
    {
    }

    tools::Result<void> write(std::span<std::uint8_t const> data);
    // Gives the file its full length when it ends in skipped zeros.
    tools::Result<void> finish();
    std::uint64_t position() const { return m_position; }

private:
    tools::AtomicOutputFile& m_out;
    std::uint64_t m_position { 0 };
};

bool all_zero(std::span<std::uint8_t const> data);

}
