#include <gtest/gtest.h>

#include <vector>

#include "chip/cam_device.h"
#include "link/xu_channel.h"
#include "tests/support/rig_drivers.h"
#include "tests/support/rig_scope.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr HRESULT kFail = HRESULT(0x8007001F);

uint32_t SelectorOf(const RecordingKsControl::Call& call) {
    return call.property[16] | call.property[17] << 8;
}
bool IsSet(const RecordingKsControl::Call& call) { return call.property[20] == 0x02; }

// A device object with a UvcNode channel on a recording driver. The members
// are built first, so the device object's clearing of pExt comes before.
struct RegisterTest : ::testing::Test {
    RegisterTest() {
        ks.AddRef();
        ScopedChannel::AttachNode(&ks);
    }
    ~RegisterTest() override {
        device.CloseChannel();
        EXPECT_EQ(ks.References(), 1u) << "closing the channel releases its interface";
    }
    // (selector, set?, bytes written) of every request so far.
    struct Seen {
        uint32_t selector;
        bool set;
        Bytes data;
        bool operator==(const Seen& o) const {
            return selector == o.selector && set == o.set && (!set || data == o.data);
        }
    };
    std::vector<Seen> Requests() const {
        std::vector<Seen> out;
        for (const auto& c : ks.calls) out.push_back({SelectorOf(c), IsSet(c), c.data});
        return out;
    }

    RecordingKsControl ks;
    CCamDevice device;
};

TEST_F(RegisterTest, PrimitivesSendTheAddressLowByteFirstThenTheValue) {
    const struct {
        const char* name;
        std::vector<Seen> expected;
    } cases[] = {
        {"WriteReg 0x2600 = 0x78", {{2, true, {0x00, 0x26}}, {3, true, {0x78}}}},
        {"ReadReg 0x20FF", {{2, true, {0xFF, 0x20}}, {3, false, {}}}},
        {"WriteWideReg 0xFCFC = 0x7000", {{4, true, {0xFC, 0xFC}}, {5, true, {0x00, 0x70}}}},
        {"ReadWideReg 0x0152", {{4, true, {0x52, 0x01}}, {5, false, {}}}},
    };
    uint8_t byte = 0;
    uint16_t wide = 0;
    for (size_t i = 0; i < 4; ++i) {
        ks.calls.clear();
        switch (i) {
        case 0: EXPECT_EQ(device.WriteReg(0x2600, 0x78), S_OK); break;
        case 1: EXPECT_EQ(device.ReadReg(0x20FF, &byte), S_OK); break;
        case 2: EXPECT_EQ(device.WriteWideReg(0xFCFC, 0x7000), S_OK); break;
        case 3: EXPECT_EQ(device.ReadWideReg(0x0152, &wide), S_OK); break;
        }
        EXPECT_EQ(Requests(), cases[i].expected) << cases[i].name;
    }
}

TEST_F(RegisterTest, ReadWideRegTakesTheLowByteFirst) {
    ks.answer = {0xAA, 0x06};
    uint16_t value = 0;
    EXPECT_EQ(device.ReadWideReg(0x0152, &value), S_OK);
    EXPECT_EQ(value, 0x06AA);
}

// Only the value request's result counts; a failed read stores 0.
TEST_F(RegisterTest, OnlyTheValueRequestDecides) {
    ks.answer = {0x6A, 0x06};
    uint8_t byte = 0xEE;
    uint16_t wide = 0xEEEE;

    ks.script = {kFail, S_OK};
    EXPECT_EQ(device.WriteReg(0x2003, 0x3F), S_OK) << "failed address, good value";
    ks.script = {S_OK, kFail};
    EXPECT_EQ(device.WriteReg(0x2003, 0x3F), kFail);
    ks.script = {kFail, S_OK};
    EXPECT_EQ(device.ReadReg(0x20FF, &byte), S_OK);
    EXPECT_EQ(byte, 0x6A);
    ks.script = {S_OK, kFail};
    EXPECT_EQ(device.ReadReg(0x20FF, &byte), kFail);
    EXPECT_EQ(byte, 0);
    ks.script = {S_OK, kFail};
    EXPECT_EQ(device.ReadWideReg(0xFCFC, &wide), kFail);
    EXPECT_EQ(wide, 0);
    ks.script = {S_OK, kFail};
    EXPECT_EQ(device.WriteWideReg(0xFCFC, 0x7000), kFail);
    EXPECT_EQ(ks.calls.size(), 12u) << "the value request is made even after a failed address";
}

TEST_F(RegisterTest, ModifyRegReadsThenWritesTheMaskedValue) {
    const struct {
        const char* name;
        uint8_t held;
        uint8_t mask;
        int32_t mode;
        std::deque<HRESULT> script;
        HRESULT expected;
        bool writes;
        uint8_t written;
    } cases[] = {
        {"AND clears bits 0 and 1", 0xFF, 0xFC, 0, {}, 0, true, 0xFC},
        {"OR sets bit 3", 0x21, 0x08, 1, {}, 0, true, 0x29},
        {"other mode writes nothing", 0xFF, 0xFC, 2, {}, 1, false, 0},
        {"failed read writes nothing", 0xFF, 0xFC, 0, {S_OK, kFail}, kFail, false, 0},
        {"failed write is reported", 0xFF, 0xFC, 0, {S_OK, S_OK, S_OK, kFail}, kFail, true, 0xFC},
    };
    for (const auto& c : cases) {
        ks.calls.clear();
        ks.answer = {c.held};
        ks.script = c.script;
        EXPECT_EQ(device.ModifyReg(0x20BA, c.mask, c.mode), c.expected) << c.name;
        auto seen = Requests();
        ASSERT_EQ(seen.size(), c.writes ? 4u : 2u) << c.name;
        EXPECT_EQ(seen[0], (Seen{2, true, {0xBA, 0x20}})) << c.name;
        if (c.writes) {
            EXPECT_EQ(seen[2], (Seen{2, true, {0xBA, 0x20}})) << c.name;
            EXPECT_EQ(seen[3], (Seen{3, true, {c.written}})) << c.name;
        }
    }
}

TEST_F(RegisterTest, PulseDownloadEnableWritesOneThenZeroAndReportsTheSecond) {
    const struct {
        std::deque<HRESULT> script;
        int32_t expected;
    } cases[] = {
        {{S_OK, S_OK}, 1},
        {{kFail, S_OK}, 1},
        {{S_OK, kFail}, 0},
    };
    for (const auto& c : cases) {
        ks.calls.clear();
        ks.script = c.script;
        EXPECT_EQ(device.PulseDownloadEnable(), c.expected);
        EXPECT_EQ(Requests(), (std::vector<Seen>{{9, true, {0x01}}, {9, true, {0x00}}}));
    }
}

TEST(CamDevice, WithoutAChannelPulseAndCloseSendNothing) {
    pExt = reinterpret_cast<CXuChannel*>(0x1);  // whatever was there is forgotten
    CCamDevice device;
    EXPECT_EQ(pExt, nullptr);
    EXPECT_EQ(device.targetIndex, 1);
    EXPECT_EQ(device.targetResults, nullptr);
    EXPECT_EQ(device.PulseDownloadEnable(), 0);
    device.CloseChannel();
    device.CloseChannel();
    EXPECT_EQ(pExt, nullptr);
}

}  // namespace
