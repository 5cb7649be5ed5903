#include "app/event_table.h"

#ifdef TARNWELL_WITH_CONFIG_HANDLERS
#    include "config/load_configuration.h"
#endif
#ifdef TARNWELL_WITH_IMAGE_HANDLERS
#    include "image/repackage_image.h"
#    include "image/unpack_image.h"
#endif
#ifdef TARNWELL_WITH_SOFTWARE_HANDLERS
#    include "software/add_software.h"
#    include "software/remove_software.h"
#endif

namespace tarnwell {

// One line binds one event to its handler, for each subsystem this build
// has; the events of the others stay without effect.
EventHandlers program_event_handlers()
{
    EventHandlers handlers;
#ifdef TARNWELL_WITH_CONFIG_HANDLERS
    handlers.编辑框5_text_changed = LoadConfiguration;
#endif
#ifdef TARNWELL_WITH_IMAGE_HANDLERS
    handlers.按钮4_click = UnpackImage;
    handlers.按钮3_click = RepackageImage;
#endif
#ifdef TARNWELL_WITH_SOFTWARE_HANDLERS
    handlers.按钮2_click = ChooseProgramFolder;
    handlers.列表框1_double_click = PickMainExecutable;
    handlers.按钮7_click = AddProgram;
    handlers.按钮5_click = TakeShortcutOffList;
    handlers.按钮6_click = ConfirmRemoval;
#endif
    return handlers;
}

}
