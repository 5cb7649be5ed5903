#pragma once

#include "app/program.h"

namespace tarnwell {

// Every event of the main window bound to its handler.
EventHandlers tarnwell_event_handlers();

}
