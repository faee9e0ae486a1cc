// One whole update against a camera made of the fuzz input's answers: the
// update window with the rig's window stand-in, the worker inline, time
// virtual, the camera found through a camera source. What the run left
// behind, and the promises it must keep whatever the camera answered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/rig_source.h"

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

// The camera as the set-up byte lists it: on the private driver's path or
// the KS node's, with our hardware ID among the imaging devices' or not.
void ListCamera(ListedSource& source, uint8_t setUp, const std::function<IKsControl*()>& node,
                const std::function<IDriverXu*()>& driver);
// The window's course against the camera listed, the worker inline, to its
// verdict; the window's image into *image when asked. Time is the caller's.
AnswerRun RunWindow(ListedSource& source, std::vector<uint8_t>* image);

// Empty when the run kept every promise; otherwise which one it broke.
std::string BrokenPromise(const AnswerRun& run);

// Calls beyond the input's own bytes: with the input gone every call fails
// at once, and every wait the program makes is bounded, so a run that goes
// past this many has run away.
constexpr size_t kExtraCalls = 200000;
