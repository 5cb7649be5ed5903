#include "cab/tool_files.h"

#include <cctype>

namespace tarnwell::tools::cab {

namespace {

    char lower(char c)
    {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }

}

std::string native_path(std::string const& path)
{
    std::string result = path;
    char separator = native_separator();
    for (auto& c : result) {
        if (c == '\\' || c == '/')
            c = separator;
    }
    return result;
}

std::string file_name_of(std::string const& path)
{
    auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string join_path(std::string const& folder, std::string const& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == native_separator())
        return folder + name;
    return folder + native_separator() + name;
}

std::string parent_of(std::string const& path)
{
    auto slash = path.find_last_of(native_separator());
    if (slash == std::string::npos)
        return "";
    if (slash == 0)
        return path.substr(0, 1);
    return path.substr(0, slash);
}

Result<std::string> safe_member_path(std::string const& stored_name)
{
    std::string result;
    size_t start = 0;
    bool any = false;
    while (start <= stored_name.size()) {
        auto end = stored_name.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = stored_name.size();
        auto component = stored_name.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".") {
            if (!any && end == 0)
                return fail(ErrorCode::Corrupt, 0, "member name is an absolute path: " + stored_name);
            continue;
        }
        if (component == ".." || component.find(':') != std::string::npos)
            return fail(ErrorCode::Corrupt, 0, "member name would leave the destination: " + stored_name);
        if (any)
            result += native_separator();
        result += component;
        any = true;
    }
    if (!any)
        return fail(ErrorCode::Corrupt, 0, "member has an empty name");
    return result;
}

bool wildcard_match(std::string const& pattern, std::string const& text)
{
    size_t p = 0, t = 0;
    size_t star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(text[t]))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool equals_ignoring_case(std::string const& a, std::string const& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

}
