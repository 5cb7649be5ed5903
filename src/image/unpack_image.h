#pragma once

// Turning the chosen IS_ file into the work tree and finding the PE shell's
// startup configuration in it.

#include <string_view>

namespace tarnwell {

// The click handler of `按钮4`: expands the IS_ file named in `编辑框1` to
// TempDir + "pe.iso" and extracts it into TempDir + "iso" (unless the
// workspace already holds that same file unpacked), then searches the tree
// for "PECMD.ini" and lists its shortcuts.
void UnpackImage();

// Depth first: a directory's own "PECMD.ini" before its subdirectories; every
// match is written to `编辑框5` (so the last one written stays), and a visit
// goes below its directory only while `编辑框5` is still empty.
void FindConfigFile(std::string_view directory);

}
