#include "app_test_support.h"
#include "platform/files.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tarnwell::test {

namespace {

    void set_variable(std::string const& name, std::optional<std::string> const& value)
    {
#ifdef _WIN32
        _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
#endif
    }

    std::vector<std::string> temp_variables()
    {
#ifdef _WIN32
        return { "TMP", "TEMP" };
#else
        return { "TMPDIR" };
#endif
    }

}

TempDirOverride::TempDirOverride(std::string const& name)
    : m_root(m_scratch.path() / name)
{
    std::filesystem::create_directories(m_root);
    for (auto const& variable : temp_variables()) {
        char const* old = std::getenv(variable.c_str());
        m_saved.emplace_back(variable, old ? std::optional<std::string>(old) : std::nullopt);
        set_variable(variable, m_root.string());
    }
}

TempDirOverride::~TempDirOverride()
{
    for (auto const& [variable, value] : m_saved)
        set_variable(variable, value);
}

std::filesystem::path TempDirOverride::workspace() const
{
    // TempDir makes the private folder when it is asked; the workspace is the
    // root itself or the one folder below it.
    (void)TempDir();
    for (auto const& entry : std::filesystem::directory_iterator(m_root)) {
        if (entry.is_directory())
            return entry.path();
    }
    return m_root;
}

std::optional<std::string> read_file_bytes(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file_bytes(std::filesystem::path const& path, std::string const& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::set<std::string> tree_listing(std::filesystem::path const& root)
{
    std::set<std::string> names;
    for (auto const& entry : std::filesystem::recursive_directory_iterator(root))
        names.insert(std::filesystem::relative(entry.path(), root).generic_string());
    return names;
}

}
