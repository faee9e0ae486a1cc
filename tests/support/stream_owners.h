// uvcvideo's one streamer per node: the open file that takes a node's
// buffers (VIDIOC_REQBUFS) owns its stream until it frees them or is
// closed; meanwhile another file's VIDIOC_REQBUFS, VIDIOC_S_FMT and
// VIDIOC_STREAMON get EBUSY. The testbed's ioctl dispatch answers here.
#pragma once

#include <map>
#include <string>

class StreamOwners {
public:
    static bool Handles(unsigned long request);
    // `request` from `file` on `node`, with its argument; 0 or the errno.
    int Request(const std::string& node, const void* file, unsigned long request, void* arg);
    void Closed(const void* file);  // what the file owned is free

private:
    struct Stream { const void* owner = nullptr; bool streaming = false; };
    std::map<std::string, Stream> streams_;
};
