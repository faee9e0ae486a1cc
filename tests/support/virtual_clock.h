// A clock that never sleeps: a wait is recorded and moves the time on.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/clock.h"
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

// Puts a clock in place for one scope.
using ScopedClock = Scoped<Clock*, SetClock>;
