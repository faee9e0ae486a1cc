#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/instance_lock.h"

namespace {

// The lock's own name, the same for every program that takes it (as the
// mutex's is on Windows); the manual page names it.
constexpr const char* kLockName = "korvane-update.lock";

// The lock file in dir, opened; -1 when it cannot be.
int OpenIn(const std::string& dir, std::string* where) {
    if (dir.empty()) return -1;
    *where = dir + "/" + kLockName;
    // Never through a link another user planted in a shared folder.
    const int fd = open(where->c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    // flock needs no write access: a lock file another user made still counts.
    return fd >= 0 ? fd : open(where->c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

}  // namespace

LockResult TakeInstanceLock(std::string* where) {
    // /run/lock is the system's place for such locks; a user without write
    // access there still gets one lock per login through XDG_RUNTIME_DIR.
    // Runs that lock in different places still exclude each other on one
    // camera: each also locks the camera's node.
    int fd = OpenIn("/run/lock", where);
    if (fd < 0) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        fd = OpenIn(runtime ? runtime : "", where);
    }
    if (fd < 0) return LockResult::Unavailable;
    // The descriptor stays open for the life of the process: that is the lock.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return LockResult::Held;
    const int err = errno;
    close(fd);
    return err == EWOULDBLOCK ? LockResult::Busy : LockResult::Unavailable;
}
