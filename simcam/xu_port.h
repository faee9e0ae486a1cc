// The camera driver's private path: fixed 35-byte frames with a 4-byte
// header. A write frame is performed at once; a read or length-query frame
// is only posted, and the next ReadFrame answers it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/driver_xu.h"
#include "platform/com_object.h"

namespace simcam {

class Device;

constexpr uint8_t kCodeWrite = 0x01;
constexpr uint8_t kCodeRead = 0x81;
constexpr uint8_t kCodeLength = 0x85;
constexpr uint32_t kMaxWriteData = 68;   // what the host's frame buffer holds past the header
constexpr uint32_t kMaxReadData = 4096;  // the largest answer the driver passes back

class XuPort final : public ComObject<IDriverXu> {
public:
    explicit XuPort(std::shared_ptr<Device> device);

    HRESULT STDMETHODCALLTYPE Reserved(ULONG frameSize, BYTE* frame) override;
    HRESULT STDMETHODCALLTYPE ReadFrame(ULONG frameSize, BYTE* frame) override;
    HRESULT STDMETHODCALLTYPE WriteFrame(ULONG frameSize, BYTE* frame) override;

private:
    struct Post {
        bool active = false;
        bool length = false;  // a length query rather than a read
        uint32_t selector = 0;
        uint32_t dataLength = 0;
        uint32_t AnswerSize() const { return length ? 4 : dataLength; }
    };

    HRESULT PerformWrite(const BYTE* frame, ULONG frameSize, uint8_t code, uint32_t selector,
                         uint32_t dataLength);
    HRESULT PerformRead(BYTE* frame, ULONG frameSize, std::vector<uint8_t>* answered);

    std::shared_ptr<Device> device_;
    Post post_;
};

}  // namespace simcam
