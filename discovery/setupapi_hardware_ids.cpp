#include "discovery/directshow_source.h"
#include "discovery/discovery_seams.h"

#include <devguid.h>

#include <cctype>

namespace {

// A hardware-ID list is a few hundred bytes. A driver that asks for more
// than this, or keeps asking for a bigger buffer, is not believed.
constexpr DWORD kMaxPropertyBytes = 64 * 1024;
constexpr int kMaxPropertyCalls = 8;
// Zero bytes kept behind the part the driver may fill, so that even a list
// the driver leaves unterminated ends inside the buffer.
constexpr DWORD kPropertySlack = 2;
// A device instance ID's longest, terminator included (MAX_DEVICE_ID_LEN).
constexpr DWORD kInstanceIdBytes = 200;

// A device property as the driver filled it; false when it cannot be read.
bool ReadProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property, std::string* ids) {
    const SetupApiCalls& api = SetupApi();
    char* buffer = nullptr;
    DWORD bufferSize = 0;
    bool read = false;
    for (int call = 0; call < kMaxPropertyCalls; ++call) {
        DWORD required = 0;
        if (api.getRegistryProperty(set, device, property, nullptr,
                                    reinterpret_cast<PBYTE>(buffer), bufferSize, &required)) {
            // An answer without a buffer has nothing in it.
            if (buffer) ids->assign(buffer, bufferSize);
            read = buffer != nullptr;
            break;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required > kMaxPropertyBytes) break;
        if (buffer) api.localFree(buffer);
        buffer = static_cast<char*>(api.localAlloc(LPTR, required + kPropertySlack));
        if (!buffer) break;
        bufferSize = required;
    }
    if (buffer) api.localFree(buffer);
    return read;
}

std::string Upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Whether the device is the one with this instance ID (as Windows keeps
// them, whatever the case); every device when instance is null.
bool IsInstance(HDEVINFO set, SP_DEVINFO_DATA* device, const std::string* instance) {
    if (!instance) return true;
    char id[kInstanceIdBytes] = {};
    if (!SetupApi().getInstanceId(set, device, id, kInstanceIdBytes - 1, nullptr)) return false;
    return Upper(id) == Upper(*instance);
}

// Hands visit each present imaging device (only the one with this instance
// ID, unless instance is null) until it returns true. False when the
// devices cannot be had.
bool EachImagingDevice(const std::string* instance,
                       const std::function<bool(HDEVINFO, SP_DEVINFO_DATA*)>& visit) {
    const SetupApiCalls& api = SetupApi();
    HDEVINFO set = api.getClassDevs(&GUID_DEVCLASS_IMAGE, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return false;
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof(device);
        if (!api.enumDeviceInfo(set, index, &device)) break;
        if (IsInstance(set, &device, instance) && visit(set, &device)) break;
    }
    api.destroyList(set);
    return true;
}

bool VisitHardwareIds(const std::string* instance, const CameraSource::HardwareIdVisit& visit,
                      bool* visited) {
    return EachImagingDevice(instance, [&](HDEVINFO set, SP_DEVINFO_DATA* device) {
        ImagingDevice imaging;
        if (!ReadProperty(set, device, SPDRP_HARDWAREID, &imaging.hardwareIds)) return false;
        *visited = true;
        return visit(imaging);
    });
}

}  // namespace

bool DirectShowSource::HardwareIds(const HardwareIdVisit& visit) {
    bool visited = false;
    return VisitHardwareIds(nullptr, visit, &visited);
}

// The imaging device that owns the capture filter's interface, found by
// the instance ID its path names: as the system lists it, or not at all.
bool DirectShowSource::OwnHardwareIds(const CameraIdentity& camera, const HardwareIdVisit& visit) {
    bool visited = false;
    return !camera.instanceId.empty() && VisitHardwareIds(&camera.instanceId, visit, &visited) && visited;
}

// Where the device is plugged in: its location path (the ports from the
// root hub down), else the hub and port Windows gives. Never the instance
// ID, which a serial number makes the same for every unit of a release.
std::string PortOf(const std::string& instance) {
    std::string place;
    if (instance.empty()) return place;
    EachImagingDevice(&instance, [&](HDEVINFO set, SP_DEVINFO_DATA* device) {
        std::string text;
        if (ReadProperty(set, device, SPDRP_LOCATION_PATHS, &text) ||
            ReadProperty(set, device, SPDRP_LOCATION_INFORMATION, &text))
            place = text.c_str();  // the first string
        return true;
    });
    return place;
}
