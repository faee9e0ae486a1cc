#include "e2e/server/saving_ports.h"

#include "e2e/server/scenario_camera.h"

namespace e2e {

SavingKsControl::SavingKsControl(IKsControl* inner, ScenarioCamera* camera)
    : ComObject(kIidIKsControl), camera_(camera) {
    inner_.Attach(inner);
}

HRESULT STDMETHODCALLTYPE SavingKsControl::KsProperty(PKSPROPERTY Property, ULONG PropertyLength,
                                                      LPVOID PropertyData, ULONG DataLength,
                                                      ULONG* BytesReturned) {
    HRESULT hr = inner_->KsProperty(Property, PropertyLength, PropertyData, DataLength, BytesReturned);
    camera_->AfterCall();
    return hr;
}

HRESULT STDMETHODCALLTYPE SavingKsControl::KsMethod(PKSMETHOD Method, ULONG MethodLength,
                                                    LPVOID MethodData, ULONG DataLength,
                                                    ULONG* BytesReturned) {
    return inner_->KsMethod(Method, MethodLength, MethodData, DataLength, BytesReturned);
}

HRESULT STDMETHODCALLTYPE SavingKsControl::KsEvent(PKSEVENT Event, ULONG EventLength,
                                                   LPVOID EventData, ULONG DataLength,
                                                   ULONG* BytesReturned) {
    return inner_->KsEvent(Event, EventLength, EventData, DataLength, BytesReturned);
}

SavingDriverXu::SavingDriverXu(IDriverXu* inner, ScenarioCamera* camera)
    : ComObject(kIidIDriverXu), camera_(camera) {
    inner_.Attach(inner);
}

HRESULT STDMETHODCALLTYPE SavingDriverXu::Reserved(ULONG frameSize, BYTE* frame) {
    return inner_->Reserved(frameSize, frame);
}

HRESULT STDMETHODCALLTYPE SavingDriverXu::ReadFrame(ULONG frameSize, BYTE* frame) {
    HRESULT hr = inner_->ReadFrame(frameSize, frame);
    camera_->AfterCall();
    return hr;
}

HRESULT STDMETHODCALLTYPE SavingDriverXu::WriteFrame(ULONG frameSize, BYTE* frame) {
    HRESULT hr = inner_->WriteFrame(frameSize, frame);
    camera_->AfterCall();
    return hr;
}

}  // namespace e2e
