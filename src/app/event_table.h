#pragma once

#include "app/program.h"

namespace tarnwell {

// The event table of the program: every handler of the subsystems that this
// build has, bound to its event.
EventHandlers program_event_handlers();

}
