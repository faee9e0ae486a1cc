#include <windows.h>

#include "platform/instance_lock.h"
#include "platform/instance_mutex.h"

LockResult TakeInstanceLock(std::string* where) {
    *where = kInstanceMutex;
    SetLastError(ERROR_SUCCESS);
    // Never closed: the system lets go of it when the process ends.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutex);
    if (!mutex) return LockResult::Unavailable;
    return GetLastError() == ERROR_ALREADY_EXISTS ? LockResult::Busy : LockResult::Held;
}
