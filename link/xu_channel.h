// The one extension-unit channel of the process: carries writes, reads and
// length queries of the unit's controls over one of two driver paths.
// Results: the driver's HRESULT, negative on failure; E_POINTER when no
// driver interface is attached (no camera), XU_E_TOO_LONG for a request the
// path cannot carry. The channel never retries, waits or logs.
#pragma once

#include <cstdint>

#include "platform/com_ptr.h"
#include "platform/driver_xu.h"
#include "platform/win_types.h"

enum class ChannelMode : int32_t {
    PrivateDriver = 0,  // frames through the camera driver's IDriverXu
    UvcNode = 1,        // KSP_NODE property requests through IKsControl
    None = 2,           // no camera: nothing is sent
};

// {63610682-5070-49AB-B8CC-B3855E8D221D}
constexpr GUID PROPSETID_CAMERA_XU = {0x63610682, 0x5070, 0x49AB,
                                      {0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D}};

// Request codes of a driver frame (the UVC class requests they stand for).
constexpr uint8_t kFrameWrite = 0x01;   // SET_CUR
constexpr uint8_t kFrameRead = 0x81;    // GET_CUR
constexpr uint8_t kFrameLength = 0x85;  // GET_LEN

// What one request of the driver path can carry: the write frame holds a
// 4-byte header and 68 data bytes, the answer buffer 4096 bytes.
constexpr uint32_t kFrameHeaderBytes = 4;
constexpr uint32_t kMaxFrameWriteBytes = 68;
constexpr uint32_t kMaxFrameReadBytes = 4096;

// A request too long for the driver path's buffers: refused, nothing sent.
#define XU_E_TOO_LONG HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)

// What a request answers when the camera went away in the middle of it
// (ERROR_DEVICE_NOT_CONNECTED), and when the driver kept a control's length
// that the camera has since changed (ERROR_BAD_LENGTH): both driver paths,
// and uvcvideo's errno as the node path carries it, answer these.
constexpr long kWin32DeviceNotConnected = 1167;
constexpr long kWin32BadLength = 24;
#define XU_E_DEVICE_GONE HRESULT_FROM_WIN32(kWin32DeviceNotConnected)
#define XU_E_LENGTH_MISMATCH HRESULT_FROM_WIN32(kWin32BadLength)

class CXuChannel {
public:
    CXuChannel() = default;
    CXuChannel(const CXuChannel&) = delete;
    CXuChannel& operator=(const CXuChannel&) = delete;

    // Each takes over the caller's reference and lets go of the one held before.
    HRESULT AttachKsControl(IKsControl* control, ULONG nodeId);
    HRESULT AttachDriverInterface(IDriverXu* driver);
    // Lets go of both: the channel reaches no camera until the next attach.
    void Detach();

    HRESULT put_Property(ULONG selector, ULONG length, const BYTE* data);
    HRESULT get_Property(ULONG selector, ULONG length, BYTE* buffer);
    HRESULT get_PropertySize(ULONG selector, ULONG* size);

    // The longest write one request of the current path can carry.
    ULONG MaxWriteBytes() const;

    // One register read straight on the attached driver interface, in one
    // frame for its three calls: the address write, the read request, the
    // answer. A read that delivers nothing leaves the read request's own
    // first byte, 01. Discovery's chip-ID probe, before the channel's mode
    // is trusted.
    BYTE ReadRegisterInOneFrame(uint8_t addressSelector, uint16_t address, uint8_t dataSelector);

private:
    HRESULT KsRequest(ULONG selector, ULONG flags, void* data, ULONG length, ULONG* returned);
    static void PutHeader(BYTE* frame, ULONG selector, uint8_t code, ULONG length);

    ULONG nodeId_ = 0;
    ComPtr<IKsControl> ksControl_;
    ComPtr<IDriverXu> driver_;

public:
    // Written by camera discovery.
    ChannelMode mode = ChannelMode::None;
};

// The channel in use, or null when no camera is open.
extern CXuChannel* pExt;
