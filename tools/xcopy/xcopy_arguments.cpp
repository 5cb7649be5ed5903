#include "xcopy_arguments.h"

#include <cctype>

namespace tarnwell::xcopy {

namespace {

    // Applies one switch ("/s", "/-y"); false when it is not one of ours.
    bool apply_switch(std::string const& text, Options& options)
    {
        std::string name;
        for (char c : text.substr(1))
            name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        if (name == "s")
            options.subfolders = true;
        else if (name == "e")
            options.empty_folders = true;
        else if (name == "h")
            options.hidden = true;
        else if (name == "q")
            options.quiet = true;
        else if (name == "r")
            options.replace_read_only = true;
        else if (name == "k")
            options.keep_attributes = true;
        else if (name == "c")
            options.go_on_after_errors = true;
        // Files are always replaced without a question and a missing
        // destination is always a folder, so these change nothing.
        else if (name == "y" || name == "-y" || name == "i")
            return true;
        else
            return false;
        return true;
    }

    bool is_switch_token(std::string const& token)
    {
        if (token.size() < 2 || token[0] != '/')
            return false;
        Options scratch;
        return apply_switch(token, scratch);
    }

    // "/s/e/h" -> "/s", "/e", "/h"; nothing when any piece is no switch.
    std::optional<std::vector<std::string>> split_switches(std::string const& glued)
    {
        std::vector<std::string> switches;
        size_t start = 0;
        while (start < glued.size()) {
            size_t next = glued.find('/', start + 1);
            if (next == std::string::npos)
                next = glued.size();
            std::string piece = glued.substr(start, next - start);
            if (!is_switch_token(piece))
                return std::nullopt;
            switches.push_back(piece);
            start = next;
        }
        return switches;
    }

}

Parsed parse_arguments(std::vector<std::string> const& arguments)
{
    Options options;
    std::vector<std::string> paths;
    for (auto const& argument : arguments) {
        if (!argument.empty() && argument[0] == '/') {
            if (auto switches = split_switches(argument)) {
                for (auto const& item : *switches)
                    apply_switch(item, options);
                continue;
            }
            // "/x" or "/-x": meant as a switch, not as a path.
            if (argument.size() <= 3 && argument.find('/', 1) == std::string::npos)
                return { std::nullopt, "invalid switch - " + argument };
        }
        size_t last_backslash = argument.rfind('\\');
        size_t slash = last_backslash == std::string::npos ? std::string::npos : argument.find('/', last_backslash);
        if (slash != std::string::npos) {
            if (auto switches = split_switches(argument.substr(slash))) {
                paths.push_back(argument.substr(0, slash));
                for (auto const& item : *switches)
                    apply_switch(item, options);
                continue;
            }
        }
        paths.push_back(argument);
    }
    if (paths.empty())
        return { std::nullopt, "invalid number of parameters" };
    if (paths.size() > 2)
        return { std::nullopt, "too many parameters - " + paths[2] };
    options.source = paths[0];
    options.destination = paths.size() == 2 ? paths[1] : ".";
    return { options, {} };
}

}
