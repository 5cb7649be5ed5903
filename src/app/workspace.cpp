#include "app/workspace.h"
#include "platform/files.h"

#include <array>

extern "C" {
// The tool's bytes, put into the program by the build (embedded_iso_tool.S).
extern unsigned char const tarnwell_iso_tool_begin[];
extern unsigned char const tarnwell_iso_tool_end[];
}

namespace tarnwell {

namespace {

    constexpr std::string_view rebuild_template
        = "ultraiso -in pe2.iso -f \"\\TOOLS\" -jlong -imax -optimize -volu winpe -out winpe.iso";
    constexpr std::string_view extract_script = "ultraiso -silent -in pe.iso -extract \"iso\"";
    constexpr std::string_view remove_script
        = "ultraiso -in pe.iso -rm \"/WXPE\" -jlong -imax -optimize -volu winpe -out pe2.iso";

    // TempDir is asked anew for every path: the platform reports it at each use.
    Text in_temp_dir(std::string_view name)
    {
        return TempDir() + Text(name);
    }

}

std::span<unsigned char const> EmbeddedIsoTool()
{
    return { tarnwell_iso_tool_begin, tarnwell_iso_tool_end };
}

Text RebuildScriptFor(std::string_view temp_dir)
{
    return ReplaceAll(rebuild_template, "\\TOOLS", Text(temp_dir) + "iso\\WXPE");
}

void PrepareWorkspace()
{
    auto tool = EmbeddedIsoTool();
    WriteFileBytes(in_temp_dir("ultraiso.exe"), ByteData(tool.begin(), tool.end()));
    auto rebuild_script = RebuildScriptFor(TempDir());
    WriteFileBytes(in_temp_dir("pcmd.cmd"), ToBytes(rebuild_script));
    WriteFileBytes(in_temp_dir("ucmd.cmd"), ToBytes(extract_script));
    WriteFileBytes(in_temp_dir("pcmd2.cmd"), ToBytes(remove_script));
}

void ClearWorkspace()
{
    DeleteTree(in_temp_dir("iso"));
    DeleteTree(in_temp_dir("Ultra$ISO"));
    // "pe.src" records which IS_ file "pe.iso" was unpacked from.
    constexpr std::array files { "ultraiso.exe", "winpe.iso", "pe.iso", "pcmd.cmd", "ucmd.cmd", "CED.ini", "pcmd2.cmd",
        "pe2.iso", "pe.src" };
    for (auto const* name : files)
        DeleteFilePath(in_temp_dir(name));
}

}
