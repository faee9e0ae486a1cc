// The world's time as the camera sees it, in microseconds. A test that
// keeps its own virtual time hands the camera one of these, so that the
// flash's program and erase times and the camera's own waits run on it.
#pragma once

#include <cstdint>

namespace simcam {

class SimClock {
public:
    virtual ~SimClock() = default;
    virtual uint64_t NowUs() = 0;
    // The camera itself waits (its download engine waiting for the flash): time moves on.
    virtual void Spend(uint64_t us) = 0;
};

}  // namespace simcam
