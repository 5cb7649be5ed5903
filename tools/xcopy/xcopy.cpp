// The xcopy stand-in: copies a folder's content (or the files that a
// pattern names) into a destination folder, giving what the program's add
// of a software folder relies on: every subfolder (/s), empty ones too (/e),
// hidden and system files (/h), permissions kept (/k), files of the same
// name replaced without a question, read-only ones too (/r). A destination
// that does not exist is a folder. Unlike Windows' xcopy it never asks.

#include "common/tool_main.h"
#include "platform/name_pattern.h"
#include "xcopy_arguments.h"
#include "xcopy_copy.h"

#include <cstdio>
#include <string>

namespace tarnwell::xcopy {

namespace {

    // Exit codes as Windows' xcopy gives them.
    constexpr int exit_copied = 0;
    constexpr int exit_nothing_found = 1;
    constexpr int exit_bad_start = 4;
    constexpr int exit_write_error = 5;

    // Deeper folders are not copied: no program folder nests this deep, and
    // a folder linked into itself would otherwise never end.
    constexpr int max_folder_depth = 64;

    class Copier {
    public:
        explicit Copier(Options const& options)
            : m_options(options)
        {
        }

        bool copy_one(std::string const& source, std::string const& target)
        {
            switch (copy_file(source, target, m_options)) {
            case CopyResult::Copied:
                ++m_copied;
                if (!m_options.quiet)
                    std::printf("%s\n", source.c_str());
                return true;
            case CopyResult::ReadOnlyTarget:
                std::fprintf(stderr, "xcopy: access denied (read-only target) - %s\n", target.c_str());
                break;
            case CopyResult::Failed:
                std::fprintf(stderr, "xcopy: cannot copy %s to %s\n", source.c_str(), target.c_str());
                break;
            }
            m_failed = true;
            return m_options.go_on_after_errors;
        }

        // Copies the folder's content into `target`; false to stop.
        bool copy_folder(std::string const& source, std::string const& target, int depth)
        {
            if (depth > max_folder_depth)
                return true;
            std::vector<Entry> entries;
            if (!list_folder(source, entries))
                return fail_folder(source);
            bool target_made = false;
            auto make_target = [&] {
                if (!target_made && !make_folder(target))
                    return fail_folder(target);
                target_made = true;
                return true;
            };
            if ((depth == 0 || m_options.empty_folders) && !make_target())
                return false;
            for (auto const& entry : entries) {
                if (entry.hidden && !m_options.hidden)
                    continue;
                std::string from = join(source, entry.name);
                std::string to = join(target, entry.name);
                if (entry.folder) {
                    if (m_options.subfolders && !copy_folder(from, to, depth + 1))
                        return false;
                    continue;
                }
                if (!make_target() || !copy_one(from, to))
                    return false;
            }
            return true;
        }

        int finish() const
        {
            if (!m_options.quiet || m_copied > 0)
                std::printf("%d File(s) copied\n", m_copied);
            if (m_failed)
                return exit_write_error;
            return m_copied > 0 || m_options.empty_folders ? exit_copied : exit_nothing_found;
        }

    private:
        bool fail_folder(std::string const& path)
        {
            std::fprintf(stderr, "xcopy: cannot read or make the folder %s\n", path.c_str());
            m_failed = true;
            return m_options.go_on_after_errors;
        }

        Options const& m_options;
        int m_copied { 0 };
        bool m_failed { false };
    };

    // The files of the source's folder that the pattern in its last part
    // names (no subfolders are entered for a pattern).
    int copy_matching(Copier& copier, std::string const& folder, std::string const& pattern, std::string const& target)
    {
        std::vector<Entry> entries;
        if (!list_folder(folder, entries)) {
            std::fprintf(stderr, "xcopy: file not found - %s\n", pattern.c_str());
            return exit_bad_start;
        }
        if (!make_folder(target)) {
            std::fprintf(stderr, "xcopy: cannot make the folder %s\n", target.c_str());
            return exit_bad_start;
        }
        for (auto const& entry : entries) {
            if (!entry.folder && name_matches_pattern(pattern, entry.name)
                && !copier.copy_one(join(folder, entry.name), join(target, entry.name)))
                break;
        }
        return copier.finish();
    }

    int run(Options const& options)
    {
        std::string source = native_path(options.source);
        std::string target = native_path(options.destination);
        Copier copier(options);
        size_t slash = source.find_last_of("\\/");
        std::string last = slash == std::string::npos ? source : source.substr(slash + 1);
        if (has_wildcards(last))
            return copy_matching(copier, slash == std::string::npos ? "." : source.substr(0, slash), last, target);
        switch (kind_of(source)) {
        case Kind::Missing:
            std::fprintf(stderr, "xcopy: file not found - %s\n", options.source.c_str());
            return exit_bad_start;
        case Kind::File:
            // A file goes into the destination folder, or over the file
            // that the destination names.
            if (kind_of(target) == Kind::File) {
                copier.copy_one(source, target);
                return copier.finish();
            }
            if (!make_folder(target)) {
                std::fprintf(stderr, "xcopy: cannot make the folder %s\n", options.destination.c_str());
                return exit_bad_start;
            }
            copier.copy_one(source, join(target, last));
            return copier.finish();
        case Kind::Folder:
            break;
        }
        if (is_inside(target, source)) {
            std::fprintf(stderr, "xcopy: cannot copy a folder into itself - %s\n", options.destination.c_str());
            return exit_bad_start;
        }
        copier.copy_folder(source, target, 0);
        return copier.finish();
    }

}

}

int tool_main(std::vector<std::string> const& arguments)
{
    auto parsed = tarnwell::xcopy::parse_arguments(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "xcopy: %s\n", parsed.error.c_str());
        return tarnwell::xcopy::exit_bad_start;
    }
    return tarnwell::xcopy::run(*parsed.options);
}
