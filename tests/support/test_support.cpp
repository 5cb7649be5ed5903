#include "test_support.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <system_error>

namespace tarnwell::test {

std::optional<std::filesystem::path> shared_testdata_dir()
{
    std::filesystem::path dir = std::filesystem::path(TARNWELL_SHARED_DIR) / "testdata" / "real";
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec))
        return std::nullopt;
    return dir;
}

std::string bytes(std::initializer_list<int> values)
{
    std::string result;
    for (int value : values)
        result.push_back(static_cast<char>(value));
    return result;
}

std::string read_whole_file(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ScratchFolder::ScratchFolder()
{
    static std::atomic<unsigned> counter { 0 };
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    auto name = "tarnwell-test-" + std::to_string(stamp) + "-" + std::to_string(std::random_device {}()) + "-"
        + std::to_string(counter++);
    m_path = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(m_path);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

}
