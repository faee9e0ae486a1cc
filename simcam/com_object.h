// Reference counting and QueryInterface shared by the camera's two COM
// faces: a new object belongs to its creator with a count of 1, and
// deletes itself when the count falls to 0.
#pragma once

#include "platform/win_types.h"
#include "simcam/results.h"

namespace simcam {

template <class Interface>
class ComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return kNullPointer;
        if (SameGuid(riid, kIidIUnknown) || SameGuid(riid, iid_)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return kNoInterface;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    explicit ComObject(const GUID& iid) : iid_(iid) {}
    virtual ~ComObject() = default;

private:
    GUID iid_;
    ULONG refs_ = 1;
};

}  // namespace simcam
