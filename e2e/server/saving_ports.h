// The camera's two driver paths as the capture filter hands them out: each
// passes every call to the simulated camera's own port, then lets the
// scenario camera save its outputs if the call disabled the download engine.
#pragma once

#include "platform/driver_xu.h"
#include "platform/win_types.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"

namespace e2e {

class ScenarioCamera;

class SavingKsControl final : public ComObject<IKsControl> {
public:
    // Takes over the reference to `inner`.
    SavingKsControl(IKsControl* inner, ScenarioCamera* camera);

    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY Property, ULONG PropertyLength,
                                         LPVOID PropertyData, ULONG DataLength,
                                         ULONG* BytesReturned) override;
    HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD Method, ULONG MethodLength, LPVOID MethodData,
                                       ULONG DataLength, ULONG* BytesReturned) override;
    HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT Event, ULONG EventLength, LPVOID EventData,
                                      ULONG DataLength, ULONG* BytesReturned) override;

private:
    ~SavingKsControl() override = default;

    ComPtr<IKsControl> inner_;
    ScenarioCamera* camera_;
};

class SavingDriverXu final : public ComObject<IDriverXu> {
public:
    // Takes over the reference to `inner`.
    SavingDriverXu(IDriverXu* inner, ScenarioCamera* camera);

    HRESULT STDMETHODCALLTYPE Reserved(ULONG frameSize, BYTE* frame) override;
    HRESULT STDMETHODCALLTYPE ReadFrame(ULONG frameSize, BYTE* frame) override;
    HRESULT STDMETHODCALLTYPE WriteFrame(ULONG frameSize, BYTE* frame) override;

private:
    ~SavingDriverXu() override = default;

    ComPtr<IDriverXu> inner_;
    ScenarioCamera* camera_;
};

}  // namespace e2e
