// The temporary workspace: the four files PrepareWorkspace writes, byte for
// byte, and what ClearWorkspace leaves behind.

#include "app/workspace.h"
#include "app_test_support.h"
#include "platform/files.h"
#include "platform/process.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

    std::string const rebuild_front = "ultraiso -in pe2.iso -f \"";
    std::string const rebuild_back = "iso\\WXPE\" -jlong -imax -optimize -volu winpe -out winpe.iso";
    std::string const extract_script = "ultraiso -silent -in pe.iso -extract \"iso\"";
    std::string const remove_script
        = "ultraiso -in pe.iso -rm \"/WXPE\" -jlong -imax -optimize -volu winpe -out pe2.iso";

    // Last part of the temporary folder: plain, with blanks, and one that
    // holds "\TOOLS", the part the script template has replaced.
    char const* const temp_folder_names[] = { "temp", "with some blanks", "TOOLS" };

    TEST(PrepareWorkspace, WritesTheThreeScriptsExactly)
    {
        for (auto const* folder : temp_folder_names) {
            SCOPED_TRACE(folder);
            test::TempDirOverride temp(folder);
            auto workspace = temp.workspace();
            // Stale, longer content from an earlier run is replaced whole.
            test::write_file_bytes(workspace / "pcmd.cmd", std::string(400, 'x') + "\r\n");

            PrepareWorkspace();

            Text temp_dir = TempDir();
            ASSERT_FALSE(temp_dir.empty());
            EXPECT_EQ(test::read_file_bytes(workspace / "pcmd.cmd"), rebuild_front + temp_dir + rebuild_back);
            EXPECT_EQ(test::read_file_bytes(workspace / "ucmd.cmd"), extract_script);
            EXPECT_EQ(test::read_file_bytes(workspace / "pcmd2.cmd"), remove_script);
        }
    }

    TEST(PrepareWorkspace, OnlyTheTemplatesPartIsReplaced)
    {
        struct {
            char const* temp_dir;
            char const* script;
        } const cases[] = {
            { "C:\\TEMP\\",
                "ultraiso -in pe2.iso -f \"C:\\TEMP\\iso\\WXPE\" -jlong -imax -optimize -volu winpe -out winpe.iso" },
            { "C:\\TOOLS\\TEMP\\",
                "ultraiso -in pe2.iso -f \"C:\\TOOLS\\TEMP\\iso\\WXPE\" -jlong -imax -optimize -volu winpe -out "
                "winpe.iso" },
            { "C:\\Documents and Settings\\a\\Local Settings\\Temp\\",
                "ultraiso -in pe2.iso -f \"C:\\Documents and Settings\\a\\Local Settings\\Temp\\iso\\WXPE\" -jlong "
                "-imax -optimize -volu winpe -out winpe.iso" },
            { "", "ultraiso -in pe2.iso -f \"iso\\WXPE\" -jlong -imax -optimize -volu winpe -out winpe.iso" },
        };
        for (auto const& test : cases)
            EXPECT_EQ(RebuildScriptFor(test.temp_dir), test.script) << test.temp_dir;
    }

    TEST(PrepareWorkspace, WritesTheToolTheProgramCarries)
    {
#ifndef TARNWELL_ISO_TOOL_FILE
        GTEST_SKIP() << "the ISO editing tool is not part of this build";
#else
        test::TempDirOverride temp;
        auto workspace = temp.workspace();
        PrepareWorkspace();
        auto tool = test::read_file_bytes(TARNWELL_ISO_TOOL_FILE);
        ASSERT_TRUE(tool.has_value());
        ASSERT_FALSE(tool->empty());
        EXPECT_TRUE(test::read_file_bytes(workspace / "ultraiso.exe") == tool);
        // Twice in a row: the same bytes again.
        PrepareWorkspace();
        EXPECT_TRUE(test::read_file_bytes(workspace / "ultraiso.exe") == tool);
#endif
    }

    TEST(ClearWorkspace, LeavesOnlyWhatTheDeletionsPassOver)
    {
        test::TempDirOverride temp;
        auto workspace = temp.workspace();
        PrepareWorkspace();
        for (auto const* name : { "pe.iso", "pe.src", "pe2.iso", "winpe.iso", "CED.ini", "iso/PECMD3.INI",
                 "iso/WXPE/SYSTEM32/TOOL/notes.exe", "iso/WXPE/SYSTEM32/TOOL/kept/readonly.txt", "iso/.svn/entries",
                 "Ultra$ISO/scratch.bin", "not-ours.txt" })
            test::write_file_bytes(workspace / name, "data");
        auto read_only = workspace / "iso/WXPE/SYSTEM32/TOOL/kept/readonly.txt";
        std::filesystem::permissions(read_only,
            std::filesystem::perms::owner_write | std::filesystem::perms::group_write
                | std::filesystem::perms::others_write,
            std::filesystem::perm_options::remove);
        auto before = test::tree_listing(workspace);

        ClearWorkspace();

        // The read-only file with the folders above it, and what is not the
        // workspace's; the "." folder goes with the rest.
        std::set<std::string> survivors = { "iso", "iso/WXPE", "iso/WXPE/SYSTEM32", "iso/WXPE/SYSTEM32/TOOL",
            "iso/WXPE/SYSTEM32/TOOL/kept", "iso/WXPE/SYSTEM32/TOOL/kept/readonly.txt", "not-ours.txt" };
        for (auto const& name : before) {
            if (name.starts_with("."))
                survivors.insert(name); // the platform's own files beside the workspace
        }
        EXPECT_EQ(test::tree_listing(workspace), survivors);
        std::filesystem::permissions(
            read_only, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    }

    TEST(ClearWorkspace, PassesOverWhatIsMissing)
    {
        test::TempDirOverride temp;
        auto workspace = temp.workspace();
        test::write_file_bytes(workspace / "pe2.iso", "last in the order");
        ClearWorkspace();
        EXPECT_FALSE(std::filesystem::exists(workspace / "pe2.iso"));
    }

}
}

#ifndef _WIN32
namespace tarnwell {
namespace {

    // The tool the workspace gets is the one the scripts start: "ucmd.cmd",
    // run from TempDir as the unpacking does, extracts an image there.
    TEST(PrepareWorkspace, TheWrittenToolRunsFromItsScript)
    {
        if (std::system("command -v genisoimage >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "genisoimage is not installed";
        test::TempDirOverride temp;
        auto workspace = temp.workspace();
        PrepareWorkspace();
        test::write_file_bytes(temp.root() / "image/WXPE/PECMD.INI", "LINK %Desktop%\\Notes,notes.exe\r\n");
        auto command = "timeout 60 genisoimage -quiet -J -o '" + (workspace / "pe.iso").string() + "' '"
            + (temp.root() / "image").string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        auto previous = std::filesystem::current_path();

        ASSERT_TRUE(ChangeDirectory(TempDir()));
        EXPECT_TRUE(RunAndWait(TempDir() + "ucmd.cmd"));
        std::filesystem::current_path(previous);

        EXPECT_EQ(test::read_file_bytes(workspace / "iso/WXPE/PECMD.INI"), "LINK %Desktop%\\Notes,notes.exe\r\n");
    }

}
}
#endif
