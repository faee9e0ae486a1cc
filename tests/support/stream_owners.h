// uvcvideo's one streamer per node: the open file that takes a node's
// buffers (VIDIOC_REQBUFS) owns its stream until it frees them (count 0)
// or is closed; meanwhile another file's VIDIOC_REQBUFS, VIDIOC_S_FMT and
// VIDIOC_STREAMON get EBUSY. The testbed's ioctl dispatch answers these
// requests here.
#pragma once

#include <map>
#include <string>

class StreamOwners {
public:
    // Whether `request` is one of the stream's requests.
    static bool Handles(unsigned long request);
    // Answers it for `file` on `node`; `arg` is the request's argument.
    // Returns 0 or the errno.
    int Request(const std::string& node, const void* file, unsigned long request, void* arg);
    // The file is closed: what it owned is free.
    void Closed(const void* file);

private:
    struct Stream {
        const void* owner = nullptr;
        bool streaming = false;
    };
    std::map<std::string, Stream> streams_;
};
