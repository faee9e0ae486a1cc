// The download engine: its command table, when it erases, what it leaves
// in the flash for each part and table, its checksum, commit and disable.
#include <array>
#include <vector>

#include <gtest/gtest.h>

#include "host.h"
#include "tests/support/virtual_clock.h"

namespace simcam_test {
namespace {

using simcam::FlashPart;
using simcam::SimCamera;

using Bytes = std::vector<uint8_t>;
using Table = std::array<uint8_t, 13>;

// Slots 1..12 and the mode byte, as the parts' data sheets give them.
const Table kTable0 = {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01, 0x00};
const Table kTable1 = {0x03, 0xFF, 0x05, 0x06, 0x04, 0x20, 0x52, 0x60, 0x02, 0xAF, 0x50, 0x01, 0x01};
const Table kTable2 = {0x03, 0x0B, 0x05, 0x06, 0x04, 0xD7, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01, 0x00};

void LoadTable(Host& host, const Table& t) {
    for (uint8_t slot = 1; slot <= 12; ++slot) {
        ASSERT_EQ(host.Set(7, {slot}), S_OK);
        ASSERT_EQ(host.Set(8, {t[slot - 1]}), S_OK);
    }
    ASSERT_EQ(host.Set(16, {t[12]}), S_OK);
}

Bytes Image(size_t size, uint32_t seed) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        b[i] = static_cast<uint8_t>(seed >> 16);
    }
    return b;
}

// Sends `data` in packets of `packet` bytes, padding the last with 0xFF.
void Download(Host& host, const Bytes& data, uint32_t packet) {
    ASSERT_EQ(host.Set(9, {3}), S_OK);
    for (size_t at = 0; at < data.size(); at += packet) {
        Bytes p(packet, 0xFF);
        for (size_t i = 0; i < packet && at + i < data.size(); ++i) p[i] = data[at + i];
        ASSERT_EQ(host.Set(10, p), S_OK) << at;
    }
}

TEST(DownloadEngine, StoresTheCommandTable) {
    SimCamera cam;
    Host host(cam, Path::DriverXu);
    LoadTable(host, kTable1);
    EXPECT_EQ(cam.CommandTable(), kTable1);
    Bytes out;
    ASSERT_EQ(host.Set(7, {10}), S_OK);
    ASSERT_EQ(host.Get(8, 1, &out), S_OK);
    EXPECT_EQ(out[0], 0xAF);
    ASSERT_EQ(host.Get(7, 1, &out), S_OK);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(host.Set(7, {0}), kGenFailure);
    EXPECT_EQ(host.Set(7, {13}), kGenFailure);
    EXPECT_EQ(cam.CommandSlot(), 10);

    SimCamera fresh;
    Host freshHost(fresh, Path::KsNode);
    EXPECT_EQ(freshHost.Set(8, {0x06}), kGenFailure);  // no slot named yet
}

TEST(DownloadEngine, EnablePulseWithoutDataKeepsTheFlash) {
    SimCamera cam;
    Host host(cam, Path::KsNode);
    LoadTable(host, kTable0);
    const Bytes firmware = Image(0x10000, 7);
    cam.Flash() = firmware;
    ASSERT_EQ(host.Set(9, {1}), S_OK);
    ASSERT_EQ(host.Set(9, {0}), S_OK);
    EXPECT_EQ(cam.Flash(), firmware);
    EXPECT_EQ(cam.EraseCount(), 0u);
    EXPECT_EQ(cam.EnableHistory(), Bytes({1, 0}));

    ASSERT_EQ(host.Set(9, {3}), S_OK);
    EXPECT_EQ(cam.Flash(), firmware);  // armed, still nothing erased
    ASSERT_EQ(host.Set(10, Bytes(64, 0x00)), S_OK);
    EXPECT_EQ(cam.EraseCount(), 1u);
    EXPECT_EQ(cam.Flash()[63], 0x00);
    EXPECT_EQ(cam.Flash()[64], 0xFF);
    EXPECT_EQ(cam.Flash()[0xFFFF], 0xFF);
    ASSERT_EQ(host.Set(10, Bytes(64, 0x00)), S_OK);
    EXPECT_EQ(cam.EraseCount(), 1u);  // once per enable
}

struct PartCase {
    const char* name;
    FlashPart part;
    const Table* table;
};

TEST(DownloadEngine, RightTableWritesTheImageOnEveryPart) {
    const PartCase cases[] = {
        {"Type0", FlashPart::Type0, &kTable0},   {"Type1", FlashPart::Type1, &kTable1},
        {"Type2a", FlashPart::Type2a, &kTable2}, {"Type2b", FlashPart::Type2b, &kTable2},
        {"Type3", FlashPart::Type3, &kTable0},   {"Type4", FlashPart::Type4, &kTable0},
        {"Type5", FlashPart::Type5, &kTable0},   {"Type6", FlashPart::Type6, &kTable0},
    };
    const Bytes image = Image(0x10000, 99);
    for (const PartCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimCamera cam;
        cam.SetFlashPart(c.part);
        cam.Flash() = Image(0x10000, 5);  // old firmware: the erase must happen
        Host host(cam, c.part == FlashPart::Type1 ? Path::DriverXu : Path::KsNode);
        LoadTable(host, *c.table);
        Download(host, image, 64);
        EXPECT_TRUE(cam.Flash() == image);
        EXPECT_EQ(cam.PacketsReceived(), 1024u);
        EXPECT_EQ(cam.BytesReceived(), 0x10000u);
        EXPECT_EQ(cam.FlashStatus(), 0x00);  // the engine waited for each write
    }
}

TEST(DownloadEngine, WrongTableLeavesWrongFlash) {
    Table auto0 = kTable0;
    auto0[12] = 1;  // mode 1 with no auto-increment opcode
    const Table empty{};
    const PartCase cases[] = {
        {"Type1 with table 0", FlashPart::Type1, &kTable0},
        {"Type0 with table 1", FlashPart::Type0, &kTable1},
        {"Type6 with table 1", FlashPart::Type6, &kTable1},
        {"Type0 in mode 1", FlashPart::Type0, &auto0},
        {"Type0 with no table", FlashPart::Type0, &empty},
    };
    const Bytes image = Image(0x10000, 99);
    for (const PartCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimCamera cam;
        cam.SetFlashPart(c.part);
        cam.Flash() = Image(0x10000, 5);
        Host host(cam, Path::KsNode);
        LoadTable(host, *c.table);
        Download(host, image, 64);
        size_t right = 0;
        for (size_t i = 0; i < image.size(); ++i) right += cam.Flash()[i] == image[i];
        EXPECT_LT(right, image.size() / 2);
    }
}

TEST(DownloadEngine, ChecksumCoversBytesPastTheEnd) {
    SimCamera cam;
    cam.SetPacketLength(69);
    Host host(cam, Path::KsNode);
    LoadTable(host, kTable0);
    const Bytes image = Image(0x10000 + 14, 3);  // 950 packets of 69
    Download(host, image, 69);
    uint8_t x = 0;
    for (uint8_t b : image) x ^= b;
    Bytes out;
    ASSERT_EQ(host.Get(11, 1, &out), S_OK);
    EXPECT_EQ(out[0], x);
    EXPECT_TRUE(cam.Flash() == Bytes(image.begin(), image.begin() + 0x10000));
    EXPECT_EQ(cam.WritePosition(), 950u * 69u);

    cam.SetChecksumError(0x5A);
    ASSERT_EQ(host.Get(11, 1, &out), S_OK);
    EXPECT_EQ(out[0], x ^ 0x5A);
    EXPECT_EQ(cam.Checksum(), x);

    ASSERT_EQ(host.Set(9, {3}), S_OK);  // a new enable starts the sum again
    ASSERT_EQ(host.Get(11, 1, &out), S_OK);
    EXPECT_EQ(out[0], 0x5A);
}

TEST(DownloadEngine, CommitOnlyWhileEnabledAndPacketsOnlyWhileEnabled) {
    struct Case {
        const char* name;
        Bytes enables;  // written before the finish
        uint8_t finish;
        bool committed;
    };
    const Case cases[] = {
        {"enabled", {3}, 1, true},
        {"never enabled", {}, 1, false},
        {"disabled again", {3, 0}, 1, false},
        {"other value", {3}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimCamera cam;
        Host host(cam, Path::DriverXu);
        for (uint8_t e : c.enables) ASSERT_EQ(host.Set(9, {e}), S_OK);
        ASSERT_EQ(host.Set(12, {c.finish}), S_OK);
        EXPECT_EQ(cam.Committed(), c.committed);
    }
    SimCamera cam;
    Host host(cam, Path::DriverXu);
    EXPECT_EQ(host.Set(10, Bytes(64, 0)), kGenFailure);
    ASSERT_EQ(host.Set(9, {3}), S_OK);
    ASSERT_EQ(host.Set(10, Bytes(64, 0)), S_OK);
    ASSERT_EQ(host.Set(9, {0}), S_OK);
    EXPECT_EQ(host.Set(10, Bytes(64, 0)), kGenFailure);
    EXPECT_EQ(cam.PacketsReceived(), 1u);
    EXPECT_FALSE(cam.EngineEnabled());
}

// Two packets of 64 bytes (two programs of 32 each) on the camera's time,
// the second time with the power cut 1 ms into the second packet's first program.
TEST(DownloadEngine, PacketsTakeTheirProgramsTimeAndAPowerCutStopsOneThere) {
    const Bytes image = Image(128, 11);
    Bytes flash[2];
    std::vector<simcam::BusySpan> spans;
    for (bool cut : {false, true}) {
        SimCamera cam;
        VirtualClock clock;
        CameraClock camClock(clock);
        cam.SetClock(&camClock);
        Host host(cam, Path::KsNode);
        LoadTable(host, kTable0);
        ASSERT_EQ(host.Set(9, {3}), S_OK);
        ASSERT_EQ(host.Set(10, Bytes(image.begin(), image.begin() + 64)), S_OK);
        EXPECT_EQ(clock.now, 1500u + 2 * 2);  // the erase, then two programs
        if (cut) cam.CutPowerAt(spans[3].startUs + 1000, 7);
        EXPECT_EQ(host.Set(10, Bytes(image.begin() + 64, image.end())), cut ? kGenFailure : S_OK);
        flash[cut].assign(cam.Flash().begin(), cam.Flash().begin() + 128);
        if (!cut) spans = cam.BusySpans();
        EXPECT_EQ(cam.BusySpans().size(), cut ? 4u : 5u);  // the cut packet's second program never ran
    }
    EXPECT_TRUE(spans[3].address == 64 && spans[3].startUs == spans[2].endUs);
    EXPECT_TRUE(flash[0] == image);
    EXPECT_TRUE(Bytes(flash[1].begin(), flash[1].begin() + 64) == Bytes(image.begin(), image.begin() + 64));
    EXPECT_TRUE(Bytes(flash[1].begin() + 96, flash[1].end()) == Bytes(32, 0xFF));
    size_t partly = 0;
    for (size_t i = 64; i < 96; ++i) {
        EXPECT_EQ(flash[1][i] & image[i], image[i]) << i;  // programs clear bits only
        partly += flash[1][i] != image[i] && flash[1][i] != 0xFF;
    }
    EXPECT_GT(partly, 0u);
}

TEST(DownloadEngine, StuckWriteInProgressStopsTheEngine) {
    SimCamera cam;
    Host host(cam, Path::KsNode);
    LoadTable(host, kTable0);
    const Bytes image = Image(0x1000, 11);
    ASSERT_EQ(host.Set(9, {3}), S_OK);
    ASSERT_EQ(host.Set(10, Bytes(image.begin(), image.begin() + 64)), S_OK);
    cam.StickWipFromCall(cam.Calls().size());
    ASSERT_EQ(host.Set(10, Bytes(image.begin() + 64, image.begin() + 128)), S_OK);
    EXPECT_TRUE(Bytes(cam.Flash().begin(), cam.Flash().begin() + 64) ==
                Bytes(image.begin(), image.begin() + 64));
    EXPECT_EQ(cam.Flash()[64], 0xFF);
}

}  // namespace
}  // namespace simcam_test
