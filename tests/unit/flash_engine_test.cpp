#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "chip/cam_device.h"
#include "chip/flash_types.h"
#include "link/xu_channel.h"
#include "tests/support/rig_device.h"
#include "tests/support/rig_drivers.h"
#include "tests/support/virtual_clock.h"

namespace {

using simcam::FlashPart;
using simcam::Path;
using Bytes = std::vector<uint8_t>;

const Path kPaths[] = {Path::KsNode, Path::DriverXu};

TEST(IdentifyFlash, RecognisesEveryFittedPartOnBothPaths) {
    const struct {
        FlashPart part;
        int32_t type;
        size_t idReads;  // opcodes sent: 0x90, then 0xAB, then 0x9F
    } cases[] = {
        {FlashPart::Type0, 0, 1},  {FlashPart::Type1, 1, 1},   {FlashPart::Type2a, 2, 1},
        {FlashPart::Type2b, 2, 2}, {FlashPart::Type3, 3, 1},   {FlashPart::Type4, 4, 1},
        {FlashPart::Type5, 5, 3},  {FlashPart::Type6, 6, 3},   {FlashPart::Blank00, -1, 3},
        {FlashPart::BlankFF, -1, 3}, {FlashPart::Unknown, -1, 1},
    };
    for (Path path : kPaths) {
        for (const auto& c : cases) {
            SimDevice d(path);
            d.sim.SetFlashPart(c.part);
            EXPECT_EQ(d.device.IdentifyFlash().type, c.type) << PathName(path) << " part " << int(c.part);
            auto sent = WritesTo(RegisterOps(d.sim.Requests()), 0x2022);
            size_t opcodes = 0;
            for (uint8_t b : sent) opcodes += (b == 0x90 || b == 0xAB || b == 0x9F);
            EXPECT_EQ(opcodes, c.idReads) << PathName(path) << " part " << int(c.part);
        }
    }
}

// Answers no fitted part gives, fed to the engine's receive register.
TEST(IdentifyFlash, DecidesByItsAnswerTables) {
    const struct {
        const char* name;
        Bytes received;  // three bytes per identification read
        int32_t type;
        size_t reads;
    } cases[] = {
        {"C2 05 C2", {0xC2, 0x05, 0xC2}, 0, 1},
        {"C2 05 00: right maker, wrong rest", {0xC2, 0x05, 0x00}, -1, 1},
        {"BF 48 00", {0xBF, 0x48, 0x00}, -1, 1},
        {"blank FF, then 9D 7B 7F", {0xFF, 0xFF, 0xFF, 0x9D, 0x7B, 0x7F}, 2, 2},
        {"blank 00, other, C2 22 17", {0, 0, 0, 0x12, 0x34, 0x56, 0xC2, 0x22, 0x17}, 6, 3},
        {"blank 00, other, C2 22 00", {0, 0, 0, 0x12, 0x34, 0x56, 0xC2, 0x22, 0x00}, 6, 3},
        {"blank 00, other, 1F 65 00", {0, 0, 0, 0, 0, 0, 0x1F, 0x65, 0x00}, 5, 3},
        {"blank 00, other, 1F 65 01", {0, 0, 0, 0, 0, 0, 0x1F, 0x65, 0x01}, -1, 3},
        {"FF FF 00 is not blank", {0xFF, 0xFF, 0x00}, -1, 1},
    };
    for (const auto& c : cases) {
        ScriptedSpiChip chip;
        CCamDevice device;
        ScopedChannel::AttachNode(&chip);
        chip.AddRef();
        chip.received.assign(c.received.begin(), c.received.end());
        EXPECT_EQ(device.IdentifyFlash().type, c.type) << c.name;
        EXPECT_TRUE(chip.received.empty()) << c.name << ": every answer byte read";
        EXPECT_EQ(c.received.size(), 3 * c.reads) << c.name;
        device.CloseChannel();
    }
}

TEST(IdentifyFlash, ChipFamilyChoosesTheSelectLevel) {
    const struct {
        uint8_t chipId;
        int32_t type;
        Bytes selects;  // writes to 0x2025
    } cases[] = {
        {0x65, 0, {2, 0}},
        {0x93, 0, {2, 0}},
        {0x8A, 0, {0, 2}},
        {0x40, -1, {}},
        {0xF6, -1, {}},
    };
    for (const auto& c : cases) {
        SimDevice d;
        d.sim.SetChipId(c.chipId);
        d.sim.SetFlashPart(FlashPart::Type0);
        EXPECT_EQ(d.device.IdentifyFlash().type, c.type) << std::hex << int(c.chipId);
        auto ops = RegisterOps(d.sim.Requests());
        EXPECT_EQ(WritesTo(ops, 0x2025), c.selects) << std::hex << int(c.chipId);
        if (c.type < 0) {
            EXPECT_EQ(ops, (std::vector<RegOp>{R(0x20FF, c.chipId)})) << "no flash traffic";
        }
    }
}

TEST(SpiReadId, SendsAddressBytesOnlyForTheCommandsThatTakeThem) {
    const std::vector<RegOp> receive3 = {
        R(0x2023), R(0x2021), R(0x2024), R(0x2021), R(0x2023), R(0x2021),
        R(0x2024), R(0x2021), R(0x2023), R(0x2021), R(0x2024), R(0x2021),
    };
    for (uint8_t opcode : {uint8_t(0x90), uint8_t(0xAB), uint8_t(0x9F)}) {
        SimDevice d;
        uint8_t id[3];
        EXPECT_EQ(d.device.SpiReadId(id, opcode, 0), S_OK);
        std::vector<RegOp> expected = {W(0x2020, 0x80), W(0x2022, 0x04), R(0x2021),
                                       W(0x2025, 2), W(0x2022, opcode)};
        if (opcode != 0x9F) {
            for (RegOp op : {R(0x2021), W(0x2022, 0), R(0x2021), W(0x2022, 0), R(0x2021),
                             W(0x2022, 0), R(0x2021)})
                expected.push_back(op);
        }
        expected.insert(expected.end(), receive3.begin(), receive3.end());
        expected.push_back(W(0x2025, 0));
        EXPECT_EQ(WithoutReadValues(RegisterOps(d.sim.Requests())), expected) << std::hex << int(opcode);
    }
}

TEST(FlashProgramBytes, SendsWriteEnableThenCommandAddressAndData) {
    for (Path path : kPaths) {
        SimDevice d(path);
        d.sim.SetFlashPart(FlashPart::Type0);
        d.sim.SetWipReads(1);  // the first status read finds the program running
        FlashProgramRequest request = {{0x00, 0x80, 0x08}, {0x71, 0x42, 0xD5, 0x03}, 4};
        EXPECT_EQ(d.device.FlashProgramBytes(request), 1) << PathName(path);

        auto ops = RegisterOps(d.sim.Requests());
        EXPECT_EQ(WritesTo(ops, 0x2022),
                  (Bytes{0x06, 0x02, 0x00, 0x80, 0x08, 0x71, 0x42, 0xD5, 0x03, 0x05, 0x05, 0x04}));
        EXPECT_EQ(WritesTo(ops, 0x2020), (Bytes{0x80, 0x80, 0x80, 0x80, 0x00}));
        // Every byte on the transmit register is followed by a busy wait.
        for (size_t i = 0; i + 1 < ops.size(); ++i) {
            if (ops[i].write && ops[i].address == 0x2022) {
                EXPECT_EQ(ops[i + 1], R(0x2021, 0)) << i;
            }
        }
        const auto& flash = d.sim.Flash();
        EXPECT_EQ(Bytes(flash.begin() + 0x8008, flash.begin() + 0x800C),
                  (Bytes{0x71, 0x42, 0xD5, 0x03}));
        EXPECT_EQ(flash[0x8007], 0xFF);
        EXPECT_EQ(flash[0x800C], 0xFF);
    }
}

TEST(FlashProgramBytes, CountZeroSendsOnlyTheCommandAndTooManyBytesSendNothing) {
    SimDevice d;
    d.sim.SetWipReads(0);
    FlashProgramRequest none = {{0x00, 0x10, 0x00}, {}, 0};
    EXPECT_EQ(d.device.FlashProgramBytes(none), 1);
    EXPECT_EQ(WritesTo(RegisterOps(d.sim.Requests()), 0x2022),
              (Bytes{0x06, 0x02, 0x00, 0x10, 0x00, 0x05, 0x04}));

    d.sim.ClearTrace();
    FlashProgramRequest tooMany = {{0x00, 0x10, 0x00}, {}, kFlashProgramMaxBytes + 1};
    EXPECT_EQ(d.device.FlashProgramBytes(tooMany), 0);
    EXPECT_TRUE(d.sim.Requests().empty());
}

// Each register write of a direct program, in order, and what its failure
// does: a write the flash needed ends the program as a wait that gives up
// does (deselect, release); the deselect that starts the program is made
// again before anything else; the status wait's writes decide nothing; a
// failed release is the last word.
TEST(FlashProgramBytes, AFailedWriteEndsItDeselectedAndReleased) {
    enum After { Continues, Abandons, Repeats, Ends };
    const struct {
        RegOp write;
        After after;
    } writes[] = {
        {W(0x2020, 0x80), Abandons},                                                   // engine on
        {W(0x2020, 0x80), Abandons}, {W(0x2025, 2), Abandons}, {W(0x2022, 0x06), Abandons},  // write
        {W(0x2025, 0), Abandons},                                                      //   enable
        {W(0x2025, 2), Abandons},    {W(0x2022, 0x02), Abandons},                       // select, program
        {W(0x2022, 0x00), Abandons}, {W(0x2022, 0x80), Abandons}, {W(0x2022, 0x08), Abandons},  // address
        {W(0x2022, 1), Abandons},    {W(0x2022, 2), Abandons},    {W(0x2022, 3), Abandons},  // data
        {W(0x2022, 4), Abandons},    {W(0x2025, 0), Repeats},                           // deselect
        {W(0x2020, 0x80), Continues}, {W(0x2025, 2), Continues}, {W(0x2022, 0x05), Continues},  // status
        {W(0x2025, 0), Continues},                                                     //   wait
        {W(0x2020, 0x80), Abandons}, {W(0x2022, 0x04), Abandons},                       // write disable
        {W(0x2020, 0x00), Ends},                                                       // release
    };
    const FlashProgramRequest request = {{0x00, 0x80, 0x08}, {1, 2, 3, 4}, 4};
    SimDevice clean;
    clean.sim.SetWipReads(0);
    ASSERT_EQ(clean.device.FlashProgramBytes(request), 1);
    const auto requests = clean.sim.Requests();
    std::vector<size_t> valueRequests;
    for (size_t i = 0; i < requests.size(); ++i)
        if (requests[i].selector == 3 && requests[i].kind == simcam::Kind::Set) valueRequests.push_back(i);
    std::vector<RegOp> seen;
    for (const auto& op : RegisterOps(requests))
        if (op.write) seen.push_back(op);
    ASSERT_EQ(seen.size(), sizeof(writes) / sizeof(writes[0]));

    for (size_t w = 0; w < seen.size(); ++w) {
        EXPECT_EQ(seen[w], writes[w].write) << "write " << w;
        SimDevice d;
        d.sim.SetWipReads(0);
        d.sim.FailCallOnce(valueRequests[w]);
        const bool done = writes[w].after == Continues || writes[w].after == Repeats;
        EXPECT_EQ(d.device.FlashProgramBytes(request), done ? 1 : 0) << "write " << w;
        const auto all = d.sim.Requests();
        const std::vector<simcam::Request> after(all.begin() + valueRequests[w] + 1, all.end());
        if (writes[w].after == Abandons) {
            EXPECT_EQ(RegisterOps(after), (std::vector<RegOp>{W(0x2025, 0), W(0x2020, 0x00)})) << "write " << w;
        } else if (writes[w].after == Repeats) {
            const auto ops = RegisterOps(after);
            ASSERT_GE(ops.size(), 2u) << "write " << w;
            EXPECT_EQ(ops[0], W(0x2025, 0)) << "write " << w;
            EXPECT_EQ(ops[1], W(0x2020, 0x80)) << "write " << w << ": the status wait follows";
        } else if (writes[w].after == Ends) {
            EXPECT_TRUE(after.empty()) << "write " << w;
        }
    }
}

// A camera that stops answering, or an engine or flash that never finishes,
// ends every wait within its bounds.
TEST(SpiWaits, GiveUpWithinTheirBounds) {
    const struct {
        const char* name;
        int fault;  // 0 unplugged, 1 busy stuck, 2 WIP stuck
        uint32_t msPerCall;
    } cases[] = {
        {"unplugged, no time passing", 0, 0},
        {"unplugged, 5 s per request", 0, 5000},
        {"busy stuck, no time passing", 1, 0},
        {"busy stuck, 2 ms per request", 1, 2},
        {"WIP stuck, no time passing", 2, 0},
        {"WIP stuck, 2 ms per request", 2, 2},
    };
    for (const auto& c : cases) {
        for (Path path : kPaths) {
            ClockedSimDevice d(path);
            d.sim.SetFlashPart(FlashPart::Type0);
            d.sim.SetCallHook([&] { d.clock.now += c.msPerCall; });
            if (c.fault == 0) d.sim.FailFromCall(0);
            if (c.fault == 1) d.sim.StickBusyFromCall(0);
            if (c.fault == 2) d.sim.StickWipFromCall(0);

            // A wait that gives up still deselects the flash and, where the
            // sequence's normal end does, releases the engine.
            const auto leftSelected = [&] { return d.sim.Reg(0x2025) != 0; };
            FlashProgramRequest request = {{0x00, 0x80, 0x08}, {1, 2, 3, 4}, 4};
            EXPECT_EQ(d.device.FlashProgramBytes(request), 0) << c.name;
            if (c.fault != 0) {
                EXPECT_FALSE(leftSelected()) << c.name;
                EXPECT_EQ(d.sim.Reg(0x2020), 0x00) << c.name << ": engine released";
            }
            EXPECT_EQ(d.device.SpiWaitIdle(), c.fault == 2 ? S_OK : SPI_E_TIMEOUT) << c.name;
            EXPECT_EQ(d.device.FlashWaitReady(), SPI_E_TIMEOUT) << c.name;
            if (c.fault != 0) {
                EXPECT_FALSE(leftSelected()) << c.name;
            }
            // An identification that cannot finish is not an unknown flash;
            // a flash stuck in a program answers, and is not recognised.
            const FlashIdentity identity = d.device.IdentifyFlash();
            EXPECT_EQ(identity.type, kFlashTypeUnknown) << c.name;
            EXPECT_STREQ(identity.stoppedAt, c.fault == 2   ? nullptr
                                             : c.fault == 0 ? "chip ID read fail"
                                                            : "SPI engine never idle (0x90)")
                << c.name;
            if (c.fault != 0) {
                EXPECT_FALSE(leftSelected()) << c.name;
            }
            // Each wait stops by count (no time passing) or by time.
            EXPECT_LT(d.sim.Calls().size(), 4 * (2 * kSpiIdleMaxPolls + 16 * kFlashReadyMaxPasses))
                << c.name;
            if (c.msPerCall) {
                EXPECT_LT(d.clock.now, 120000u) << c.name;
            }
        }
    }
}

TEST(SpiWaits, AFailedPollReadIsNotIdle) {
    SimDevice d;
    d.sim.FailSelector(3);  // every register value transfer fails: reads give 0
    EXPECT_EQ(d.device.SpiWaitIdle(), SPI_E_TIMEOUT);
    EXPECT_EQ(d.device.FlashWaitReady(), SPI_E_TIMEOUT);
}

TEST(SpiWaits, BusyAndWipThatClearAreWaitedFor) {
    for (Path path : kPaths) {
        SimDevice d(path);
        d.sim.SetFlashPart(FlashPart::Type0);
        d.sim.SetBusyPolls(3);
        d.sim.SetWipReads(4);
        FlashProgramRequest request = {{0x00, 0x01, 0x00}, {0xA5, 0x5A}, 2};
        EXPECT_EQ(d.device.FlashProgramBytes(request), 1) << PathName(path);
        EXPECT_EQ(d.sim.Flash()[0x100], 0xA5);
        EXPECT_EQ(d.sim.Flash()[0x101], 0x5A);
    }
}

TEST(FlashWaitReady, ReadyAtOnceTakesOnePass) {
    SimDevice d;
    EXPECT_EQ(d.device.FlashWaitReady(), S_OK);
    auto ops = WithoutReadValues(RegisterOps(d.sim.Requests()));
    EXPECT_EQ(ops, (std::vector<RegOp>{W(0x2020, 0x80), W(0x2025, 2), W(0x2022, 0x05), R(0x2021),
                                       R(0x2023), R(0x2021), R(0x2024), W(0x2025, 0)}));
    // A flash that never finishes, with no time passing: the count ends the wait.
    SimDevice stuck;
    stuck.sim.StickWipFromCall(0);
    EXPECT_EQ(stuck.device.FlashWaitReady(), SPI_E_TIMEOUT);
    const auto polls = WithoutReadValues(RegisterOps(stuck.sim.Requests()));
    EXPECT_EQ(std::count(polls.begin(), polls.end(), W(0x2022, 0x05)), kFlashReadyMaxPasses);
    // Still writing when the bound is reached exactly (at call 50, inside the
    // program's wait), done at the next look: a bound reached is not yet past.
    ClockedSimDevice late;
    late.sim.SetWipReads(2);
    late.sim.SetCallHook([&] { if (late.sim.Calls().size() >= 50) late.clock.now = kFlashReadyTimeoutMs; });
    EXPECT_EQ(late.device.FlashProgramBytes({{0x00, 0x01, 0x00}, {0xA5, 0x5A}, 2}), 1);
}

TEST(ReadFlashBlock, ReadsTheBlockTheCameraSaysHowLong) {
    const struct {
        uint32_t blockLength;
        HRESULT expected;
        size_t bytesRead;
    } cases[] = {
        {4096, S_OK, 4096},
        {64, S_OK, 64},
        {1, S_OK, 1},
        {0, FLASH_E_BLOCK_LENGTH, 0},
        {4097, FLASH_E_BLOCK_LENGTH, 0},
        {0xFFFFFFFF, FLASH_E_BLOCK_LENGTH, 0},
    };
    for (Path path : kPaths) {
        for (const auto& c : cases) {
            SimDevice d(path);
            d.sim.SetBlockLength(c.blockLength);
            auto& flash = d.sim.Flash();
            for (size_t i = 0; i < flash.size(); ++i) flash[i] = uint8_t(i * 7 + (i >> 12));
            std::vector<uint8_t> buffer(4096 + 16, 0xEE);
            EXPECT_EQ(d.device.ReadFlashBlock(buffer.data(), 8), c.expected)
                << PathName(path) << " " << c.blockLength;
            for (size_t i = 0; i < buffer.size(); ++i) {
                const uint8_t want = i < c.bytesRead ? flash[0x8000 + i] : 0xEE;
                ASSERT_EQ(buffer[i], want) << PathName(path) << " " << c.blockLength << " at " << i;
            }
            auto requests = d.sim.Requests();
            const size_t address = FindRequest(requests, 14, simcam::Kind::Set);
            if (c.bytesRead) {
                ASSERT_LT(address, requests.size());
                EXPECT_EQ(requests[address].bytes, (Bytes{0x00, 0x80, 0x00, 0x00}));
            } else {
                EXPECT_EQ(address, requests.size()) << "nothing read after a bad length";
            }
        }
    }
}

// A whole read costs a length query, then an address and a read per piece:
// the bound it may spend is reached, never passed.
TEST(ReadFlashBlocks, SpendsUpToItsBoundOfRequests) {
    const struct { uint32_t blockLength, bound; HRESULT expected; } cases[] = {
        {4096, 3, S_OK}, {4096, 2, FLASH_E_REQUEST_BOUND}, {2048, 5, S_OK}, {2048, 4, FLASH_E_REQUEST_BOUND}};
    for (const auto& c : cases) {
        SimDevice d;
        d.sim.SetBlockLength(c.blockLength);
        std::vector<uint8_t> buffer(4096);
        EXPECT_EQ(d.device.ReadFlashBlocks(buffer.data(), 1, c.bound), c.expected) << c.blockLength << " " << c.bound;
    }
}

TEST(ReadFlashBlock, RefusesWithoutBufferChannelOrSize) {
    size_t sizeQuery = 0;
    {
        SimDevice clean;
        std::vector<uint8_t> scratch(4096);
        ASSERT_EQ(clean.device.ReadFlashBlock(scratch.data(), 12), S_OK);
        sizeQuery = FindRequest(clean.sim.Requests(), 15, simcam::Kind::Length);
    }
    SimDevice d;
    EXPECT_EQ(d.device.ReadFlashBlock(nullptr, 8), E_POINTER);
    EXPECT_TRUE(d.sim.Requests().empty());

    d.sim.FailCallOnce(sizeQuery);
    std::vector<uint8_t> buffer(4096, 0xEE);
    EXPECT_LT(d.device.ReadFlashBlock(buffer.data(), 12), 0);
    EXPECT_EQ(d.sim.Requests().size(), sizeQuery + 1) << "nothing after the size query";
    EXPECT_EQ(buffer[0], 0xEE);

    d.sim.ClearTrace();
    ASSERT_EQ(d.device.ReadFlashBlock(buffer.data(), 12), S_OK);
    auto requests = d.sim.Requests();
    EXPECT_EQ(requests[FindRequest(requests, 14, simcam::Kind::Set)].bytes,
              (Bytes{0x00, 0xC0, 0x00, 0x00}));

    d.device.CloseChannel();
    EXPECT_EQ(d.device.ReadFlashBlock(buffer.data(), 8), E_POINTER);
}

}  // namespace
