// Driver interfaces that stand where the camera's driver would: nodes that
// answer properties only, interfaces in front of another, ones that record
// the raw bytes they are handed, and a chip answered from a script.
#pragma once

#include <cstring>
#include <deque>
#include <vector>

#include "platform/com_object.h"
#include "platform/ks_properties_only.h"
#include "platform/com_ptr.h"
#include "platform/driver_xu.h"
#include "platform/win_types.h"


inline const GUID& IidOf(IKsControl*) { return kIidIKsControl; }
inline const GUID& IidOf(IDriverXu*) { return kIidIDriverXu; }

// A driver interface in front of another: it holds the reference it is
// given, and with its last release lets the inner one go and deletes
// itself. Subclasses implement the calls, passing them to inner_ and
// watching or changing what comes back.
template <class Interface>
class ForwardingInterface : public ComObject<Interface> {
public:
    explicit ForwardingInterface(Interface* inner) : ComObject<Interface>(IidOf(inner)) {
        inner_.Attach(inner);
    }

protected:
    ComPtr<Interface> inner_;
};

// The recording ones count references but never delete themselves: the
// test owns them and reads the count (References()).

// The next scripted result, or the standing one when the script is done.
inline HRESULT Next(std::deque<HRESULT>& script, HRESULT standing) {
    if (script.empty()) return standing;
    HRESULT hr = script.front();
    script.pop_front();
    return hr;
}

struct RecordingKsControl : public PropertiesOnly<ComObject<IKsControl>> {
    RecordingKsControl() : PropertiesOnly(kIidIKsControl, Lifetime::OwnerDeletes) {}

    struct Call {
        std::vector<uint8_t> property;  // the request as bytes
        ULONG propertyLength;
        bool dataNull;
        ULONG dataLength;
        std::vector<uint8_t> data;      // what a set carried
    };

    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, LPVOID data,
                                         ULONG dataLength, ULONG* returned) override {
        Call call;
        const uint8_t* p = reinterpret_cast<const uint8_t*>(property);
        call.property.assign(p, p + propertyLength);
        call.propertyLength = propertyLength;
        call.dataNull = data == nullptr;
        call.dataLength = dataLength;
        if (data) {
            const uint8_t* d = static_cast<const uint8_t*>(data);
            call.data.assign(d, d + dataLength);
            for (ULONG i = 0; i < dataLength && i < answer.size(); ++i)
                static_cast<uint8_t*>(data)[i] = answer[i];
        }
        calls.push_back(call);
        if (returned) *returned = bytesReturned;
        return Next(script, result);
    }

    HRESULT result = S_OK;
    std::deque<HRESULT> script;  // results of the next calls, in order
    ULONG bytesReturned = 0;
    std::vector<uint8_t> answer;  // copied into a get's buffer
    std::vector<Call> calls;
};

struct RecordingDriverXu : public ComObject<IDriverXu> {
    RecordingDriverXu() : ComObject(kIidIDriverXu, Lifetime::OwnerDeletes) {}

    struct Call {
        bool read;                   // ReadFrame rather than WriteFrame
        ULONG size;
        std::vector<uint8_t> frame;  // header and data as handed over
    };

    HRESULT STDMETHODCALLTYPE Reserved(ULONG, BYTE*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE ReadFrame(ULONG size, BYTE* frame) override {
        calls.push_back({true, size, std::vector<uint8_t>(frame, frame + 8)});
        if (!answer.empty()) std::memcpy(frame, answer.data(), answer.size());
        return Next(readScript, readResult);
    }
    HRESULT STDMETHODCALLTYPE WriteFrame(ULONG size, BYTE* frame) override {
        // A write frame carries its data behind the header; other frames
        // are significant in their first eight bytes.
        size_t length = frame[0] | frame[1] << 8;
        size_t bytes = frame[2] == 0x01 ? 4 + length : 8;
        calls.push_back({false, size, std::vector<uint8_t>(frame, frame + bytes)});
        return Next(writeScript, writeResult);
    }

    HRESULT writeResult = S_OK;
    HRESULT readResult = S_OK;
    std::deque<HRESULT> writeScript;
    std::deque<HRESULT> readScript;
    std::vector<uint8_t> answer;  // written at offset 0 by ReadFrame
    std::vector<Call> calls;
};

// A chip whose SPI engine is always idle and whose received bytes come
// from a script: for feeding identification answers that no fitted part
// gives. Reached through the UvcNode path. The test owns it; it only counts.
struct ScriptedSpiChip : public PropertiesOnly<ComObject<IKsControl>> {
    ScriptedSpiChip() : PropertiesOnly(kIidIKsControl, Lifetime::OwnerDeletes) {}

    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG, LPVOID data, ULONG length,
                                         ULONG*) override {
        uint8_t* bytes = static_cast<uint8_t*>(data);
        const bool set = (property->Flags & KSPROPERTY_TYPE_SET) != 0;
        if (property->Id == 2 && set && length == 2) address = uint16_t(bytes[0] | bytes[1] << 8);
        if (property->Id == 3 && !set && length == 1) {
            uint8_t value = 0;
            if (address == 0x20FF) value = chipId;
            if (address == 0x2024 && !received.empty()) {
                value = received.front();
                received.pop_front();
            }
            bytes[0] = value;
        }
        return S_OK;
    }

    uint8_t chipId = 0x65;
    uint16_t address = 0;
    std::deque<uint8_t> received;  // bytes read from 0x2024, in order
};
