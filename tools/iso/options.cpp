#include "iso/options.h"
#include "iso/names.h"

namespace tarnwell::iso {

using tools::ErrorCode;
using tools::fail;

namespace {

    tools::Result<void> take_value(std::vector<std::string> const& arguments, size_t& index, std::string const& word,
        std::optional<std::string>& into)
    {
        if (index + 1 >= arguments.size())
            return fail(ErrorCode::Usage, 0, word + " needs a value");
        if (into)
            return fail(ErrorCode::Usage, 0, word + " given twice");
        into = arguments[++index];
        return {};
    }

    tools::Result<void> check_combination(Options const& options)
    {
        if (options.help)
            return {};
        if (!options.input)
            return fail(ErrorCode::Usage, 0, "-in FILE is missing");
        if (options.extract_to && options.output)
            return fail(ErrorCode::Usage, 0, "-extract and -out cannot be combined");
        if (!options.extract_to && !options.output)
            return fail(ErrorCode::Usage, 0, "nothing to do: give -extract DIR or -out FILE");
        bool rebuild_options = !options.remove_paths.empty() || !options.add_folders.empty() || options.volume_label
            || options.joliet_long_names || options.relaxed_names || options.optimize;
        if (options.extract_to && rebuild_options)
            return fail(
                ErrorCode::Usage, 0, "-extract cannot be combined with -rm, -f, -volu, -jlong, -imax or -optimize");
        if (options.output && local_path(*options.output) == local_path(*options.input))
            return fail(ErrorCode::Usage, 0, "-out must not name the input image");
        for (auto const& path : options.remove_paths) {
            if (image_path_parts(path).empty())
                return fail(ErrorCode::Usage, 0, "-rm needs a path below the image's root");
        }
        return {};
    }

}

tools::Result<Options> parse_options(std::vector<std::string> const& arguments)
{
    Options options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string const& word = arguments[i];
        std::string folded = fold_case(word);
        tools::Result<void> taken;
        if (folded == "--help" || folded == "-help" || folded == "-h" || folded == "/?") {
            options.help = true;
        } else if (folded == "-silent") {
            options.silent = true;
        } else if (folded == "-in") {
            taken = take_value(arguments, i, word, options.input);
        } else if (folded == "-extract") {
            taken = take_value(arguments, i, word, options.extract_to);
        } else if (folded == "-out") {
            taken = take_value(arguments, i, word, options.output);
        } else if (folded == "-volu") {
            taken = take_value(arguments, i, word, options.volume_label);
        } else if (folded == "-rm" || folded == "-f") {
            std::optional<std::string> value;
            taken = take_value(arguments, i, word, value);
            if (taken)
                (folded == "-rm" ? options.remove_paths : options.add_folders).push_back(*value);
        } else if (folded == "-jlong") {
            options.joliet_long_names = true;
        } else if (folded == "-imax") {
            options.relaxed_names = true;
        } else if (folded == "-optimize") {
            options.optimize = true;
        } else {
            return fail(ErrorCode::Usage, 0, "unknown option " + word);
        }
        if (!taken)
            return std::unexpected(taken.error());
    }
    if (auto valid = check_combination(options); !valid)
        return std::unexpected(valid.error());
    return options;
}

std::string local_path(std::string const& path)
{
#ifdef _WIN32
    return path;
#else
    std::string result = path;
    for (auto& c : result) {
        if (c == '\\')
            c = '/';
    }
    return result;
#endif
}

std::vector<std::string> image_path_parts(std::string const& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path + "/") {
        if (c == '/' || c == '\\') {
            if (!part.empty() && part != ".")
                parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    return parts;
}

char const* usage_text()
{
    return "usage: tarniso -in IMAGE -extract DIR [-silent]\n"
           "       tarniso -in IMAGE [-rm PATH]... [-f FOLDER]... [-jlong] [-imax] [-optimize]\n"
           "               [-volu LABEL] -out NEW_IMAGE [-silent]\n"
           "\n"
           "  -extract DIR  write every file and folder of the image into DIR\n"
           "  -rm PATH      leave the image's file or folder PATH out (letter case ignored)\n"
           "  -f FOLDER     add the local FOLDER as a root folder of the same name\n"
           "  -jlong        Joliet names up to 103 characters\n"
           "  -imax         the most relaxed ISO 9660 names the common readers accept\n"
           "  -optimize     store files of identical content once\n"
           "  -volu LABEL   volume label of the new image\n"
           "  -silent       no progress display\n"
           "Option words are matched regardless of case; paths may use \\ or /.\n";
}

}
