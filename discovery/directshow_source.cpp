#include "discovery/directshow_source.h"

#include "discovery/device_interface_path.h"
#include "discovery/discovery_seams.h"

#include <dshow.h>

namespace {

// COM hands out a reference with any success code, but only S_OK counts
// here; a reference that came with another code is given straight back.
template <class T>
void KeepOnlyOnOk(HRESULT hr, T* object, ComPtr<T>& kept) {
    if (hr == S_OK) {
        kept.Attach(object);
    } else if (SUCCEEDED(hr) && object) {
        object->Release();
    }
}

template <class T>
void QueryExactly(IUnknown* object, REFIID iid, ComPtr<T>& out) {
    void* raw = nullptr;
    HRESULT hr = object->QueryInterface(iid, &raw);
    KeepOnlyOnOk(hr, static_cast<T*>(raw), out);
}

// Converts one character (or surrogate pair) at a time, so that a name too
// long for the buffer stops on a whole character, terminator included.
void StoreName(const VARIANT& value, char* name) {
    size_t used = 0;
    if (value.vt == VT_BSTR && value.bstrVal) {
        const wchar_t* wide = value.bstrVal;
        const size_t length = SysStringLen(value.bstrVal);
        for (size_t i = 0; i < length && wide[i];) {
            int units = IS_HIGH_SURROGATE(wide[i]) && i + 1 < length && IS_LOW_SURROGATE(wide[i + 1])
                            ? 2 : 1;
            int bytes = WideCharToMultiByte(CP_ACP, 0, wide + i, units, nullptr, 0, nullptr, nullptr);
            if (bytes <= 0 || used + bytes > kCameraNameBytes - 1) break;
            WideCharToMultiByte(CP_ACP, 0, wide + i, units, name + used, bytes, nullptr, nullptr);
            used += bytes;
            i += units;
        }
    }
    name[used] = '\0';
}

// In the system's 8-bit code page, as the rest of discovery keeps text.
std::string Narrow(const wchar_t* wide) {
    std::string text;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes > 1) {
        text.resize(size_t(bytes));
        WideCharToMultiByte(CP_ACP, 0, wide, -1, &text[0], bytes, nullptr, nullptr);
        text.resize(size_t(bytes - 1));
    }
    return text;
}

// The moniker's display name, which tells people where the device is; ""
// when it gives none.
std::string DisplayName(IMoniker* moniker) {
    std::string text;
    ComPtr<IBindCtx> context;
    if (FAILED(CreateBindCtx(0, context.GetAddressOf())) || !context) return text;
    LPOLESTR wide = nullptr;
    if (SUCCEEDED(moniker->GetDisplayName(context.Get(), nullptr, &wide)) && wide) {
        text = Narrow(wide);
        CoTaskMemFree(wide);
    }
    return text;
}

// A string the moniker's property bag holds; "" when it holds none.
std::string Property(IMoniker* moniker, const wchar_t* name) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                      reinterpret_cast<void**>(bag.GetAddressOf()))) || !bag)
        return std::string();
    VARIANT value;
    VariantInit(&value);
    std::string text;
    if (SUCCEEDED(bag->Read(name, &value, nullptr)) && value.vt == VT_BSTR && value.bstrVal)
        text = Narrow(value.bstrVal);
    VariantClear(&value);
    return text;
}

}  // namespace

CameraSource* SystemCameraSource() {
    static DirectShowSource system;
    return &system;
}

HRESULT DirectShowSource::Begin() {
    End();
    ComPtr<ICreateDevEnum> devEnum;
    if (FAILED(CreateSystemDeviceEnumerator(devEnum.GetAddressOf())) || !devEnum)
        return DISCOVERY_E_NO_ENUMERATOR;
    IEnumMoniker* classEnum = nullptr;
    const HRESULT hr = devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &classEnum, 0);
    devEnum.Reset();
    KeepOnlyOnOk(hr, classEnum, classEnum_);
    if (!classEnum_) return S_FALSE;
    classEnum_->Reset();
    return S_OK;
}

HRESULT DirectShowSource::Next(CaptureDevice* device) {
    if (classEnum_->Next(1, moniker_.ReleaseAndGetAddressOf(), nullptr) != S_OK || !moniker_)
        return S_FALSE;
    ComPtr<IBaseFilter> filter;
    const HRESULT hr = moniker_->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                              reinterpret_cast<void**>(filter.GetAddressOf()));
    if (FAILED(hr) || !filter) return FAILED(hr) ? hr : E_NOINTERFACE;
    // The camera driver's own interface first; the KS node only without it.
    QueryExactly(filter.Get(), kIidIDriverXu, device->driver);
    if (!device->driver) QueryExactly(filter.Get(), kIidIKsControl, device->control);
    device->nodeId = kExtensionUnitNode;
    device->path = DisplayName(moniker_.Get());
    // The device path names the device the interface belongs to; the
    // display name carries it too, where the bag does not.
    if (!ReadDeviceInterfacePath(Property(moniker_.Get(), L"DevicePath"), device))
        ReadDeviceInterfacePath(device->path, device);
    device->busPlace = PortOf(device->instanceId);
    return S_OK;
}

void DirectShowSource::StoreFriendlyName(char* name) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker_->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                       reinterpret_cast<void**>(bag.GetAddressOf()))))
        bag.Reset();
    VARIANT friendlyName;
    VariantInit(&friendlyName);
    if (bag) bag->Read(L"FriendlyName", &friendlyName, nullptr);
    StoreName(friendlyName, name);
    VariantClear(&friendlyName);
}

void DirectShowSource::End() {
    moniker_.Reset();
    classEnum_.Reset();
}
