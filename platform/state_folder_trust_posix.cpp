#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/state_folder.h"

namespace {

bool TrustedOwner(uid_t owner) { return owner == 0 || owner == geteuid(); }

// Why what info describes may have been written by another account; "" when
// it cannot.
std::string OtherWriter(const struct stat& info, const std::string& path) {
    if (!TrustedOwner(info.st_uid))
        return path + " belongs to another account (uid " + std::to_string(info.st_uid) + ")";
    if (info.st_mode & (S_IWGRP | S_IWOTH)) return path + " can be written by other accounts";
    return "";
}

std::string Failed(const std::string& path, int error) {
    return "cannot read " + path + ": " + std::strerror(error);
}

// The folder, opened when it is to be trusted; -1 otherwise.
int OpenFolder(const std::string& folder, std::string* why) {
    struct stat link;
    if (lstat(folder.c_str(), &link) != 0) {
        if (errno != ENOENT) *why = Failed(folder, errno);
        return -1;
    }
    if (S_ISLNK(link.st_mode) && !TrustedOwner(link.st_uid)) {
        *why = folder + " is a link another account made";
        return -1;
    }
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat info;
    if (dir < 0 || fstat(dir, &info) != 0) {
        if (errno != ENOENT) *why = Failed(folder, errno);
    } else {
        *why = OtherWriter(info, folder);
        // The folder above it: whoever may write there may put another
        // folder in this one's place (unless the sticky bit forbids it).
        struct stat above;
        if (why->empty() && fstatat(dir, "..", &above, 0) != 0) *why = Failed(folder + "/..", errno);
        else if (why->empty() && !(above.st_mode & S_ISVTX)) *why = OtherWriter(above, folder + "/..");
    }
    if (dir >= 0 && why->empty()) return dir;
    if (dir >= 0) close(dir);
    return -1;
}

}  // namespace

std::FILE* OpenStateFile(const std::string& folder, const char* name, uint64_t* bytes, std::string* why) {
    why->clear();
    const int dir = OpenFolder(folder, why);
    if (dir < 0) return nullptr;
    const std::string path = folder + "/" + name;
    // Not blocking on a FIFO planted there; the file type is judged below.
    const int fd = openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    const int error = errno;
    close(dir);
    if (fd < 0) {
        if (error == ELOOP) *why = path + " is a link";
        else if (error != ENOENT) *why = Failed(path, error);
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) *why = Failed(path, errno);
    else if (!S_ISREG(info.st_mode)) *why = path + " is not a plain file";
    else *why = OtherWriter(info, path);
    std::FILE* file = why->empty() ? fdopen(fd, "rb") : nullptr;
    if (!file) {
        if (why->empty()) *why = Failed(path, errno);
        close(fd);
        return nullptr;
    }
    *bytes = uint64_t(info.st_size);
    return file;
}
