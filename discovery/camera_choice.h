// Which camera a run takes when several are attached: the cameras of the
// family found by a walk over a source, numbered by their place in it, and
// a source that offers only the one the user chose by number or path.
#pragma once

#include <string>
#include <vector>

#include "discovery/camera_source.h"

struct AttachedCamera {
    int number = 0;  // its place in the source's walk, from 1
    CameraIdentity camera;
};

// Every camera of the family the source offers; each is asked its chip ID
// and nothing else.
std::vector<AttachedCamera> FamilyCameras(CameraSource* source);

// What --device names: a number from --list, or else a device path.
struct CameraChoice {
    int number = 0;    // 0: not chosen by number
    std::string path;  // "": not chosen by path
};
CameraChoice ParseCameraChoice(const std::string& device);

// Passes on only the chosen camera of the inner source's walk (every
// device when nothing is chosen).
class ChosenCameraSource final : public CameraSource {
public:
    ChosenCameraSource(CameraSource* inner, CameraChoice choice)
        : inner_(inner), choice_(std::move(choice)) {}

    HRESULT Begin() override {
        place_ = 0;
        return inner_ ? inner_->Begin() : S_FALSE;
    }
    HRESULT Next(CaptureDevice* device) override;
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

private:
    CameraSource* inner_;
    CameraChoice choice_;
    int place_ = 0;
};
