// The camera driver's private interface: a fixed-size frame in, an answer
// frame out. Declared by us on both builds; its IID and method order are
// the driver's own.
#pragma once

#include "platform/win_types.h"

// {755742BA-C3AD-450A-BF7B-8E4F9D20A830}
constexpr GUID kIidIDriverXu = {0x755742BA, 0xC3AD, 0x450A,
                                {0xBF, 0x7B, 0x8E, 0x4F, 0x9D, 0x20, 0xA8, 0x30}};

struct IDriverXu : public IUnknown {
    // Present in the driver's table; this program never calls it.
    virtual HRESULT STDMETHODCALLTYPE Reserved(ULONG frameSize, BYTE* frame) = 0;
    // Delivers the answer to the request last posted with WriteFrame.
    virtual HRESULT STDMETHODCALLTYPE ReadFrame(ULONG frameSize, BYTE* frame) = 0;
    // Performs a write frame, or posts a read / length-query frame.
    virtual HRESULT STDMETHODCALLTYPE WriteFrame(ULONG frameSize, BYTE* frame) = 0;

protected:
    ~IDriverXu() = default;
};

// Every frame is handed over with this size, whatever it carries.
constexpr ULONG kDriverFrameSize = 35;
