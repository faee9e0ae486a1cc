// A camera source that passes everything through to another and keeps the
// path of the device it gave last: once the walk accepts a camera it stops,
// so that is the opened camera's node (or moniker), for the user to see.
#pragma once

#include <functional>
#include <string>

#include "discovery/camera_source.h"

class CameraPathSource final : public CameraSource {
public:
    explicit CameraPathSource(CameraSource* inner) : inner_(inner) {}

    HRESULT Begin() override { return inner_ ? inner_->Begin() : S_FALSE; }
    HRESULT Next(CaptureDevice* device) override {
        const HRESULT hr = inner_->Next(device);
        if (hr == S_OK && device) {
            lastPath_ = device->path;
            // A device not admitted is offered with no interface: the walk
            // passes it over before a single request reaches it.
            if (admit && (device->control || device->driver) && !admit(device->path)) {
                device->control.Reset();
                device->driver.Reset();
            }
        }
        return hr;
    }
    void StoreFriendlyName(char* name) override { inner_->StoreFriendlyName(name); }
    void End() override {
        if (inner_) inner_->End();
    }
    bool HardwareIds(const HardwareIdVisit& visit) override {
        return inner_ && inner_->HardwareIds(visit);
    }

    const std::string& LastPath() const { return lastPath_; }

    // Asked of each device opened, before the walk sends it anything.
    std::function<bool(const std::string& path)> admit;

private:
    CameraSource* inner_;
    std::string lastPath_;
};
