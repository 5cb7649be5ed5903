#include "platform/command_line.h"

namespace tarnwell {

namespace {

    bool is_blank(char c)
    {
        return c == ' ' || c == '\t';
    }

    // The program token; `i` moves behind it.
    std::string program_token(std::string_view line, size_t& i)
    {
        std::string token;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"')
                token.push_back(line[i++]);
            if (i < line.size())
                ++i;
            return token;
        }
        while (i < line.size() && !is_blank(line[i]))
            token.push_back(line[i++]);
        return token;
    }

    // One argument token starting at a non-blank `i`; `i` moves behind it.
    std::string argument_token(std::string_view line, size_t& i)
    {
        std::string token;
        bool quoted = false;
        while (i < line.size()) {
            char c = line[i];
            if (!quoted && is_blank(c))
                break;
            if (c == '\\') {
                size_t count = 0;
                while (i < line.size() && line[i] == '\\') {
                    ++count;
                    ++i;
                }
                if (i < line.size() && line[i] == '"') {
                    token.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        token.push_back('"');
                        ++i;
                    }
                } else {
                    token.append(count, '\\');
                }
                continue;
            }
            if (c == '"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    token.push_back('"');
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            token.push_back(c);
            ++i;
        }
        return token;
    }

}

std::vector<std::string> split_command_line(std::string_view line)
{
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size() && is_blank(line[i]))
        ++i;
    if (i == line.size())
        return tokens;
    tokens.push_back(program_token(line, i));
    while (true) {
        while (i < line.size() && is_blank(line[i]))
            ++i;
        if (i == line.size())
            break;
        tokens.push_back(argument_token(line, i));
    }
    return tokens;
}

}
