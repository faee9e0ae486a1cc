#include "simcam/faults.h"

namespace simcam {

bool Faults::Strike(size_t index, const uint32_t* selector) {
    bool fail = false;
    if (once_.erase(index) > 0) fail = true;
    if ((failFromSet_ && index >= failFrom_) || unplugged_) fail = true;
    if (selector && selectors_.count(*selector) > 0) fail = true;
    return fail;
}

void FillGarbage(uint8_t* out, size_t length, size_t seed) {
    uint32_t x = 0x9E3779B9u ^ static_cast<uint32_t>(seed * 2654435761u);
    for (size_t i = 0; i < length; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<uint8_t>(x);
    }
}

}  // namespace simcam
