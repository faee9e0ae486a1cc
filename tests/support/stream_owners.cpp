#include "tests/support/stream_owners.h"

#include <errno.h>
#include <linux/videodev2.h>

bool StreamOwners::Handles(unsigned long request) {
    return request == VIDIOC_REQBUFS || request == VIDIOC_S_FMT || request == VIDIOC_STREAMON ||
           request == VIDIOC_STREAMOFF;
}

int StreamOwners::Request(const std::string& node, const void* file, unsigned long request, void* arg) {
    Stream& stream = streams_[node];
    if (stream.owner && stream.owner != file) return EBUSY;
    switch (request) {
    case VIDIOC_REQBUFS: {
        auto* buffers = static_cast<v4l2_requestbuffers*>(arg);
        if (buffers->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || buffers->memory != V4L2_MEMORY_MMAP)
            return EINVAL;
        if (buffers->count > 0 && stream.streaming) return EBUSY;
        stream.owner = buffers->count > 0 ? file : nullptr;
        stream.streaming = false;
        return 0;
    }
    case VIDIOC_S_FMT:
        return stream.streaming ? EBUSY : 0;
    case VIDIOC_STREAMON:
    case VIDIOC_STREAMOFF:
        if (!stream.owner) return EINVAL;  // no buffers to stream into
        stream.streaming = request == VIDIOC_STREAMON;
        return 0;
    }
    return ENOTTY;
}

void StreamOwners::Closed(const void* file) {
    for (auto& node : streams_)
        if (node.second.owner == file) node.second = Stream();
}
