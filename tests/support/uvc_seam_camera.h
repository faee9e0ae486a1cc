// The simulated camera as a capture device on the Linux channel, without
// umockdev: the channel's ioctl goes straight to a uvcvideo model over the
// camera. Lives as long as the requests it answers.
#pragma once

#include <memory>
#include <string>

#include "link/uvc_node_control.h"
#include "tests/support/sim_camera_source.h"
#include "tests/support/uvc_driver_model.h"
#include "tests/support/uvc_model_seam.h"

// The unit ID the camera's descriptors give; not the Windows node 2.
constexpr uint8_t kSeamCameraUnit = 4;

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
