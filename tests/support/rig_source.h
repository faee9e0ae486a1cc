// Camera sources for tests: a list of capture devices, each made by a
// function when the walk reaches it, and the hardware IDs to report; and
// the source discovery walks, put in place for one scope.
#pragma once

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "discovery/camera_source.h"
#include "simcam/sim_camera.h"
#include "tests/support/rig_scope.h"

using ScopedSource = Scoped<CameraSource*, SetCameraSource>;

class ListedSource : public CameraSource {
public:
    struct Device {
        // Fills in the interfaces offered; a failure: the device cannot be bound.
        std::function<HRESULT(CaptureDevice*)> bind;
        std::string name = "Tarvex USB Camera";
        // What the system says of it; its place on the bus is its place in the list.
        std::optional<UsbIdentity> usb = UsbIdentity{kCameraVendorId, kCameraProductId, 0x0309};
        std::string serial = std::string();
        std::string busPlace = std::string();  // empty: its place in the list
        // The hardware-ID list of the device that owns it; unset: the
        // source's ids and usb below stand for its own.
        std::optional<std::string> hardwareIds = std::nullopt;
    };

    HRESULT Begin() override {
        ++enumerations;
        next_ = 0;
        if (!present || (goneFrom && enumerations >= goneFrom)) return S_FALSE;
        return S_OK;
    }
    HRESULT Next(CaptureDevice* device) override {
        if (!camera || next_ >= devices.size()) return S_FALSE;
        device->path = "sim" + std::to_string(next_);
        device->busPlace = devices[next_].busPlace.empty() ? "usb1/1-" + std::to_string(next_ + 1)
                                                           : devices[next_].busPlace;
        device->usb = devices[next_].usb;
        device->serial = devices[next_].serial;
        return devices[next_++].bind(device);
    }
    void StoreFriendlyName(char* name) override {
        const std::string& n = devices[next_ - 1].name;
        const size_t used = n.size() < kCameraNameBytes - 1 ? n.size() : kCameraNameBytes - 1;
        std::memcpy(name, n.data(), used);
        name[used] = '\0';
    }
    bool HardwareIds(const HardwareIdVisit& visit) override {
        if (!listed) return false;
        for (const std::string& list : ids)
            if (visit(ImagingDevice{list, {}})) return true;
        for (const UsbIdentity& identity : usb)
            if (visit(ImagingDevice{std::string(), identity})) break;
        return true;
    }

    bool OwnHardwareIds(const CameraIdentity& camera, const HardwareIdVisit& visit) override {
        for (size_t i = 0; i < devices.size(); ++i)
            if (camera.path == "sim" + std::to_string(i) && devices[i].hardwareIds) {
                visit(ImagingDevice{*devices[i].hardwareIds, {}});
                return true;
            }
        return HardwareIds(visit);
    }

    std::vector<Device> devices;
    bool present = true;   // the category has devices at all
    bool camera = true;    // and they are listed
    int goneFrom = 0;      // no devices from this enumeration on (1 is the first)
    int enumerations = 0;
    std::vector<std::string> ids;
    std::vector<UsbIdentity> usb;  // devices known by their numbers, after those by ids
    bool listed = true;    // the hardware-ID list can be had

private:
    size_t next_ = 0;
};

// A capture device offering what the driver path takes: the interface
// driver() makes on the private driver's path, node()'s on the KS node's.
template <class Node, class Driver>
ListedSource::Device DeviceOn(bool driverPath, Node node, Driver driver) {
    return {[=](CaptureDevice* d) {
        if (driverPath)
            d->driver.Attach(driver());
        else
            d->control.Attach(node());
        return S_OK;
    }};
}

// A simulated camera as a capture device on the driver path chosen.
inline ListedSource::Device SimulatedDevice(simcam::SimCamera& sim, bool driverPath) {
    return DeviceOn(driverPath, [&sim] { return sim.NewKsControl(); }, [&sim] { return sim.NewDriverXu(); });
}

// A device whose filter cannot be bound.
inline ListedSource::Device UnbindableDevice() {
    return {[](CaptureDevice*) { return E_FAIL; }};
}

