// A camera device object whose channel reaches the simulated camera by one
// of the two driver paths, and helpers to find requests in its record.
#pragma once

#include <cstddef>
#include <vector>

#include "chip/cam_device.h"
#include "link/xu_channel.h"
#include "simcam/sim_camera.h"

struct SimDevice {
    explicit SimDevice(simcam::Path path = simcam::Path::KsNode) {
        pExt = new CXuChannel;
        if (path == simcam::Path::KsNode) {
            pExt->AttachKsControl(sim.NewKsControl(), 2);
            pExt->mode = ChannelMode::UvcNode;
        } else {
            pExt->AttachDriverInterface(sim.NewDriverXu());
            pExt->mode = ChannelMode::PrivateDriver;
        }
    }
    // A rig made inside another takes pExt over for its lifetime only.
    ~SimDevice() {
        device.CloseChannel();
        pExt = previous;
    }
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    CXuChannel* previous = pExt;
    CCamDevice device;  // its constructor clears pExt

    simcam::SimCamera sim;
};

// Index in the record of the nth (from 0) request of this kind to selector,
// or the record's size when there is none.
inline size_t FindRequest(const std::vector<simcam::Request>& requests, uint32_t selector,
                          simcam::Kind kind, size_t nth = 0) {
    for (size_t i = 0; i < requests.size(); ++i)
        if (requests[i].selector == selector && requests[i].kind == kind && nth-- == 0) return i;
    return requests.size();
}

// The number of the nth (from 0) call at or after from that names selector
// and is one of ops, as the call faults count it; the record's size when
// there is none.
inline size_t FindCall(const std::vector<simcam::Call>& calls, uint32_t selector,
                       std::vector<simcam::Op> ops, size_t nth = 0, size_t from = 0) {
    for (size_t i = from; i < calls.size(); ++i) {
        bool op = false;
        for (simcam::Op o : ops) op |= calls[i].op == o;
        if (op && calls[i].selector == selector && nth-- == 0) return i;
    }
    return calls.size();
}

inline const char* PathName(simcam::Path path) {
    return path == simcam::Path::KsNode ? "UvcNode" : "PrivateDriver";
}
