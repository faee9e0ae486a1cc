// A chip whose SPI engine is always idle and whose received bytes come
// from a script: for feeding identification answers that no fitted part
// gives. Reached through the UvcNode path.
#pragma once

#include <deque>

#include "platform/com_object.h"
#include "platform/win_types.h"

// The test owns it; it only counts.
struct ScriptedSpiChip : public ComObject<IKsControl> {
    ScriptedSpiChip() : ComObject(kIidIKsControl, Lifetime::OwnerDeletes) {}

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
    HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD, ULONG, LPVOID, ULONG, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT, ULONG, LPVOID, ULONG, ULONG*) override {
        return E_NOTIMPL;
    }

    uint8_t chipId = 0x65;
    uint16_t address = 0;
    std::deque<uint8_t> received;  // bytes read from 0x2024, in order
};
