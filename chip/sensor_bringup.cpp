#include <cstddef>

#include "chip/cam_device.h"
#include "chip/register_map.h"
#include "platform/clock.h"

namespace {

enum class StepOp {
    Write,    // WriteReg of value
    SetBits,  // ReadReg, then WriteReg of the value read OR value
    And,      // ModifyReg mode 0 with value as the mask
    Pause,    // the sensor's supplies settle between groups of steps
};

enum class OnFail { Abort, GoOn };

struct BringUpStep {
    StepOp op;
    uint16_t reg;
    uint8_t value;
    OnFail onFail;
};

// Each pause lets the sensor's rails and clock settle before the next group.
constexpr uint32_t kBringUpPauseMs = 500;

constexpr BringUpStep kBringUp[] = {
    {StepOp::Write, 0x2600, 0x78, OnFail::Abort},    //  1
    {StepOp::Write, 0x2602, 0x00, OnFail::Abort},    //  2
    {StepOp::Write, 0x2605, 0x20, OnFail::Abort},    //  3
    {StepOp::Write, 0x2610, 0x01, OnFail::Abort},    //  4
    {StepOp::Write, 0x2611, 0x06, OnFail::Abort},    //  5
    {StepOp::Write, 0x2613, 0xAA, OnFail::Abort},    //  6
    {StepOp::Write, 0x2781, 0x00, OnFail::Abort},    //  7
    {StepOp::Write, 0x2782, 0x00, OnFail::Abort},    //  8
    {StepOp::Write, 0x278D, 0x48, OnFail::Abort},    //  9
    {StepOp::Write, 0x2790, 0x00, OnFail::Abort},    // 10
    {StepOp::Write, 0x27B0, 0x10, OnFail::Abort},    // 11
    {StepOp::Write, 0x2003, 0x3F, OnFail::Abort},    // 12
    {StepOp::SetBits, 0x2015, 0x01, OnFail::GoOn},   // 13
    {StepOp::SetBits, 0x2041, 0x08, OnFail::GoOn},   // 14
    {StepOp::SetBits, 0x2043, 0x08, OnFail::GoOn},   // 15
    {StepOp::Pause, 0, 0, OnFail::GoOn},             // 16
    {StepOp::SetBits, 0x2039, 0x01, OnFail::GoOn},   // 17
    {StepOp::SetBits, 0x2056, 0x01, OnFail::GoOn},   // 18
    {StepOp::SetBits, 0x2057, 0x01, OnFail::GoOn},   // 19
    {StepOp::Pause, 0, 0, OnFail::GoOn},             // 20
    {StepOp::SetBits, 0x2041, 0x02, OnFail::GoOn},   // 21
    {StepOp::SetBits, 0x2043, 0x02, OnFail::GoOn},   // 22
    {StepOp::Pause, 0, 0, OnFail::GoOn},             // 23
    {StepOp::SetBits, 0x2042, 0x02, OnFail::GoOn},   // 24
    {StepOp::SetBits, 0x2044, 0x02, OnFail::GoOn},   // 25
    {StepOp::Pause, 0, 0, OnFail::GoOn},             // 26
    {StepOp::Write, 0x2003, 0x3F, OnFail::Abort},    // 27
    {StepOp::And, 0x2781, 0xF7, OnFail::Abort},      // 28
    {StepOp::Pause, 0, 0, OnFail::GoOn},             // 29
    {StepOp::SetBits, 0x2042, 0x01, OnFail::GoOn},   // 30
    {StepOp::SetBits, 0x2044, 0x01, OnFail::GoOn},   // 31
    {StepOp::Pause, 0, 0, OnFail::GoOn},             // 32
    {StepOp::And, 0x2015, 0xFE, OnFail::Abort},      // 33
    {StepOp::Write, 0x2004, 0x3F, OnFail::Abort},    // 34
    {StepOp::Write, 0x2003, 0x3F, OnFail::Abort},    // 35
    {StepOp::Write, 0x2005, 0x07, OnFail::Abort},    // 36
    {StepOp::Write, 0x2010, 0x01, OnFail::Abort},    // 37
    {StepOp::Write, 0x20B9, 0x00, OnFail::Abort},    // 38
    {StepOp::SetBits, 0x2041, 0x02, OnFail::GoOn},   // 39
    {StepOp::Write, 0x20B4, 0x22, OnFail::Abort},    // 40
    {StepOp::SetBits, 0x2043, 0x02, OnFail::GoOn},   // 41
};
static_assert(sizeof(kBringUp) / sizeof(kBringUp[0]) == 41, "the bring-up has 41 steps");

}  // namespace

int32_t CCamDevice::SensorBringUp() {
    for (const BringUpStep& step : kBringUp) {
        HRESULT hr = S_OK;
        switch (step.op) {
        case StepOp::Write:
            hr = WriteReg(step.reg, step.value);
            break;
        case StepOp::SetBits: {
            uint8_t value = 0;
            ReadReg(step.reg, &value);
            hr = WriteReg(step.reg, value | step.value);
            break;
        }
        case StepOp::And:
            hr = ModifyReg(step.reg, step.value, 0);
            break;
        case StepOp::Pause:
            WaitMs(kBringUpPauseMs);
            break;
        }
        if (step.onFail == OnFail::Abort && hr < 0) return 0;
    }
    return 1;
}

int32_t CCamDevice::ProbeSensorId() {
    if (WriteWideReg(WIDE_REG_PAGE, kSensorPage) < 0) return 0;
    uint16_t page = 0;
    ReadWideReg(WIDE_REG_PAGE, &page);
    if (page != kSensorPage) return 0;
    uint16_t id = 0;
    if (ReadWideReg(WIDE_REG_SENSOR_ID, &id) < 0) return 0;
    return id == kSensorId ? 1 : 0;
}
