// A camera that is nothing but its answers: both driver interfaces of one
// device, every call answered from the fuzz input. It writes into the
// caller's buffers exactly as much as the request names, so that a buffer
// the program made too small shows up, and it remembers what a judge of
// the run needs: the packets it accepted and whether it committed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/com_object.h"
#include "platform/driver_xu.h"
#include "platform/win_types.h"
#include "tests/fuzz/answer_stream.h"
#include "tests/support/rig_drivers.h"

class AnswerCamera {
public:
    // onCall runs at the start of every driver call.
    AnswerCamera(AnswerStream& in, std::function<void()> onCall);
    AnswerCamera(const AnswerCamera&) = delete;
    AnswerCamera& operator=(const AnswerCamera&) = delete;

    // A new reference for the caller to release.
    IKsControl* NodeReference();
    IDriverXu* DriverReference();
    // References held besides the camera's own one.
    ULONG NodeReferences() const { return node_.References() - 1; }
    ULONG DriverReferences() const { return driver_.References() - 1; }

    size_t calls = 0;
    bool committed = false;          // selector 12 took the value 1
    std::vector<uint8_t> received;   // the bytes of every packet it took, in order

private:
    // Members of the camera: they count, and the camera reads the count.
    struct Node : PropertiesOnly<ComObject<IKsControl>> {
        explicit Node(AnswerCamera& c) : PropertiesOnly(kIidIKsControl, Lifetime::OwnerDeletes), camera(c) {}
        HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, LPVOID data,
                                             ULONG dataLength, ULONG* returned) override;
        AnswerCamera& camera;
    };
    struct Driver : ComObject<IDriverXu> {
        explicit Driver(AnswerCamera& c) : ComObject(kIidIDriverXu, Lifetime::OwnerDeletes), camera(c) {}
        HRESULT STDMETHODCALLTYPE Reserved(ULONG, BYTE*) override;
        HRESULT STDMETHODCALLTYPE ReadFrame(ULONG size, BYTE* frame) override;
        HRESULT STDMETHODCALLTYPE WriteFrame(ULONG size, BYTE* frame) override;
        AnswerCamera& camera;
    };
    // The request a driver read frame answers, as its write frame posted it.
    struct Post {
        bool active = false;
        bool length = false;
        uint32_t bytes = 0;
    };

    uint8_t Begin();  // counts the call and reads how it is answered
    void Took(uint32_t selector, const uint8_t* data, uint32_t length);

    AnswerStream& in_;
    std::function<void()> onCall_;
    Node node_{*this};
    Driver driver_{*this};
    Post post_;
};
