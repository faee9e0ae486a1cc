#include "platform/system_words.h"

const char kProgramFileSuffix[] = ".exe";
const char kLogFileExample[] = "%ProgramData%\\korvane-update.log";
const char kCameraAccessWords[] =
    "The camera could not be opened: access denied (see the camera privacy settings, or run as an "
    "administrator).";
const char kCameraAccessMeaning[] = "the camera could not be opened: access denied";
