#include "platform/node_claim.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>

namespace {

// A signal can cut an ioctl short; it is sent again, but never endlessly.
constexpr int kMostInterruptedTries = 16;

// VIDIOC_REQBUFS for the capture queue; 0 or the errno.
int RequestBuffers(int fd, unsigned count) {
    v4l2_requestbuffers request;
    std::memset(&request, 0, sizeof request);
    request.count = count;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    for (int tries = 0; tries < kMostInterruptedTries; ++tries) {
        if (ioctl(fd, VIDIOC_REQBUFS, &request) == 0) return 0;
        if (errno != EINTR) return errno;
    }
    return EINTR;
}

}  // namespace

NodeClaim::~NodeClaim() {
    ReleaseQueue();
    for (const auto& node : locked_) close(node.second);
}

bool NodeClaim::Lock(const std::string& node) {
    if (locked_.count(node)) return true;
    // A lock on the node itself, not on a file somewhere that two users
    // may each find in a different place.
    const int fd = open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        close(fd);
        return !held;
    }
    locked_[node] = fd;
    return true;
}

QueueClaim NodeClaim::TakeQueue(const std::string& node, std::string* log) {
    const auto found = locked_.find(node);
    const int err = found == locked_.end() ? EBADF : RequestBuffers(found->second, 1);
    if (err == 0) {
        queueFd_ = found->second;
        return QueueClaim::Taken;
    }
    if (err == EBUSY) return QueueClaim::InUse;
    if (log) *log += "VIDIOC_REQBUFS on " + node + ": " + std::strerror(err) + "; the stream is not held.\r\n";
    return QueueClaim::Unknown;
}

void NodeClaim::ReleaseQueue() {
    if (queueFd_ < 0) return;
    RequestBuffers(queueFd_, 0);
    queueFd_ = -1;
}
