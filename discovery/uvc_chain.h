// The video chains uvcvideo builds in one VideoControl interface, and the
// camera's extension unit as the driver will reach it: on a chain, with
// every selector the program uses in its bmControls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "discovery/uvc_descriptors.h"

// The chain the driver builds from output terminal `terminal`: backwards
// through each unit's first source (every input terminal of a selector
// unit), then the one-input extension units fed by an entity on that road.
// Output terminal first; empty when the driver would refuse the chain (an
// unknown source, a loop, a fed extension unit of several inputs).
std::vector<uint8_t> VideoChain(const VideoControlInterface& vc, uint8_t terminal);

struct CameraUnit {
    bool found = false;             // the interface holds the camera's unit
    UvcEntity unit;
    uint8_t terminal = 0;           // the output terminal whose chain reaches it
    std::vector<uint8_t> chain;     // that chain; empty when none reaches it
    std::vector<uint8_t> missing;   // selectors the program uses that bmControls lacks
    bool Usable() const { return found && !chain.empty() && missing.empty(); }
};

// The camera's unit in this interface, as the driver sees it.
CameraUnit CameraUnitOf(const VideoControlInterface& vc);

// Why the driver will refuse the unit's controls, for a log line: "" when usable.
std::string CameraUnitProblem(const CameraUnit& unit);

// "15 <- 4 <- 10 <- 1": a chain for people.
std::string ChainText(const std::vector<uint8_t>& chain);

// VideoControl interface `number` of configuration `configuration`; a
// negative number takes the configuration's first. Null when there is none.
const VideoControlInterface* FindVideoControl(const std::vector<VideoControlInterface>& all,
                                              int configuration, int number);

// The camera's unit in VideoControl interface `number` of a device's raw
// descriptors, in its active configuration `configuration`; where sysfs
// does not say which (negative), the first configuration the descriptors
// hold. The one lookup both the camera walk and the support report make.
// *vc, when given, receives the interface (left alone when there is none).
CameraUnit CameraUnitIn(const std::vector<uint8_t>& descriptors, int configuration, int number,
                        VideoControlInterface* vc = nullptr);
