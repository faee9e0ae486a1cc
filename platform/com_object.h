// Reference counting and QueryInterface for the COM objects this program
// and its test doubles implement: a new object belongs to its creator with
// a count of 1 and deletes itself when the count falls to 0. It answers
// for IUnknown and the one interface it was made for.
#pragma once

#include <atomic>

#include "platform/win_types.h"

template <class Interface>
class ComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (SameGuid(riid, kIidIUnknown) || SameGuid(riid, iid_)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    explicit ComObject(const GUID& iid) : iid_(iid) {}
    virtual ~ComObject() = default;

private:
    GUID iid_;
    std::atomic<ULONG> refs_{1};
};
