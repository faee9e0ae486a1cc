#include "tests/support/uvc_driver_model.h"

#include <errno.h>
#include <linux/usb/video.h>

#include <cstring>

#include "discovery/camera_source.h"
#include "link/xu_channel.h"

namespace {

// GET_INFO's answer: the camera's controls take both GET_CUR and SET_CUR.
constexpr uint8_t kInfoGetSet = 0x03;

}  // namespace

UvcDriverModel::UvcDriverModel(simcam::SimCamera& sim, uint8_t unit)
    : camera_(sim.NewKsControl()), unit_(unit) {}

UvcDriverModel::~UvcDriverModel() { camera_->Release(); }

void UvcDriverModel::FailQuery(size_t k, int err) { failAt_[k] = err; }
void UvcDriverModel::UnplugFrom(size_t k) { unplugFrom_ = k; }
void UvcDriverModel::ReportLength(uint8_t selector, uint16_t length) {
    reported_[selector] = length;
}

HRESULT UvcDriverModel::CameraRequest(uint8_t selector, ULONG flags, uint8_t* data, ULONG size,
                                      ULONG* returned) {
    KSP_NODE node;
    std::memset(&node, 0, sizeof node);
    node.Property.Set = PROPSETID_CAMERA_XU;
    node.Property.Id = selector;
    node.Property.Flags = flags | KSPROPERTY_TYPE_TOPOLOGY;
    node.NodeId = kExtensionUnitNode;
    return camera_->KsProperty(&node.Property, sizeof node, data, size, returned);
}

HRESULT UvcDriverModel::CameraLength(uint8_t selector, uint16_t* length) {
    ULONG returned = 0;
    HRESULT hr = CameraRequest(selector, KSPROPERTY_TYPE_GET, nullptr, 0, &returned);
    if (hr != HRESULT_FROM_WIN32(ERROR_MORE_DATA)) return FAILED(hr) ? hr : E_FAIL;
    auto reported = reported_.find(selector);
    *length = reported != reported_.end() ? reported->second : uint16_t(returned);
    return S_OK;
}

int UvcDriverModel::Query(uint8_t unit, uint8_t selector, uint8_t query, uint16_t size,
                          uint8_t* data, int* err) {
    const size_t k = seen_.size();
    seen_.push_back({selector, query});
    unplugged_ |= k >= unplugFrom_;
    auto injected = failAt_.find(k);
    *err = unplugged_ ? ENODEV : injected != failAt_.end() ? injected->second : 0;
    if (*err == 0 && unit != unit_) *err = ENOENT;
    if (*err == 0) *err = Perform(selector, query, size, data);
    return *err ? -1 : 0;
}

int UvcDriverModel::Perform(uint8_t selector, uint8_t query, uint16_t size, uint8_t* data) {
    Control& control = controls_[selector];
    // On first use the driver asks the camera the control's length (and its
    // capabilities, which the model knows); a control the unit does not
    // have is no control.
    if (!control.known) {
        HRESULT hr = CameraLength(selector, &control.length);
        if (hr == HRESULT_FROM_WIN32(ERROR_NOT_FOUND)) return ENOENT;
        if (FAILED(hr)) return EPIPE;
        control.known = true;
    }
    ULONG returned = 0;
    switch (query) {
    case UVC_GET_LEN: {
        if (size != 2) return ENOBUFS;
        uint16_t length = 0;
        HRESULT hr = CameraLength(selector, &length);
        if (FAILED(hr)) return EPIPE;
        data[0] = uint8_t(length);
        data[1] = uint8_t(length >> 8);
        return 0;
    }
    case UVC_GET_INFO:
        if (size != 1) return ENOBUFS;
        data[0] = kInfoGetSet;
        return 0;
    case UVC_GET_CUR:
    case UVC_SET_CUR: {
        if (size != control.length) return ENOBUFS;
        const ULONG flags = query == UVC_SET_CUR ? KSPROPERTY_TYPE_SET : KSPROPERTY_TYPE_GET;
        return FAILED(CameraRequest(selector, flags, data, size, &returned)) ? EPIPE : 0;
    }
    case UVC_GET_MIN:
    case UVC_GET_MAX:
    case UVC_GET_RES:
    case UVC_GET_DEF:
        return EPIPE;  // the camera answers no range requests
    }
    return EINVAL;
}
