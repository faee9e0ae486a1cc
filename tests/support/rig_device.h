// A camera device object whose channel reaches the simulated camera by one
// of the two driver paths, and helpers to read the camera's record.
#pragma once

#include <cstddef>
#include <vector>

#include "chip/cam_device.h"
#include "simcam/sim_camera.h"
#include "tests/support/rig_scope.h"
#include "tests/support/virtual_clock.h"

struct SimDevice : ScopedChannel {
    explicit SimDevice(simcam::Path path = simcam::Path::KsNode) {
        if (path == simcam::Path::KsNode)
            AttachNode(sim.NewKsControl());
        else
            AttachDriver(sim.NewDriverXu());
    }
    ~SimDevice() { device.CloseChannel(); }

    CCamDevice device;  // its constructor clears pExt
    simcam::SimCamera sim;
};

// The same on virtual time.
struct ClockedSimDevice : SimDevice {
    using SimDevice::SimDevice;
    VirtualClock clock;
    ScopedClock scoped{&clock};
};

// Index in the record of the nth (from 0) request of this kind to selector,
// or the record's size when there is none.
inline size_t FindRequest(const std::vector<simcam::Request>& requests, uint32_t selector,
                          simcam::Kind kind, size_t nth = 0) {
    for (size_t i = 0; i < requests.size(); ++i)
        if (requests[i].selector == selector && requests[i].kind == kind && nth-- == 0) return i;
    return requests.size();
}

// The number of the nth (from 0) call at or after from that names selector
// and is one of ops, as the call faults count it; the record's size when
// there is none.
inline size_t FindCall(const std::vector<simcam::Call>& calls, uint32_t selector,
                       std::vector<simcam::Op> ops, size_t nth = 0, size_t from = 0) {
    for (size_t i = from; i < calls.size(); ++i) {
        bool op = false;
        for (simcam::Op o : ops) op |= calls[i].op == o;
        if (op && calls[i].selector == selector && nth-- == 0) return i;
    }
    return calls.size();
}

inline bool Sets(const simcam::Call& c, uint32_t selector, const std::vector<uint8_t>& bytes) {
    return c.op == simcam::Op::Set && c.selector == selector && c.bytes == bytes;
}

// The address request of the deselect that closes the direct program of the
// IDs: the first naming 0x2025 after the page program opcode 0x02.
inline size_t IdProgramDeselect(const std::vector<simcam::Call>& trace) {
    size_t i = 1;
    while (i < trace.size() && !(Sets(trace[i - 1], 2, {0x22, 0x20}) && Sets(trace[i], 3, {0x02}))) ++i;
    while (i < trace.size() && !Sets(trace[i], 2, {0x25, 0x20})) ++i;
    return i;
}

inline const char* PathName(simcam::Path path) {
    return path == simcam::Path::KsNode ? "UvcNode" : "PrivateDriver";
}

// The chip register accesses in a request record: an address on selector 2
// followed by a value on selector 3.
struct RegOp {
    bool write;
    uint16_t address;
    uint8_t value;  // written, or read back
    bool operator==(const RegOp& o) const {
        return write == o.write && address == o.address && value == o.value;
    }
};

inline RegOp W(uint16_t address, uint8_t value) { return {true, address, value}; }
inline RegOp R(uint16_t address, uint8_t value = 0) { return {false, address, value}; }

inline std::vector<RegOp> RegisterOps(const std::vector<simcam::Request>& requests) {
    std::vector<RegOp> ops;
    uint16_t address = 0;
    for (const auto& r : requests) {
        if (r.selector == 2 && r.kind == simcam::Kind::Set && r.bytes.size() == 2)
            address = uint16_t(r.bytes[0] | r.bytes[1] << 8);
        else if (r.selector == 3 && !r.bytes.empty())
            ops.push_back({r.kind == simcam::Kind::Set, address, r.bytes[0]});
    }
    return ops;
}

// The same accesses with the values of reads left out, for comparing the
// shape of a sequence.
inline std::vector<RegOp> WithoutReadValues(std::vector<RegOp> ops) {
    for (auto& op : ops)
        if (!op.write) op.value = 0;
    return ops;
}

// Only the accesses to one register.
inline std::vector<uint8_t> WritesTo(const std::vector<RegOp>& ops, uint16_t address) {
    std::vector<uint8_t> values;
    for (const auto& op : ops)
        if (op.write && op.address == address) values.push_back(op.value);
    return values;
}
