// A driver interface in front of another: it holds the reference it is
// given, answers for no other interface, and with its last release lets the
// inner one go and deletes itself. Subclasses implement the calls, passing
// them to inner_ and watching or changing what comes back.
#pragma once

#include "platform/win_types.h"

template <class Interface>
class ForwardingInterface : public Interface {
public:
    explicit ForwardingInterface(Interface* inner) : inner_(inner) {}
    ForwardingInterface(const ForwardingInterface&) = delete;
    ForwardingInterface& operator=(const ForwardingInterface&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            inner_->Release();
            delete this;
        }
        return left;
    }

protected:
    virtual ~ForwardingInterface() = default;
    Interface* const inner_;

private:
    ULONG refs_ = 1;
};
