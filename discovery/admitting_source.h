// A camera source that passes everything through to another, but lets the
// front end refuse a device before the walk sends it a single request (a
// camera another run holds): a device not admitted is offered with no
// interface, and the walk passes it over.
#pragma once

#include <functional>
#include <string>

#include "discovery/camera_source.h"

class AdmittingSource final : public CameraSource {
public:
    explicit AdmittingSource(CameraSource* inner) : inner_(inner) {}

    HRESULT Begin() override { return inner_ ? inner_->Begin() : S_FALSE; }
    HRESULT Next(CaptureDevice* device) override {
        const HRESULT hr = inner_->Next(device);
        if (hr == S_OK && device && admit && (device->control || device->driver) && !admit(device->path)) {
            device->control.Reset();
            device->driver.Reset();
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
    bool OwnHardwareIds(const CameraIdentity& camera, const HardwareIdVisit& visit) override {
        return inner_ && inner_->OwnHardwareIds(camera, visit);
    }

    // Asked of each device opened, before the walk sends it anything.
    std::function<bool(const std::string& path)> admit;

private:
    CameraSource* inner_;
};
