#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/instance_lock.h"

namespace {

// The lock's own name, the same for every program that takes it (as the
// mutex's is on Windows); the manual page names it.
constexpr const char* kLockName = "korvane-update.lock";

// A record is three short lines; more than this is not one.
constexpr size_t kRecordMax = 256;

// The lock held by this process, and the name its record gives.
int heldFd = -1;
std::string heldProgram;

// The lock file in dir, opened; -1 when it cannot be.
int OpenIn(const std::string& dir, std::string* where) {
    if (dir.empty()) return -1;
    *where = dir + "/" + kLockName;
    // Never through a link another user planted in a shared folder.
    const int fd = open(where->c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    // flock needs no write access: a lock file another user made still counts.
    return fd >= 0 ? fd : open(where->c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

// Rewritten in place, then cut to its length: a reader meanwhile sees the
// new record, perhaps with the old one's tail after its three lines, which
// it ignores. A descriptor opened read-only writes nothing.
void WriteRecord(int fd, const std::string& record) {
    if (pwrite(fd, record.data(), record.size(), 0) == ssize_t(record.size()))
        (void)!ftruncate(fd, off_t(record.size()));
}

// The record in the file, when its process still lives: a holder that could
// not write (a lock file another user made) leaves an earlier run's record.
void ReadHolder(int fd, LockHolder* holder) {
    char text[kRecordMax];
    const ssize_t got = pread(fd, text, sizeof text, 0);
    LockHolder read;
    if (got <= 0 || !ReadLockRecord(std::string(text, size_t(got)), &read)) return;
    if (kill(pid_t(read.process), 0) == 0 || errno == EPERM) *holder = read;
}

}  // namespace

LockResult TakeInstanceLock(const std::string& program, std::string* where, LockHolder* holder) {
    // /run/lock is the system's place for such locks; a user without write
    // access there still gets one lock per login through XDG_RUNTIME_DIR.
    // Runs that lock in different places still exclude each other on one
    // camera: each also locks the camera's node.
    if (heldFd >= 0) return LockResult::Held;  // a window's second run, after the first
    int fd = OpenIn("/run/lock", where);
    if (fd < 0) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        fd = OpenIn(runtime ? runtime : "", where);
    }
    if (fd < 0) return LockResult::Unavailable;
    // The descriptor stays open for the life of the process: that is the lock.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        heldFd = fd;
        heldProgram = program;
        SetLockPhase(LockPhase::Checking);
        return LockResult::Held;
    }
    const int err = errno;
    if (err == EWOULDBLOCK) ReadHolder(fd, holder);
    close(fd);
    return err == EWOULDBLOCK ? LockResult::Busy : LockResult::Unavailable;
}

void SetLockPhase(LockPhase phase) {
    if (heldFd >= 0) WriteRecord(heldFd, LockRecordText(heldProgram, static_cast<unsigned long>(getpid()), phase));
}
