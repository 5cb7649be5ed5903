// Rock Ridge, as read here.
//
// The standard: system use entries (2-byte signature, length, version, data)
// fill the rest of each directory record; a CE entry continues them in a
// "continuation area" elsewhere; the root's "." record starts with SP.
// Rock Ridge adds NM (the real name, possibly split over several entries), PX
// (the POSIX mode), TF (dates), CL/RE (folders deeper than eight levels moved
// away and linked back) and others.
// Real files: mkisofs and libisofs write NM, PX, TF, SL, CL/RE as the
// standard says; zisofs images add ZF. Hostile files point CE areas at each
// other in a loop (one peer reader loops forever on them).
// What we do: read NM, PX, TF, CL, RE and ZF; follow at most
// max_continuation_areas CE areas per record, each within the image and one
// sector long at most; stop quietly at an entry that does not fit.

#include "iso/rock_ridge.h"
#include "iso/dates.h"
#include "iso/layout.h"

#include "common/byte_reader.h"

#include <vector>

namespace tarnwell::iso {

namespace {

    // A record's entries rarely need more than one continuation area; a
    // chain this long is a loop or damage.
    constexpr int max_continuation_areas = 16;

    bool is(std::span<std::uint8_t const> entry, char a, char b)
    {
        return entry[0] == a && entry[1] == b;
    }

    std::uint32_t little_32(std::span<std::uint8_t const> data, size_t at)
    {
        return static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8
            | static_cast<std::uint32_t>(data[at + 2]) << 16 | static_cast<std::uint32_t>(data[at + 3]) << 24;
    }

    void read_timestamps(std::span<std::uint8_t const> entry, RockRidgeInfo& info)
    {
        if (entry.size() <= layout::rock_ridge::tf_flags)
            return;
        std::uint8_t flags = entry[layout::rock_ridge::tf_flags];
        size_t stamp_size = (flags & layout::rock_ridge::tf_long_form) ? 17 : 7;
        size_t at = layout::rock_ridge::tf_flags + 1;
        if (flags & layout::rock_ridge::tf_creation)
            at += stamp_size;
        if (!(flags & layout::rock_ridge::tf_modify) || at + stamp_size > entry.size())
            return;
        if (stamp_size == 7)
            info.modified = unix_time_from_recording_time(entry.subspan(at).first<7>());
        else
            info.modified = unix_time_from_descriptor_time(entry.subspan(at).first<17>());
    }

    struct Continuation {
        std::uint32_t sector;
        std::uint32_t offset;
        std::uint32_t length;
    };

    // Reads the entries of one area; returns the CE it names, if any.
    std::optional<Continuation> read_area(std::span<std::uint8_t const> area, RockRidgeInfo& info, bool& name_done)
    {
        std::optional<Continuation> next;
        size_t at = 0;
        while (area.size() - at >= layout::susp::header_size) {
            auto length = area[at + layout::susp::length];
            if (length < layout::susp::header_size || length > area.size() - at)
                break;
            auto entry = area.subspan(at, length);
            at += length;
            if (is(entry, 'S', 'T'))
                break;
            if (is(entry, 'C', 'E') && entry.size() >= layout::susp::ce_size) {
                next = Continuation { little_32(entry, layout::susp::ce_block),
                    little_32(entry, layout::susp::ce_offset), little_32(entry, layout::susp::ce_length) };
            } else if (is(entry, 'N', 'M') && entry.size() > layout::rock_ridge::nm_flags) {
                info.any = true;
                auto flags = entry[layout::rock_ridge::nm_flags];
                if (!name_done && !(flags & (layout::rock_ridge::nm_current | layout::rock_ridge::nm_parent))) {
                    auto part = entry.subspan(layout::rock_ridge::nm_name);
                    if (!info.name)
                        info.name = std::string();
                    info.name->append(part.begin(), part.end());
                    name_done = !(flags & layout::rock_ridge::nm_continue);
                }
            } else if (is(entry, 'P', 'X') && entry.size() >= layout::rock_ridge::px_mode + 8) {
                info.any = true;
                info.mode = little_32(entry, layout::rock_ridge::px_mode);
            } else if (is(entry, 'C', 'L') && entry.size() >= layout::rock_ridge::cl_block + 8) {
                info.any = true;
                info.child_link = little_32(entry, layout::rock_ridge::cl_block);
            } else if (is(entry, 'R', 'E')) {
                info.any = true;
                info.relocated = true;
            } else if (is(entry, 'T', 'F')) {
                info.any = true;
                read_timestamps(entry, info);
            } else if (is(entry, 'Z', 'F')) {
                info.compressed = true;
            } else if (is(entry, 'S', 'L') || is(entry, 'R', 'R') || is(entry, 'P', 'N')) {
                info.any = true;
            }
        }
        return next;
    }

}

std::optional<size_t> susp_skip_length(std::span<std::uint8_t const> system_use)
{
    if (system_use.size() < layout::susp::sp_size || !is(system_use, 'S', 'P'))
        return std::nullopt;
    if (system_use[layout::susp::sp_check] != 0xBE || system_use[layout::susp::sp_check + 1] != 0xEF)
        return std::nullopt;
    return system_use[layout::susp::sp_skip];
}

RockRidgeInfo read_rock_ridge(ByteSource const& source, std::span<std::uint8_t const> system_use, size_t skip,
    std::string const& path, Anomalies& anomalies)
{
    RockRidgeInfo info;
    bool name_done = false;
    if (skip > system_use.size())
        return info;
    auto next = read_area(system_use.subspan(skip), info, name_done);
    std::vector<std::uint8_t> buffer;
    for (int followed = 0; next; ++followed) {
        std::uint64_t start = std::uint64_t { next->sector } * layout::sector_size + next->offset;
        if (followed == max_continuation_areas || next->offset >= layout::sector_size
            || next->length > layout::sector_size - next->offset || start + next->length > source.size()) {
            anomalies.push_back({ AnomalyKind::ContinuationLimit, Severity::Note, path,
                "continuation at sector " + std::to_string(next->sector) + " not followed" });
            break;
        }
        buffer.resize(next->length);
        if (!source.read_at(start, buffer))
            break;
        next = read_area(buffer, info, name_done);
    }
    return info;
}

}
