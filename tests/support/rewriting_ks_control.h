// A KS node in front of another that passes every request through and then
// rewrites the answer to the length queries of one selector: a driver that
// answers a query without a buffer with something other than
// ERROR_MORE_DATA. It holds the reference it is given and deletes itself
// with its last release.
#pragma once

#include <cstring>

#include "platform/win_types.h"
#include "tests/support/forwarding_interface.h"

class RewritingKsControl final : public ForwardingInterface<IKsControl> {
public:
    // answer replaces the result of selector's length queries; byteCount,
    // when not null, replaces the count they report.
    RewritingKsControl(IKsControl* inner, ULONG selector, HRESULT answer, const ULONG* byteCount)
        : ForwardingInterface(inner), selector_(selector), answer_(answer),
          hasCount_(byteCount != nullptr), count_(byteCount ? *byteCount : 0) {}

    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, LPVOID data,
                                         ULONG dataLength, ULONG* returned) override {
        HRESULT hr = inner_->KsProperty(property, propertyLength, data, dataLength, returned);
        const bool lengthQuery = data == nullptr && dataLength == 0 && property &&
                                 (property->Flags & KSPROPERTY_TYPE_GET) != 0;
        if (!lengthQuery || property->Id != selector_) return hr;
        ++rewritten;
        if (hasCount_ && returned) *returned = count_;
        return answer_;
    }
    HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD method, ULONG length, LPVOID data, ULONG dataLength,
                                       ULONG* returned) override {
        return inner_->KsMethod(method, length, data, dataLength, returned);
    }
    HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT event, ULONG length, LPVOID data, ULONG dataLength,
                                      ULONG* returned) override {
        return inner_->KsEvent(event, length, data, dataLength, returned);
    }

    int rewritten = 0;  // length queries answered otherwise

private:
    ~RewritingKsControl() override = default;

    ULONG selector_;
    HRESULT answer_;
    bool hasCount_;
    ULONG count_;
};
