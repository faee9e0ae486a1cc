#include "simcam/xu_port.h"

#include <utility>
#include <vector>

#include "simcam/device.h"

namespace simcam {

XuPort::XuPort(std::shared_ptr<Device> device)
    : ComObject<IDriverXu>(kIidIDriverXu), device_(std::move(device)) {}

HRESULT STDMETHODCALLTYPE XuPort::Reserved(ULONG, BYTE*) { return kNotImplemented; }

HRESULT STDMETHODCALLTYPE XuPort::WriteFrame(ULONG frameSize, BYTE* frame) {
    Device& dev = *device_;
    size_t index = dev.BeginCall();

    // Header: data length (LE 16), request code, selector.
    bool hasHeader = frame && frameSize >= 4;
    uint32_t dataLength = hasHeader ? frame[0] | (frame[1] << 8) : 0;
    uint8_t code = hasHeader ? frame[2] : 0;
    uint32_t selector = hasHeader ? frame[3] : 0;
    Op op = code == kCodeRead ? Op::PostGet : code == kCodeLength ? Op::PostLength : Op::Set;
    Call call{index, Path::DriverXu, op, selector, {}, kOk};
    if (code == kCodeWrite && frameSize == kDriverFrameSize && dataLength <= kMaxWriteData)
        call.bytes.assign(frame + 4, frame + 4 + dataLength);

    HRESULT hr;
    if (dev.faults.Strike(index, hasHeader ? &selector : nullptr))
        hr = dev.faults.Result();
    else
        hr = PerformWrite(frame, frameSize, code, selector, dataLength);
    if (dev.PowerGone()) hr = dev.faults.Result();  // it went during the call
    call.result = hr;
    dev.trace.Add(std::move(call));
    return hr;
}

HRESULT XuPort::PerformWrite(const BYTE* frame, ULONG frameSize, uint8_t code,
                             uint32_t selector, uint32_t dataLength) {
    if (!frame) return kNullPointer;
    if (frameSize != kDriverFrameSize) return kBadRequest;
    switch (code) {
        case kCodeWrite:
            if (dataLength > kMaxWriteData) return kBadRequest;
            return device_->Set(selector, frame + 4, dataLength);
        case kCodeRead:
            if (dataLength > kMaxReadData) return kBadRequest;
            post_ = {true, false, selector, dataLength};
            return kOk;
        case kCodeLength:
            // The header's data length (2) says nothing here: the answer is a 32-bit word.
            post_ = {true, true, selector, 0};
            return kOk;
        default:
            return kBadRequest;
    }
}

HRESULT STDMETHODCALLTYPE XuPort::ReadFrame(ULONG frameSize, BYTE* frame) {
    Device& dev = *device_;
    size_t index = dev.BeginCall();
    Post post = post_;
    Call call{index, Path::DriverXu, Op::Answer, post.active ? post.selector : 0, {}, kOk};

    std::vector<uint8_t> answered;
    HRESULT hr;
    if (dev.faults.Strike(index, post.active ? &post.selector : nullptr))
        hr = dev.faults.Result();  // not performed: the post stays
    else
        hr = PerformRead(frame, frameSize, &answered);
    if (dev.PowerGone()) hr = dev.faults.Result();

    if (FAILED(hr) && frame && post.active && dev.faults.GarbageOnFailedRead())
        FillGarbage(frame, post.AnswerSize(), index);
    call.bytes = std::move(answered);
    call.result = hr;
    dev.trace.Add(std::move(call));
    return hr;
}

HRESULT XuPort::PerformRead(BYTE* frame, ULONG frameSize, std::vector<uint8_t>* answered) {
    if (!frame) return kNullPointer;
    if (frameSize != kDriverFrameSize) return kBadRequest;
    if (!post_.active) return kNothingPosted;
    Post post = post_;
    post_ = Post();  // answered now, whatever the device says

    if (post.length) {
        uint32_t length = 0;
        HRESULT hr = device_->LengthOf(post.selector, &length);
        if (FAILED(hr)) return hr;
        for (int i = 0; i < 4; ++i) frame[i] = static_cast<BYTE>(length >> (8 * i));
        answered->assign(frame, frame + 4);
        return kOk;
    }
    HRESULT hr = device_->Get(post.selector, frame, post.dataLength);
    if (FAILED(hr)) return hr;
    answered->assign(frame, frame + post.dataLength);
    return kOk;
}

}  // namespace simcam
