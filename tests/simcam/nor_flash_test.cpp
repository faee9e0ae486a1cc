// The NOR rules of the flash behind the engine, driven over SPI.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "spi_bus.h"
#include "tests/support/virtual_clock.h"

namespace simcam_test {
namespace {

using simcam::FlashPart;
using simcam::SimCamera;
using Kind = simcam::BusySpan::Kind;

using Bytes = std::vector<uint8_t>;

Bytes Addressed(uint8_t opcode, uint32_t address, const Bytes& data = {}) {
    Bytes out = {opcode, static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8),
                 static_cast<uint8_t>(address)};
    for (uint8_t d : data) out.push_back(d);
    return out;
}

struct Bench {
    explicit Bench(FlashPart part = FlashPart::Type0) : host(cam, Path::KsNode), bus(host) {
        cam.SetFlashPart(part);
    }
    void Program(uint32_t address, const Bytes& data, uint8_t opcode = 0x02) {
        bus.Command({0x06});
        bus.Command(Addressed(opcode, address, data));
        EXPECT_TRUE(bus.WaitReady());
    }
    // The camera's time stands at 7 ms but for what the test spends; busy lasts by time alone.
    void OnTestTime() {
        cam.SetClock(&camClock);
        cam.SetWipReads(0);
        clock.now = 7;
    }
    SimCamera cam;
    Host host;
    SpiBus bus;
    VirtualClock clock;
    CameraClock camClock{clock};
};

TEST(NorFlash, ProgramNeedsWriteEnableAndOnlyClearsBits) {
    Bench b;
    b.cam.Flash()[0x10] = 0xF0;
    b.bus.Command(Addressed(0x02, 0x10, {0x3C}));  // no write enable
    b.bus.WaitReady();
    EXPECT_EQ(b.cam.Flash()[0x10], 0xF0);
    b.Program(0x10, {0x3C});
    EXPECT_EQ(b.cam.Flash()[0x10], 0x30);
    EXPECT_EQ(b.cam.FlashStatus() & 0x02, 0);  // the latch cleared with the program
    b.bus.Command({0x06});
    b.bus.Command({0x04});  // write disable
    b.bus.Command(Addressed(0x02, 0x11, {0x00}));
    EXPECT_EQ(b.cam.Flash()[0x11], 0xFF);
    // Only the 64 KiB the part has: the address's top byte is ignored.
    b.Program(0x120012, {0x12});
    EXPECT_EQ(b.cam.Flash()[0x12], 0x12);
}

TEST(NorFlash, PageProgramWrapsInsideItsPage) {
    struct Case {
        FlashPart part;
        uint32_t start;
        uint32_t wrappedTo;  // where the ninth byte lands
        uint32_t notTouched;
    };
    const Case cases[] = {
        {FlashPart::Type0, 0x1F8, 0x100, 0x200},
        {FlashPart::Type0, 0x3C, 0x44, 0x20},  // 256-byte page: no wrap at 32
        {FlashPart::Type6, 0x3C, 0x24, 0x40},  // 32-byte page
        {FlashPart::Type6, 0x1F8, 0x1E0, 0x200},
    };
    const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        Bench b(c.part);
        b.Program(c.start, data);
        EXPECT_EQ(b.cam.Flash()[c.start], 1);
        EXPECT_EQ(b.cam.Flash()[c.wrappedTo], 9);
        EXPECT_EQ(b.cam.Flash()[c.wrappedTo + 3], 12);
        EXPECT_EQ(b.cam.Flash()[c.notTouched], 0xFF);
    }
}

TEST(NorFlash, MoreThanAPageKeepsTheLastBytes) {
    Bench b(FlashPart::Type6);
    Bytes data(40);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0x80 + i);
    b.Program(0x20, data);
    EXPECT_EQ(b.cam.Flash()[0x20], 0x80 + 32);  // overwritten in the latch by byte 32
    EXPECT_EQ(b.cam.Flash()[0x27], 0x80 + 39);
    EXPECT_EQ(b.cam.Flash()[0x28], 0x80 + 8);
}

TEST(NorFlash, Type1ProgramsOneBytePerPageProgramAndStreamsWithAutoIncrement) {
    Bench b(FlashPart::Type1);
    b.Program(0x200, {0x11, 0x22, 0x33, 0x44});
    EXPECT_EQ(Bytes(b.cam.Flash().begin() + 0x200, b.cam.Flash().begin() + 0x204),
              Bytes({0x11, 0xFF, 0xFF, 0xFF}));

    b.bus.Command({0x06});
    b.bus.Command(Addressed(0xAF, 0x300, {0xA1}));
    EXPECT_TRUE(b.bus.WaitReady());
    for (uint8_t v : {0xA2, 0xA3}) {
        b.bus.Command({0xAF, v});
        EXPECT_TRUE(b.bus.WaitReady());
    }
    EXPECT_EQ(b.cam.FlashStatus() & 0x02, 0x02);  // the sequence keeps write enable
    b.bus.Command(Addressed(0x02, 0x310, {0x00}));  // not taken inside the sequence
    b.bus.Command({0x04});
    EXPECT_EQ(b.cam.FlashStatus() & 0x02, 0);
    EXPECT_EQ(Bytes(b.cam.Flash().begin() + 0x300, b.cam.Flash().begin() + 0x304),
              Bytes({0xA1, 0xA2, 0xA3, 0xFF}));
    EXPECT_EQ(b.cam.Flash()[0x310], 0xFF);
    b.bus.Command({0xAF, 0x00});  // the sequence is over
    EXPECT_EQ(b.cam.Flash()[0x303], 0xFF);
}

TEST(NorFlash, WriteInProgressLastsTheConfiguredStatusReads) {
    struct Case {
        uint32_t reads;
        Bytes statuses;  // one status command, read five times while selected
    };
    const Case cases[] = {
        {0, {0x00, 0x00, 0x00, 0x00, 0x00}},
        {1, {0x03, 0x00, 0x00, 0x00, 0x00}},
        {3, {0x03, 0x03, 0x03, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reads);
        Bench b;
        b.cam.SetWipReads(c.reads);
        b.bus.Command({0x06});
        b.bus.Command(Addressed(0x02, 0, {0x00}));
        EXPECT_EQ(b.bus.Command({0x05}, 5), c.statuses);
    }
}

TEST(NorFlash, BusyPartIgnoresAllButReadStatus) {
    Bench b;
    b.cam.SetWipReads(2);
    b.bus.Command({0x06});
    b.bus.Command(Addressed(0x02, 0, {0x00}));
    b.bus.Command({0x06});  // not heard: still writing
    b.bus.Command(Addressed(0x02, 1, {0x00}));
    EXPECT_EQ(b.bus.Command({0x9F}, 1), Bytes({0xFF}));
    EXPECT_TRUE(b.bus.WaitReady());
    EXPECT_EQ(b.cam.Flash()[0], 0x00);
    EXPECT_EQ(b.cam.Flash()[1], 0xFF);
}

TEST(NorFlash, EachWriteKeepsThePartBusyAndDeafForItsTime) {
    const struct {
        const char* name;
        FlashPart part;
        Bytes command;
        Kind kind;
        uint64_t us;
        uint8_t statusAfter;  // an auto-increment sequence keeps write enable
    } cases[] = {
        {"page program", FlashPart::Type0, Addressed(0x02, 0x100, {0, 0}), Kind::Program, 2000, 0},
        {"byte program", FlashPart::Type1, Addressed(0x02, 0x100, {0}), Kind::Program, 14, 0},
        {"auto-increment program", FlashPart::Type1, Addressed(0xAF, 0x100, {0}), Kind::Program, 14, 2},
        {"sector erase", FlashPart::Type0, Addressed(0x20, 0x100), Kind::Erase, 90000, 0},
        {"chip erase", FlashPart::Type0, {0xC7}, Kind::Erase, 1500000, 0},
        {"status write", FlashPart::Type0, {0x01, 0x00}, Kind::StatusWrite, 5000, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(c.part);
        b.OnTestTime();
        b.bus.Command({0x06});
        b.bus.Command(c.command);
        ASSERT_EQ(b.cam.BusySpans().size(), 1u);
        const simcam::BusySpan& s = b.cam.BusySpans()[0];
        EXPECT_TRUE(s.startUs == 7000 && s.endUs == 7000 + c.us && s.kind == c.kind);
        b.camClock.Spend(c.us - 1);
        EXPECT_EQ(b.bus.Status(), 0x03);
        b.bus.Command(Addressed(0x02, 0x8000, {0x00}));  // neither is heard
        b.bus.Command({0x04});
        b.camClock.Spend(1);
        EXPECT_EQ(b.bus.Status(), c.statusAfter);
        EXPECT_EQ(b.cam.BusySpans().size(), 1u);
    }
}

// One write over the same old flash at 7 ms, the power cut `cutUs` after
// its start (none at INT64_MAX); a call after that moment fails only if cut.
Bytes WriteCutAt(const Bytes& command, int64_t cutUs, uint32_t seed = 0x5EED) {
    Bench b;
    for (size_t i = 0; i < 0x10000; ++i) b.cam.Flash()[i] = static_cast<uint8_t>(i * 167 + 0x5B);
    b.OnTestTime();
    if (command.empty()) return b.cam.Flash();
    if (cutUs != INT64_MAX) b.cam.CutPowerAt(7000 + cutUs, seed);
    b.bus.Command({0x06});
    b.bus.Command(command);
    b.camClock.Spend(cutUs < 0 || cutUs == INT64_MAX ? 0 : cutUs);
    EXPECT_EQ(b.host.Set(2, {0x25, 0x20}), cutUs == INT64_MAX ? S_OK : kGenFailure);
    return b.cam.Flash();
}

TEST(NorFlash, PowerCutLeavesOnlyTheRunningWritePartlyDone) {
    enum Left { Nothing, Part, Whole };
    const Bytes data(32, 0x35);
    const struct {
        const char* name;
        Bytes command;
        int64_t cutUs;  // from the write's start
        Left left;
    } cases[] = {
        {"before the program", Addressed(0x02, 0x100, data), -1, Nothing},
        {"inside the program", Addressed(0x02, 0x100, data), 1000, Part},
        {"at the program's end", Addressed(0x02, 0x100, data), 2000, Whole},
        {"inside the chip erase", {0xC7}, 700000, Part},
        {"at the chip erase's end", {0xC7}, 1500000, Whole},
    };
    const Bytes old = WriteCutAt({}, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes whole = WriteCutAt(c.command, INT64_MAX), cut = WriteCutAt(c.command, c.cutUs);
        EXPECT_TRUE(WriteCutAt(c.command, c.cutUs) == cut);  // the same seed, the same bytes
        size_t between = 0, notOld = 0, notWhole = 0;
        for (size_t i = 0; i < old.size(); ++i) {
            // Each bit as it was or as the whole write leaves it.
            between += ((cut[i] ^ old[i]) & ~(old[i] ^ whole[i])) == 0;
            notOld += cut[i] != old[i];
            notWhole += cut[i] != whole[i];
        }
        EXPECT_EQ(between, old.size());
        EXPECT_EQ(notOld > 0, c.left != Nothing);
        EXPECT_EQ(notWhole > 0, c.left != Whole);
    }
}

TEST(NorFlash, StuckWriteInProgress) {
    Bench b;
    b.cam.StickWipFromCall(b.cam.Calls().size());
    EXPECT_FALSE(b.bus.WaitReady(10));
    b.bus.Command({0x06});
    EXPECT_EQ(b.cam.FlashStatus(), 0x01);
}

TEST(NorFlash, ErasesFollowEachPartsOwnTable) {
    struct Case {
        const char* name;
        FlashPart part;
        Bytes command;
        bool sectorOnly;  // else the whole part
        bool erases;
    };
    const Case cases[] = {
        {"Type0 sector 20", FlashPart::Type0, Addressed(0x20, 0x1234), true, true},
        {"Type0 block D8", FlashPart::Type0, Addressed(0xD8, 0), false, true},
        {"Type0 chip C7", FlashPart::Type0, {0xC7}, false, true},
        {"Type0 no D7", FlashPart::Type0, Addressed(0xD7, 0x1234), true, false},
        {"Type0 no 60", FlashPart::Type0, {0x60}, false, false},
        {"Type0 C7 with a stray byte", FlashPart::Type0, {0xC7, 0x00}, false, false},
        {"Type2a sector D7", FlashPart::Type2a, Addressed(0xD7, 0x1234), true, true},
        {"Type2b no 20", FlashPart::Type2b, Addressed(0x20, 0x1234), true, false},
        {"Type1 chip 60", FlashPart::Type1, {0x60}, false, true},
        {"Type1 block 52", FlashPart::Type1, Addressed(0x52, 0), false, true},
        {"Type1 no C7", FlashPart::Type1, {0xC7}, false, false},
        {"Type6 chip C7", FlashPart::Type6, {0xC7}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool enabled : {false, true}) {
            Bench b(c.part);
            std::fill(b.cam.Flash().begin(), b.cam.Flash().end(), 0x00);
            if (enabled) b.bus.Command({0x06});
            b.bus.Command(c.command);
            bool erased = enabled && c.erases;
            EXPECT_EQ(b.cam.FlashStatus() & 0x01, erased ? 1 : 0);  // erasing sets WIP too
            // A status read here is 14 driver calls, 14 ms of the camera's own time; an erase lasts 1.5 s.
            EXPECT_TRUE(b.bus.WaitReady(200));
            EXPECT_EQ(b.cam.Flash()[0x1000], erased ? 0xFF : 0x00);
            EXPECT_EQ(b.cam.Flash()[0x1FFF], erased ? 0xFF : 0x00);
            EXPECT_EQ(b.cam.Flash()[0x0FFF], erased && !c.sectorOnly ? 0xFF : 0x00);
            EXPECT_EQ(b.cam.Flash()[0x2000], erased && !c.sectorOnly ? 0xFF : 0x00);
        }
    }
}

TEST(NorFlash, ReadsAndStatusWrite) {
    Bench b;
    std::vector<uint8_t>& f = b.cam.Flash();
    f[0xFFFE] = 0x50;
    f[0xFFFF] = 0x51;
    f[0x0000] = 0x52;
    f[0x0001] = 0x53;
    EXPECT_EQ(b.bus.Command(Addressed(0x03, 0xFFFE), 4), Bytes({0x50, 0x51, 0x52, 0x53}));  // wraps
    EXPECT_EQ(b.bus.Command(Addressed(0x0B, 0x0000, {0x00}), 2), Bytes({0x52, 0x53}));

    b.bus.Command({0x01, 0x0C});  // no write enable
    EXPECT_EQ(b.cam.FlashStatus(), 0x00);
    b.bus.Command({0x06});
    b.bus.Command({0x01, 0x0C});
    EXPECT_TRUE(b.bus.WaitReady());
    EXPECT_EQ(b.cam.FlashStatus(), 0x0C);
}

TEST(NorFlash, BlankPartsAnswerTheirLevelToEverything) {
    for (FlashPart part : {FlashPart::Blank00, FlashPart::BlankFF}) {
        uint8_t level = part == FlashPart::Blank00 ? 0x00 : 0xFF;
        Bench b(part);
        EXPECT_EQ(b.bus.Command({0x05}, 2), Bytes(2, level));
        EXPECT_EQ(b.bus.Command(Addressed(0x03, 0), 2), Bytes(2, level));
        b.bus.Command({0x06});
        b.bus.Command({0xC7});
        b.bus.Command(Addressed(0x02, 0, {0x00}));
        EXPECT_EQ(b.cam.Flash()[0], 0xFF);
    }
}

}  // namespace
}  // namespace simcam_test
