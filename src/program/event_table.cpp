#include "program/event_table.h"

#include "config/load_configuration.h"
#include "image/repackage_image.h"
#include "image/unpack_image.h"
#include "software/add_software.h"
#include "software/remove_software.h"

namespace tarnwell {

EventHandlers tarnwell_event_handlers()
{
    return {
        .按钮2_click = ChooseProgramFolder,
        .按钮3_click = RepackageImage,
        .按钮4_click = UnpackImage,
        .按钮5_click = TakeShortcutOffList,
        .按钮6_click = ConfirmRemoval,
        .按钮7_click = AddProgram,
        .列表框1_double_click = PickMainExecutable,
        .编辑框5_text_changed = LoadConfiguration,
    };
}

}
