// Our expand and makecab as programs: what they write is read back by the
// peer tools (cabextract, gcab, Wine's expand.exe) byte for byte, what the
// peers write is read by ours, and every failure is one line on stderr, a
// non-zero exit and no partial output.

#include "cab/cabinet/block_encoder.h"
#include "test_data.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;
using namespace tarnwell::tools::cab;
using tarnwell::test::DataKind;

namespace {

struct Run {
    int status;
    std::string out;
    std::string err;
};

std::string read_text(fs::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

std::vector<std::uint8_t> read_bytes(fs::path const& path)
{
    auto text = read_text(path);
    return { text.begin(), text.end() };
}

void write_bytes(fs::path const& path, std::vector<std::uint8_t> const& data)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<char const*>(data.data()), static_cast<std::streamsize>(data.size()));
}

std::string quoted(std::string const& text)
{
    return "'" + text + "'";
}

// Runs a shell command in `folder`; peers run under `timeout` since some can
// hang on odd input.
Run run(fs::path const& folder, std::string const& command)
{
    auto out = folder / ".stdout", err = folder / ".stderr";
    std::string line = "cd " + quoted(folder.string()) + " && " + command + " >" + quoted(out.string()) + " 2>"
        + quoted(err.string()) + " </dev/null";
    int raw = std::system(line.c_str());
    Run result { WIFEXITED(raw) ? WEXITSTATUS(raw) : 128, read_text(out), read_text(err) };
    fs::remove(out);
    fs::remove(err);
    return result;
}

bool have(char const* program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null").c_str()) == 0;
}

std::string const expand_tool = TW_EXPAND;
std::string const makecab_tool = TW_MAKECAB;

struct Method {
    std::string type;
    unsigned memory;
    std::string label() const { return type + (type == "LZX" ? ":" + std::to_string(memory) : ""); }
};

std::vector<Method> methods_we_write()
{
    std::vector<Method> methods = { { "NONE", 0 }, { "MSZIP", 0 } };
    if (can_encode(tarnwell::tools::cab::Method::Lzx)) {
        for (unsigned bits = 15; bits <= 21; ++bits)
            methods.push_back({ "LZX", bits });
    }
    return methods;
}

struct Sample {
    std::string name;
    DataKind kind;
    size_t size;
};

std::vector<Sample> const samples = {
    { "empty.bin", DataKind::Random, 0 },
    { "one.bin", DataKind::Random, 1 },
    { "r32767.bin", DataKind::Random, 32767 },
    { "r32768.bin", DataKind::Random, 32768 },
    { "r32769.bin", DataKind::Random, 32769 },
    { "t32769.txt", DataKind::Text, 32769 },
    { "text.txt", DataKind::Text, 70000 },
    { "code.exe", DataKind::X86Code, 70000 },
};

std::string makecab_command(Method const& method, std::string const& source, std::string const& destination)
{
    std::string command = makecab_tool + " /D CompressionType=" + method.type;
    if (method.type == "LZX")
        command += " /D CompressionMemory=" + std::to_string(method.memory);
    return command + " " + source + " " + destination;
}

TEST(PeersReadOurCabinets, CabextractAndGcabExtractEveryMethodAndSize)
{
    if (!have("cabextract") || !have("gcab"))
        GTEST_SKIP() << "cabextract or gcab is not installed";
    tarnwell::test::ScratchFolder scratch;
    for (auto const& sample : samples)
        write_bytes(scratch.path() / sample.name, tarnwell::test::generate_data(sample.kind, sample.size));
    for (auto const& method : methods_we_write()) {
        for (auto const& sample : samples) {
            SCOPED_TRACE(method.label() + " " + sample.name);
            auto made = run(scratch.path(), makecab_command(method, sample.name, "out.cab"));
            ASSERT_EQ(made.status, 0) << made.err;
            auto original = read_bytes(scratch.path() / sample.name);
            fs::create_directories(scratch.path() / "c");
            auto by_cabextract = run(scratch.path(), "timeout 60 cabextract -q -d c out.cab");
            ASSERT_EQ(by_cabextract.status, 0) << by_cabextract.err;
            EXPECT_EQ(read_bytes(scratch.path() / "c" / sample.name), original) << "cabextract";
            fs::create_directories(scratch.path() / "g");
            auto by_gcab = run(scratch.path() / "g", "timeout 60 gcab -x ../out.cab");
            ASSERT_EQ(by_gcab.status, 0) << by_gcab.err;
            EXPECT_EQ(read_bytes(scratch.path() / "g" / sample.name), original) << "gcab";
            fs::remove_all(scratch.path() / "c");
            fs::remove_all(scratch.path() / "g");
        }
    }
}

TEST(PeersReadOurCabinets, WineExpandExtractsLzx21)
{
    if (!can_encode(tarnwell::tools::cab::Method::Lzx))
        GTEST_SKIP() << "this build has no LZX encoder yet";
    if (!have("wine"))
        GTEST_SKIP() << "wine is not installed";
    tarnwell::test::ScratchFolder scratch;
    auto data = tarnwell::test::generate_data(DataKind::X86Code, 200000);
    write_bytes(scratch.path() / "pe.iso", data);
    auto made = run(scratch.path(), makecab_command({ "LZX", 21 }, "pe.iso", "WINPE.IS_"));
    ASSERT_EQ(made.status, 0) << made.err;
    auto expanded = run(scratch.path(),
        "WINEPREFIX=" + quoted((scratch.path() / "prefix").string())
            + " WINEDEBUG=-all timeout 300 wine expand.exe WINPE.IS_ back.iso");
    ASSERT_EQ(expanded.status, 0) << expanded.out << expanded.err;
    EXPECT_EQ(read_bytes(scratch.path() / "back.iso"), data);
}

TEST(OursReadsPeerFiles, GcabCabinetsAndMscompressSzdd)
{
    if (!have("gcab") || !have("mscompress"))
        GTEST_SKIP() << "gcab or mscompress is not installed";
    tarnwell::test::ScratchFolder scratch;
    auto data = tarnwell::test::generate_data(DataKind::Text, 100000);
    write_bytes(scratch.path() / "data.txt", data);
    for (std::string flags : { "-c", "-c -z" }) {
        SCOPED_TRACE("gcab " + flags);
        ASSERT_EQ(run(scratch.path(), "timeout 60 gcab " + flags + " peer.cab data.txt").status, 0);
        auto expanded = run(scratch.path(), expand_tool + " peer.cab back.txt");
        ASSERT_EQ(expanded.status, 0) << expanded.err;
        EXPECT_EQ(read_bytes(scratch.path() / "back.txt"), data);
    }
    ASSERT_EQ(run(scratch.path(), "timeout 60 mscompress data.txt").status, 0);
    auto expanded = run(scratch.path(), expand_tool + " data.txt_ szdd.txt");
    ASSERT_EQ(expanded.status, 0) << expanded.err;
    EXPECT_EQ(read_bytes(scratch.path() / "szdd.txt"), data);
}

// The program's own command lines, as its handlers build them.
TEST(ToolCommandLines, TheProgramsRoundTrip)
{
    tarnwell::test::ScratchFolder scratch;
    auto data = tarnwell::test::generate_data(DataKind::X86Code, 70000);
    fs::create_directories(scratch.path() / "PE");
    write_bytes(scratch.path() / "PE" / "winpe.iso", data);
    auto packed = run(scratch.path(), makecab_tool + " 'PE\\winpe.iso' 'PE\\WINPE.IS_'");
    ASSERT_EQ(packed.status, 0) << packed.err;
    EXPECT_TRUE(packed.err.empty()) << "progress only on a terminal: " << packed.err;
    auto unpacked = run(scratch.path(), expand_tool + " 'PE\\WINPE.IS_' pe.iso");
    ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    EXPECT_EQ(read_bytes(scratch.path() / "pe.iso"), data);

    // Default destination: the source's name with its last character "_",
    // in the current folder; and an existing folder takes the stored name.
    auto default_name = run(scratch.path(), makecab_tool + " /d compressiontype=mszip PE/winpe.iso");
    ASSERT_EQ(default_name.status, 0) << default_name.err;
    fs::create_directories(scratch.path() / "into");
    auto into_folder = run(scratch.path(), expand_tool + " winpe.is_ into");
    ASSERT_EQ(into_folder.status, 0) << into_folder.err;
    EXPECT_EQ(read_bytes(scratch.path() / "into" / "winpe.iso"), data);
}

TEST(ToolCommandLines, VariablesIgnoreCaseAndBadValuesAreRefused)
{
    tarnwell::test::ScratchFolder scratch;
    write_bytes(scratch.path() / "a.txt", tarnwell::test::generate_data(DataKind::Text, 5000));
    struct Case {
        std::string options;
        bool ok;
        char const* message_part;
    };
    std::vector<Case> cases = {
        { "/D COMPRESSIONTYPE=none", true, "" },
        { "/d compressiontype=MsZip", true, "" },
        { "-D CompressionType=NONE /V", true, "" },
        { "/D CompressionType=Quantum", false, "CompressionType must be" },
        { "/D CompressionMemory=22", false, "CompressionMemory must be 15..21" },
        { "/D CompressionMemory=1x", false, "CompressionMemory must be 15..21" },
        { "/D MaxDiskSize=0", false, "unknown variable" },
        { "/D", false, "/D needs VAR=VALUE" },
    };
    if (!can_encode(tarnwell::tools::cab::Method::Lzx))
        cases.push_back({ "/D CompressionType=LZX", false, "cannot write LZX" });
    for (auto const& c : cases) {
        SCOPED_TRACE(c.options);
        fs::remove(scratch.path() / "out.cab");
        auto result = run(scratch.path(), makecab_tool + " " + c.options + " a.txt out.cab");
        if (c.ok) {
            EXPECT_EQ(result.status, 0) << result.err;
            EXPECT_TRUE(fs::exists(scratch.path() / "out.cab"));
            continue;
        }
        EXPECT_NE(result.status, 0);
        EXPECT_NE(result.err.find(c.message_part), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(scratch.path() / "out.cab"));
    }
}

TEST(ToolCommandLines, ExpandSwitches)
{
    auto dir = tarnwell::test::shared_testdata_dir();
    if (!dir)
        GTEST_SKIP() << "no shared test input beside this clone";
    tarnwell::test::ScratchFolder scratch;
    auto cabinet = quoted((*dir / "dir.cab").string());
    auto listed = run(scratch.path(), expand_tool + " -D " + cabinet);
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("1\\2\\3\\4.c"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("plain.c"), std::string::npos) << listed.out;

    auto one = run(scratch.path(), expand_tool + " " + cabinet + " -f:PLAIN.* .");
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_TRUE(fs::exists(scratch.path() / "plain.c"));
    EXPECT_FALSE(fs::exists(scratch.path() / "1"));

    auto all = run(scratch.path(), expand_tool + " " + cabinet + " /F:* out");
    EXPECT_NE(all.status, 0) << "destination folder must exist";
    fs::create_directories(scratch.path() / "out");
    all = run(scratch.path(), expand_tool + " " + cabinet + " /F:* out");
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(fs::file_size(scratch.path() / "out" / "1" / "2" / "3" / "4.c"), 74u);

    auto several = run(scratch.path(), expand_tool + " " + cabinet + " out");
    EXPECT_NE(several.status, 0);
    EXPECT_NE(several.err.find("-F:"), std::string::npos) << several.err;

    // -R restores the SZDD name's last character when the header has it.
    auto szdd = read_bytes(*dir / "test.compressed");
    szdd[9] = 't';
    write_bytes(scratch.path() / "notes.tx_", szdd);
    auto renamed = run(scratch.path(), expand_tool + " -r notes.tx_");
    ASSERT_EQ(renamed.status, 0) << renamed.err;
    EXPECT_EQ(fs::file_size(scratch.path() / "notes.txt"), 24u);
}

// Every failure: a non-zero exit, one line on stderr, and the destination
// as it was before (absent, or its old content).
TEST(ToolCommandLines, FailuresLeaveNoPartialOutput)
{
    tarnwell::test::ScratchFolder scratch;
    auto data = tarnwell::test::generate_data(DataKind::Text, 100000);
    write_bytes(scratch.path() / "good.txt", data);
    ASSERT_EQ(run(scratch.path(), makecab_tool + " good.txt good.cab").status, 0);
    auto damaged = read_bytes(scratch.path() / "good.cab");
    damaged[damaged.size() - 50] ^= 0x55;
    write_bytes(scratch.path() / "damaged.cab", damaged);
    auto cut = read_bytes(scratch.path() / "good.cab");
    cut.resize(cut.size() - 1000);
    write_bytes(scratch.path() / "cut.cab", cut);
    write_bytes(scratch.path() / "old.txt", { 'o', 'l', 'd' });
    fs::resize_file(scratch.path() / "good.txt", 0); // keeps the tree small; sizes below are sparse
    std::ofstream(scratch.path() / "huge.iso").close();
    fs::resize_file(scratch.path() / "huge.iso", 0x7FFF8000ull + 1);

    struct Case {
        std::string command;
        char const* destination;
        char const* message_part;
    };
    std::vector<Case> cases = {
        { expand_tool + " missing.cab new.txt", "new.txt", "cannot open" },
        { expand_tool + " damaged.cab old.txt", "old.txt", "checksum" },
        { expand_tool + " cut.cab old.txt", "old.txt", "truncated" },
        { expand_tool + " good.cab no/such/folder/x.txt", "no", "cannot create" },
        { expand_tool + " good.cab", "good.txt.out", "no destination" },
        { makecab_tool + " missing.iso new.cab", "new.cab", "cannot open" },
        { makecab_tool + " huge.iso old.txt", "old.txt", "one cabinet folder" },
        { makecab_tool + " good.cab no/such/folder/x.cab", "no", "cannot create" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.command);
        auto before = fs::exists(scratch.path() / c.destination) ? read_text(scratch.path() / c.destination) : "";
        bool existed = fs::exists(scratch.path() / c.destination);
        auto result = run(scratch.path(), c.command);
        EXPECT_NE(result.status, 0);
        EXPECT_NE(result.err.find(c.message_part), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(fs::exists(scratch.path() / c.destination), existed);
        if (existed) {
            EXPECT_EQ(read_text(scratch.path() / c.destination), before);
        }
    }
    for (auto const& entry : fs::directory_iterator(scratch.path()))
        EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
}

}
