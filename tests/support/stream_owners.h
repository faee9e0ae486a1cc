// uvcvideo's one streamer per node: the open file that takes a node's
// buffers (VIDIOC_REQBUFS) owns its stream until it frees them or is
// closed; meanwhile another file's VIDIOC_REQBUFS, VIDIOC_S_FMT and
// VIDIOC_STREAMON get EBUSY. The testbed's ioctl dispatch answers here.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class StreamOwners {
public:
    static bool Handles(unsigned long request);
    // `request` from `file` on `node`, with its argument; 0 or the errno.
    int Request(const std::string& node, const void* file, unsigned long request, void* arg);
    std::function<bool(const void* file)> isOpen;  // a closed file owns nothing
    std::vector<std::shared_ptr<void>> held;       // keeps the files asked about alive

private:
    struct Stream { const void* owner = nullptr; bool streaming = false; };
    std::map<std::string, Stream> streams_;
};
