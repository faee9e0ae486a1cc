// COM for the thread that makes it, for as long as it lives: a program
// makes one on its main thread, where every DirectShow and SetupAPI walk
// runs. Elsewhere than Windows there is no COM and it does nothing.
#pragma once

#ifdef _WIN32
#include <objbase.h>
#endif

class ComApartment {
public:
#ifdef _WIN32
    ComApartment() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (initialised_) CoUninitialize();
    }

private:
    bool initialised_;
#else
public:
    ComApartment() = default;
#endif

public:
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};
