// Test-side host: builds KSP_NODE requests and driver frames byte by byte
// from their wire layouts, and speaks to the camera through one path.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/driver_xu.h"
#include "platform/win_types.h"
#include "simcam/sim_camera.h"

namespace simcam_test {

using simcam::Path;

// {63610682-5070-49AB-B8CC-B3855E8D221D} as it lies in memory.
constexpr uint8_t kXuSetBytes[16] = {0x82, 0x06, 0x61, 0x63, 0x70, 0x50, 0xAB, 0x49,
                                     0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D};
constexpr uint32_t kKsGet = 0x10000001;
constexpr uint32_t kKsSet = 0x10000002;
constexpr HRESULT kMoreData = static_cast<HRESULT>(0x800700EAu);
constexpr HRESULT kGenFailure = static_cast<HRESULT>(0x8007001Fu);

inline void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t Get32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct KsRequest {
    alignas(8) uint8_t raw[32] = {};
    KsRequest(uint32_t selector, uint32_t flags, uint32_t node = 2) {
        std::memcpy(raw, kXuSetBytes, 16);
        Put32(raw + 16, selector);
        Put32(raw + 20, flags);
        Put32(raw + 24, node);
    }
    PKSPROPERTY get() { return reinterpret_cast<PKSPROPERTY>(raw); }
};

// A driver frame buffer: the 4-byte header and room for 68 data bytes.
struct Frame {
    uint8_t raw[72] = {};
    Frame(uint8_t code, uint32_t selector, uint16_t dataLength) {
        raw[0] = static_cast<uint8_t>(dataLength);
        raw[1] = static_cast<uint8_t>(dataLength >> 8);
        raw[2] = code;
        raw[3] = static_cast<uint8_t>(selector);
    }
};
// Data past what the buffer holds is not copied; the length field still
// says it all, as a host that overfilled its frame would send it.
inline Frame WriteFrameOf(uint32_t selector, const std::vector<uint8_t>& data) {
    Frame f(0x01, selector, static_cast<uint16_t>(data.size()));
    size_t n = data.size() < sizeof f.raw - 4 ? data.size() : sizeof f.raw - 4;
    std::memcpy(f.raw + 4, data.data(), n);
    return f;
}

class Host {
public:
    Host(simcam::SimCamera& cam, Path path) : path_(path) {
        if (path == Path::KsNode)
            ks_.Attach(cam.NewKsControl());
        else
            xu_.Attach(cam.NewDriverXu());
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    HRESULT Set(uint32_t selector, std::vector<uint8_t> data) {
        if (ks_) {
            KsRequest req(selector, kKsSet);
            ULONG returned = 99;
            return ks_->KsProperty(req.get(), 32, data.data(), static_cast<ULONG>(data.size()),
                                   &returned);
        }
        Frame f = WriteFrameOf(selector, data);
        return xu_->WriteFrame(kDriverFrameSize, f.raw);
    }
    HRESULT Get(uint32_t selector, uint32_t length, std::vector<uint8_t>* out) {
        out->assign(length, 0);
        if (ks_) {
            KsRequest req(selector, kKsGet);
            ULONG returned = 0;
            HRESULT hr = ks_->KsProperty(req.get(), 32, out->data(), length, &returned);
            if (SUCCEEDED(hr) && returned != length) return E_FAIL;
            return hr;
        }
        Frame post(0x81, selector, static_cast<uint16_t>(length));
        HRESULT hr = xu_->WriteFrame(kDriverFrameSize, post.raw);
        if (FAILED(hr)) return hr;
        std::vector<uint8_t> answer(length < 72 ? 72 : length, 0);
        hr = xu_->ReadFrame(kDriverFrameSize, answer.data());
        std::memcpy(out->data(), answer.data(), length);
        return hr;
    }
    // The length query: S_OK with the length on success on either path.
    HRESULT Length(uint32_t selector, uint32_t* length) {
        if (ks_) {
            KsRequest req(selector, kKsGet);
            ULONG returned = 0;
            HRESULT hr = ks_->KsProperty(req.get(), 32, nullptr, 0, &returned);
            *length = returned;
            return hr == kMoreData ? S_OK : hr;
        }
        Frame post(0x85, selector, 2);
        HRESULT hr = xu_->WriteFrame(kDriverFrameSize, post.raw);
        if (FAILED(hr)) return hr;
        uint8_t answer[72] = {};
        hr = xu_->ReadFrame(kDriverFrameSize, answer);
        *length = Get32(answer);
        return hr;
    }

    // Register conveniences; they assert nothing, the tests check results.
    HRESULT WriteReg(uint16_t address, uint8_t value) {
        HRESULT hr = Set(2, {Lo(address), Hi(address)});
        return FAILED(hr) ? hr : Set(3, {value});
    }
    uint8_t ReadReg(uint16_t address) {
        std::vector<uint8_t> v;
        if (FAILED(Set(2, {Lo(address), Hi(address)})) || FAILED(Get(3, 1, &v))) return 0xEE;
        return v[0];
    }
    HRESULT WriteWide(uint16_t address, uint16_t value) {
        HRESULT hr = Set(4, {Lo(address), Hi(address)});
        return FAILED(hr) ? hr : Set(5, {Lo(value), Hi(value)});
    }
    uint16_t ReadWide(uint16_t address) {
        std::vector<uint8_t> v;
        if (FAILED(Set(4, {Lo(address), Hi(address)})) || FAILED(Get(5, 2, &v))) return 0xEEEE;
        return static_cast<uint16_t>(v[0] | (v[1] << 8));
    }

    IKsControl* ks() { return ks_.Get(); }
    IDriverXu* xu() { return xu_.Get(); }
    Path path() const { return path_; }

private:
    static uint8_t Lo(uint16_t v) { return static_cast<uint8_t>(v); }
    static uint8_t Hi(uint16_t v) { return static_cast<uint8_t>(v >> 8); }

    Path path_;
    ComPtr<IKsControl> ks_;
    ComPtr<IDriverXu> xu_;
};

inline const char* PathName(Path p) { return p == Path::KsNode ? "KsNode" : "DriverXu"; }

}  // namespace simcam_test
