#include "platform/state_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr mode_t kFolderMode = 0755;
constexpr mode_t kFileMode = 0644;  // a record says nothing secret; any user may list it

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string Failed(const std::string& what, const std::string& path) {
    return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

const char kStateFolderRule[] = "$STATE_DIRECTORY when set, else /var/lib/korvane-update for root, else "
                                "~/.local/state/korvane-update";

std::string SystemDataFolder() { return ""; }

std::string StateFolder() {
    const std::string systemd = Env("STATE_DIRECTORY");
    if (!systemd.empty()) return systemd.substr(0, systemd.find(':'));
    if (geteuid() == 0) return "/var/lib/korvane-update";
    const std::string xdg = Env("XDG_STATE_HOME");
    if (!xdg.empty()) return xdg + "/korvane-update";
    const std::string home = Env("HOME");
    if (!home.empty()) return home + "/.local/state/korvane-update";
    return "";
}

std::string FileIn(const std::string& folder, const std::string& name) { return folder + "/" + name; }

bool MakeFolders(const std::string& path, std::string* why) {
    if (path.empty()) {
        *why = "no folder to keep state in (neither HOME nor STATE_DIRECTORY is set)";
        return false;
    }
    for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), kFolderMode) != 0 && errno != EEXIST) {
            *why = Failed("create", part);
            return false;
        }
        if (at == std::string::npos) break;
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        *why = Failed("use", path);
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& contents, std::string* why) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0) {
        *why = Failed("create", temporary);
        return false;
    }
    bool ok = fchmod(fd, kFileMode) == 0;
    for (size_t done = 0; ok && done < contents.size();) {
        const ssize_t wrote = write(fd, contents.data() + done, contents.size() - done);
        ok = wrote > 0 || (wrote < 0 && errno == EINTR);
        if (wrote > 0) done += size_t(wrote);
    }
    ok = ok && fsync(fd) == 0;
    if (!ok) *why = Failed("write", temporary);
    if (close(fd) != 0 && ok) {
        *why = Failed("write", temporary);
        ok = false;
    }
    if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
        *why = Failed("replace", path);
        ok = false;
    }
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder's entry.
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}
