#pragma once

// Which window messages are the user's input that the program must not act
// on while one of its handlers runs (the handler lets waiting messages run
// through ProcessEvents). Dropped: keys typed into the window and mouse
// buttons and wheels over its client area, so no button, list or edit box
// reacts. Kept: painting and every other message, the pointer's moves, and
// the frame's own input (title bar, close button, Alt+F4 and the system
// menu), so the window can still be moved and a close request still reaches
// the program, which defers it.

namespace tarnwell::win32 {

bool is_input_dropped_while_busy(unsigned message);

}
