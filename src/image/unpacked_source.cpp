#include "image/unpacked_source.h"

#include "platform/files.h"

namespace tarnwell {

namespace {

    Text record_path()
    {
        return TempDir() + "pe.src";
    }

    // Path, size and time, one per line.
    std::optional<Text> describe(std::string_view image_file)
    {
        auto stamp = GetFileStamp(image_file);
        if (!stamp)
            return std::nullopt;
        return Text(image_file) + "\r\n" + ToText(static_cast<long long>(stamp->size)) + "\r\n"
            + ToText(stamp->modified) + "\r\n";
    }

}

bool workspace_holds(std::string_view image_file)
{
    if (!FileExists(TempDir() + "pe.iso"))
        return false;
    auto recorded = ReadWholeFile(record_path());
    if (!recorded)
        return false;
    if (auto wanted = describe(image_file))
        return *recorded == *wanted;
    // The file is gone since it was unpacked: there is nothing else to
    // unpack, and the edited tree is kept.
    TextList lines = SplitText(*recorded, "\r\n");
    return !lines.empty() && lines.front() == image_file;
}

void record_unpacked_source(std::string_view image_file)
{
    if (auto description = describe(image_file))
        WriteFileBytes(record_path(), ToBytes(*description));
}

void discard_unpacked_image()
{
    Text temp_dir = TempDir();
    DeleteFilePath(record_path());
    DeleteTree(temp_dir + "iso");
    DeleteFilePath(temp_dir + "pe.iso");
}

}
