#include "platform/files.h"

namespace tarnwell {

std::optional<Text> ReadWholeFile(std::string_view path)
{
    FileNumber file = OpenFile(path);
    if (file == 0)
        return std::nullopt;
    auto text = ReadRestWhole(file);
    CloseFile(file);
    return text;
}

}
