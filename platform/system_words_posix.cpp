#include "platform/system_words.h"

const char kProgramFileSuffix[] = "";
const char kLogFileExample[] = "/var/log/korvane-update.log";
const char kCameraAccessWords[] =
    "A camera's device node could not be opened: permission denied (run as root, or join the group that owns "
    "the node).";
const char kCameraAccessMeaning[] = "no permission to open the camera's device node";
