// libFuzzer entry: the input is a USB device's raw descriptors, as sysfs
// would give them. libFuzzer hands over a heap block of exactly the input's
// size, so the sanitizers report any byte the parser reads past it. A unit
// it reports must be the byte just before the camera's GUID in the input.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "discovery/uvc_chain.h"
#include "discovery/uvc_descriptors.h"
#include "link/xu_channel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The chain walk over whatever entities the bytes name: bounded, in bounds.
    for (const VideoControlInterface& vc : ParseVideoControl(data, size)) CameraUnitProblem(CameraUnitOf(vc));
    uint8_t unit = 0;
    if (!FindCameraUnit(data, size, &unit)) return 0;
    uint8_t guid[16];
    UsbGuidBytes(PROPSETID_CAMERA_XU, guid);
    for (size_t at = 1; at + sizeof guid <= size; ++at)
        if (data[at - 1] == unit && std::memcmp(data + at, guid, sizeof guid) == 0) return 0;
    std::fprintf(stderr, "broken promise: unit %u is not before the camera's GUID\n", unsigned(unit));
    std::abort();
}
