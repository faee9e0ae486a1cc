#include "link/uvc_node_control.h"

#include <errno.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "link/uvc_errors.h"
#include "link/xu_channel.h"

namespace {

// A signal can cut the wait for a control transfer short; such a request
// is sent again, but a stream of signals must not make one request endless.
constexpr int kMostInterruptedTries = 16;

constexpr long kErrorSetNotFound = 1170;  // ERROR_SET_NOT_FOUND

int SystemIoctl(int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); }

UvcIoctlFn gIoctl = SystemIoctl;

}  // namespace

const char* UvcQueryName(uint8_t query) {
    switch (query) {
    case UVC_SET_CUR: return "SET_CUR";
    case UVC_GET_CUR: return "GET_CUR";
    case UVC_GET_LEN: return "GET_LEN";
    case UVC_GET_INFO: return "GET_INFO";
    }
    return "query";
}

int UvcQuery(int fd, uint8_t unit, uint8_t selector, uint8_t query, uint16_t size, uint8_t* data) {
    uvc_xu_control_query q;
    std::memset(&q, 0, sizeof q);
    q.unit = unit;
    q.selector = selector;
    q.query = query;
    q.size = size;
    q.data = data;
    int err = 0;
    for (int tries = 0; tries < kMostInterruptedTries; ++tries) {
        if (gIoctl(fd, UVCIOC_CTRL_QUERY, &q) == 0) return 0;
        err = errno;
        if (err != EINTR) break;
    }
    return err;
}

UvcIoctlFn SetUvcIoctl(UvcIoctlFn fn) {
    UvcIoctlFn previous = gIoctl;
    gIoctl = fn ? fn : SystemIoctl;
    return previous;
}

UvcNodeControl::UvcNodeControl(int fd, std::string* log)
    : PropertiesOnly(kIidIKsControl), fd_(fd), log_(log) {}

UvcNodeControl::~UvcNodeControl() {
    if (fd_ >= 0) ::close(fd_);
}

HRESULT UvcNodeControl::Query(ULONG unit, ULONG selector, uint8_t query, uint16_t size,
                              uint8_t* data) {
    const int err = UvcQuery(fd_, uint8_t(unit), uint8_t(selector), query, size, data);
    if (err == 0) {
        if (query == UVC_GET_LEN) answeredLength_[selector] = uint16_t(data[0] | data[1] << 8);
        return S_OK;
    }
    if (log_) {
        char line[160];
        std::snprintf(line, sizeof line, "UVC unit %lu selector %lu %s size %u: %s\r\n",
                      static_cast<unsigned long>(unit), static_cast<unsigned long>(selector),
                      UvcQueryName(query), unsigned(size), UvcErrnoText(err).c_str());
        *log_ += line;
        // The size came from the camera's own GET_LEN answer, yet the driver
        // holds another: the length it learnt at the control's first use.
        auto answered = answeredLength_.find(selector);
        if (err == ENOBUFS && query != UVC_GET_LEN && answered != answeredLength_.end() &&
            answered->second == size)
            *log_ += "UVC selector " + std::to_string(selector) + ": the camera now answers GET_LEN " +
                     std::to_string(size) + ", but " + kLengthFixedByDriver + ".\r\n";
    }
    return UvcErrnoResult(err);
}

HRESULT STDMETHODCALLTYPE UvcNodeControl::KsProperty(PKSPROPERTY Property, ULONG PropertyLength,
                                                     LPVOID PropertyData, ULONG DataLength,
                                                     ULONG* BytesReturned) {
    if (!Property || !BytesReturned) return E_POINTER;
    *BytesReturned = 0;
    if (PropertyLength < sizeof(KSP_NODE)) return E_INVALIDARG;
    const KSP_NODE* node = reinterpret_cast<const KSP_NODE*>(Property);
    if (!SameGuid(node->Property.Set, PROPSETID_CAMERA_XU))
        return HRESULT_FROM_WIN32(kErrorSetNotFound);
    const ULONG kind = node->Property.Flags & ~ULONG(KSPROPERTY_TYPE_TOPOLOGY);
    if (!(node->Property.Flags & KSPROPERTY_TYPE_TOPOLOGY) ||
        (kind != KSPROPERTY_TYPE_GET && kind != KSPROPERTY_TYPE_SET))
        return E_INVALIDARG;
    // The query names unit and selector in a byte each and the size in 16 bits.
    if (node->NodeId > 0xFF || node->Property.Id > 0xFF || DataLength > 0xFFFF)
        return E_INVALIDARG;
    uint8_t* data = static_cast<uint8_t*>(PropertyData);
    if (DataLength > 0 && !data) return E_POINTER;

    if (kind == KSPROPERTY_TYPE_GET && DataLength == 0) {
        uint8_t length[2] = {};
        HRESULT hr = Query(node->NodeId, node->Property.Id, UVC_GET_LEN, sizeof length, length);
        if (FAILED(hr)) return hr;
        *BytesReturned = ULONG(length[0]) | ULONG(length[1]) << 8;
        return HRESULT_FROM_WIN32(ERROR_MORE_DATA);
    }
    const uint8_t query = kind == KSPROPERTY_TYPE_SET ? UVC_SET_CUR : UVC_GET_CUR;
    HRESULT hr = Query(node->NodeId, node->Property.Id, query, uint16_t(DataLength), data);
    if (SUCCEEDED(hr)) *BytesReturned = DataLength;
    return hr;
}

