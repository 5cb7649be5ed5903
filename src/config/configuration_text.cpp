#include "config/configuration_text.h"

#include "config/shortcut_line.h"

#include <algorithm>

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

    // The lines of `block` less one copy of each line of `kept`.
    TextList lines_taken_out(std::string_view block, std::string_view kept)
    {
        TextList removed = read_lines(block);
        for (auto const& line : read_lines(kept)) {
            auto found = std::find(removed.begin(), removed.end(), line);
            if (found != removed.end())
                removed.erase(found);
        }
        return removed;
    }

    // Takes out the first whole line equal to `line`, with its line end.
    bool take_out_line(Text& text, std::string_view line)
    {
        size_t pos = 0;
        while (pos < text.size()) {
            size_t lf = text.find('\n', pos);
            size_t end = lf == Text::npos ? text.size() : lf + 1;
            std::string_view content = std::string_view(text).substr(pos, end - pos);
            if (!content.empty() && content.back() == '\n')
                content.remove_suffix(1);
            if (!content.empty() && content.back() == '\r')
                content.remove_suffix(1);
            if (content == line) {
                text.erase(pos, end - pos);
                return true;
            }
            pos = end;
        }
        return false;
    }

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

std::optional<Text> remove_shortcut_lines(
    std::string_view text, std::string_view shortcut_block, std::string_view kept_block)
{
    Text block = file_block(shortcut_block);
    Text kept = file_block(kept_block);
    if (!block.empty() && FindText(text, block) != -1)
        return ReplaceAll(text, block, kept);
    Text result(text);
    for (auto const& line : lines_taken_out(block, kept)) {
        if (!take_out_line(result, line))
            return std::nullopt;
    }
    return result;
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
