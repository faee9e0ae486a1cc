#include "discovery/directshow_source.h"
#include "discovery/discovery_seams.h"

#include <devguid.h>

namespace {

// A hardware-ID list is a few hundred bytes. A driver that asks for more
// than this, or keeps asking for a bigger buffer, is not believed.
constexpr DWORD kMaxPropertyBytes = 64 * 1024;
constexpr int kMaxPropertyCalls = 8;
// Zero bytes kept behind the part the driver may fill, so that even a list
// the driver leaves unterminated ends inside the buffer.
constexpr DWORD kPropertySlack = 2;

// The device's hardware-ID list as the driver filled it; false when it
// cannot be read.
bool ReadHardwareIds(HDEVINFO set, SP_DEVINFO_DATA* device, std::string* ids) {
    const SetupApiCalls& api = SetupApi();
    char* buffer = nullptr;
    DWORD bufferSize = 0;
    bool read = false;
    for (int call = 0; call < kMaxPropertyCalls; ++call) {
        DWORD required = 0;
        if (api.getRegistryProperty(set, device, SPDRP_HARDWAREID, nullptr,
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

}  // namespace

bool DirectShowSource::HardwareIds(const HardwareIdVisit& visit) {
    const SetupApiCalls& api = SetupApi();
    HDEVINFO set = api.getClassDevs(&GUID_DEVCLASS_IMAGE, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return false;
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof(device);
        if (!api.enumDeviceInfo(set, index, &device)) break;
        ImagingDevice imaging;
        if (ReadHardwareIds(set, &device, &imaging.hardwareIds) && visit(imaging)) break;
    }
    api.destroyList(set);
    return true;
}
