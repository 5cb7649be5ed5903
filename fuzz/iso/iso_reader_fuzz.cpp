// libFuzzer target: any byte string as an image. The reader must end with a
// result or an error, never crash, hang or read out of bounds; the walk over
// the model afterwards touches every name and extent it produced.

#include "iso/byte_source.h"
#include "iso/image_reader.h"
#include "iso/names.h"

#include <cstddef>
#include <cstdint>

namespace {

std::uint64_t visit(tarnwell::iso::Node const& folder, std::uint64_t image_size)
{
    std::uint64_t total = 0;
    for (auto const& child : folder.children) {
        total += child.name.size();
        (void)tarnwell::iso::unsafe_name_reason(child.name, tarnwell::iso::NamePolicy::Windows);
        for (auto const& extent : child.extents) {
            // The reader promises that every extent lies inside the image.
            if (extent.length > 0 && std::uint64_t { extent.sector } * 2048 + extent.length > image_size)
                __builtin_trap();
        }
        if (child.is_directory())
            total += visit(child, image_size);
    }
    return total;
}

}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, size_t size)
{
    tarnwell::iso::MemorySource source({ data, size });
    auto read = tarnwell::iso::read_image(source);
    if (read)
        (void)visit(read->image.root, size);
    return 0;
}
