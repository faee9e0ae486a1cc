// A set of imaging devices behind fake SetupAPI calls, each answering the
// hardware-ID query in its own way. It checks the calls' arguments, counts
// the list's destruction and keeps every property buffer it hands out until
// it is freed.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "chip/cam_device.h"
#include "discovery/discovery_seams.h"

// How a fake device answers the hardware-ID query.
enum class Answer {
    Normal,           // asks for the property's size, then fills it in
    Unreadable,       // fails with another error
    ZeroSize,         // keeps asking for a buffer of 0 bytes
    Huge,             // asks for nearly 2 GiB
    Growing,          // asks for more on every call
    NoBufferSuccess,  // succeeds at once, with nothing to give
};

// The instance of the camera a scene asks about.
constexpr char kSceneCamera[] = "USB\\VID_4271&PID_03D5&MI_00\\6&1A2B3C4&0&0000";

struct FakeImagingDevice {
    std::string property;  // the bytes filled in, terminators included or not
    Answer answer = Answer::Normal;
    int calls = 0;
    std::string instance = "usb\\vid_4271&pid_03d5&mi_00\\6&1a2b3c4&0&0000";  // the camera's, in other case
};

const HDEVINFO kSet = reinterpret_cast<HDEVINFO>(0x5E7);
// {6BDD1FC6-810F-11D0-BEC7-08002BE2092F}
const BYTE kImageClass[16] = {0xC6, 0x1F, 0xDD, 0x6B, 0x0F, 0x81, 0xD0, 0x11,
                              0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F};
// Behind every allocation: text that would complete "...PID_03" into a
// match for a reader that runs past the bytes it asked for.
const char kTail[] = "D5D5D5D5D5D5D5D5D5D5D5D5D5D5D5D5";

struct SetupScene;
inline SetupScene* gScene = nullptr;

struct SetupScene {
    std::vector<FakeImagingDevice> devices;
    bool invalidSet = false;
    int destroyed = 0;
    std::vector<DWORD> indexes;
    std::map<void*, SIZE_T> live;  // allocated and not yet freed
    std::vector<std::string> errors;
    char vendor[8], product[8];
    SetupApiCalls previous;

    explicit SetupScene(std::vector<FakeImagingDevice> list) : devices(std::move(list)) {
        gScene = this;
        std::memset(vendor, 'Z', sizeof(vendor));
        std::memset(product, 'Z', sizeof(product));
        const SetupApiCalls fakes = {GetClassDevs, EnumDeviceInfo, GetProperty, Destroy,
                                     InstanceId,   Alloc,          Free};
        previous = SetSetupApiCalls(&fakes);
    }
    ~SetupScene() {
        SetSetupApiCalls(&previous);
        EXPECT_TRUE(live.empty()) << live.size() << " buffers not freed";
        EXPECT_EQ(errors, std::vector<std::string>{});
        gScene = nullptr;
    }
    int32_t Find() {
        CCamDevice device;
        device.camera.instanceId = kSceneCamera;
        return device.FindHardwareId(vendor, product);
    }
    std::string Vendor() const { return std::string(vendor, 8); }
    std::string Product() const { return std::string(product, 8); }

    static HDEVINFO WINAPI GetClassDevs(const GUID* cls, PCSTR enumerator, HWND parent,
                                        DWORD flags) {
        if (std::memcmp(cls, kImageClass, 16) != 0) gScene->errors.push_back("class");
        if (enumerator || parent || flags != DIGCF_PRESENT) gScene->errors.push_back("arguments");
        return gScene->invalidSet ? INVALID_HANDLE_VALUE : kSet;
    }
    static BOOL WINAPI EnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA data) {
        if (set != kSet) gScene->errors.push_back("enum: handle");
        if (data->cbSize != sizeof(SP_DEVINFO_DATA)) gScene->errors.push_back("enum: cbSize");
        gScene->indexes.push_back(index);
        if (index >= gScene->devices.size()) {
            SetLastError(ERROR_NO_MORE_ITEMS);
            return FALSE;
        }
        data->DevInst = index;
        return TRUE;
    }
    static BOOL WINAPI GetProperty(HDEVINFO set, PSP_DEVINFO_DATA data, DWORD property, PDWORD,
                                   PBYTE buffer, DWORD size, PDWORD required) {
        if (set != kSet || property != SPDRP_HARDWAREID) gScene->errors.push_back("property");
        FakeImagingDevice& d = gScene->devices.at(data->DevInst);
        if (d.calls++ == 0 && (buffer || size)) gScene->errors.push_back("first call has a buffer");
        if (buffer && (!gScene->live.count(buffer) || gScene->live[buffer] < size)) {
            gScene->errors.push_back("size beyond the buffer");
            SetLastError(ERROR_INVALID_USER_BUFFER);
            return FALSE;
        }
        DWORD need = DWORD(d.property.size());
        switch (d.answer) {
        case Answer::Normal:
            if (size >= need && buffer) {
                std::memcpy(buffer, d.property.data(), need);
                return TRUE;
            }
            break;
        case Answer::Unreadable: SetLastError(ERROR_INVALID_DATA); return FALSE;
        case Answer::ZeroSize: need = 0; break;
        case Answer::Huge: need = 0x7FFFFFF0; break;
        case Answer::Growing: need = size + 16; break;
        case Answer::NoBufferSuccess: return TRUE;
        }
        if (required) *required = need;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    static BOOL WINAPI InstanceId(HDEVINFO set, PSP_DEVINFO_DATA data, PSTR id, DWORD size, PDWORD) {
        const std::string& instance = gScene->devices.at(data->DevInst).instance;
        if (set != kSet || !id || size <= instance.size()) return FALSE;
        std::memcpy(id, instance.c_str(), instance.size() + 1);
        return TRUE;
    }
    static BOOL WINAPI Destroy(HDEVINFO set) {
        if (set != kSet) gScene->errors.push_back("destroy: handle");
        ++gScene->destroyed;
        return TRUE;
    }
    static HLOCAL WINAPI Alloc(UINT flags, SIZE_T bytes) {
        if (flags != LPTR) gScene->errors.push_back("alloc flags");
        char* p = static_cast<char*>(LocalAlloc(LPTR, bytes + sizeof(kTail)));
        std::memcpy(p + bytes, kTail, sizeof(kTail));
        gScene->live[p] = bytes;
        return p;
    }
    static HLOCAL WINAPI Free(HLOCAL memory) {
        if (!gScene->live.erase(memory)) gScene->errors.push_back("free of an unknown buffer");
        return LocalFree(memory);
    }
};

inline FakeImagingDevice Id(std::string property, Answer answer = Answer::Normal) {
    return {std::move(property), answer, 0};
}

