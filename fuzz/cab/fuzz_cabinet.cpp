// Cabinet headers and folder data: whatever the directory says, reading it
// and every file's data must end in a result, never a crash or a hang.

#include "cab/cabinet/reader.h"

#include <cstddef>
#include <cstdint>

using namespace tarnwell::tools::cab;

namespace {

class DiscardSink final : public ByteSink {
public:
    tarnwell::tools::Result<void> write(std::span<std::uint8_t const>) override { return {}; }
    tarnwell::tools::Result<void> write_at(std::uint64_t, std::span<std::uint8_t const>) override { return {}; }
};

}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    MemorySource source(std::span(data, size));
    auto cabinet = read_cabinet(source);
    if (!cabinet)
        return 0;
    DiscardSink sink;
    for (auto const& file : cabinet->files)
        (void)extract_file(source, *cabinet, file, sink);
    return 0;
}
