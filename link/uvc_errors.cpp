#include "link/uvc_errors.h"

#include <errno.h>

#include <cstring>

#include "link/xu_channel.h"

namespace {

struct ErrnoRow {
    int err;
    const char* name;
    const char* meaning;
    long win32;  // the Windows error of the same meaning
};

// What UVCIOC_CTRL_QUERY answers: the driver's own refusals, the USB
// transfer's failures, and the camera's request error code after a stall
// (not ready, wrong state, power, out of range, invalid).
constexpr ErrnoRow kQueryRows[] = {
    // Also what the driver answers when the camera failed the GET_LEN or
    // GET_INFO it sends itself at a control's first use.
    {ENOENT, "ENOENT", "no such unit or control, or the camera failed its first GET_LEN or GET_INFO",
     1168 /* ERROR_NOT_FOUND */},
    {ENOBUFS, "ENOBUFS", "size mismatch", kWin32BadLength},
    {EBADRQC, "EBADRQC", "the control does not take this request", 50 /* ERROR_NOT_SUPPORTED */},
    {ENOTTY, "ENOTTY", "the node takes no extension-unit request", 50 /* ERROR_NOT_SUPPORTED */},
    {EPIPE, "EPIPE", "the device stalled", 31 /* ERROR_GEN_FAILURE */},
    {EBUSY, "EBUSY", "the device is busy", 170 /* ERROR_BUSY */},
    {EACCES, "EACCES", "the device refused it in its current state", 5023 /* ERROR_INVALID_STATE */},
    {EREMOTE, "EREMOTE", "the device refused it for power", 21 /* ERROR_NOT_READY */},
    {ERANGE, "ERANGE", "the device found the value out of range", 87 /* ERROR_INVALID_PARAMETER */},
    {EINVAL, "EINVAL", "the device found the request invalid", 87 /* ERROR_INVALID_PARAMETER */},
    {ETIMEDOUT, "ETIMEDOUT", "the device did not answer in time", 121 /* ERROR_SEM_TIMEOUT */},
    {EPROTO, "EPROTO", "USB protocol error, often the device going away", 1117 /* ERROR_IO_DEVICE */},
    {EILSEQ, "EILSEQ", "the transfer arrived garbled", 23 /* ERROR_CRC */},
    {EIO, "EIO", "input/output error", 1117 /* ERROR_IO_DEVICE */},
    {ESHUTDOWN, "ESHUTDOWN", "unplugged", kWin32DeviceNotConnected},
    {ENODEV, "ENODEV", "unplugged", kWin32DeviceNotConnected},
    {EINTR, "EINTR", "interrupted, too often", 995 /* ERROR_OPERATION_ABORTED */},
};

constexpr ErrnoRow kOpenRows[] = {
    {EACCES, "EACCES", "no permission on the node", 5 /* ERROR_ACCESS_DENIED */},
    {EPERM, "EPERM", "no permission on the node", 5 /* ERROR_ACCESS_DENIED */},
    {ENOENT, "ENOENT", "no such node", 2 /* ERROR_FILE_NOT_FOUND */},
    {ENODEV, "ENODEV", "unplugged", kWin32DeviceNotConnected},
    {EBUSY, "EBUSY", "the device is busy", 170 /* ERROR_BUSY */},
};

template <size_t N>
const ErrnoRow* Find(const ErrnoRow (&rows)[N], int err) {
    for (const ErrnoRow& row : rows)
        if (row.err == err) return &row;
    return nullptr;
}

std::string Text(const ErrnoRow* row, int err) {
    if (row) return std::string(row->name) + " (" + row->meaning + ")";
    return "errno " + std::to_string(err) + " (" + std::strerror(err) + ")";
}

}  // namespace

std::string UvcErrnoText(int err) { return Text(Find(kQueryRows, err), err); }

std::string UvcOpenErrnoText(int err) { return Text(Find(kOpenRows, err), err); }

HRESULT UvcErrnoResult(int err) {
    const ErrnoRow* row = Find(kQueryRows, err);
    return row ? HRESULT_FROM_WIN32(row->win32) : E_FAIL;
}
