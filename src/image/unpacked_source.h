#pragma once

// Which IS_ file the workspace's "pe.iso" and work tree were unpacked from:
// its path, size and modification time, recorded beside "pe.iso" in
// TempDir + "pe.src".

#include "text/text.h"

#include <string_view>

namespace tarnwell {

// True when "pe.iso" exists and was unpacked from this very file, unchanged
// since.
bool workspace_holds(std::string_view image_file);
void record_unpacked_source(std::string_view image_file);
// Removes "pe.iso", the work tree and the record.
void discard_unpacked_image();

}
