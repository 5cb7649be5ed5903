#include "config/configuration_text.h"

#include "config/shortcut_line.h"

namespace tarnwell {

TextList read_lines(std::string_view text)
{
    TextList lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        size_t end = lf == std::string_view::npos ? text.size() : lf;
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        pos = lf == std::string_view::npos ? text.size() : lf + 1;
    }
    return lines;
}

Text clean_configuration(std::string_view text)
{
    // First the pieces between CR LF pairs that are not blank, each ending in
    // CR LF; then, read line by line, the lines that are no comment.
    Text without_blanks;
    for (auto const& piece : SplitText(text, line_end)) {
        if (!is_blank_line(piece)) {
            without_blanks += piece;
            without_blanks += line_end;
        }
    }
    Text cleaned;
    for (auto const& line : read_lines(without_blanks)) {
        if (!is_comment_line(line)) {
            cleaned += line;
            cleaned += line_end;
        }
    }
    return cleaned;
}

Text file_block(std::string_view shortcut_block)
{
    TextList lines = read_lines(shortcut_block);
    Text block;
    for (size_t i = 0; i < lines.size();) {
        size_t copies = std::max<size_t>(kinds_of_line(lines[i]).size(), 1);
        block += lines[i];
        block += line_end;
        size_t next = i + 1;
        while (next < lines.size() && next - i < copies && lines[next] == lines[i])
            ++next;
        i = next;
    }
    return block;
}

namespace {

    bool names_programs_or_desktop(std::string_view line)
    {
        return FindText(line, info_for(ShortcutKind::Programs).prefix) != -1
            || FindText(line, info_for(ShortcutKind::Desktop).prefix) != -1;
    }

    std::optional<size_t> block_position(TextList const& lines)
    {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (names_programs_or_desktop(lines[i]))
                return i;
        }
        for (size_t i = 0; i < lines.size(); ++i) {
            if (is_shortcut_line(lines[i]))
                return i;
        }
        return std::nullopt;
    }

}

std::optional<Text> regroup_configuration(std::string_view text, std::string_view shortcut_block)
{
    TextList lines = read_lines(text);
    auto position = block_position(lines);
    if (!position)
        return std::nullopt;
    Text result;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == *position) {
            result += line_end;
            result += file_block(shortcut_block);
            result += line_end;
        } else if (!is_shortcut_line(lines[i])) {
            result += lines[i];
            result += line_end;
        }
    }
    return result;
}

}
