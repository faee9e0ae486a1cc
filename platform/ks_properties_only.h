// An IKsControl that answers properties only: the extension-unit channel
// never asks a node for a method or an event, so those say they are not
// implemented and hand back no bytes.
#pragma once

#include "platform/win_types.h"

template <class Base>
struct PropertiesOnly : Base {
    using Base::Base;
    HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD, ULONG, LPVOID, ULONG, ULONG* bytesReturned) override {
        if (bytesReturned) *bytesReturned = 0;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT, ULONG, LPVOID, ULONG, ULONG* bytesReturned) override {
        if (bytesReturned) *bytesReturned = 0;
        return E_NOTIMPL;
    }
};
