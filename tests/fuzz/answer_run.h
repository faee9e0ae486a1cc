// One whole update against a camera made of the fuzz input's answers: the
// update window with the rig's window stand-in, the worker inline, time
// virtual, the camera found through a camera source. What the run left
// behind, and the promises it must keep whatever the camera answered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct AnswerRun {
    std::string status;
    std::string log;
    bool finished = false;   // the verdict came within a few ticks
    bool closable = false;   // and the window could be closed after it
    size_t calls = 0;
    bool committed = false;
    bool tookTheImage = false;  // the packets it took hold the window's image, then only fill
    unsigned long nodeReferences = 0;    // left held when all was over
    unsigned long driverReferences = 0;

    bool Complete() const;
};

AnswerRun RunAnswers(const uint8_t* data, size_t size);

// Empty when the run kept every promise; otherwise which one it broke.
std::string BrokenPromise(const AnswerRun& run);

// Calls beyond the input's own bytes: with the input gone every call fails
// at once, and every wait the program makes is bounded, so a run that goes
// past this many has run away.
constexpr size_t kExtraCalls = 200000;
