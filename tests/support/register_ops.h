// The chip register accesses in a request record: an address on selector 2
// followed by a value on selector 3.
#pragma once

#include <cstdint>
#include <vector>

#include "simcam/sim_camera.h"

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
