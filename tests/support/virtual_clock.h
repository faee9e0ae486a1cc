// A clock that never sleeps: a wait is recorded and moves the time on.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/clock.h"

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
class ScopedClock {
public:
    explicit ScopedClock(Clock* clock) : previous_(SetClock(clock)) {}
    ~ScopedClock() { SetClock(previous_); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};
