#include "app/event_table.h"

#ifdef TARNWELL_WITH_CONFIG_HANDLERS
#    include "config/load_configuration.h"
#endif

namespace tarnwell {

// One line per event binds a subsystem's handler once the subsystem is part
// of the build; the events of the others stay without effect.
EventHandlers program_event_handlers()
{
    EventHandlers handlers;
#ifdef TARNWELL_WITH_CONFIG_HANDLERS
    handlers.编辑框5_text_changed = LoadConfiguration;
#endif
    return handlers;
}

}
