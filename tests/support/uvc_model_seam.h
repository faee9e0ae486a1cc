// Points the Linux channel's ioctl straight at a uvcvideo model: the same
// requests and answers as through umockdev, without its socket round trip.
#pragma once

#include <errno.h>
#include <linux/uvcvideo.h>

#include "link/uvc_node_control.h"
#include "tests/support/uvc_driver_model.h"

inline UvcDriverModel* gSeamModel = nullptr;

inline int SeamIoctl(int, unsigned long request, void* arg) {
    if (request != UVCIOC_CTRL_QUERY || !gSeamModel) {
        errno = ENOTTY;
        return -1;
    }
    auto* q = static_cast<uvc_xu_control_query*>(arg);
    int err = 0;
    if (gSeamModel->Query(q->unit, q->selector, q->query, q->size, q->data, &err) == 0) return 0;
    errno = err;
    return -1;
}

class ScopedModelSeam {
public:
    explicit ScopedModelSeam(UvcDriverModel& model) : previousModel_(gSeamModel) {
        gSeamModel = &model;
        previous_ = SetUvcIoctl(SeamIoctl);
    }
    ~ScopedModelSeam() {
        SetUvcIoctl(previous_);
        gSeamModel = previousModel_;
    }
    ScopedModelSeam(const ScopedModelSeam&) = delete;
    ScopedModelSeam& operator=(const ScopedModelSeam&) = delete;

private:
    UvcDriverModel* previousModel_;
    UvcIoctlFn previous_ = nullptr;
};
