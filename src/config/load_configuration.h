#pragma once

// The handlers of the startup configuration. Both take the configuration's
// path from `编辑框5` and work on the running program's main window.

namespace tarnwell {

// Cleans the configuration of blank and comment lines, lists its shortcut
// entries in `超级列表框1` (display names) and `超级列表框2` (whole lines),
// rebuilds the shortcut block in `编辑框6`, empties the kept block in `编辑框7`,
// then regroups. Bound to the text-changed event of `编辑框5`.
void LoadConfiguration();

// Gathers the configuration's shortcut lines into one block at the place of
// the first Programs or Desktop line, reading the text through the scratch
// copy TempDir + "iso\PECMD3.INI".
void RegroupShortcuts();

}
