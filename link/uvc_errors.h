// What an errno from uvcvideo or from opening its node means: the text a
// log line names it by, and the failure it becomes for the layers above.
#pragma once

#include <string>

#include "platform/win_types.h"

// "ENOBUFS (size mismatch)": an errno that UVCIOC_CTRL_QUERY answered. An
// errno without a meaning of its own is named by number and the system's text.
std::string UvcErrnoText(int err);
// The same for an errno from opening the node, where EACCES and EPERM are
// the node's permissions (from the ioctl EACCES is the camera's own "wrong
// state" answer to a stalled request).
std::string UvcOpenErrnoText(int err);

// Always a failure, whatever err is.
HRESULT UvcErrnoResult(int err);

// What a failed run says when the camera answered a control's length
// differently from the length uvcvideo fixed at the control's first use:
// the driver keeps that length until the camera is unplugged.
constexpr const char kLengthFixedByDriver[] =
    "the driver fixed this control's length at its first use; unplug and replug the camera and run again";
