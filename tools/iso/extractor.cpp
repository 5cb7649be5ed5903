#include "iso/extractor.h"
#include "iso/layout.h"
#include "iso/sparse_output.h"

#include "common/file_io.h"

#include <set>
#include <vector>

namespace tarnwell::iso {

namespace {

    // Content is copied in pieces of this size: large enough for the disk
    // to stream, small enough that memory stays flat.
    constexpr size_t copy_buffer_size = 1u << 20;

    class ImageCopySource final : public CopySource {
    public:
        explicit ImageCopySource(ByteSource const& source)
            : m_source(source)
        {
        }
        tools::Result<void> read(std::uint64_t offset, std::span<std::uint8_t> buffer) override
        {
            return m_source.read_at(offset, buffer);
        }
        tools::Result<void> append(tools::AtomicOutputFile& out, std::uint64_t offset, std::uint64_t length,
            std::span<std::uint8_t> buffer) override
        {
            return m_source.copy_to(out, offset, length, buffer);
        }

    private:
        ByteSource const& m_source;
    };

    class Extractor {
    public:
        Extractor(ByteSource const& source, NamePolicy policy, Progress& progress)
            : m_source(source)
            , m_policy(policy)
            , m_progress(progress)
            , m_buffer(copy_buffer_size)
        {
        }

        void write_folder(Node const& folder, std::string const& local, std::string const& image_path);
        ExtractSummary& summary() { return m_summary; }

    private:
        tools::Result<void> write_file(Node const& file, std::string const& local);
        void problem(AnomalyKind kind, std::string path, std::string detail)
        {
            m_summary.problems.push_back({ kind, Severity::SkippedEntry, std::move(path), std::move(detail) });
        }

        ByteSource const& m_source;
        NamePolicy m_policy;
        Progress& m_progress;
        std::vector<std::uint8_t> m_buffer;
        ExtractSummary m_summary;
    };

    tools::Result<void> Extractor::write_file(Node const& file, std::string const& local)
    {
        auto output = tools::AtomicOutputFile::create(local);
        if (!output)
            return std::unexpected(output.error());
        // Zeros are left unwritten: a sparse file in the image stays sparse.
        SparseOutput sink(*output);
        ImageCopySource source(m_source);
        for (auto const& extent : file.extents) {
            if (extent.length == 0)
                continue; // an empty file may name any sector
            std::uint64_t start = std::uint64_t { extent.sector } * layout::sector_size;
            if (auto copied = sink.copy(source, start, extent.length, m_buffer, m_progress); !copied)
                return copied;
        }
        if (auto finished = sink.finish(); !finished)
            return finished;
        if (auto committed = output->commit_without_flush(); !committed)
            return std::unexpected(committed.error());
        return tools::set_modified_time(local, file.modified);
    }

    void Extractor::write_folder(Node const& folder, std::string const& local, std::string const& image_path)
    {
        std::set<std::string> taken;
        for (auto const& child : folder.children) {
            std::string image_child = image_path + "/" + child.name;
            if (child.kind == NodeKind::Special)
                continue;
            if (auto reason = unsafe_name_reason(child.name, m_policy)) {
                problem(AnomalyKind::UnsafeName, image_child, "the name " + *reason);
                continue;
            }
            auto key = m_policy == NamePolicy::Windows ? fold_case(child.name) : child.name;
            if (!taken.insert(key).second) {
                problem(AnomalyKind::DuplicateName, image_child, "another entry of the folder has this name");
                continue;
            }
            std::string local_child = local + tools::native_separator() + child.name;
            if (child.is_directory()) {
                if (auto made = tools::make_directories(local_child); !made) {
                    problem(AnomalyKind::WriteFailed, image_child, made.error().message());
                    continue;
                }
                ++m_summary.folders;
                write_folder(child, local_child, image_child);
                (void)tools::set_modified_time(local_child, child.modified);
                continue;
            }
            if (auto written = write_file(child, local_child); !written) {
                problem(AnomalyKind::WriteFailed, image_child, written.error().message());
                continue;
            }
            ++m_summary.files;
            m_summary.bytes += child.size;
        }
    }

}

std::uint64_t content_size(Node const& folder)
{
    std::uint64_t total = 0;
    for (auto const& child : folder.children)
        total += child.is_directory() ? content_size(child) : child.kind == NodeKind::File ? child.size : 0;
    return total;
}

tools::Result<ExtractSummary> extract_tree(
    ByteSource const& source, Node const& root, std::string const& destination, NamePolicy policy, Progress& progress)
{
    if (auto made = tools::make_directories(destination); !made)
        return std::unexpected(made.error());
    Extractor extractor(source, policy, progress);
    extractor.write_folder(root, destination, "");
    return std::move(extractor.summary());
}

}
