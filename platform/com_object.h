// Reference counting and QueryInterface for the COM objects this program
// and its test doubles implement. A new object holds one reference, its
// creator's. Made with new, it deletes itself when the count falls to 0;
// made as a member, a local or a static (OwnerDeletes), it only counts, and
// its owner may read the count to see every reference come back.
//
// It answers for IUnknown and the interface it was made for. An object that
// is more than one interface lists the others after the first (one count
// serves them all) and answers for them, or for anything else it hands
// out, in QueryOther.
#pragma once

#include <atomic>

#include "platform/win_types.h"

template <class Interface, class... More>
class ComObject : public Interface, public More... {
public:
    enum class Lifetime { DeletesItself, OwnerDeletes };

    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (SameGuid(riid, kIidIUnknown) || SameGuid(riid, iid_)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        return QueryOther(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0 && lifetime_ == Lifetime::DeletesItself) delete this;
        return left;
    }

    ULONG References() const { return refs_; }

protected:
    explicit ComObject(const GUID& iid, Lifetime lifetime = Lifetime::DeletesItself)
        : iid_(iid), lifetime_(lifetime) {}
    virtual ~ComObject() = default;

    // Any other interface: *object set to a new reference, or E_NOINTERFACE
    // with *object left null.
    virtual HRESULT QueryOther(REFIID, void**) { return E_NOINTERFACE; }

private:
    GUID iid_;
    Lifetime lifetime_;
    std::atomic<ULONG> refs_{1};
};
