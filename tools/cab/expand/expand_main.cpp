// expand SOURCE DESTINATION
// expand -R SOURCE [DESTINATION]
// expand -D SOURCE.CAB [-F:FILES]
// expand SOURCE.CAB -F:FILES DESTINATION
//
// SOURCE is a cabinet or an SZDD file. DESTINATION is a file, or an existing
// folder that receives the file under its stored name. Switches start with
// "-" or "/" and ignore case; paths may use "\" on every platform.

#include "cab/cabinet/reader.h"
#include "cab/szdd/reader.h"
#include "cab/tool_files.h"
#include "common/tool_main.h"

#include <cstdio>
#include <ctime>
#include <optional>

using namespace tarnwell::tools;
using namespace tarnwell::tools::cab;

namespace {

struct Options {
    bool list { false };
    bool rename { false };
    std::optional<std::string> pattern;
    std::vector<std::string> paths;
};

bool is_switch(std::string const& argument, char const* name)
{
    return argument.size() == 2 && (argument[0] == '-' || argument[0] == '/')
        && equals_ignoring_case(argument.substr(1), name);
}

Result<Options> parse(std::vector<std::string> const& arguments)
{
    Options options;
    for (auto const& argument : arguments) {
        if (is_switch(argument, "d")) {
            options.list = true;
        } else if (is_switch(argument, "r")) {
            options.rename = true;
        } else if (argument.size() > 3 && (argument[0] == '-' || argument[0] == '/')
            && equals_ignoring_case(argument.substr(1, 2), "f:")) {
            options.pattern = argument.substr(3);
        } else if (argument.size() >= 2 && argument[0] == '-') {
            return fail(ErrorCode::Usage, 0, "unknown switch " + argument);
        } else {
            options.paths.push_back(native_path(argument));
        }
    }
    if (options.paths.empty())
        return fail(
            ErrorCode::Usage, 0, "expand [-R] SOURCE DESTINATION | -D SOURCE [-F:FILES] | SOURCE -F:FILES DESTINATION");
    if (options.paths.size() > 2)
        return fail(ErrorCode::Usage, 0, "too many paths");
    if (options.paths.size() == 1 && !options.list && !options.rename)
        return fail(ErrorCode::Usage, 0, "no destination given");
    return options;
}

Result<void> write_output(std::string const& path, auto&& produce)
{
    auto file = AtomicOutputFile::create(path);
    if (!file)
        return std::unexpected(file.error());
    FileSink sink(*file);
    if (auto produced = produce(sink); !produced)
        return produced;
    // Renamed into place only now, so no half output carries the name; not
    // flushed first: an expanded file is made again from its cabinet, which
    // stays, and the flush took a fifth of the time of expanding an image.
    return file->commit_without_flush();
}

// MS-DOS date and time (MS-CAB 2.3), local time, as seconds since 1970.
std::optional<std::int64_t> unix_time_of(std::uint16_t dos_date, std::uint16_t dos_time)
{
    std::tm local {};
    local.tm_year = 80 + (dos_date >> 9);
    local.tm_mon = ((dos_date >> 5) & 0xF) - 1;
    local.tm_mday = dos_date & 0x1F;
    local.tm_hour = dos_time >> 11;
    local.tm_min = (dos_time >> 5) & 0x3F;
    local.tm_sec = (dos_time & 0x1F) * 2;
    local.tm_isdst = -1;
    if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday == 0 || local.tm_hour > 23 || local.tm_min > 59)
        return std::nullopt;
    auto seconds = std::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1))
        return std::nullopt;
    return static_cast<std::int64_t>(seconds);
}

bool is_folder(std::string const& path)
{
    return entry_type(path) == EntryType::Directory;
}

// The SZDD name rule: the final "_" stands for the recorded character.
std::string restored_name(std::string name, std::uint8_t missing)
{
    if (missing != 0 && !name.empty() && name.back() == '_')
        name.back() = static_cast<char>(missing);
    return name;
}

Result<void> expand_szdd(FileSource const& source, std::string const& source_path, Options const& options)
{
    auto header = szdd::read_header(source);
    if (!header)
        return std::unexpected(header.error());
    std::string name = file_name_of(source_path);
    if (options.rename)
        name = restored_name(name, header->missing_character);
    std::string destination;
    if (options.paths.size() == 1)
        destination = join_path(parent_of(source_path), name);
    else
        destination = is_folder(options.paths[1]) ? join_path(options.paths[1], name) : options.paths[1];
    if (destination == source_path)
        return fail(ErrorCode::Usage, 0, "destination is the source itself");
    return write_output(destination, [&](ByteSink& sink) { return szdd::expand(source, sink); });
}

std::vector<FileEntry const*> selected_files(Cabinet const& cabinet, std::optional<std::string> const& pattern)
{
    std::vector<FileEntry const*> files;
    for (auto const& file : cabinet.files) {
        if (!pattern || wildcard_match(*pattern, file.name) || wildcard_match(*pattern, file_name_of(file.name)))
            files.push_back(&file);
    }
    return files;
}

Result<void> expand_cabinet(FileSource const& source, std::string const& source_path, Options const& options)
{
    auto cabinet = read_cabinet(source);
    if (!cabinet)
        return std::unexpected(cabinet.error());
    auto files = selected_files(*cabinet, options.pattern);
    if (options.list) {
        for (auto const* file : files)
            std::printf("%s: %s\n", source_path.c_str(), file->name.c_str());
        std::printf("%zu files total.\n", files.size());
        return {};
    }
    if (files.empty())
        return fail(
            ErrorCode::Usage, 0, options.pattern ? "no member matches " + *options.pattern : "cabinet holds no files");

    std::string folder = options.paths.size() == 1 ? parent_of(source_path) : options.paths[1];
    bool into_folder = options.paths.size() == 1 || is_folder(folder);
    if (!into_folder && files.size() > 1)
        return fail(ErrorCode::Usage, 0,
            "cabinet holds " + std::to_string(files.size())
                + " files: give -F:FILES and an existing destination folder");
    if (into_folder && files.size() > 1 && !options.pattern)
        return fail(ErrorCode::Usage, 0,
            "cabinet holds " + std::to_string(files.size()) + " files: choose them with -F:FILES (-F:* for all)");

    for (auto const* file : files) {
        std::string destination = options.paths[1];
        if (into_folder) {
            auto relative = safe_member_path(file->name);
            if (!relative)
                return std::unexpected(relative.error());
            destination = join_path(folder, *relative);
            if (auto made = make_directories(parent_of(destination)); !made)
                return made;
        }
        auto written
            = write_output(destination, [&](ByteSink& sink) { return extract_file(source, *cabinet, *file, sink); });
        if (!written)
            return written;
        // The stored date is kept where it is a real one; a file without it
        // keeps the time of its writing.
        if (auto stamp = unix_time_of(file->dos_date, file->dos_time))
            (void)set_modified_time(destination, *stamp);
    }
    return {};
}

Result<void> run(std::vector<std::string> const& arguments)
{
    auto options = parse(arguments);
    if (!options)
        return std::unexpected(options.error());
    auto const& source_path = options->paths[0];
    auto input = InputFile::open(source_path);
    if (!input)
        return std::unexpected(input.error());
    FileSource source(std::move(*input));
    if (szdd::has_signature(source)) {
        if (options->list) {
            std::printf("%s: %s\n", source_path.c_str(), file_name_of(source_path).c_str());
            return {};
        }
        return expand_szdd(source, source_path, *options);
    }
    return expand_cabinet(source, source_path, *options);
}

}

int tool_main(std::vector<std::string> const& arguments)
{
    auto result = run(arguments);
    if (!result) {
        std::fprintf(stderr, "expand: error: %s\n", result.error().message().c_str());
        return 1;
    }
    return 0;
}
