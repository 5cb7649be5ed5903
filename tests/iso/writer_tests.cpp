// The writer's output read back by our reader: flags, dates, names and
// content survive; names are made unique and short enough for each tree.

#include "test_support.h"

#include "iso/byte_source.h"
#include "iso/image_reader.h"
#include "iso/image_writer.h"
#include "iso/sparse_output.h"
#include "iso/writer_names.h"

#include "common/file_io.h"

#include <cstring>
#include <gtest/gtest.h>
#include <set>

using namespace tarnwell::iso;

namespace {

// Content of every file: its name repeated up to its size.
class NameContent final : public ContentReader {
public:
    tarnwell::tools::Result<void> read(Node const& node, std::uint64_t offset, std::span<std::uint8_t> buffer) override
    {
        for (size_t i = 0; i < buffer.size(); ++i)
            buffer[i] = static_cast<std::uint8_t>(node.name[(offset + i) % node.name.size()]);
        return {};
    }
};

Node file(std::string name, std::uint64_t size, bool hidden = false, std::int64_t modified = 1592179200)
{
    Node node;
    node.name = std::move(name);
    node.size = size;
    node.hidden = hidden;
    node.modified = modified;
    node.source = ContentSource::Local;
    return node;
}

ReadImage write_and_read(Image const& image, WriteOptions const& options, tarnwell::test::ScratchFolder const& scratch)
{
    auto path = (scratch.path() / "out.iso").string();
    auto out = tarnwell::tools::AtomicOutputFile::create(path);
    EXPECT_TRUE(out);
    NameContent content;
    Progress progress("test", 0, true);
    std::vector<std::string> warnings;
    auto written = write_image(image, content, options, *out, progress, warnings);
    EXPECT_TRUE(written) << (written ? "" : written.error().message());
    EXPECT_TRUE(out->commit());
    auto input = tarnwell::tools::InputFile::open(path);
    FileSource source(*input);
    auto read = read_image(source);
    EXPECT_TRUE(read);
    return std::move(*read);
}

TEST(IsoWriter, KeepsFlagsDatesAndContentSizes)
{
    Image image;
    image.root.kind = NodeKind::Directory;
    image.root.children.push_back(file("visible.txt", 3000));
    image.root.children.push_back(file("hidden.sys", 10, true, 946684800));
    image.root.children.push_back(file("empty", 0));
    Node folder;
    folder.kind = NodeKind::Directory;
    folder.name = "Folder";
    folder.modified = 1000000000;
    folder.children.push_back(file("inner.bin", 2048));
    image.root.children.push_back(folder);
    tarnwell::test::ScratchFolder scratch;
    WriteOptions options;
    options.volume_label = "winpe";
    auto read = write_and_read(image, options, scratch);
    EXPECT_EQ(read.image.names, NameSource::Joliet);
    EXPECT_EQ(read.image.volume_id, "WINPE");
    std::map<std::string, Node const*> by_name;
    for (auto const& child : read.image.root.children)
        by_name[child.name] = &child;
    ASSERT_EQ(by_name.size(), 4u);
    EXPECT_TRUE(by_name["hidden.sys"]->hidden);
    EXPECT_FALSE(by_name["visible.txt"]->hidden);
    EXPECT_EQ(by_name["hidden.sys"]->modified, 946684800);
    EXPECT_EQ(by_name["visible.txt"]->size, 3000u);
    EXPECT_EQ(by_name["empty"]->size, 0u);
    EXPECT_EQ(by_name["Folder"]->modified, 1000000000);
    ASSERT_EQ(by_name["Folder"]->children.size(), 1u);
    EXPECT_EQ(by_name["Folder"]->children[0].size, 2048u);
    EXPECT_TRUE(read.anomalies.empty());
}

TEST(IsoWriterNames, UniqueAndWithinEachTreesLimits)
{
    Node folder;
    folder.kind = NodeKind::Directory;
    std::string long_name(120, 'x');
    for (auto name : { std::string("Readme.txt"), std::string("README.TXT"), long_name + ".dll", long_name + "y.dll",
             std::string("a:b?.txt"), std::string("\xE4\xB8\xAD\xE6\x96\x87.txt") })
        folder.children.push_back(file(name, 1));
    struct Case {
        NameStyle style;
        size_t limit;
        size_t unit; // bytes per character
    };
    Case const cases[] = {
        { NameStyle::Iso9660, iso_file_name_limit + 2, 1 },
        { NameStyle::Joliet, joliet_long_name_limit + 2, 2 },
    };
    for (auto const& test_case : cases) {
        NameRules rules;
        rules.joliet_limit = joliet_long_name_limit;
        auto names = identifiers_for(folder, test_case.style, rules);
        ASSERT_EQ(names.size(), folder.children.size());
        std::set<std::string> folded;
        for (auto const& name : names) {
            EXPECT_LE(name.size(), test_case.limit * test_case.unit) << name;
            std::string key = name;
            for (auto& c : key)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_TRUE(folded.insert(key).second) << "not unique: " << name;
        }
    }
    // ISO 9660 names are upper-case d-characters with one dot and ";1".
    auto iso = identifiers_for(folder, NameStyle::Iso9660, {});
    EXPECT_EQ(iso[0], "README.TXT;1");
    EXPECT_EQ(iso[4], "A_B_.TXT;1");
    EXPECT_EQ(iso[5], "__.TXT;1"); // one "_" per character
}

// Zeros that are skipped read back as zeros, and a file that ends in them
// still has its full length.
TEST(IsoSparseOutput, SkippedZerosReadBackAsZeros)
{
    std::string const zeros(10000, '\0');
    struct Case {
        char const* name;
        std::vector<std::string> pieces;
    };
    Case const cases[] = {
        { "data only", { "abc", "def" } },
        { "zeros between data", { "head", zeros, zeros.substr(0, 100), "tail" } },
        { "ends in zeros", { "head", zeros } },
        { "zeros only", { zeros, zeros.substr(0, 1) } },
        { "starts with zeros, then a zero inside data", { zeros, std::string("a\0b", 3) } },
        { "nothing", {} },
    };
    for (auto const& test_case : cases) {
        tarnwell::test::ScratchFolder scratch;
        auto path = (scratch.path() / "out.bin").string();
        auto out = tarnwell::tools::AtomicOutputFile::create(path);
        ASSERT_TRUE(out);
        SparseOutput sink(*out);
        std::string expected;
        for (auto const& piece : test_case.pieces) {
            ASSERT_TRUE(sink.write(std::span(reinterpret_cast<std::uint8_t const*>(piece.data()), piece.size())));
            expected += piece;
        }
        ASSERT_TRUE(sink.finish());
        EXPECT_EQ(sink.position(), expected.size()) << test_case.name;
        ASSERT_TRUE(out->commit());
        EXPECT_TRUE(tarnwell::test::read_whole_file(path) == expected) << test_case.name;
    }
}

// Copying: pieces with data are appended, pieces that start with zeros are
// looked at whole; either way the copy reads back as the source.
TEST(IsoSparseOutput, CopiesEveryLayoutOfDataAndZeros)
{
    class MemoryCopySource final : public CopySource {
    public:
        explicit MemoryCopySource(std::string const& bytes)
            : m_bytes(bytes)
        {
        }
        tarnwell::tools::Result<void> read(std::uint64_t offset, std::span<std::uint8_t> buffer) override
        {
            std::memcpy(buffer.data(), m_bytes.data() + offset, buffer.size());
            return {};
        }
        tarnwell::tools::Result<void> append(tarnwell::tools::AtomicOutputFile& out, std::uint64_t offset,
            std::uint64_t length, std::span<std::uint8_t>) override
        {
            return out.write(std::span(reinterpret_cast<std::uint8_t const*>(m_bytes.data()) + offset, length));
        }

    private:
        std::string const& m_bytes;
    };
    auto zeros = [](size_t count) { return std::string(count, '\0'); };
    auto data = [](size_t count) {
        std::string bytes(count, 'd');
        for (size_t i = 0; i < count; i += 7)
            bytes[i] = '\0'; // zeros inside data are data
        return bytes;
    };
    size_t const piece = 256 * 1024; // the buffer: long pieces are looked at
    struct Case {
        char const* name;
        std::string source;
    };
    Case const cases[] = {
        { "data only", data(3 * piece + 5) },
        { "data late in a piece that starts with zeros", zeros(5000) + data(piece) },
        { "a short piece of zeros at the end", data(piece) + zeros(100) },
        { "a hole between data", data(piece) + zeros(2 * piece) + data(100) },
        { "ends in a hole", data(100) + zeros(3 * piece) },
        { "zeros only", zeros(3 * piece + 1) },
        { "one zero byte", zeros(1) },
    };
    for (auto const& test_case : cases) {
        tarnwell::test::ScratchFolder scratch;
        auto path = (scratch.path() / "out.bin").string();
        auto out = tarnwell::tools::AtomicOutputFile::create(path);
        ASSERT_TRUE(out);
        SparseOutput sink(*out);
        MemoryCopySource source(test_case.source);
        std::vector<std::uint8_t> buffer(piece);
        Progress progress("test", 0, true);
        // Copied in two calls, the second continuing after a hole or data.
        size_t half = test_case.source.size() / 2;
        ASSERT_TRUE(sink.copy(source, 0, half, buffer, progress)) << test_case.name;
        ASSERT_TRUE(sink.copy(source, half, test_case.source.size() - half, buffer, progress)) << test_case.name;
        ASSERT_TRUE(sink.finish());
        ASSERT_TRUE(out->commit());
        EXPECT_TRUE(tarnwell::test::read_whole_file(path) == test_case.source) << test_case.name;
    }
}

}
