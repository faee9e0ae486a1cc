#include "tests/support/stream_owners.h"

#include <errno.h>
#include <linux/videodev2.h>

bool StreamOwners::Handles(unsigned long r) {
    return r == VIDIOC_REQBUFS || r == VIDIOC_S_FMT || r == VIDIOC_STREAMON;
}

int StreamOwners::Request(const std::string& node, const void* file, unsigned long request, void* arg) {
    Stream& stream = streams_[node];
    if (stream.owner && isOpen && !isOpen(stream.owner)) stream = Stream();
    if (stream.owner && stream.owner != file) return EBUSY;
    if (request == VIDIOC_S_FMT) return stream.streaming ? EBUSY : 0;
    if (request == VIDIOC_STREAMON) {
        stream.streaming = stream.owner != nullptr;
        return stream.streaming ? 0 : EINVAL;  // no buffers to stream into
    }
    const auto* buffers = static_cast<v4l2_requestbuffers*>(arg);
    if (buffers->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || buffers->memory != V4L2_MEMORY_MMAP) return EINVAL;
    if (stream.streaming) return EBUSY;  // buffers in use
    stream.owner = buffers->count > 0 ? file : nullptr;
    return 0;
}
