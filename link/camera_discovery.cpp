#include <string>

#include "chip/cam_device.h"
#include "link/chip_id_probe.h"
#include "link/discovery_seams.h"
#include "link/xu_channel.h"

#include <dshow.h>

namespace {

constexpr size_t kNameBufferBytes = 80;

// COM hands out a reference with any success code, but only S_OK counts
// here; a reference that came with another code is given straight back.
template <class T>
T* KeepOnlyOnOk(HRESULT hr, T* object) {
    if (hr == S_OK) return object;
    if (SUCCEEDED(hr) && object) object->Release();
    return nullptr;
}

template <class T>
T* QueryExactly(IUnknown* object, REFIID iid) {
    void* out = nullptr;
    HRESULT hr = object->QueryInterface(iid, &out);
    return KeepOnlyOnOk(hr, static_cast<T*>(out));
}

// Asks the filter for the camera driver's interface and the KS node, only
// an exact S_OK counting, and reads the chip ID through the first offered.
bool ProbeChipId(IBaseFilter* filter, CXuChannel* channel, uint8_t* chipId) {
    IDriverXu* driver = QueryExactly<IDriverXu>(filter, kIidIDriverXu);
    IKsControl* control = driver ? nullptr : QueryExactly<IKsControl>(filter, kIidIKsControl);
    return AttachAndReadChipId(channel, driver, control, chipId);
}

// Converts one character (or surrogate pair) at a time, so that a name too
// long for the buffer stops on a whole character, terminator included.
void StoreName(const VARIANT& value, char* name) {
    if (!name) return;
    size_t used = 0;
    if (value.vt == VT_BSTR && value.bstrVal) {
        const wchar_t* wide = value.bstrVal;
        const size_t length = SysStringLen(value.bstrVal);
        for (size_t i = 0; i < length && wide[i];) {
            int units = IS_HIGH_SURROGATE(wide[i]) && i + 1 < length && IS_LOW_SURROGATE(wide[i + 1])
                            ? 2 : 1;
            int bytes = WideCharToMultiByte(CP_ACP, 0, wide + i, units, nullptr, 0, nullptr, nullptr);
            if (bytes <= 0 || used + bytes > kNameBufferBytes - 1) break;
            WideCharToMultiByte(CP_ACP, 0, wide + i, units, name + used, bytes, nullptr, nullptr);
            used += bytes;
            i += units;
        }
    }
    name[used] = '\0';
}

}  // namespace

int32_t CCamDevice::OpenCamera(std::string& log, char* name) {
    ICreateDevEnum* devEnum = nullptr;
    if (FAILED(CreateSystemDeviceEnumerator(&devEnum)) || !devEnum) {
        log += "CoCreateInstance SystemDeviceEnum fail.\r\n";
        return 0;
    }
    IEnumMoniker* classEnum = nullptr;
    HRESULT hr = devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &classEnum, 0);
    devEnum->Release();
    classEnum = KeepOnlyOnOk(hr, classEnum);
    if (!classEnum) {
        log += "NO Camera hardware.\r\n";
        return 0;
    }

    classEnum->Reset();
    if (!pExt) pExt = new CXuChannel;

    std::string model;
    IMoniker* moniker = nullptr;
    while (classEnum->Next(1, &moniker, nullptr) == S_OK && moniker) {
        IBaseFilter* filter = nullptr;
        hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                   reinterpret_cast<void**>(&filter));
        if (FAILED(hr) || !filter) {
            log += "BindToObject IID_IBaseFilter fail.\r\n";
            moniker->Release();
            classEnum->Release();
            return 0;
        }
        model = "7100R";

        uint8_t chipId = 0;
        if (ProbeChipId(filter, pExt, &chipId) && IsSupportedChip(chipId)) {
            IPropertyBag* bag = nullptr;
            if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                              reinterpret_cast<void**>(&bag))))
                bag = nullptr;
            VARIANT friendlyName;
            VariantInit(&friendlyName);
            if (bag) bag->Read(L"FriendlyName", &friendlyName, nullptr);
            StoreName(friendlyName, name);

            pExt->chipFamily = ChipFamilyOf(chipId);
            log += CameraPathText(pExt->mode);
            filter->Release();
            classEnum->Release();
            moniker->Release();
            if (bag) bag->Release();
            VariantClear(&friendlyName);
            return 1;
        }
        filter->Release();
        moniker->Release();
        moniker = nullptr;
    }

    classEnum->Release();
    delete pExt;
    pExt = nullptr;
    log += "NO Tarvex " + model + " Camera plugged in!\r\n";
    return 0;
}
