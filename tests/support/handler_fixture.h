#pragma once

// What a handler test stands on: the headless window system with a program
// whose events run the given handlers, the real file primitives, and a
// temporary folder of the test's own (TempDir points into it). Paths in the
// helpers are the program's own: GBK texts with "\" between their parts.

#include "app/program.h"
#include "platform/window/headless_window_system.h"
#include "test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace tarnwell::test {

// The file-system path for a path of the program, and back.
std::filesystem::path disk_path(std::string_view core_path);
Text gbk_path(std::filesystem::path const& path);

void make_folder(std::string_view core_path);
void write_file(std::string_view core_path, std::string_view bytes);
// The bytes of the file, or nothing when it does not exist.
std::optional<std::string> read_file(std::string_view core_path);
bool exists(std::string_view core_path);

class HandlerTest : public ::testing::Test {
protected:
    // Runs before any handler binding is needed: call start() from the test
    // (or from a derived SetUp) with the handlers the test binds.
    void SetUp() override;
    void TearDown() override;

    void start(EventHandlers handlers);

    HeadlessWindowSystem& screen() { return m_screen; }
    MainWindow& window() { return m_program->window(); }
    Program& program() { return *m_program; }
    // TempDir as the program sees it, ending in "\".
    Text const& temp_dir() const { return m_temp_dir; }
    std::filesystem::path const& scratch() const { return m_scratch->path(); }

private:
    std::unique_ptr<ScratchFolder> m_scratch;
    HeadlessWindowSystem m_screen;
    std::unique_ptr<Program> m_program;
    Text m_temp_dir;
    std::vector<std::optional<std::filesystem::path>> m_saved_temp;
};

}
