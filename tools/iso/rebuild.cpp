#include "iso/rebuild.h"
#include "iso/byte_source.h"
#include "iso/extractor.h"
#include "iso/image_reader.h"
#include "iso/image_writer.h"
#include "iso/layout.h"
#include "iso/names.h"
#include "iso/progress.h"

#include "common/file_io.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace tarnwell::iso {

using tools::ErrorCode;
using tools::fail;
using tools::Result;

namespace {

    // Limits on a local folder to add, for the same reasons as the image's.
    constexpr int max_local_depth = limits::max_depth;

    class RebuildContent final : public ContentReader {
    public:
        explicit RebuildContent(ByteSource const& image)
            : m_image(image)
        {
        }

        Result<void> read(Node const& node, std::uint64_t offset, std::span<std::uint8_t> buffer) override
        {
            if (node.source == ContentSource::Local)
                return read_local(node, offset, buffer);
            // Walk the extents; a read may span the end of one and the start of the next.
            size_t done = 0;
            std::uint64_t skip = offset;
            for (auto const& extent : node.extents) {
                if (done == buffer.size())
                    break;
                if (skip >= extent.length) {
                    skip -= extent.length;
                    continue;
                }
                size_t piece = static_cast<size_t>(std::min<std::uint64_t>(extent.length - skip, buffer.size() - done));
                std::uint64_t at = std::uint64_t { extent.sector } * layout::sector_size + skip;
                if (auto read = m_image.read_at(at, buffer.subspan(done, piece)); !read)
                    return read;
                done += piece;
                skip = 0;
            }
            if (done != buffer.size())
                return fail(ErrorCode::Truncated, offset, "content of " + node.name + " ends early");
            return {};
        }

    private:
        Result<void> read_local(Node const& node, std::uint64_t offset, std::span<std::uint8_t> buffer)
        {
            if (!m_local || m_local_path != node.local_path) {
                auto opened = tools::InputFile::open(node.local_path);
                if (!opened)
                    return std::unexpected(opened.error());
                m_local = std::move(*opened);
                m_local_path = node.local_path;
            }
            if (m_local->size() != node.size)
                return fail(ErrorCode::Io, 0, node.local_path + " changed while the image was written");
            return m_local->read_at(offset, buffer);
        }

        ByteSource const& m_image;
        std::optional<tools::InputFile> m_local;
        std::string m_local_path;
    };

    Result<void> remove_path(Node& root, std::string const& path)
    {
        auto parts = image_path_parts(path);
        Node* folder = &root;
        for (size_t i = 0; i < parts.size(); ++i) {
            auto wanted = fold_case(parts[i]);
            auto& children = folder->children;
            auto found = std::find_if(
                children.begin(), children.end(), [&](Node const& child) { return fold_case(child.name) == wanted; });
            if (found == children.end() || (i + 1 < parts.size() && !found->is_directory()))
                return fail(ErrorCode::Usage, 0, "-rm " + path + ": no such file or folder in the image");
            if (i + 1 == parts.size()) {
                children.erase(found);
                return {};
            }
            folder = &*found;
        }
        return {};
    }

    Result<void> read_local_folder(Node& folder, std::string const& path, int depth, std::vector<std::string>& warnings)
    {
        if (depth > max_local_depth)
            return fail(ErrorCode::LimitExceeded, 0, path + ": folders nested too deep");
        auto entries = tools::list_directory(path);
        if (!entries)
            return std::unexpected(entries.error());
        for (auto const& entry : *entries) {
            std::string full = path + tools::native_separator() + entry.name;
            if (entry.type == tools::EntryType::Other) {
                warnings.push_back(full + " is a link or device and was left out");
                continue;
            }
            Node node;
            node.name = entry.name;
            node.hidden = entry.hidden;
            node.modified = entry.modified;
            if (entry.type == tools::EntryType::Directory) {
                node.kind = NodeKind::Directory;
                if (auto read = read_local_folder(node, full, depth + 1, warnings); !read)
                    return read;
            } else {
                node.kind = NodeKind::File;
                node.source = ContentSource::Local;
                node.local_path = full;
                node.size = entry.size;
            }
            folder.children.push_back(std::move(node));
        }
        return {};
    }

    Result<void> add_folder(Node& root, std::string const& argument, std::vector<std::string>& warnings)
    {
        std::string path = local_path(argument);
        while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
            path.pop_back();
        if (tools::entry_type(path) != tools::EntryType::Directory)
            return fail(ErrorCode::Io, 0, "-f " + argument + ": not a folder");
        auto slash = path.find_last_of("/\\");
        Node folder;
        folder.name = slash == std::string::npos ? path : path.substr(slash + 1);
        folder.kind = NodeKind::Directory;
        folder.modified = std::time(nullptr);
        if (auto list = tools::list_directory(path.substr(0, slash == std::string::npos ? 0 : slash));
            list && slash != std::string::npos) {
            for (auto const& entry : *list) {
                if (entry.name == folder.name)
                    folder.modified = entry.modified;
            }
        }
        if (unsafe_name_reason(folder.name, NamePolicy::Posix))
            return fail(ErrorCode::Usage, 0, "-f " + argument + ": the folder has no usable name");
        if (auto read = read_local_folder(folder, path, 1, warnings); !read)
            return read;
        auto wanted = fold_case(folder.name);
        std::erase_if(root.children, [&](Node const& child) { return fold_case(child.name) == wanted; });
        root.children.push_back(std::move(folder));
        return {};
    }

    int report(std::string const& message)
    {
        std::fprintf(stderr, "tarniso: error: %s\n", message.c_str());
        return 1;
    }

}

int rebuild(Options const& options)
{
    auto input = tools::InputFile::open(local_path(*options.input));
    if (!input)
        return report(input.error().message());
    FileSource source(*input);
    auto read = read_image(source);
    if (!read)
        return report(*options.input + ": " + read.error().message());
    bool damaged = false;
    for (auto const& anomaly : read->anomalies) {
        if (anomaly.severity == Severity::SkippedEntry) {
            report(describe(anomaly));
            damaged = true;
        }
    }
    if (damaged)
        return report(*options.input + ": damaged entries; no image written, so that none is lost");
    auto& image = read->image;
    std::vector<std::string> warnings;
    for (auto const& path : options.remove_paths) {
        if (auto removed = remove_path(image.root, path); !removed)
            return report(removed.error().context);
    }
    for (auto const& folder : options.add_folders) {
        if (auto added = add_folder(image.root, folder, warnings); !added)
            return report(added.error().message());
    }
    WriteOptions write_options;
    write_options.volume_label = options.volume_label.value_or("");
    write_options.optimize = options.optimize;
    write_options.names.joliet_limit = options.joliet_long_names ? joliet_long_name_limit : joliet_name_limit;
    write_options.now = std::time(nullptr);
    auto output = tools::AtomicOutputFile::create(local_path(*options.output));
    if (!output)
        return report(output.error().message());
    RebuildContent content(source);
    Progress progress("writing", content_size(image.root), options.silent);
    if (auto written = write_image(image, content, write_options, *output, progress, warnings); !written)
        return report(written.error().message());
    // Renamed into place only now, so no half image ever carries the name;
    // not flushed first: the image is read again at once, and a crash
    // means the repackaging is run again anyway (no peer flushes either).
    if (auto committed = output->commit_without_flush(); !committed)
        return report(committed.error().message());
    for (auto const& warning : warnings)
        std::fprintf(stderr, "tarniso: warning: %s\n", warning.c_str());
    return 0;
}

}
