#pragma once

namespace tarnwell {

// The click handler of `按钮3`: rebuilds the ISO with the work tree's "WXPE"
// folder, compresses it into RunDir + "\WINPE.IS_" (LZX with a 2 MiB window
// when `选择框1` is checked), takes the optional backup to RunDir +
// "\winpe.bak", reports the outcome and resets the window.
void RepackageImage();

}
