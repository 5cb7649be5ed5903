// makecab [/V[n]] [/D VAR=VALUE ...] [/L FOLDER] SOURCE [DESTINATION]
//
// Compresses one file into a one-folder cabinet. Variables (names and
// values case-blind): CompressionType=NONE|MSZIP|LZX (MSZIP by default),
// CompressionMemory=15..21 (the LZX window, 21 by default). The stored name
// is the source's file name; the destination defaults to that name with its
// last character replaced by "_". The output appears whole or not at all.

#include "cab/cabinet/writer.h"
#include "cab/tool_files.h"
#include "common/tool_main.h"

#include <cstdio>
#include <ctime>
#include <optional>

#ifdef _WIN32
#    include <io.h>
#else
#    include <unistd.h>
#endif

using namespace tarnwell::tools;
using namespace tarnwell::tools::cab;

namespace {

struct Options {
    Compression compression { Method::Mszip, 21, 0 };
    unsigned verbosity { 0 };
    std::optional<std::string> folder;
    std::vector<std::string> paths;
};

bool is_switch_prefix(std::string const& argument, char name)
{
    return argument.size() >= 2 && (argument[0] == '/' || argument[0] == '-')
        && (argument[1] == name || argument[1] == name - 'a' + 'A');
}

Result<void> apply_variable(Options& options, std::string const& assignment)
{
    auto equals = assignment.find('=');
    if (equals == std::string::npos)
        return fail(ErrorCode::Usage, 0, "/D needs VAR=VALUE, got \"" + assignment + "\"");
    auto name = assignment.substr(0, equals);
    auto value = assignment.substr(equals + 1);
    if (equals_ignoring_case(name, "CompressionType")) {
        if (equals_ignoring_case(value, "NONE"))
            options.compression.method = Method::None;
        else if (equals_ignoring_case(value, "MSZIP"))
            options.compression.method = Method::Mszip;
        else if (equals_ignoring_case(value, "LZX"))
            options.compression.method = Method::Lzx;
        else
            return fail(ErrorCode::Usage, 0, "CompressionType must be NONE, MSZIP or LZX, not \"" + value + "\"");
        return {};
    }
    if (equals_ignoring_case(name, "CompressionMemory")) {
        if (value.size() != 2 || value < "15" || value > "21")
            return fail(ErrorCode::Usage, 0, "CompressionMemory must be 15..21, not \"" + value + "\"");
        options.compression.window_bits = static_cast<unsigned>(std::stoi(value));
        return {};
    }
    return fail(ErrorCode::Usage, 0, "unknown variable \"" + name + "\"");
}

Result<Options> parse(std::vector<std::string> const& arguments)
{
    Options options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        auto const& argument = arguments[i];
        if (is_switch_prefix(argument, 'd')) {
            std::string assignment = argument.substr(2);
            if (assignment.empty()) {
                if (++i == arguments.size())
                    return fail(ErrorCode::Usage, 0, "/D without VAR=VALUE");
                assignment = arguments[i];
            }
            if (auto applied = apply_variable(options, assignment); !applied)
                return std::unexpected(applied.error());
        } else if (is_switch_prefix(argument, 'v') && argument.size() <= 3) {
            options.verbosity = argument.size() == 3 ? static_cast<unsigned>(argument[2] - '0') : 1;
            if (options.verbosity > 9)
                return fail(ErrorCode::Usage, 0, "/V takes one digit");
        } else if (is_switch_prefix(argument, 'l') && argument.size() == 2) {
            if (++i == arguments.size())
                return fail(ErrorCode::Usage, 0, "/L without a folder");
            options.folder = native_path(arguments[i]);
        } else if (argument.size() >= 2 && argument[0] == '-') {
            return fail(ErrorCode::Usage, 0, "unknown switch " + argument);
        } else {
            options.paths.push_back(native_path(argument));
        }
    }
    if (options.paths.empty() || options.paths.size() > 2)
        return fail(ErrorCode::Usage, 0,
            "makecab [/V[n]] [/D CompressionType=NONE|MSZIP|LZX] [/D CompressionMemory=15..21] [/L FOLDER] SOURCE "
            "[DESTINATION]");
    return options;
}

// MS-DOS date and time (MS-CAB 2.3) of a moment, in local time as the
// format's readers expect.
void dos_date_time(std::int64_t unix_seconds, std::uint16_t& date, std::uint16_t& time)
{
    std::time_t moment = static_cast<std::time_t>(unix_seconds);
    std::tm local {};
#ifdef _WIN32
    localtime_s(&local, &moment);
#else
    localtime_r(&moment, &local);
#endif
    int year = std::max(local.tm_year + 1900, 1980);
    date = static_cast<std::uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    time = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

bool stderr_is_terminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

std::string destination_of(Options const& options, std::string const& name)
{
    std::string destination;
    if (options.paths.size() == 2) {
        destination = options.paths[1];
    } else {
        destination = name;
        destination.back() = '_';
    }
    if (options.folder)
        destination = join_path(*options.folder, destination);
    if (entry_type(destination) == EntryType::Directory) {
        std::string default_name = name;
        default_name.back() = '_';
        destination = join_path(destination, default_name);
    }
    return destination;
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

    WriterInput member;
    member.name = file_name_of(source_path);
    member.source = &source;
    member.attributes = 0x20; // archive, as a fresh file has it
    if (auto modified = modified_time(source_path))
        dos_date_time(*modified, member.dos_date, member.dos_time);
    std::vector<WriterInput> members { member };
    if (auto checked = check_writer_inputs(members, options->compression); !checked)
        return checked;

    auto destination = destination_of(*options, member.name);
    if (destination == source_path)
        return fail(ErrorCode::Usage, 0, "destination is the source itself");
    auto output = AtomicOutputFile::create(destination);
    if (!output)
        return std::unexpected(output.error());
    FileSink sink(*output);

    ProgressCallback progress;
    int shown = -1;
    if (stderr_is_terminal()) {
        progress = [&](std::uint64_t done, std::uint64_t total) {
            int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
            if (percent != shown) {
                shown = percent;
                std::fprintf(stderr, "\r%3d%% - %s", percent, member.name.c_str());
                std::fflush(stderr);
            }
        };
    }
    auto written = write_cabinet(members, options->compression, sink, progress);
    if (shown >= 0)
        std::fprintf(stderr, "\n");
    if (!written)
        return written;
    if (auto committed = output->commit(); !committed)
        return committed;
    if (options->verbosity > 0)
        std::printf("%s: %llu bytes -> %s: %llu bytes (%s)\n", source_path.c_str(),
            static_cast<unsigned long long>(source.size()), destination.c_str(),
            static_cast<unsigned long long>(output->written()), method_name(options->compression.method));
    return {};
}

}

int tool_main(std::vector<std::string> const& arguments)
{
    auto result = run(arguments);
    if (!result) {
        std::fprintf(stderr, "makecab: error: %s\n", result.error().message().c_str());
        return 1;
    }
    return 0;
}
