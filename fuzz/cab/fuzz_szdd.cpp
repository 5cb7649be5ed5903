// SZDD files: expansion must end in a result, with no more output than the
// header declares.

#include "cab/szdd/reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace tarnwell::tools::cab;

namespace {

class CountingSink final : public ByteSink {
public:
    tarnwell::tools::Result<void> write(std::span<std::uint8_t const> data) override
    {
        written += data.size();
        return {};
    }
    tarnwell::tools::Result<void> write_at(std::uint64_t, std::span<std::uint8_t const>) override { return {}; }
    std::uint64_t written { 0 };
};

}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    MemorySource source(std::span(data, size));
    auto header = szdd::read_header(source);
    if (!header)
        return 0;
    CountingSink sink;
    auto expanded = szdd::expand(source, sink);
    if (sink.written > header->uncompressed_size)
        std::abort();
    if (expanded && sink.written != header->uncompressed_size)
        std::abort();
    return 0;
}
