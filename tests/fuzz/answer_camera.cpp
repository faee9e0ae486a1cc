#include "tests/fuzz/answer_camera.h"

#include <utility>

#include "tests/fuzz/answer_format.h"

using answers::How;
using answers::HowOf;

namespace {

constexpr uint32_t kPacketSelector = 10;
constexpr uint32_t kFinishSelector = 12;

HRESULT Result(uint8_t answer) {
    switch (HowOf(answer)) {
    case How::Normal: return S_OK;
    case How::Silent: return answers::SilentResult(answer);
    case How::Fail:
    case How::Garbage: break;
    }
    return answers::kFailure;
}

bool Delivers(uint8_t answer) { return HowOf(answer) == How::Normal || HowOf(answer) == How::Garbage; }

}  // namespace

AnswerCamera::AnswerCamera(AnswerStream& in, std::function<void()> onCall)
    : in_(in), onCall_(std::move(onCall)) {}

IKsControl* AnswerCamera::NodeReference() {
    node_.AddRef();
    return &node_;
}

IDriverXu* AnswerCamera::DriverReference() {
    driver_.AddRef();
    return &driver_;
}

uint8_t AnswerCamera::Begin() {
    ++calls;
    if (onCall_) onCall_();
    // A camera whose answers ran out is gone.
    return in_.Empty() ? answers::ByteFor(How::Fail) : in_.Byte();
}

// A write the camera took: every byte is looked at, as a device would.
void AnswerCamera::Took(uint32_t selector, const uint8_t* data, uint32_t length) {
    std::vector<uint8_t> bytes(data, data + length);
    if (selector == kPacketSelector) received.insert(received.end(), bytes.begin(), bytes.end());
    if (selector == kFinishSelector && length >= 1 && bytes[0] == 1) committed = true;
}

HRESULT STDMETHODCALLTYPE AnswerCamera::Node::KsProperty(PKSPROPERTY property, ULONG, LPVOID data,
                                                         ULONG dataLength, ULONG* returned) {
    const uint8_t answer = camera.Begin();
    const HRESULT result = Result(answer);
    BYTE* bytes = static_cast<BYTE*>(data);
    if (property->Flags & KSPROPERTY_TYPE_SET) {
        if (result >= 0) camera.Took(property->Id, bytes, dataLength);
        return result;
    }
    if (!bytes || dataLength == 0) {  // a length query
        if (!Delivers(answer)) return result;
        *returned = camera.in_.Word();
        return HowOf(answer) == How::Normal ? answers::kMoreData : result;
    }
    if (Delivers(answer)) {
        camera.in_.Bytes(bytes, dataLength);
        *returned = dataLength;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE AnswerCamera::Driver::Reserved(ULONG, BYTE*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE AnswerCamera::Driver::WriteFrame(ULONG, BYTE* frame) {
    const uint8_t answer = camera.Begin();
    const HRESULT result = Result(answer);
    const uint32_t length = frame[0] | frame[1] << 8;
    const uint8_t code = frame[2];
    const uint32_t selector = frame[3];
    if (code == answers::kWriteCode) {
        if (result >= 0) camera.Took(selector, frame + 4, length);
    } else if (result >= 0 && (code == answers::kReadCode || code == answers::kLengthCode)) {
        camera.post_.active = true;
        camera.post_.length = code == answers::kLengthCode;
        camera.post_.bytes = camera.post_.length ? answers::kLengthAnswerBytes : length;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE AnswerCamera::Driver::ReadFrame(ULONG, BYTE* frame) {
    const uint8_t answer = camera.Begin();
    const Post post = camera.post_;
    camera.post_ = Post();
    if (post.active && Delivers(answer)) camera.in_.Bytes(frame, post.bytes);
    return Result(answer);
}
