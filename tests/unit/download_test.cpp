#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "chip/cam_device.h"
#include "firmware/command_tables.h"
#include "firmware/firmware_image.h"
#include "firmware/flash_layout.h"
#include "link/xu_channel.h"
#include "tests/support/firmware_bytes.h"
#include "tests/support/rig_device.h"
#include "tests/support/virtual_clock.h"

namespace {

using simcam::FlashPart;
using simcam::Kind;
using simcam::Op;
using simcam::Path;
using Bytes = std::vector<uint8_t>;

const Path kPaths[] = {Path::KsNode, Path::DriverXu};
const FlashPart kPartOfType[] = {FlashPart::Type0, FlashPart::Type1, FlashPart::Type2a,
                                 FlashPart::Type3, FlashPart::Type4, FlashPart::Type5,
                                 FlashPart::Type6};

uint8_t Xor(const Bytes& bytes) {
    uint8_t x = 0;
    for (uint8_t b : bytes) x ^= b;
    return x;
}

std::string CorrectLine(uint8_t checksum) {
    char line[64];
    std::snprintf(line, sizeof line, "checksum correct = %02X \r\n", checksum);
    return line;
}

std::string MismatchLines(uint8_t got, uint8_t expected) {
    char line[96];
    std::snprintf(line, sizeof line, "FW get checksum (%x) != Code checksum(%x) \r\n", got, expected);
    return std::string("XU_DFU_CHECKSUM incorrect\r\n") + line;
}

// A download of image 133 for FlashType 0 against the simulated camera,
// time virtual, old firmware in the flash.
struct Rig {
    explicit Rig(Path path = Path::KsNode, FlashPart part = FlashPart::Type0, uint8_t flashType = 0)
        : d(path) {
        d.sim.SetFlashPart(part);
        d.sim.Flash().assign(65536, 0x3C);
        image = PatchedImageBytes(kImageV0308, flashType);
    }
    int32_t Download(int32_t flashType = 0) {
        return d.device.DownloadFirmware(image.data(), uint32_t(image.size()), log, flashType);
    }
    size_t Count(uint32_t selector, Kind kind) const {
        size_t n = 0;
        for (const auto& r : d.sim.Requests()) n += r.selector == selector && r.kind == kind;
        return n;
    }
    ClockedSimDevice d;
    VirtualClock& clock = d.clock;
    Bytes image;
    std::string log;
    uint32_t packetLength = 64;
};

struct DownloadTest : ::testing::Test, Rig {};

// The number of a call in a clean run of the same download. The clean run
// takes pExt over: call it before building the rig that is tested.
size_t CallOfCleanRun(uint32_t selector, simcam::Op op, size_t nth = 0, Path path = Path::KsNode) {
    Rig clean(path);
    clean.Download();
    return FindCall(clean.d.sim.Calls(), selector, {op}, nth);
}

TEST(Download, WritesThePatchedImageForEveryFlashTypeOnBothPaths) {
    for (Path path : kPaths) {
        for (uint8_t type = 0; type < 7; ++type) {
            ClockedSimDevice d(path);
            d.sim.SetFlashPart(kPartOfType[type]);
            d.sim.Flash() = PatchedImageBytes(kImageV0309, type);  // the older firmware
            const Bytes image = PatchedImageBytes(kImageV0308, type);
            std::string log;
            EXPECT_EQ(d.device.DownloadFirmware(image.data(), 65536, log, type), 1)
                << PathName(path) << " type " << int(type) << "\n" << log;
            EXPECT_TRUE(d.sim.Flash() == image) << PathName(path) << " type " << int(type);
            EXPECT_TRUE(d.sim.Committed());
            EXPECT_FALSE(d.sim.EngineEnabled());
            EXPECT_EQ(log, "Downloading...\r\n" + CorrectLine(Xor(image)));
            EXPECT_EQ(d.clock.sleeps, std::vector<uint32_t>{1000});
        }
    }
}

TEST(Download, RequestsComeInTheProtocolsOrder) {
    for (Path path : kPaths) {
        ClockedSimDevice d(path);
        d.sim.SetFlashPart(FlashPart::Type1);
        d.sim.SetPacketLength(64);
        const Bytes image = PatchedImageBytes(kImageV0308, 1);
        std::string log;
        ASSERT_EQ(d.device.DownloadFirmware(image.data(), 65536, log, 1), 1) << log;

        struct Step {
            uint32_t selector;
            Kind kind;
            Bytes bytes;  // checked when not empty
        };
        std::vector<Step> expected;
        const uint8_t slots[12] = {0x03, 0xFF, 0x05, 0x06, 0x04, 0x20,
                                   0x52, 0x60, 0x02, 0xAF, 0x50, 0x01};
        for (uint8_t slot = 1; slot <= 12; ++slot) {
            expected.push_back({7, Kind::Set, {slot}});
            expected.push_back({8, Kind::Set, {slots[slot - 1]}});
        }
        expected.push_back({16, Kind::Set, {0x01}});
        expected.push_back({15, Kind::Length, {}});
        expected.push_back({9, Kind::Set, {0x03}});
        expected.push_back({10, Kind::Length, {}});
        expected.push_back({10, Kind::Length, {}});
        expected.push_back({10, Kind::Set, Bytes(image.begin(), image.begin() + 64)});
        const size_t firstPacket = expected.size() - 1;
        for (size_t p = 1; p < 1024; ++p) expected.push_back({10, Kind::Set, {}});
        expected.push_back({11, Kind::Get, {}});
        expected.push_back({12, Kind::Set, {0x01}});
        expected.push_back({9, Kind::Set, {0x00}});
        // The read-back of the flash, block by block.
        expected.push_back({15, Kind::Length, {}});
        for (uint8_t block = 0; block < 16; ++block) {
            expected.push_back({14, Kind::Set, {0x00, uint8_t(block << 4), 0x00, 0x00}});
            expected.push_back({15, Kind::Get, {}});
        }

        // The direct program's register requests stand between the first
        // and the second packet, and nowhere else.
        std::vector<simcam::Request> protocol;
        size_t registerRequests = 0;
        for (const auto& r : d.sim.Requests()) {
            if (r.selector == 2 || r.selector == 3) {
                EXPECT_EQ(protocol.size(), firstPacket + 1) << PathName(path);
                ++registerRequests;
            } else {
                protocol.push_back(r);
            }
        }
        EXPECT_GT(registerRequests, 70u);
        ASSERT_EQ(protocol.size(), expected.size()) << PathName(path);
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(protocol[i].selector, expected[i].selector) << PathName(path) << " #" << i;
            EXPECT_EQ(protocol[i].kind, expected[i].kind) << PathName(path) << " #" << i;
            if (!expected[i].bytes.empty()) {
                EXPECT_EQ(protocol[i].bytes, expected[i].bytes) << PathName(path) << " #" << i;
            }
        }
    }
}

TEST(LoadCommandTable, SendsTheTableOfTheFlashType) {
    const struct {
        int32_t type;
        Bytes table;
    } cases[] = {
        {0, {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01, 0x00}},
        {1, {0x03, 0xFF, 0x05, 0x06, 0x04, 0x20, 0x52, 0x60, 0x02, 0xAF, 0x50, 0x01, 0x01}},
        {2, {0x03, 0x0B, 0x05, 0x06, 0x04, 0xD7, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01, 0x00}},
        {3, {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01, 0x00}},
        {4, {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01, 0x00}},
        {5, {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01, 0x00}},
        {6, {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01, 0x00}},
        {0x101, {0x03, 0xFF, 0x05, 0x06, 0x04, 0x20, 0x52, 0x60, 0x02, 0xAF, 0x50, 0x01, 0x01}},
        {-1, {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        SimDevice d;
        d.sim.SetBlockLength(4096);
        EXPECT_EQ(LoadCommandTable(c.type), S_OK) << c.type;
        auto table = d.sim.CommandTable();
        EXPECT_EQ(Bytes(table.begin(), table.end()), c.table) << c.type;
        auto requests = d.sim.Requests();
        ASSERT_EQ(requests.size(), 26u);
        for (size_t slot = 0; slot < 12; ++slot) {
            EXPECT_EQ(requests[2 * slot].selector, 7u);
            EXPECT_EQ(requests[2 * slot].bytes, Bytes{uint8_t(slot + 1)});
            EXPECT_EQ(requests[2 * slot + 1].selector, 8u);
        }
        EXPECT_EQ(requests[24].selector, 16u);
        EXPECT_EQ(requests[25].selector, 15u);
        EXPECT_EQ(requests[25].kind, Kind::Length);
    }
}

TEST(Download, NullImageOrChannelSendsNothing) {
    SimDevice d;
    std::string log;
    EXPECT_EQ(d.device.DownloadFirmware(nullptr, 65536, log, 0), 0);
    EXPECT_EQ(log, "Downloading...\r\nDownload Data is NULL!\r\n");
    d.device.CloseChannel();
    log.clear();
    const uint8_t byte = 0;
    EXPECT_EQ(d.device.DownloadFirmware(&byte, 1, log, 0), 0);
    EXPECT_EQ(log, "Downloading...\r\nNULL pExt Pointer fail.\r\n");
    EXPECT_TRUE(d.sim.Requests().empty());
}

TEST(Download, ARecoveredEnableStillSendsEverythingButFailsTheVerdict) {
    const size_t enable = CallOfCleanRun(9, Op::Set);
    Rig t;
    auto& d = t.d;
    const Bytes& image = t.image;
    d.sim.FailCallOnce(enable);
    EXPECT_EQ(t.Download(), 0);
    EXPECT_EQ(t.log, "Downloading...\r\n"
                   "put_Property XU_DFU_ENABLE_CONTROL = 1 fail.\r\n"
                   "Resend Command XU_DFU_ENABLE_CONTROL.\r\n"
                   "put_Property XU_ISP_ENABLE = 1 has been recovered.\r\n" +
                       MismatchLines(Xor(image), Xor(image)));
    EXPECT_EQ(t.Count(10, Kind::Set), 1024u);
    EXPECT_TRUE(d.sim.Flash() == image) << "the whole image was sent";
    EXPECT_FALSE(d.sim.Committed());
    EXPECT_EQ(t.Count(12, Kind::Set), 0u);
    EXPECT_FALSE(d.sim.EngineEnabled());
}

TEST(Download, AnEnableThatFailsTwiceGoesStraightToTheDisable) {
    const size_t enable = CallOfCleanRun(9, Op::Set);
    Rig t;
    auto& d = t.d;
    d.sim.FailCallOnce(enable);
    d.sim.FailCallOnce(enable + 1);
    EXPECT_EQ(t.Download(), 0);
    EXPECT_EQ(t.log, "Downloading...\r\n"
                   "put_Property XU_DFU_ENABLE_CONTROL = 1 fail.\r\n"
                   "Resend Command XU_DFU_ENABLE_CONTROL.\r\n"
                   "put_Property XU_ISP_ENABLE = 1 fail.\r\n");
    auto requests = d.sim.Requests();
    ASSERT_EQ(requests.size(), enable + 3);
    EXPECT_EQ(requests.back().selector, 9u);
    EXPECT_EQ(requests.back().bytes, Bytes{0x00});
    EXPECT_EQ(d.sim.Flash(), Bytes(65536, 0x3C)) << "nothing erased";
}

TEST(Download, SizeQueryResends) {
    const size_t secondQuery = CallOfCleanRun(10, Op::Length, 1);
    const struct {
        size_t failures;  // of the second query onwards
        int32_t result;
        std::string lines;
    } cases[] = {
        {1, 0,
         "get_PropertySize XU_DFU_ACCESS_CONTROL fail.\r\n"
         "Resend Command XU_DFU_ACCESS_CONTROL.\r\n"
         "get_PropertySize XU_DFU_ACCESS_CONTROL has been recovered.\r\n"},
        {2, 0,
         "get_PropertySize XU_DFU_ACCESS_CONTROL fail.\r\n"
         "Resend Command XU_DFU_ACCESS_CONTROL.\r\n"
         "get_PropertySize XU_DFU_ACCESS_CONTROL fail.\r\n"},
    };
    for (const auto& c : cases) {
        Rig t;
        for (size_t i = 0; i < c.failures; ++i) t.d.sim.FailCallOnce(secondQuery + i);
        EXPECT_EQ(t.Download(), c.result);
        EXPECT_EQ(t.log.substr(0, 16 + c.lines.size()), "Downloading...\r\n" + c.lines);
        EXPECT_EQ(t.Count(10, Kind::Set), c.failures == 1 ? 1024u : 0u);
        EXPECT_FALSE(t.d.sim.Committed());
        EXPECT_FALSE(t.d.sim.EngineEnabled());
    }
}

TEST(Download, TheFirstSizeQueryIsNotLookedAt) {
    const size_t firstQuery = CallOfCleanRun(10, Op::Length, 0);
    Rig t;
    t.d.sim.FailCallOnce(firstQuery);
    EXPECT_EQ(t.Download(), 1);
    EXPECT_EQ(t.log, "Downloading...\r\n" + CorrectLine(Xor(t.image)));
}

TEST(Download, PacketResends) {
    const Bytes image = PatchedImageBytes(kImageV0308, 0);
    const size_t third = CallOfCleanRun(10, Op::Set, 2);
    {
        Rig t;
        t.d.sim.FailCallOnce(third);
        EXPECT_EQ(t.Download(), 0);
        EXPECT_EQ(t.log, "Downloading...\r\n"
                         "put_Property XU_DFU_ACCESS_CONTROL fail.\r\n"
                         "Resend Command.\r\n"
                         "put_Property XU_DFU_ACCESS_CONTROL has been recovered.\r\n" +
                             MismatchLines(Xor(image), Xor(image)));
        EXPECT_TRUE(t.d.sim.Flash() == image);
        EXPECT_FALSE(t.d.sim.Committed());
    }
    {
        Rig t;
        t.d.sim.FailCallOnce(third);
        t.d.sim.FailCallOnce(third + 1);
        EXPECT_EQ(t.Download(), 0);
        EXPECT_EQ(t.log, "Downloading...\r\n"
                         "put_Property XU_DFU_ACCESS_CONTROL fail.\r\n"
                         "Resend Command.\r\n"
                         "put_Property XU_DFU_ACCESS_CONTROL fail.\r\n");
        EXPECT_EQ(t.Count(11, Kind::Get), 0u) << "no checksum read after giving up";
        EXPECT_EQ(t.d.sim.Requests().back().bytes, Bytes{0x00}) << "ends with the disable";
        EXPECT_FALSE(t.d.sim.EngineEnabled());
    }
}

TEST(Download, AFailedFirstPacketIsFollowedByTheDirectProgramThenItsResend) {
    const Bytes image = PatchedImageBytes(kImageV0308, 0);
    const size_t first = CallOfCleanRun(10, Op::Set, 0);
    Rig t;
    t.d.sim.FailCallOnce(first);
    EXPECT_EQ(t.Download(), 0);
    auto requests = t.d.sim.Requests();
    ASSERT_GT(requests.size(), first + 1);
    EXPECT_EQ(requests[first].selector, 10u);
    EXPECT_LT(requests[first].result, 0);
    EXPECT_EQ(requests[first + 1].selector, 2u) << "the direct program comes next";
    const size_t resend = FindRequest(requests, 10, Kind::Set, 1);
    ASSERT_LT(resend, requests.size());
    EXPECT_GT(resend, first + 70);
    EXPECT_EQ(requests[resend].bytes, requests[first].bytes);
    EXPECT_GE(requests[resend].result, 0);
    EXPECT_TRUE(t.d.sim.Flash() == image);
}

// A direct program of the IDs whose closing deselect cannot be made stays
// open: nothing more may be clocked into it, so no packet follows.
TEST(Download, AnIdProgramThatCannotBeClosedEndsTheDownloadBeforeItsNextPacket) {
    Rig clean;
    clean.Download();
    const size_t deselect = IdProgramDeselect(clean.d.sim.Calls());
    ASSERT_LT(deselect, clean.d.sim.Calls().size());
    Rig t;
    for (int attempt = 0; attempt < kSpiDeselectAttempts; ++attempt) t.d.sim.FailCallOnce(deselect + attempt);
    EXPECT_EQ(t.Download(), 0);
    EXPECT_NE(t.log.find("could not deselect the flash"), std::string::npos) << t.log;
    const auto& calls = t.d.sim.Calls();
    EXPECT_EQ(FindCall(calls, 10, {Op::Set}, 0, deselect), calls.size()) << "a packet after the open program";
    EXPECT_EQ(FindCall(calls, 11, {Op::Get, Op::PostGet}, 0, deselect), calls.size()) << "the download went on";
    EXPECT_FALSE(t.d.sim.Committed());
}

TEST(Download, ChecksumReadResends) {
    const Bytes image = PatchedImageBytes(kImageV0308, 0);
    const size_t read = CallOfCleanRun(11, Op::Get);
    const struct {
        size_t failures;
        int32_t result;
        std::string tail;
    } cases[] = {
        {1, 1, CorrectLine(Xor(image))},
        {2, 0,
         "get_Property XU_DFU_CHECKSUM fail.\r\n"
         "Resend Command fail.\r\n"
         "get_Property XU_DFU_CHECKSUM has been recovered.\r\n" +
             MismatchLines(Xor(image), Xor(image))},
        {3, 0,
         "get_Property XU_DFU_CHECKSUM fail.\r\n"
         "Resend Command fail.\r\n"
         "get_Property XU_DFU_CHECKSUM fail.\r\n"},
    };
    for (const auto& c : cases) {
        Rig t;
        for (size_t i = 0; i < c.failures; ++i) t.d.sim.FailCallOnce(read + i);
        EXPECT_EQ(t.Download(), c.result) << c.failures;
        EXPECT_EQ(t.log, "Downloading...\r\n" + c.tail) << c.failures;
        EXPECT_EQ(t.d.sim.Committed(), c.result == 1);
        EXPECT_EQ(t.clock.sleeps.size(), c.failures < 3 ? 1u : 0u);
        EXPECT_FALSE(t.d.sim.EngineEnabled());
    }
}

TEST_F(DownloadTest, ADisagreeingChecksumIsReportedInHex) {
    d.sim.SetChecksumError(0xA5);
    EXPECT_EQ(Download(), 0);
    EXPECT_EQ(log, "Downloading...\r\n" + MismatchLines(uint8_t(Xor(image) ^ 0xA5), Xor(image)));
    EXPECT_FALSE(d.sim.Committed());
}

TEST_F(DownloadTest, ACommitThatFailsFailsTheDownload) {
    d.sim.FailSelector(12);
    uint8_t results[4] = {7, 7, 7, 7};
    d.device.targetResults = results;
    EXPECT_EQ(Download(), 0);
    EXPECT_EQ(log, "Downloading...\r\n" + CorrectLine(Xor(image)) + "DL_FINISH_PROCESS fail.\r\n");
    EXPECT_EQ(results[1], 7) << "no result store after a failed commit";
    EXPECT_FALSE(d.sim.EngineEnabled());
}

TEST(Download, DisableResends) {
    const Bytes image = PatchedImageBytes(kImageV0308, 0);
    const size_t disable = CallOfCleanRun(9, Op::Set, 1);
    {
        Rig t;
        t.d.sim.FailCallOnce(disable);
        EXPECT_EQ(t.Download(), 1);
        EXPECT_EQ(t.log, "Downloading...\r\n" + CorrectLine(Xor(image)) +
                             "put_Property XU_DFU_ENABLE_CONTROL = 0 fail.\r\n"
                             "Resend Command.\r\n"
                             "put_Property XU_DFU_ENABLE_CONTROL = 0 has been recovered.\r\n");
    }
    {
        Rig t;
        t.d.sim.FailCallOnce(disable);
        t.d.sim.FailCallOnce(disable + 1);
        EXPECT_EQ(t.Download(), 0) << "a good commit does not save it";
        EXPECT_TRUE(t.d.sim.Committed());
        EXPECT_EQ(t.log, "Downloading...\r\n" + CorrectLine(Xor(image)) +
                             "put_Property XU_DFU_ENABLE_CONTROL = 0 fail.\r\n"
                             "Resend Command.\r\n"
                             "put_Property XU_DFU_ENABLE_CONTROL = 0 fail.\r\n");
    }
}

TEST_F(DownloadTest, TheResultStoreRecordsTheVerdict) {
    uint8_t results[4] = {7, 7, 7, 7};
    d.device.targetResults = results;
    EXPECT_EQ(Download(), 1);
    EXPECT_EQ(results[1], 0);
    Rig bad;
    bad.d.device.targetResults = results;
    bad.d.sim.SetChecksumError(1);
    EXPECT_EQ(bad.Download(), 0);
    EXPECT_EQ(results[1], 1);
    EXPECT_EQ(results[0], 7);
    EXPECT_EQ(results[2], 7);
}

// The last packet is filled with 0xFF; each fill byte complements the XOR.
TEST(Download, FillBytesCountInTheChecksum) {
    const struct {
        uint32_t length;
        uint32_t packet;
        uint32_t fill;
    } cases[] = {
        {100, 64, 28},   {101, 64, 27}, {65536, 63, 47}, {65536, 62, 60},
        {65536, 68, 16}, {1, 64, 63},   {64, 64, 0},
        // Just long enough to hold the IDs, and one byte short of it.
        {kVendorIdOffset + kIdBytes, 64, 52}, {kVendorIdOffset + kIdBytes - 1, 64, 53},
    };
    for (Path path : kPaths) {
        for (const auto& c : cases) {
            Rig r(path, FlashPart::Type0);
            r.d.sim.SetPacketLength(c.packet);
            r.image.resize(c.length);
            uint8_t expected = Xor(r.image);
            if (c.fill % 2) expected = uint8_t(~expected);
            EXPECT_EQ(r.d.device.DownloadFirmware(r.image.data(), c.length, r.log, 0), 1)
                << PathName(path) << " " << c.length << "/" << c.packet << "\n" << r.log;
            EXPECT_EQ(r.log, "Downloading...\r\n" + CorrectLine(expected));
            const auto& flash = r.d.sim.Flash();
            EXPECT_TRUE(std::equal(r.image.begin(), r.image.end(), flash.begin()));
            if (c.length < 65536) {
                EXPECT_EQ(flash[c.length], 0xFF) << "fill bytes program no bit";
            }
            const auto& calls = r.d.sim.Calls();
            EXPECT_EQ(IdProgramDeselect(calls) < calls.size(), c.length >= 0x800C) << c.length << ": IDs programmed";
        }
    }
}

TEST(Download, AnEmptyImageSendsNoPacketButRunsTheRest) {
    ClockedSimDevice d;
    const uint8_t byte = 0x55;
    std::string log;
    EXPECT_EQ(d.device.DownloadFirmware(&byte, 0, log, 0), 1);
    EXPECT_EQ(log, "Downloading...\r\n" + CorrectLine(0));
    std::vector<uint32_t> selectors;
    for (const auto& r : d.sim.Requests())
        if (r.selector > 8 && r.selector != 15 && r.selector != 16) selectors.push_back(r.selector);
    EXPECT_EQ(selectors, (std::vector<uint32_t>{9, 10, 10, 11, 12, 9}));
    EXPECT_EQ(d.clock.sleeps, std::vector<uint32_t>{1000});
}

// The checksum only says what the engine received. A flash that did not
// keep it is found by reading it back, and the download fails.
TEST(Download, AFlashThatDidNotTakeTheDataFailsTheReadBack) {
    for (Path path : kPaths) {
        const size_t firstPacket = CallOfCleanRun(10, Op::Set, 0, path);
        Rig r(path, FlashPart::Type0);
        r.d.sim.StickWipFromCall(firstPacket);  // the flash stays busy from the first packet on
        EXPECT_EQ(r.Download(), 0) << PathName(path);
        EXPECT_NE(r.log.find("Flash verify fail at "), std::string::npos) << r.log;
        EXPECT_FALSE(r.d.sim.Flash() == r.image);
    }
}

TEST(Download, AReadBackThatCannotBeMadeFailsTheDownload) {
    const struct {
        uint32_t blockLength;
        const char* line;
        bool addressWriteFails = false;  // the read would fetch what the camera last pointed at
    } cases[] = {
        {0, "Flash verify fail: no read length.\r\n"},
        {8192, "Flash verify fail: no read length.\r\n"},
        {1024, nullptr},  // a shorter read length walks the flash in more steps
        {4096, "Flash verify fail at 000000.\r\n", true},
    };
    for (const auto& c : cases) {
        Rig r;
        r.d.sim.SetBlockLength(c.blockLength);
        if (c.addressWriteFails) r.d.sim.FailCallOnce(CallOfCleanRun(14, Op::Set, 0));
        const int32_t result = r.Download();
        if (c.line) {
            EXPECT_EQ(result, 0) << c.blockLength;
            EXPECT_EQ(r.log, "Downloading...\r\n" + CorrectLine(Xor(r.image)) + c.line);
        } else {
            EXPECT_EQ(result, 1) << r.log;
            EXPECT_EQ(FindRequest(r.d.sim.Requests(), 15, Kind::Get, 63) + 1 < r.d.sim.Requests().size(),
                      false) << "64 reads of 1024 bytes, the last request";
        }
    }
}

// A table that did not reach the engine would have it program with the
// wrong commands: nothing is enabled and the flash keeps its firmware.
TEST(Download, ACommandTableThatDidNotArriveStopsBeforeTheEnable) {
    // A slot's number, a slot's opcode, the mode byte.
    const size_t slot = CallOfCleanRun(7, Op::Set, 0);
    const size_t opcode = CallOfCleanRun(8, Op::Set, 6);
    const size_t mode = CallOfCleanRun(16, Op::Set, 0);
    struct : DownloadObserver {
        void OnProgress(uint32_t, uint32_t) override {}
        void OnFault(const DownloadFault& f) override { fault = f; }
        DownloadFault fault;
    } told;
    for (size_t failing : {slot, opcode, mode}) {
        Rig r;
        r.d.sim.FailCallOnce(failing);
        told.fault = {};
        EXPECT_EQ(r.d.device.DownloadFirmware(r.image.data(), uint32_t(r.image.size()), r.log, 0, &told), 0) << failing;
        EXPECT_EQ(told.fault.step, DownloadStep::CommandTable) << failing << ": told as that fault";
        EXPECT_EQ(r.log, "Downloading...\r\nLoadCommandTable fail.\r\n");
        EXPECT_EQ(r.d.sim.EnableHistory(), Bytes{0x00}) << "only the closing disable";
        EXPECT_EQ(r.d.sim.Flash(), Bytes(65536, 0x3C));
    }
}

// A packet length that cannot be sent is a failed size query: nothing is
// sent and the flash is never erased.
TEST(Download, UnusablePacketLengthsSendNoPacket) {
    const struct {
        Path path;
        uint32_t packet;
        bool usable;
    } cases[] = {
        {Path::KsNode, 0, false},          {Path::KsNode, 4096, true},
        {Path::KsNode, 4097, false},       {Path::KsNode, 0xFFFFFFFF, false},
        {Path::DriverXu, 68, true},        {Path::DriverXu, 69, false},
        {Path::DriverXu, 4096, false},     {Path::DriverXu, 0, false},
    };
    for (const auto& c : cases) {
        Rig r(c.path, FlashPart::Type0);
        r.d.sim.Flash().assign(65536, 0x3C);
        r.d.sim.SetPacketLength(c.packet);
        const int32_t result = r.Download();
        EXPECT_EQ(result, c.usable ? 1 : 0) << PathName(c.path) << " " << c.packet;
        if (c.usable) continue;
        const std::string unusable =
            "XU_DFU_ACCESS_CONTROL packet length " + std::to_string(c.packet) + " unusable.\r\n";
        EXPECT_EQ(r.log, "Downloading...\r\n" + unusable +
                           "get_PropertySize XU_DFU_ACCESS_CONTROL fail.\r\n"
                           "Resend Command XU_DFU_ACCESS_CONTROL.\r\n" +
                           unusable + "get_PropertySize XU_DFU_ACCESS_CONTROL fail.\r\n");
        EXPECT_EQ(FindRequest(r.d.sim.Requests(), 10, Kind::Set), r.d.sim.Requests().size());
        EXPECT_EQ(r.d.sim.Flash(), Bytes(65536, 0x3C));
        EXPECT_FALSE(r.d.sim.EngineEnabled());
    }
}

}  // namespace
