// Puts the system's camera source in place for the program's life: the
// uvcvideo source on Linux (one node when the user named one), DirectShow
// on Windows (with COM for the main thread, as the window has it).
#pragma once

#include <memory>
#include <string>
#include <vector>

class SystemCamera {
public:
    // `log` is the update core's transfer log.
    SystemCamera(std::string* log, const std::string& onlyNode);
    ~SystemCamera();
    SystemCamera(const SystemCamera&) = delete;
    SystemCamera& operator=(const SystemCamera&) = delete;

    // The opened camera's node or moniker.
    std::string Path() const;
    // A camera's node could not be opened for want of permission.
    bool PermissionDenied() const;
    // What the source told the user in its last walk.
    std::vector<std::string> Notes() const;
    // The opened camera may suspend between requests (Linux USB autosuspend).
    bool MaySuspend() const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};
