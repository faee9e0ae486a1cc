// A camera source that passes everything through to another and keeps the
// path of the device it gave last: once the walk accepts a camera it stops,
// so that is the opened camera's node (or moniker), for the user to see.
#pragma once

#include <string>

#include "discovery/camera_source.h"

class CameraPathSource final : public CameraSource {
public:
    explicit CameraPathSource(CameraSource* inner) : inner_(inner) {}

    HRESULT Begin() override { return inner_ ? inner_->Begin() : S_FALSE; }
    HRESULT Next(CaptureDevice* device) override {
        const HRESULT hr = inner_->Next(device);
        if (hr == S_OK && device) lastPath_ = device->path;
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

private:
    CameraSource* inner_;
    std::string lastPath_;
};
