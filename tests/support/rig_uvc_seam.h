// The Linux channel's ioctl pointed straight at a uvcvideo model: the same
// requests and answers as through umockdev, without its socket round trip.
// And the simulated camera so reached as a capture device.
#pragma once

#include <errno.h>
#include <linux/uvcvideo.h>

#include <string>
#include <utility>

#include "link/uvc_node_control.h"
#include "tests/support/rig_source.h"
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

using ScopedIoctl = Scoped<UvcIoctlFn, SetUvcIoctl>;

inline UvcDriverModel* SetSeamModel(UvcDriverModel* model) {
    std::swap(model, gSeamModel);
    return model;
}

// The ioctl at the model for one scope.
struct ScopedModelSeam {
    explicit ScopedModelSeam(UvcDriverModel& model) : model_(&model) {}

    Scoped<UvcDriverModel*, SetSeamModel> model_;
    ScopedIoctl ioctl_{SeamIoctl};
};

// The unit ID the camera's descriptors give; not the Windows node 2.
constexpr uint8_t kSeamCameraUnit = 4;

// Lives as long as the requests it answers.
struct SeamCamera {
    explicit SeamCamera(simcam::SimCamera& sim) : model(sim, kSeamCameraUnit), seam(model) {}

    // A capture device whose control carries requests as uvcvideo queries;
    // failed queries are logged to *log.
    ListedSource::Device Device(std::string* log) {
        return {[log](CaptureDevice* d) {
            // No open file behind it (-1): the seam answers every fd alike.
            d->control.Attach(new UvcNodeControl(-1, log));
            d->nodeId = kSeamCameraUnit;
            return S_OK;
        }};
    }

    UvcDriverModel model;
    ScopedModelSeam seam;
};
