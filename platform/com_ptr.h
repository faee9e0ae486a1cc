// One smart pointer for COM interface pointers on both builds, with the
// part of WRL's ComPtr interface this program uses. MinGW's own ComPtr is
// not used: its Attach adds a reference, where WRL's takes one over, and a
// count that differs by build is a leak on one of them.
#pragma once

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
