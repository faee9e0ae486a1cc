// One smart pointer for COM interface pointers on both builds: WRL's ComPtr
// on Windows, and elsewhere the part of its interface this program uses.
#pragma once

#ifdef _WIN32
#include <wrl/client.h>
template <class T>
using ComPtr = Microsoft::WRL::ComPtr<T>;
#else
#include <utility>

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** GetAddressOf() { return &p_; }
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &p_;
    }
    // Takes over a reference without adding one; Detach hands it back.
    void Attach(T* p) {
        Reset();
        p_ = p;
    }
    T* Detach() { return std::exchange(p_, nullptr); }
    unsigned long Reset() {
        T* old = std::exchange(p_, nullptr);
        return old ? old->Release() : 0;
    }

private:
    T* p_ = nullptr;
};
#endif
