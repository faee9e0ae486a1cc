// The capture device as DirectShow binds it: a filter that does nothing of
// its own (no pins, no streaming), learns its scenario from the device's
// property bag, and hands out the simulated camera's driver paths that the
// scenario offers. A scenario may make it refuse to load, so that binding
// the device fails.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <ocidl.h>
#include <vfwmsgs.h>

#include <string>

#include "platform/com_object.h"

namespace e2e {

class ScenarioCamera;

class CaptureFilter final : public ComObject<IBaseFilter, IPersistPropertyBag> {
public:
    CaptureFilter();

    // IPersist, for both IBaseFilter and IPersistPropertyBag
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;

    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;

    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override;

    // IPersistPropertyBag
    HRESULT STDMETHODCALLTYPE InitNew() override;
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

private:
    ~CaptureFilter() override;
    // IPersist and IMediaFilter as the filter, IPersistPropertyBag, and the
    // driver paths.
    HRESULT QueryOther(REFIID riid, void** object) override;
    // The scenario's camera: the device key's, else the environment's.
    ScenarioCamera* Camera();

    FILTER_STATE state_ = State_Stopped;
    IFilterGraph* graph_ = nullptr;  // not counted, as a filter in a graph does
    std::wstring name_;
    bool named_ = false;  // the device's key named a scenario, usable or not
    ScenarioCamera* camera_ = nullptr;
};

}  // namespace e2e
