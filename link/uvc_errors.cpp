#include "link/uvc_errors.h"

#include <errno.h>

#include <cstring>

namespace {

struct ErrnoRow {
    int err;
    const char* name;
    const char* meaning;
    long win32;  // the Windows error of the same meaning
};

constexpr ErrnoRow kRows[] = {
    {ENOENT, "ENOENT", "no such unit or control", 1168 /* ERROR_NOT_FOUND */},
    {ENOBUFS, "ENOBUFS", "size mismatch", 24 /* ERROR_BAD_LENGTH */},
    {EPIPE, "EPIPE", "the device stalled", 31 /* ERROR_GEN_FAILURE */},
    {ETIMEDOUT, "ETIMEDOUT", "the device did not answer in time", 121 /* ERROR_SEM_TIMEOUT */},
    {ENODEV, "ENODEV", "unplugged", 1167 /* ERROR_DEVICE_NOT_CONNECTED */},
    {ESHUTDOWN, "ESHUTDOWN", "unplugged", 1167 /* ERROR_DEVICE_NOT_CONNECTED */},
    {EACCES, "EACCES", "no permission on the node", 5 /* ERROR_ACCESS_DENIED */},
    {EPERM, "EPERM", "no permission on the node", 5 /* ERROR_ACCESS_DENIED */},
    {EBUSY, "EBUSY", "the device is busy", 170 /* ERROR_BUSY */},
    {EINTR, "EINTR", "interrupted, too often", 995 /* ERROR_OPERATION_ABORTED */},
};

const ErrnoRow* Find(int err) {
    for (const ErrnoRow& row : kRows)
        if (row.err == err) return &row;
    return nullptr;
}

}  // namespace

std::string UvcErrnoText(int err) {
    if (const ErrnoRow* row = Find(err)) return std::string(row->name) + " (" + row->meaning + ")";
    return "errno " + std::to_string(err) + " (" + std::strerror(err) + ")";
}

HRESULT UvcErrnoResult(int err) {
    const ErrnoRow* row = Find(err);
    return row ? HRESULT_FROM_WIN32(row->win32) : E_FAIL;
}
