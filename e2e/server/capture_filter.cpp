#include "e2e/server/capture_filter.h"

#include <cstdlib>
#include <cwchar>

#include "e2e/server/camera_table.h"
#include "e2e/server/server_ids.h"
#include "platform/driver_xu.h"

namespace e2e {

namespace {

std::string Narrow(const wchar_t* wide) {
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return std::string();
    std::string narrow(size_t(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, &narrow[0], bytes, nullptr, nullptr);
    narrow.resize(size_t(bytes) - 1);
    return narrow;
}

}  // namespace

CaptureFilter::CaptureFilter() : ComObject(IID_IBaseFilter) {}
CaptureFilter::~CaptureFilter() = default;

HRESULT CaptureFilter::QueryOther(REFIID riid, void** object) {
    if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IMediaFilter)) {
        *object = static_cast<IBaseFilter*>(this);
    } else if (IsEqualIID(riid, IID_IPersistPropertyBag)) {
        *object = static_cast<IPersistPropertyBag*>(this);
    } else if (IsEqualIID(riid, kIidIKsControl)) {
        // The driver paths are objects of their own, as a camera driver's
        // are; the updater never asks them for the filter back.
        ScenarioCamera* camera = Camera();
        if (!camera || !camera->scenario().offersKs) return E_NOINTERFACE;
        *object = camera->NewKsControl();
        return S_OK;
    } else if (IsEqualIID(riid, kIidIDriverXu)) {
        ScenarioCamera* camera = Camera();
        if (!camera || !camera->scenario().offersXu) return E_NOINTERFACE;
        *object = camera->NewDriverXu();
        return S_OK;
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = kClsidSimCaptureFilter;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::Stop() {
    state_ = State_Stopped;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::Pause() {
    state_ = State_Paused;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::Run(REFERENCE_TIME) {
    state_ = State_Running;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    *state = state_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::SetSyncSource(IReferenceClock*) { return S_OK; }

HRESULT STDMETHODCALLTYPE CaptureFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    *clock = nullptr;
    return S_OK;
}

// The updater never builds a graph, so the filter has no pins to offer.
HRESULT STDMETHODCALLTYPE CaptureFilter::EnumPins(IEnumPins** pins) {
    if (pins) *pins = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::FindPin(LPCWSTR, IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    const size_t room = sizeof(info->achName) / sizeof(info->achName[0]);
    wcsncpy(info->achName, name_.c_str(), room - 1);
    info->achName[room - 1] = L'\0';
    info->pGraph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    graph_ = graph;
    name_ = name ? name : L"";
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::QueryVendorInfo(LPWSTR* info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::InitNew() { return S_OK; }

HRESULT STDMETHODCALLTYPE CaptureFilter::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag) return E_POINTER;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    if (SUCCEEDED(bag->Read(kScenarioValue, &value, log)) && value.vt == VT_BSTR && value.bstrVal) {
        named_ = true;
        camera_ = CameraForScenario(Narrow(value.bstrVal));
    }
    VariantClear(&value);
    // A device that cannot be bound: its moniker's BindToObject fails.
    if (camera_ && camera_->scenario().bindFails) return E_FAIL;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::Save(IPropertyBag*, BOOL, BOOL) { return E_NOTIMPL; }

ScenarioCamera* CaptureFilter::Camera() {
    if (!camera_ && !named_) {
        const char* path = std::getenv(kScenarioVariable);
        if (path && *path) camera_ = CameraForScenario(path);
    }
    return camera_;
}

}  // namespace e2e
