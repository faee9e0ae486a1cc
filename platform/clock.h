// Every wait and every reading of the time goes through here, so that tests
// can run the program's pauses and time bounds on a clock of their own.
#pragma once

#include <cstdint>
#include <string>

class Clock {
public:
    virtual ~Clock() = default;
    virtual void Sleep(uint32_t ms) = 0;
    virtual uint64_t NowMs() = 0;
};

// Replaces the clock in use and returns the previous one; null puts the
// real clock back. Set it before any thread that waits is started.
Clock* SetClock(Clock* clock);

void WaitMs(uint32_t ms);
uint64_t NowMs();

// "2026-12-08 04:50:12 +0000": the wall clock's local time now, with its
// offset from UTC, for records people read.
std::string LocalTimeText();
