// The kernel-streaming path: IKsControl::KsProperty on the extension
// unit's node, decoded from the KSP_NODE bytes the host hands over.
#pragma once

#include <memory>

#include "platform/win_types.h"
#include "platform/com_object.h"
#include "platform/ks_properties_only.h"

namespace simcam {

class Device;

// PROPSETID for the camera's extension unit,
// {63610682-5070-49AB-B8CC-B3855E8D221D}.
constexpr GUID kPropsetCameraXu = {0x63610682, 0x5070, 0x49AB,
                                   {0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D}};

class KsPort final : public PropertiesOnly<ComObject<IKsControl>> {
public:
    explicit KsPort(std::shared_ptr<Device> device);

    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY Property, ULONG PropertyLength,
                                         LPVOID PropertyData, ULONG DataLength,
                                         ULONG* BytesReturned) override;

private:
    std::shared_ptr<Device> device_;
};

}  // namespace simcam
