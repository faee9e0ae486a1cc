#include "simcam/ks_port.h"

#include <cstring>
#include <utility>
#include <vector>

#include "simcam/device.h"

namespace simcam {

namespace {

// KSP_NODE as bytes: Set GUID at 0, Id at 16, Flags at 20, NodeId at 24.
constexpr ULONG kNodeSize = 32;
constexpr uint32_t kFlagGet = 0x00000001;
constexpr uint32_t kFlagSet = 0x00000002;
constexpr uint32_t kFlagBasicSupport = 0x00000200;
constexpr uint32_t kFlagTopology = 0x10000000;
// Basic support answered into a ULONG: the access flags, nothing more.
constexpr ULONG kAccessFlagsBytes = 4;

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Checks the request, then performs it. `answered` receives what a get or
// length query answered.
HRESULT Perform(Device& dev, const uint8_t* raw, ULONG propertyLength, void* data,
                ULONG dataLength, ULONG* bytesReturned, std::vector<uint8_t>* answered) {
    if (!raw || !bytesReturned) return kNullPointer;
    if (propertyLength < kNodeSize) return kBadRequest;
    GUID set;
    std::memcpy(&set, raw, sizeof set);
    if (!SameGuid(set, kPropsetCameraXu)) return kWrongSet;
    uint32_t flags = Le32(raw + 20);
    if (flags != (kFlagTopology | kFlagGet) && flags != (kFlagTopology | kFlagSet) &&
        flags != (kFlagTopology | kFlagBasicSupport))
        return kBadRequest;
    if (Le32(raw + 24) != dev.nodeId) return kBadRequest;

    uint32_t selector = Le32(raw + 16);
    uint8_t* bytes = static_cast<uint8_t*>(data);
    if (flags & kFlagBasicSupport) {
        if (!bytes) return kNullPointer;
        if (dataLength != kAccessFlagsBytes) return kBadRequest;
        uint32_t access = 0;
        HRESULT hr = dev.AccessOf(selector, &access);
        if (FAILED(hr)) return hr;
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(access >> (8 * i));
        *bytesReturned = kAccessFlagsBytes;
        answered->assign(bytes, bytes + kAccessFlagsBytes);
        return kOk;
    }
    if (flags & kFlagSet) {
        if (dataLength > 0 && !bytes) return kNullPointer;
        return dev.Set(selector, bytes, dataLength);
    }
    if (dataLength == 0) {
        uint32_t length = 0;
        HRESULT hr = dev.LengthOf(selector, &length);
        if (FAILED(hr)) return hr;
        *bytesReturned = length;
        for (int i = 0; i < 4; ++i) answered->push_back(static_cast<uint8_t>(length >> (8 * i)));
        return kMoreData;
    }
    if (!bytes) return kNullPointer;
    HRESULT hr = dev.Get(selector, bytes, dataLength);
    if (FAILED(hr)) return hr;
    *bytesReturned = dataLength;
    answered->assign(bytes, bytes + dataLength);
    return kOk;
}

}  // namespace

KsPort::KsPort(std::shared_ptr<Device> device)
    : PropertiesOnly(kIidIKsControl), device_(std::move(device)) {}

HRESULT STDMETHODCALLTYPE KsPort::KsProperty(PKSPROPERTY Property, ULONG PropertyLength,
                                             LPVOID PropertyData, ULONG DataLength,
                                             ULONG* BytesReturned) {
    Device& dev = *device_;
    size_t index = dev.BeginCall();

    // Decode what can be read safely, for the record and the selector faults.
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(Property);
    bool hasSelector = raw && PropertyLength >= 20;
    uint32_t selector = hasSelector ? Le32(raw + 16) : 0;
    uint32_t flags = raw && PropertyLength >= 24 ? Le32(raw + 20) : 0;
    Op op = (flags & kFlagSet)            ? Op::Set
            : (flags & kFlagBasicSupport) ? Op::Info
            : DataLength == 0             ? Op::Length
                                          : Op::Get;
    Call call{index, Path::KsNode, op, selector, {}, kOk};
    uint8_t* data = static_cast<uint8_t*>(PropertyData);
    if (op == Op::Set && data && DataLength > 0) call.bytes.assign(data, data + DataLength);
    if (BytesReturned) *BytesReturned = 0;

    std::vector<uint8_t> answered;
    HRESULT hr;
    if (dev.faults.Strike(index, hasSelector ? &selector : nullptr))
        hr = dev.faults.Result();
    else
        hr = Perform(dev, raw, PropertyLength, data, DataLength, BytesReturned, &answered);
    if (dev.PowerGone()) hr = dev.faults.Result();  // it went during the call

    if (op != Op::Set) call.bytes = std::move(answered);
    if (FAILED(hr) && op == Op::Get && data && dev.faults.GarbageOnFailedRead())
        FillGarbage(data, DataLength, index);
    call.result = hr;
    dev.trace.Add(std::move(call));
    return hr;
}


}  // namespace simcam
