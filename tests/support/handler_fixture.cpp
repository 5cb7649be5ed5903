#include "handler_fixture.h"

#include "app/globals.h"
#include "platform/encoding.h"
#include "platform/files.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tarnwell::test {

std::filesystem::path disk_path(std::string_view core_path)
{
#ifdef _WIN32
    return std::filesystem::path(wide_from_gbk(core_path));
#else
    std::string utf8 = utf8_from_gbk(core_path);
    for (char& c : utf8) {
        if (c == '\\')
            c = '/';
    }
    return std::filesystem::path(utf8);
#endif
}

Text gbk_path(std::filesystem::path const& path)
{
#ifdef _WIN32
    return gbk_from_wide(path.wstring());
#else
    Text text = gbk_from_utf8(path.string());
    for (char& c : text) {
        if (c == '/')
            c = '\\';
    }
    return text;
#endif
}

void make_folder(std::string_view core_path)
{
    std::filesystem::create_directories(disk_path(core_path));
}

void write_file(std::string_view core_path, std::string_view bytes)
{
    std::filesystem::path path = disk_path(core_path);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::optional<std::string> read_file(std::string_view core_path)
{
    std::ifstream in(disk_path(core_path), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool exists(std::string_view core_path)
{
    std::error_code ec;
    return std::filesystem::exists(disk_path(core_path), ec);
}

namespace {

#ifdef _WIN32
    std::wstring const temp_variables[] = { L"TMP", L"TEMP" };
#else
    std::string const temp_variables[] = { "TMPDIR" };
#endif

    void point_temp_dir_at(std::filesystem::path const& folder)
    {
        for (auto const& name : temp_variables) {
#ifdef _WIN32
            _wputenv_s(name.c_str(), folder.wstring().c_str());
#else
            setenv(name.c_str(), folder.c_str(), 1);
#endif
        }
    }

    // The variables as they were before the test, to be put back after it:
    // the next test's scratch folder is made under the real temporary folder.
    std::vector<std::optional<std::filesystem::path>> saved_temp_dirs()
    {
        std::vector<std::optional<std::filesystem::path>> saved;
        for (auto const& name : temp_variables) {
#ifdef _WIN32
            wchar_t const* value = _wgetenv(name.c_str());
#else
            char const* value = std::getenv(name.c_str());
#endif
            saved.push_back(value ? std::optional<std::filesystem::path>(value) : std::nullopt);
        }
        return saved;
    }

    void restore_temp_dirs(std::vector<std::optional<std::filesystem::path>> const& saved)
    {
        for (size_t i = 0; i < saved.size(); ++i) {
#ifdef _WIN32
            _wputenv_s(temp_variables[i].c_str(), saved[i] ? saved[i]->wstring().c_str() : L"");
#else
            if (saved[i])
                setenv(temp_variables[i].c_str(), saved[i]->c_str(), 1);
            else
                unsetenv(temp_variables[i].c_str());
#endif
        }
    }

}
void HandlerTest::SetUp()
{
    m_saved_temp = saved_temp_dirs();
    m_scratch = std::make_unique<ScratchFolder>();
    // A blank and Chinese text in the temporary folder's path: every command
    // line and script built on it has to cope with both.
    std::filesystem::path temp = m_scratch->path() / std::filesystem::u8path(u8"临时 目录");
    std::filesystem::create_directories(temp);
    point_temp_dir_at(temp);
    m_temp_dir = TempDir();
    ASSERT_FALSE(m_temp_dir.empty());
    CreateGlobals();
}

void HandlerTest::TearDown()
{
    m_program.reset();
    ReleaseGlobals();
    restore_temp_dirs(m_saved_temp);
    m_scratch.reset();
}

void HandlerTest::start(EventHandlers handlers)
{
    m_program = std::make_unique<Program>(m_screen, std::move(handlers));
}

}
