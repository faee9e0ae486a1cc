// A camera source with the simulated camera as its one capture device,
// for builds that find cameras through a source rather than DirectShow.
#pragma once

#include <string>
#include <vector>

#include "link/camera_source.h"
#include "simcam/sim_camera.h"

class SimCameraSource : public CameraSource {
public:
    SimCameraSource(simcam::SimCamera& sim, bool driverPath) : sim_(sim), driverPath_(driverPath) {}

    HRESULT Devices(std::vector<CaptureDevice>* devices) override {
        ++enumerations;
        if (!present || (goneFrom && enumerations >= goneFrom)) return S_FALSE;
        if (!camera) return S_OK;  // answers, but lists nothing
        CaptureDevice device;
        device.friendlyName = "Tarvex USB Camera";
        if (driverPath_)
            device.driver = sim_.NewDriverXu();
        else
            device.control = sim_.NewKsControl();
        devices->push_back(device);
        return S_OK;
    }
    bool HardwareIds(std::vector<std::string>* out) override {
        *out = ids;
        return true;
    }

    bool present = true;   // the category has devices at all
    bool camera = true;    // and the camera is among them
    int goneFrom = 0;      // no devices from this enumeration on (1 is the first)
    int enumerations = 0;
    std::vector<std::string> ids;

private:
    simcam::SimCamera& sim_;
    bool driverPath_;
};
