// The support facts on Windows: the DirectShow video capture devices with their
// display names and friendly names, the imaging devices' hardware IDs, and
// for a device reached through kernel streaming each selector's length
// and the chip ID.
#include <windows.h>

#include <cstdio>

#include "discovery/camera_source.h"
#include "discovery/support_facts.h"
#include "link/xu_channel.h"
#include "link/xu_selectors.h"

namespace {

std::string HresultText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// The lengths the driver answers and the chip ID, through the KS node.
void AskCamera(const CaptureDevice& device, SupportFacts* entry) {
    CXuChannel channel;
    device.control->AddRef();
    channel.AttachKsControl(device.control.Get(), device.nodeId);
    channel.mode = ChannelMode::UvcNode;
    SupportFacts controls = SupportFacts::array();
    for (uint32_t selector : kUsedSelectors) {
        ULONG size = 0;
        const HRESULT hr = channel.get_PropertySize(selector, &size);
        controls.push_back({{"selector", selector},
                            {"length", SUCCEEDED(hr) ? SupportFacts(size) : SupportFacts(HresultText(hr))}});
    }
    (*entry)["controls"] = controls;
    BYTE address[2] = {0xFF, 0x20}, id = 0;
    HRESULT hr = channel.put_Property(XU_REG_ADDRESS_CONTROL, sizeof address, address);
    if (SUCCEEDED(hr)) hr = channel.get_Property(XU_REG_DATA_CONTROL, 1, &id);
    (*entry)["chip_id"] = SUCCEEDED(hr) ? HexText(unsigned(id) & 0xFF, 2) : HresultText(hr);
}

// "Windows 10.0 build 22631", or "unknown".
std::string WindowsVersion() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    // Windows answers its own version up to the newest the programs' manifest
    // lists (windows/korvane.manifest): Windows 11 says 10.0, build 22000 on.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const bool known = GetVersionExA(&version) != 0;
#pragma GCC diagnostic pop
    char windows[64] = "unknown";
    if (known)
        std::snprintf(windows, sizeof windows, "Windows %lu.%lu build %lu", version.dwMajorVersion,
                      version.dwMinorVersion, version.dwBuildNumber);
    return windows;
}

// Each capture device the source walks; an error that ends the walk as an
// entry of its own.
SupportFacts CaptureDevices(CameraSource* source) {
    SupportFacts devices = SupportFacts::array();
    CaptureDevice device;
    for (HRESULT hr = source->Begin(); hr == S_OK;) {
        device = CaptureDevice();
        hr = source->Next(&device);
        if (hr != S_OK) {
            if (FAILED(hr)) devices.push_back({{"error", HresultText(hr)}});
            break;
        }
        char name[kCameraNameBytes];
        source->StoreFriendlyName(name);
        SupportFacts entry = {{"friendly_name", name},
                              {"display_name", device.path},
                              {"camera_driver_interface", bool(device.driver)},
                              {"kernel_streaming_node", bool(device.control)}};
        if (device.control) AskCamera(device, &entry);
        devices.push_back(entry);
    }
    source->End();
    return devices;
}

// The imaging devices' hardware IDs, each list of strings ended by zeros.
SupportFacts HardwareIds(CameraSource* source) {
    SupportFacts hardwareIds = SupportFacts::array();
    source->HardwareIds([&](const ImagingDevice& device) {
        const std::string& ids = device.hardwareIds;
        for (size_t at = 0; at < ids.size();) {
            const size_t end = ids.find('\0', at);
            const std::string one = ids.substr(at, end == std::string::npos ? std::string::npos : end - at);
            if (!one.empty()) hardwareIds.push_back(one);
            if (end == std::string::npos) break;
            at = end + 1;
        }
        return false;
    });
    return hardwareIds;
}

}  // namespace

SupportFacts GatherSupportFacts() {
    SupportFacts report = SupportFacts::object();
    report["system"] = WindowsVersion();
    CameraSource* source = SystemCameraSource();
    report["directshow_devices"] = source ? CaptureDevices(source) : SupportFacts::array();
    report["imaging_hardware_ids"] = source ? HardwareIds(source) : SupportFacts::array();
    return report;
}
