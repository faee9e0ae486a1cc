#include "chip/cam_device.h"
#include "link/discovery_seams.h"
#include "link/hardware_id_match.h"

#include <devguid.h>

namespace {

// A hardware-ID list is a few hundred bytes. A driver that asks for more
// than this, or keeps asking for a bigger buffer, is not believed.
constexpr DWORD kMaxPropertyBytes = 64 * 1024;
constexpr int kMaxPropertyCalls = 8;
// Zero bytes kept behind the part the driver may fill, so that even a list
// the driver leaves unterminated ends inside the buffer.
constexpr DWORD kPropertySlack = 2;

// The device's hardware-ID list in a LocalAlloc buffer, or null when it
// cannot be read. *size is the part the driver was allowed to fill.
char* ReadHardwareIds(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD* size) {
    const SetupApiCalls& api = SetupApi();
    char* buffer = nullptr;
    DWORD bufferSize = 0;
    for (int call = 0; call < kMaxPropertyCalls; ++call) {
        DWORD required = 0;
        if (api.getRegistryProperty(set, device, SPDRP_HARDWAREID, nullptr,
                                    reinterpret_cast<PBYTE>(buffer), bufferSize, &required)) {
            if (!buffer) break;  // an answer without a buffer has nothing in it
            *size = bufferSize;
            return buffer;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required > kMaxPropertyBytes) break;
        if (buffer) api.localFree(buffer);
        buffer = static_cast<char*>(api.localAlloc(LPTR, required + kPropertySlack));
        if (!buffer) break;
        bufferSize = required;
    }
    if (buffer) api.localFree(buffer);
    return nullptr;
}

}  // namespace

int32_t CCamDevice::FindHardwareId(char* vendor, char* product) {
    const SetupApiCalls& api = SetupApi();
    HDEVINFO set = api.getClassDevs(&GUID_DEVCLASS_IMAGE, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return 0;

    int32_t found = 0;
    for (DWORD index = 0; !found; ++index) {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof(device);
        if (!api.enumDeviceInfo(set, index, &device)) break;

        DWORD size = 0;
        char* ids = ReadHardwareIds(set, &device, &size);
        if (!ids) continue;
        bool examined = false;
        found = HardwareIdMatches(ids, size, vendor, product, &examined) ? 1 : 0;
        api.localFree(ids);
    }
    api.destroyList(set);
    return found;
}
