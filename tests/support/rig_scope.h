// What every rig does behind the code under test: puts a seam in place for
// its own lifetime and gives back what was there, and hands the channel
// pExt a camera's KS node or driver interface.
#pragma once

#include "link/xu_channel.h"

// A seam whose setter returns what it replaces (SetClock, SetCameraSource,
// SetThreadStarter, SetUvcIoctl), set for one scope.
template <class T, T (*Set)(T)>
class Scoped {
public:
    explicit Scoped(T value) : previous_(Set(value)) {}
    ~Scoped() { Set(previous_); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

private:
    T previous_;
};

// pExt starts empty and is given back as it was when the rig goes: a rig
// made inside another takes the channel over for its lifetime only.
class ScopedChannel {
public:
    ScopedChannel() { pExt = nullptr; }
    ~ScopedChannel() { pExt = previous_; }
    ScopedChannel(const ScopedChannel&) = delete;
    ScopedChannel& operator=(const ScopedChannel&) = delete;

    // A new channel in pExt over the extension unit's KS node, or over the
    // private driver's interface; it takes the reference it is given.
    static void AttachNode(IKsControl* node, ULONG nodeId = 2) {
        pExt = new CXuChannel;
        pExt->AttachKsControl(node, nodeId);
        pExt->mode = ChannelMode::UvcNode;
    }
    static void AttachDriver(IDriverXu* driver) {
        pExt = new CXuChannel;
        pExt->AttachDriverInterface(driver);
        pExt->mode = ChannelMode::PrivateDriver;
    }

private:
    CXuChannel* previous_ = pExt;
};
