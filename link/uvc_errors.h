// What an errno from uvcvideo or from opening its node means: the text a
// log line names it by, and the failure it becomes for the layers above.
#pragma once

#include <string>

#include "platform/win_types.h"

// "ENOBUFS (size mismatch)"; an errno without a meaning of its own is
// named by number and the system's text.
std::string UvcErrnoText(int err);

// Always a failure, whatever err is.
HRESULT UvcErrnoResult(int err);
