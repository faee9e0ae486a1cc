#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "chip/cam_device.h"
#include "link/discovery_seams.h"

namespace {

using namespace std::string_literals;

// How a fake device answers the hardware-ID query.
enum class Answer {
    Normal,           // asks for the property's size, then fills it in
    Unreadable,       // fails with another error
    ZeroSize,         // keeps asking for a buffer of 0 bytes
    Huge,             // asks for nearly 2 GiB
    Growing,          // asks for more on every call
    NoBufferSuccess,  // succeeds at once, with nothing to give
};

struct FakeImagingDevice {
    std::string property;  // the bytes filled in, terminators included or not
    Answer answer = Answer::Normal;
    int calls = 0;
};

const HDEVINFO kSet = reinterpret_cast<HDEVINFO>(0x5E7);
// {6BDD1FC6-810F-11D0-BEC7-08002BE2092F}
const BYTE kImageClass[16] = {0xC6, 0x1F, 0xDD, 0x6B, 0x0F, 0x81, 0xD0, 0x11,
                              0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F};
// Behind every allocation: text that would complete "...PID_03" into a
// match for a reader that runs past the bytes it asked for.
const char kTail[] = "D5D5D5D5D5D5D5D5D5D5D5D5D5D5D5D5";

struct SetupScene;
SetupScene* gScene = nullptr;

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
        const SetupApiCalls fakes = {GetClassDevs, EnumDeviceInfo, GetProperty,
                                     Destroy,      Alloc,          Free};
        previous = SetSetupApiCalls(&fakes);
    }
    ~SetupScene() {
        SetSetupApiCalls(&previous);
        EXPECT_TRUE(live.empty()) << live.size() << " buffers not freed";
        EXPECT_EQ(errors, std::vector<std::string>{});
        gScene = nullptr;
    }
    int32_t Find() { return CCamDevice().FindHardwareId(vendor, product); }
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

FakeImagingDevice Id(std::string property, Answer answer = Answer::Normal) {
    return {std::move(property), answer, 0};
}

TEST(FindHardwareId, OneDevice) {
    const std::string longId = "USB\\VID_4271&PID_03D5&REV_0100&"s + std::string(5000, 'X') + "\0\0"s;
    struct Case {
        const char* label;
        std::string property;
        int32_t result;
        const char* vendor;  // 8 bytes: 4 written, 4 of guard
        const char* product;
    } cases[] = {
        {"full list", "USB\\VID_4271&PID_03D5&REV_0100\0USB\\VID_4271&PID_03D5\0\0"s, 1,
         "4271ZZZZ", "03D5ZZZZ"},
        {"lower-case d", "USB\\VID_4271&PID_03d5\0\0"s, 1, "4271ZZZZ", "03d5ZZZZ"},
        {"other product", "USB\\VID_4271&PID_03D6\0\0"s, 0, "4271ZZZZ", "03D6ZZZZ"},
        {"other vendor", "USB\\VID_4272&PID_03D5\0\0"s, 0, "4272ZZZZ", "03D5ZZZZ"},
        {"20 characters", "USB\\VID_4271&PID_03D\0\0"s, 0, "ZZZZZZZZ", "ZZZZZZZZ"},
        {"only the first string counts", "USB\\VID_4271\0USB\\VID_4271&PID_03D5\0\0"s, 0,
         "ZZZZZZZZ", "ZZZZZZZZ"},
        {"unterminated, 21", "USB\\VID_4271&PID_03D5", 1, "4271ZZZZ", "03D5ZZZZ"},
        {"unterminated, 19", "USB\\VID_4271&PID_03", 0, "ZZZZZZZZ", "ZZZZZZZZ"},
        {"empty list", "\0\0"s, 0, "ZZZZZZZZ", "ZZZZZZZZ"},
        {"very long", longId, 1, "4271ZZZZ", "03D5ZZZZ"},
        {"very long, no digits", std::string(5000, 'X'), 0, "XXXXZZZZ", "XXXXZZZZ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetupScene s({Id(c.property)});
        EXPECT_EQ(s.Find(), c.result);
        EXPECT_EQ(s.Vendor(), c.vendor);
        EXPECT_EQ(s.Product(), c.product);
        EXPECT_EQ(s.destroyed, 1);
    }
}

TEST(FindHardwareId, EveryDigitIsCompared) {
    struct Case {
        size_t at;
        char c;
        int32_t result;
    } cases[] = {
        {8, '5', 0},  {9, '3', 0},  {10, '8', 0}, {11, '2', 0}, {17, '1', 0},
        {18, '4', 0}, {19, 'E', 0}, {19, 'd', 1}, {20, '6', 0}, {16, 'X', 1},
    };
    for (const Case& c : cases) {
        std::string id = "USB\\VID_4271&PID_03D5";
        id[c.at] = c.c;
        SCOPED_TRACE(id);
        SetupScene s({Id(id + "\0\0"s)});
        EXPECT_EQ(s.Find(), c.result);
    }
}

TEST(FindHardwareId, ScanStopsAtTheFirstMatch) {
    SetupScene s({Id("USB\\VID_4271&PID_03D6\0\0"s), Id("USB\\VID_4272&PID_03D5\0\0"s),
                  Id("USB\\VID_4271&PID_03D5\0\0"s), Id("USB\\VID_4271&PID_03d5\0\0"s)});
    EXPECT_EQ(s.Find(), 1);
    EXPECT_EQ(s.indexes, (std::vector<DWORD>{0, 1, 2}));
    EXPECT_EQ(s.Product(), "03D5ZZZZ");
    EXPECT_EQ(s.destroyed, 1);
}

TEST(FindHardwareId, HostileAnswersArePassedOver) {
    SetupScene s({Id("", Answer::Unreadable), Id("", Answer::ZeroSize), Id("", Answer::Huge),
                  Id("", Answer::Growing), Id("", Answer::NoBufferSuccess),
                  Id("USB\\VID_4271&PID_03D5\0\0"s)});
    EXPECT_EQ(s.Find(), 1);
    EXPECT_EQ(s.indexes.size(), 6u);
    EXPECT_EQ(s.devices[0].calls, 1);
    EXPECT_EQ(s.devices[2].calls, 1);  // not believed, so not allocated
    EXPECT_EQ(s.destroyed, 1);
}

TEST(FindHardwareId, NoMatchLeavesTheLastExaminedDigits) {
    struct Case {
        const char* label;
        std::vector<FakeImagingDevice> devices;
        const char* vendor;
        const char* product;
    } cases[] = {
        {"none present", {}, "ZZZZZZZZ", "ZZZZZZZZ"},
        {"one other", {Id("USB\\VID_4271&PID_03D6\0\0"s)}, "4271ZZZZ", "03D6ZZZZ"},
        {"short one last",
         {Id("USB\\VID_4272&PID_03D5\0\0"s), Id("USB\\VID_4271\0\0"s), Id("", Answer::Unreadable)},
         "4272ZZZZ", "03D5ZZZZ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetupScene s(c.devices);
        EXPECT_EQ(s.Find(), 0);
        EXPECT_EQ(s.indexes.size(), c.devices.size() + 1);
        EXPECT_EQ(s.Vendor(), c.vendor);
        EXPECT_EQ(s.Product(), c.product);
        EXPECT_EQ(s.destroyed, 1);
    }
}

TEST(FindHardwareId, InvalidDeviceSetEndsAtOnce) {
    SetupScene s({Id("USB\\VID_4271&PID_03D5\0\0"s)});
    s.invalidSet = true;
    EXPECT_EQ(s.Find(), 0);
    EXPECT_TRUE(s.indexes.empty());
    EXPECT_EQ(s.destroyed, 0);
}

TEST(FindHardwareId, NullPutsTheSystemCallsBack) {
    SetupScene s({Id("USB\\VID_4271&PID_03D5\0\0"s)});
    EXPECT_EQ(SetSetupApiCalls(nullptr).getRegistryProperty, &SetupScene::GetProperty);
    s.Find();  // over the system's own imaging devices, whatever they are
    EXPECT_TRUE(s.indexes.empty());
    EXPECT_EQ(s.destroyed, 0);
}

}  // namespace
