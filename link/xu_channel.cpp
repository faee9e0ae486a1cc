#include "link/xu_channel.h"

#include <cstring>

#include "platform/byte_order.h"

CXuChannel* pExt = nullptr;

namespace {

constexpr ULONG kKsGet = KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_TOPOLOGY;  // 0x10000001
constexpr ULONG kKsSet = KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_TOPOLOGY;  // 0x10000002

// Room for the header and the longest write the driver path carries.
constexpr size_t kFrameBufferBytes = kFrameHeaderBytes + kMaxFrameWriteBytes;

}  // namespace

HRESULT CXuChannel::AttachKsControl(IKsControl* control, ULONG nodeId) {
    ksControl_.Attach(control);
    nodeId_ = nodeId;
    return S_OK;
}

HRESULT CXuChannel::AttachDriverInterface(IDriverXu* driver) {
    driver_.Attach(driver);
    return S_OK;
}

void CXuChannel::Detach() {
    ksControl_.Reset();
    driver_.Reset();
    mode = ChannelMode::None;
}

HRESULT CXuChannel::KsRequest(ULONG selector, ULONG flags, void* data, ULONG length,
                              ULONG* returned) {
    KSP_NODE node;
    std::memset(&node, 0, sizeof(node));
    node.Property.Set = PROPSETID_CAMERA_XU;
    node.Property.Id = selector;
    node.Property.Flags = flags;
    node.NodeId = nodeId_;
    node.Reserved = 0;
    return ksControl_->KsProperty(&node.Property, sizeof(node), data, length, returned);
}

void CXuChannel::PutHeader(BYTE* frame, ULONG selector, uint8_t code, ULONG length) {
    PutLe16(frame, uint16_t(length));
    frame[2] = code;
    frame[3] = BYTE(selector);
}

HRESULT CXuChannel::put_Property(ULONG selector, ULONG length, const BYTE* data) {
    ULONG returned = 0;
    switch (mode) {
    case ChannelMode::UvcNode:
        if (!ksControl_) return E_POINTER;
        return KsRequest(selector, kKsSet, const_cast<BYTE*>(data), length, &returned);
    case ChannelMode::PrivateDriver: {
        if (!driver_) return E_POINTER;
        if (length > kMaxFrameWriteBytes) return XU_E_TOO_LONG;
        BYTE frame[kFrameBufferBytes] = {};
        PutHeader(frame, selector, kFrameWrite, length);
        if (length) std::memcpy(frame + kFrameHeaderBytes, data, length);
        return driver_->WriteFrame(kDriverFrameSize, frame);
    }
    case ChannelMode::None:
        break;
    }
    return E_POINTER;
}

HRESULT CXuChannel::get_Property(ULONG selector, ULONG length, BYTE* buffer) {
    ULONG returned = 0;
    switch (mode) {
    case ChannelMode::UvcNode:
        if (!ksControl_) return E_POINTER;
        return KsRequest(selector, kKsGet, buffer, length, &returned);
    case ChannelMode::PrivateDriver: {
        if (!driver_) return E_POINTER;
        if (length > kMaxFrameReadBytes) return XU_E_TOO_LONG;
        BYTE frame[kFrameBufferBytes] = {};
        PutHeader(frame, selector, kFrameRead, length);
        driver_->WriteFrame(kDriverFrameSize, frame);
        // Cleared first, so that a read the driver fails without answering
        // hands the caller zeros rather than an earlier answer.
        BYTE answer[kMaxFrameReadBytes];
        std::memset(answer, 0, length);
        HRESULT hr = driver_->ReadFrame(kDriverFrameSize, answer);
        if (length) std::memcpy(buffer, answer, length);
        return hr;
    }
    case ChannelMode::None:
        break;
    }
    return E_POINTER;
}

HRESULT CXuChannel::get_PropertySize(ULONG selector, ULONG* size) {
    if (!size) return E_POINTER;
    switch (mode) {
    case ChannelMode::UvcNode: {
        if (!ksControl_) return E_POINTER;
        ULONG returned = 0;
        HRESULT hr = KsRequest(selector, kKsGet, nullptr, 0, &returned);
        if (hr != HRESULT_FROM_WIN32(ERROR_MORE_DATA)) return hr;
        *size = returned;
        return S_OK;
    }
    case ChannelMode::PrivateDriver: {
        if (!driver_) return E_POINTER;
        BYTE frame[kFrameBufferBytes] = {};
        PutHeader(frame, selector, kFrameLength, 2);
        driver_->WriteFrame(kDriverFrameSize, frame);
        std::memset(frame, 0, 8);
        PutHeader(frame, selector, kFrameLength, 2);
        HRESULT hr = driver_->ReadFrame(kDriverFrameSize, frame);
        *size = Le32(frame);
        return hr;
    }
    case ChannelMode::None:
        break;
    }
    return E_POINTER;
}

ULONG CXuChannel::MaxWriteBytes() const {
    return mode == ChannelMode::PrivateDriver ? kMaxFrameWriteBytes : 0xFFFFFFFFu;
}

BYTE CXuChannel::ReadRegisterInOneFrame(uint8_t addressSelector, uint16_t address, uint8_t dataSelector) {
    BYTE frame[kDriverFrameSize] = {};
    PutHeader(frame, addressSelector, kFrameWrite, 2);
    PutLe16(frame + kFrameHeaderBytes, address);
    driver_->WriteFrame(kDriverFrameSize, frame);
    // The read request overwrites the header and the two address bytes.
    PutHeader(frame, dataSelector, kFrameRead, 1);
    PutLe16(frame + kFrameHeaderBytes, 0);
    driver_->WriteFrame(kDriverFrameSize, frame);
    driver_->ReadFrame(kDriverFrameSize, frame);
    return frame[0];
}
