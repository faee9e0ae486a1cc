// A clock that never sleeps: a wait is recorded and moves the time on.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "simcam/sim_clock.h"
#include "tests/support/rig_scope.h"

class VirtualClock : public Clock {
public:
    void Sleep(uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms;
    }
    uint64_t NowMs() override { return now; }

    std::vector<uint32_t> sleeps;
    uint64_t now = 0;
};

// The simulated camera's view of a virtual clock: its time, moved on by the
// camera's own waits, the parts of a millisecond kept.
struct CameraClock : simcam::SimClock {
    explicit CameraClock(VirtualClock& c) : clock(c) {}
    uint64_t NowUs() override { return clock.now * 1000 + partUs; }
    void Spend(uint64_t us) override {
        clock.now += (partUs + us) / 1000;
        partUs = (partUs + us) % 1000;
    }
    VirtualClock& clock;
    uint64_t partUs = 0;
};

// Puts a clock in place for one scope.
using ScopedClock = Scoped<Clock*, SetClock>;
