// Counted fakes of the objects camera discovery walks through. None deletes
// itself: the test owns them and checks at the end that every count is
// back at 1. Releases and a few calls are noted in one shared event list,
// so that tests can check their order.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/driver_xu.h"
#include "platform/win_types.h"
#include "tests/support/rig_drivers.h"

#include <dshow.h>

inline std::vector<std::string> gComEvents;

template <class Interface>
struct Counted : ComObject<Interface> {
    explicit Counted(std::string name)
        : ComObject<Interface>(kIidIUnknown, ComObject<Interface>::Lifetime::OwnerDeletes),
          label(std::move(name)) {}
    ULONG STDMETHODCALLTYPE Release() override {
        gComEvents.push_back("release " + label);
        return ComObject<Interface>::Release();
    }
    std::string label;
};

// The camera driver's interface: keeps every frame whole, with its address.
struct FakeDriver : Counted<IDriverXu> {
    struct Call {
        bool read;
        ULONG size;
        const BYTE* frame;
        std::vector<BYTE> bytes;  // the 35 bytes as handed over
    };
    using Counted::Counted;
    HRESULT STDMETHODCALLTYPE Reserved(ULONG, BYTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WriteFrame(ULONG size, BYTE* frame) override {
        calls.push_back({false, size, frame, std::vector<BYTE>(frame, frame + kDriverFrameSize)});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReadFrame(ULONG size, BYTE* frame) override {
        calls.push_back({true, size, frame, std::vector<BYTE>(frame, frame + kDriverFrameSize)});
        if (readResult == S_OK) frame[0] = chipId;
        return readResult;
    }
    BYTE chipId = 0x6A;
    HRESULT readResult = S_OK;  // on failure the frame is left alone
    std::vector<Call> calls;
};

// The extension unit's KS node: keeps each request and where its data was.
struct FakeKsControl : PropertiesOnly<Counted<IKsControl>> {
    struct Call {
        KSP_NODE request;
        ULONG requestLength;
        BYTE* data;
        ULONG dataLength;
        std::vector<BYTE> sent;  // the data as it arrived
    };
    using PropertiesOnly::PropertiesOnly;
    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG length, LPVOID data,
                                         ULONG dataLength, ULONG*) override {
        Call call = {};
        std::memcpy(&call.request, property, sizeof(KSP_NODE));
        call.requestLength = length;
        call.data = static_cast<BYTE*>(data);
        call.dataLength = dataLength;
        call.sent.assign(call.data, call.data + dataLength);
        calls.push_back(call);
        bool get = (call.request.Property.Flags & KSPROPERTY_TYPE_GET) != 0;
        if (get && readResult == S_OK && dataLength) call.data[0] = chipId;
        return get ? readResult : S_OK;
    }
    BYTE chipId = 0x6A;
    HRESULT readResult = S_OK;
    std::vector<Call> calls;
};

// A capture filter that offers whichever driver interfaces it was given,
// answering with the given codes.
struct FakeFilter : Counted<IBaseFilter> {
    using Counted::Counted;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        asked.push_back(iid);
        *out = nullptr;
        IUnknown* offer = nullptr;
        HRESULT answer = S_OK;
        if (SameGuid(iid, kIidIDriverXu)) offer = driver, answer = driverAnswer;
        if (SameGuid(iid, kIidIKsControl)) offer = ks, answer = ksAnswer;
        if (!offer) return E_NOINTERFACE;
        offer->AddRef();
        *out = offer;
        return answer;
    }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Pause() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

    IDriverXu* driver = nullptr;  // offered when set
    IKsControl* ks = nullptr;
    HRESULT driverAnswer = S_OK;
    HRESULT ksAnswer = S_OK;
    std::vector<GUID> asked;
};

struct FakePropertyBag : Counted<IPropertyBag> {
    using Counted::Counted;
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR property, VARIANT* value, IErrorLog*) override {
        asked.push_back(property);
        if (FAILED(readResult)) return readResult;
        const std::wstring& text = asked.back() == L"DevicePath" ? devicePath : name;
        value->vt = type;
        if (type == VT_BSTR) value->bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

    std::wstring name = L"Tarvex USB Camera";
    std::wstring devicePath;
    VARTYPE type = VT_BSTR;
    HRESULT readResult = S_OK;
    std::vector<std::wstring> asked;
};

struct FakeMoniker : Counted<IMoniker> {
    using Counted::Counted;
    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* context, IMoniker* left, REFIID iid,
                                           void** out) override {
        bindArgumentsRight = !context && !left && SameGuid(iid, IID_IBaseFilter);
        *out = nullptr;
        if (FAILED(bindResult) || !filter) return FAILED(bindResult) ? bindResult : E_FAIL;
        filter->AddRef();
        *out = static_cast<IBaseFilter*>(filter);
        return bindResult;
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid,
                                            void** out) override {
        storageArgumentsRight = !context && !left && SameGuid(iid, IID_IPropertyBag);
        *out = nullptr;
        if (!bag) return E_FAIL;
        bag->AddRef();
        *out = static_cast<IPropertyBag*>(bag);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, WINBOOL, IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Enum(WINBOOL, IEnumMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsEqual(IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Hash(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Inverse(IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* out) override {
        if (displayName.empty()) return E_NOTIMPL;
        *out = static_cast<LPOLESTR>(CoTaskMemAlloc((displayName.size() + 1) * sizeof(wchar_t)));
        std::memcpy(*out, displayName.c_str(), (displayName.size() + 1) * sizeof(wchar_t));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*,
                                               IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD*) override { return E_NOTIMPL; }

    FakeFilter* filter = nullptr;
    FakePropertyBag* bag = nullptr;
    std::wstring displayName;  // none when empty
    HRESULT bindResult = S_OK;
    bool bindArgumentsRight = false;
    bool storageArgumentsRight = false;
};

struct FakeEnumMoniker : Counted<IEnumMoniker> {
    using Counted::Counted;
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IMoniker** out, ULONG* fetched) override {
        gComEvents.push_back("next");
        if (count != 1) return E_INVALIDARG;
        if (position >= monikers.size()) {
            if (fetched) *fetched = 0;
            return S_FALSE;
        }
        out[0] = monikers[position++];
        out[0]->AddRef();
        if (fetched) *fetched = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override {
        gComEvents.push_back("reset");
        position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker**) override { return E_NOTIMPL; }

    std::vector<IMoniker*> monikers;
    size_t position = 0;
};

struct FakeDevEnum : Counted<ICreateDevEnum> {
    using Counted::Counted;
    HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** out,
                                                    DWORD flags) override {
        categoryRight = SameGuid(category, CLSID_VideoInputDeviceCategory);
        this->flags = flags;
        *out = nullptr;
        if (handOut) {
            handOut->AddRef();
            *out = handOut;
        }
        return answer;
    }
    HRESULT answer = S_OK;
    IEnumMoniker* handOut = nullptr;  // given with the answer, whatever it is
    bool categoryRight = false;
    DWORD flags = 0xFFFFFFFF;
};
