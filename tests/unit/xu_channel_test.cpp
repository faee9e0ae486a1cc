#include <gtest/gtest.h>

#include <vector>

#include "link/xu_channel.h"
#include "tests/support/rig_drivers.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr HRESULT kMoreData = HRESULT(0x800700EA);
constexpr HRESULT kDeviceGone = HRESULT(0x8007001F);

uint32_t Word(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

struct ChannelTest : ::testing::Test {
    void UseKs() {
        ks.AddRef();
        channel.AttachKsControl(&ks, 2);
        channel.mode = ChannelMode::UvcNode;
    }
    void UseDriver() {
        driver.AddRef();
        channel.AttachDriverInterface(&driver);
        channel.mode = ChannelMode::PrivateDriver;
    }
    size_t DriverCalls() const { return ks.calls.size() + driver.calls.size(); }

    RecordingKsControl ks;
    RecordingDriverXu driver;
    CXuChannel channel;
};

TEST_F(ChannelTest, NewChannelSendsNothingEvenWithInterfacesAttached) {
    EXPECT_EQ(channel.mode, ChannelMode::None);
    ks.AddRef();
    channel.AttachKsControl(&ks, 2);
    driver.AddRef();
    channel.AttachDriverInterface(&driver);
    EXPECT_EQ(channel.mode, ChannelMode::None) << "attaching never sets the mode";

    BYTE out[2] = {0x5A, 0xA5};
    EXPECT_EQ(channel.put_Property(2, 2, out), E_POINTER);
    EXPECT_EQ(channel.get_Property(3, 2, out), E_POINTER);
    EXPECT_EQ(out[0], 0x5A);
    EXPECT_EQ(out[1], 0xA5);
    ULONG size = 1234;
    EXPECT_EQ(channel.get_PropertySize(10, &size), E_POINTER);
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(DriverCalls(), 0u);
}

TEST_F(ChannelTest, NullSizePointerIsRefusedInEveryModeBeforeAnythingIsSent) {
    ks.AddRef();
    channel.AttachKsControl(&ks, 2);
    driver.AddRef();
    channel.AttachDriverInterface(&driver);
    for (ChannelMode mode : {ChannelMode::None, ChannelMode::UvcNode, ChannelMode::PrivateDriver}) {
        channel.mode = mode;
        EXPECT_EQ(channel.get_PropertySize(10, nullptr), E_POINTER) << int(mode);
    }
    EXPECT_EQ(DriverCalls(), 0u);
}

TEST_F(ChannelTest, MissingInterfaceForThePathGivesEPointer) {
    BYTE byte = 7;
    ULONG size = 99;
    for (ChannelMode mode : {ChannelMode::UvcNode, ChannelMode::PrivateDriver}) {
        channel.mode = mode;
        EXPECT_EQ(channel.put_Property(3, 1, &byte), E_POINTER);
        EXPECT_EQ(channel.get_Property(3, 1, &byte), E_POINTER);
        EXPECT_EQ(channel.get_PropertySize(10, &size), E_POINTER);
    }
    EXPECT_EQ(byte, 7);
    EXPECT_EQ(size, 99u);
}

// The KSP_NODE request, byte for byte, for each of the three operations.
TEST_F(ChannelTest, UvcNodeRequestsCarryTheExtensionUnitPropertyOnNode2) {
    UseKs();
    ks.result = S_OK;
    const BYTE write[2] = {0xFF, 0x20};
    BYTE read[1] = {0};
    ULONG size = 0;
    channel.put_Property(2, 2, write);
    channel.get_Property(3, 1, read);
    ks.result = kMoreData;
    channel.get_PropertySize(10, &size);
    ASSERT_EQ(ks.calls.size(), 3u);

    const Bytes set = {0x82, 0x06, 0x61, 0x63, 0x70, 0x50, 0xAB, 0x49,
                       0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D};
    const struct {
        uint32_t selector, flags;
        bool dataNull;
        ULONG dataLength;
    } expected[] = {{2, 0x10000002, false, 2}, {3, 0x10000001, false, 1}, {10, 0x10000001, true, 0}};
    for (size_t i = 0; i < 3; ++i) {
        const auto& call = ks.calls[i];
        ASSERT_EQ(call.propertyLength, 32u);
        ASSERT_EQ(call.property.size(), 32u);
        EXPECT_EQ(Bytes(call.property.begin(), call.property.begin() + 16), set);
        EXPECT_EQ(Word(call.property, 16), expected[i].selector);
        EXPECT_EQ(Word(call.property, 20), expected[i].flags);
        EXPECT_EQ(Word(call.property, 24), 2u) << "node id";
        EXPECT_EQ(Word(call.property, 28), 0u) << "reserved";
        EXPECT_EQ(call.dataNull, expected[i].dataNull);
        EXPECT_EQ(call.dataLength, expected[i].dataLength);
    }
    EXPECT_EQ(ks.calls[0].data, (Bytes{0xFF, 0x20}));
}

TEST_F(ChannelTest, UvcNodeResultsPassUpUnchanged) {
    UseKs();
    BYTE byte = 0;
    ks.result = kDeviceGone;
    EXPECT_EQ(channel.put_Property(3, 1, &byte), kDeviceGone);
    EXPECT_EQ(channel.get_Property(3, 1, &byte), kDeviceGone);
    ks.result = S_OK;
    ks.answer = {0x6A};
    EXPECT_EQ(channel.get_Property(3, 1, &byte), S_OK);
    EXPECT_EQ(byte, 0x6A);
}

// Only ERROR_MORE_DATA carries a length; every other answer leaves the size.
TEST_F(ChannelTest, UvcNodeSizeQueryWritesTheSizeOnlyOnMoreData) {
    UseKs();
    const struct {
        HRESULT driver;
        HRESULT expected;
        ULONG size;
    } cases[] = {
        {kMoreData, S_OK, 64},
        {S_OK, S_OK, 777},
        {S_FALSE, S_FALSE, 777},
        {kDeviceGone, kDeviceGone, 777},
    };
    for (const auto& c : cases) {
        ks.result = c.driver;
        ks.bytesReturned = 64;
        ULONG size = 777;
        EXPECT_EQ(channel.get_PropertySize(10, &size), c.expected) << std::hex << c.driver;
        EXPECT_EQ(size, c.size) << std::hex << c.driver;
    }
}

TEST_F(ChannelTest, PrivateDriverWriteFrameIsHeaderThenData) {
    UseDriver();
    const BYTE bytes[2] = {0xFF, 0x20};
    EXPECT_EQ(channel.put_Property(2, 2, bytes), S_OK);
    ASSERT_EQ(driver.calls.size(), 1u);
    EXPECT_FALSE(driver.calls[0].read);
    EXPECT_EQ(driver.calls[0].size, 35u);
    EXPECT_EQ(driver.calls[0].frame, (Bytes{0x02, 0x00, 0x01, 0x02, 0xFF, 0x20}));

    driver.writeResult = kDeviceGone;
    EXPECT_EQ(channel.put_Property(2, 2, bytes), kDeviceGone);
}

TEST_F(ChannelTest, PrivateDriverReadPostsThenCollectsTheAnswer) {
    UseDriver();
    driver.answer = {0x65, 0x99};
    BYTE byte = 0;
    EXPECT_EQ(channel.get_Property(3, 1, &byte), S_OK);
    ASSERT_EQ(driver.calls.size(), 2u);
    EXPECT_FALSE(driver.calls[0].read);
    EXPECT_EQ(driver.calls[0].size, 35u);
    EXPECT_EQ(driver.calls[0].frame, (Bytes{0x01, 0x00, 0x81, 0x03, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(driver.calls[1].read);
    EXPECT_EQ(driver.calls[1].size, 35u);
    EXPECT_EQ(byte, 0x65);
}

TEST_F(ChannelTest, PrivateDriverFailedReadStillCopiesTheAnswer) {
    UseDriver();
    driver.writeResult = kDeviceGone;  // the post's result is not looked at
    driver.readResult = kDeviceGone;
    driver.answer = {0xAB, 0xCD};
    BYTE bytes[2] = {0, 0};
    EXPECT_EQ(channel.get_Property(5, 2, bytes), kDeviceGone);
    EXPECT_EQ(bytes[0], 0xAB);
    EXPECT_EQ(bytes[1], 0xCD);
    // One that answers nothing hands over zeros, never the answer before.
    driver.answer.clear();
    EXPECT_EQ(channel.get_Property(5, 2, bytes), kDeviceGone);
    EXPECT_EQ(bytes[0] | bytes[1], 0);
}

TEST_F(ChannelTest, PrivateDriverSizeQueryReadsTheFirstWordOfTheAnswer) {
    UseDriver();
    driver.answer = {0x40, 0x00, 0x00, 0x00};
    ULONG size = 0;
    EXPECT_EQ(channel.get_PropertySize(10, &size), S_OK);
    ASSERT_EQ(driver.calls.size(), 2u);
    EXPECT_EQ(Bytes(driver.calls[0].frame.begin(), driver.calls[0].frame.begin() + 4),
              (Bytes{0x02, 0x00, 0x85, 0x0A}));
    EXPECT_EQ(driver.calls[1].frame, (Bytes{0x02, 0x00, 0x85, 0x0A, 0, 0, 0, 0}))
        << "the header is written again before the answer is collected";
    EXPECT_EQ(size, 64u);
}

TEST_F(ChannelTest, PrivateDriverSizeQueryThatFailsSilentlyLeavesTheHeaderAsSize) {
    UseDriver();
    driver.readResult = kDeviceGone;  // and nothing written
    ULONG size = 0;
    EXPECT_EQ(channel.get_PropertySize(10, &size), kDeviceGone);
    EXPECT_EQ(size, 0x0A850002u);
}

// The driver path's buffers hold 68 data bytes out and 4096 in; anything
// longer is refused before a frame is built.
TEST_F(ChannelTest, PrivateDriverRefusesRequestsLongerThanItsBuffers) {
    UseDriver();
    std::vector<BYTE> big(5000, 0x11);
    const struct {
        bool write;
        ULONG length;
        HRESULT expected;
        size_t calls;
    } cases[] = {
        {true, 68, S_OK, 1},
        {true, 69, XU_E_TOO_LONG, 0},
        {true, 4096, XU_E_TOO_LONG, 0},
        {false, 4096, S_OK, 2},
        {false, 4097, XU_E_TOO_LONG, 0},
        {false, 0xFFFFFFFF, XU_E_TOO_LONG, 0},
    };
    for (const auto& c : cases) {
        driver.calls.clear();
        std::vector<BYTE> guard = big;
        HRESULT hr = c.write ? channel.put_Property(10, c.length, guard.data())
                             : channel.get_Property(15, c.length, guard.data());
        EXPECT_EQ(hr, c.expected) << c.write << " " << c.length;
        EXPECT_EQ(driver.calls.size(), c.calls) << c.write << " " << c.length;
        if (c.write && c.calls) {
            ASSERT_EQ(driver.calls[0].frame.size(), 4u + c.length);
            EXPECT_EQ(driver.calls[0].frame[4 + c.length - 1], 0x11);
        }
    }
    EXPECT_LT(XU_E_TOO_LONG, 0);
}

TEST_F(ChannelTest, AttachTakesOverTheReferenceAndReleasesThePreviousOne) {
    RecordingKsControl second;
    RecordingDriverXu secondDriver;
    {
        CXuChannel local;
        local.AttachKsControl(&ks, 2);
        EXPECT_EQ(ks.References(), 1u) << "no reference added";
        local.AttachKsControl(&second, 2);
        EXPECT_EQ(ks.References(), 0u) << "previous KS control released";
        EXPECT_EQ(second.References(), 1u);
        local.AttachDriverInterface(&driver);
        local.AttachDriverInterface(&secondDriver);
        EXPECT_EQ(driver.References(), 0u);
        EXPECT_EQ(second.References(), 1u) << "a driver attach leaves the KS control alone";
    }
    EXPECT_EQ(second.References(), 0u) << "deleting the channel releases what it holds";
    EXPECT_EQ(secondDriver.References(), 0u);
}

TEST_F(ChannelTest, AttachingTheSameInterfaceTwiceKeepsOneReference) {
    {
        CXuChannel local;
        ks.AddRef();
        local.AttachKsControl(&ks, 2);
        ks.AddRef();
        local.AttachKsControl(&ks, 2);
        EXPECT_EQ(ks.References(), 2u);
    }
    EXPECT_EQ(ks.References(), 1u);
}

}  // namespace
