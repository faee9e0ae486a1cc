// Driver interfaces in front of the simulated camera that write down each
// of its answers in the fuzz input's format: a run against them yields an
// input that makes the answer camera behave as the simulated one did.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/driver_xu.h"
#include "platform/win_types.h"
#include "tests/fuzz/answer_format.h"
#include "tests/support/rig_drivers.h"

namespace seed {

// A success that delivers nothing: S_OK, or S_FALSE for any other.
inline uint8_t SilentByte(HRESULT hr) {
    return uint8_t(answers::ByteFor(answers::How::Silent) | (hr == S_OK ? 0 : 8));
}

inline uint8_t ResultByte(HRESULT hr) {
    using answers::ByteFor;
    using answers::How;
    if (hr < 0) return ByteFor(How::Fail);
    return hr == S_OK ? ByteFor(How::Normal) : SilentByte(hr);
}

inline void PutWord(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

class RecordingNode final : public PropertiesOnly<ForwardingInterface<IKsControl>> {
public:
    RecordingNode(IKsControl* inner, std::vector<uint8_t>& out) : PropertiesOnly(inner), out_(out) {}
    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, LPVOID data,
                                         ULONG dataLength, ULONG* returned) override {
        const HRESULT hr = inner_->KsProperty(property, propertyLength, data, dataLength, returned);
        const bool get = (property->Flags & KSPROPERTY_TYPE_SET) == 0;
        if (get && (!data || dataLength == 0)) {  // a length query
            if (hr == answers::kMoreData) {
                out_.push_back(answers::ByteFor(answers::How::Normal));
                PutWord(out_, *returned);
            } else {
                out_.push_back(hr >= 0 ? SilentByte(hr) : answers::ByteFor(answers::How::Fail));
            }
            return hr;
        }
        out_.push_back(ResultByte(hr));
        if (get && data && dataLength && hr == S_OK) {
            const uint8_t* bytes = static_cast<const uint8_t*>(data);
            out_.insert(out_.end(), bytes, bytes + dataLength);
        }
        return hr;
    }

private:
    ~RecordingNode() override = default;
    std::vector<uint8_t>& out_;
};

class RecordingDriver final : public ForwardingInterface<IDriverXu> {
public:
    RecordingDriver(IDriverXu* inner, std::vector<uint8_t>& out) : ForwardingInterface(inner), out_(out) {}
    HRESULT STDMETHODCALLTYPE Reserved(ULONG, BYTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WriteFrame(ULONG size, BYTE* frame) override {
        const HRESULT hr = inner_->WriteFrame(size, frame);
        out_.push_back(ResultByte(hr));
        const uint8_t code = frame[2];
        if (hr >= 0 && (code == answers::kReadCode || code == answers::kLengthCode)) {
            posted_ = true;
            answerBytes_ = code == answers::kLengthCode ? answers::kLengthAnswerBytes
                                                        : uint32_t(frame[0] | frame[1] << 8);
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE ReadFrame(ULONG size, BYTE* frame) override {
        const HRESULT hr = inner_->ReadFrame(size, frame);
        out_.push_back(ResultByte(hr));
        if (hr == S_OK && posted_) out_.insert(out_.end(), frame, frame + answerBytes_);
        posted_ = false;
        return hr;
    }

private:
    ~RecordingDriver() override = default;
    std::vector<uint8_t>& out_;
    bool posted_ = false;
    uint32_t answerBytes_ = 0;
};

}  // namespace seed
