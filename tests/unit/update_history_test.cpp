#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "update/update_history.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kStarted = 1796724902;  // 2026-12-08T10:15:02Z

// A history in a folder of its own, removed afterwards, on a clock that
// stands still unless moved.
struct HistoryRig {
    // The state folder itself is made by the history, below one of our own.
    HistoryRig() : folder(temp.path / "state"), history(folder.string()) {
        history.now = [this] { return clock; };
    }
    std::vector<std::string> Lines() const {
        std::ifstream in(folder / kHistoryFileName);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    void Write(const std::vector<std::string>& lines) {
        fs::create_directories(folder);
        std::ofstream out(folder / kHistoryFileName, std::ios::binary);
        for (const std::string& line : lines) out << line << "\n";
    }
    std::vector<UpdateRecord> Load() {
        std::vector<UpdateRecord> records;
        std::string why;
        EXPECT_TRUE(history.Load(&records, &why)) << why;
        return records;
    }
    TempFolder temp;
    fs::path folder;
    UpdateHistory history;
    int64_t clock = kStarted;
};

UpdateRecord Camera(const std::string& serial, const std::string& place, int chipId = 0x65) {
    UpdateRecord r;
    r.camera.usb = UsbIdentity{0x4271, 0x03D5, 0};
    r.camera.serial = serial;
    r.camera.busPlace = place;
    r.camera.chipId = chipId;
    r.camera.name = "Tarvex USB Camera";
    r.camera.path = "/dev/video0";
    r.flashType = 4;
    r.imageId = 135;
    r.imageVersion = "V0309";
    r.program = "korvane-update 1.0.0";
    return r;
}

TEST(UpdateHistory, RecordsAreBegunFinishedAndReadBackOldestFirst) {
    HistoryRig rig;
    std::string why;
    EXPECT_TRUE(rig.Load().empty()) << "a missing file is an empty history";
    UpdateRecord first = Camera("", "/sys/devices/pci0000:00/usb1/1-2"), second = Camera("A1", "");
    ASSERT_TRUE(rig.history.Begin(&first, &why)) << why;
    ASSERT_TRUE(rig.history.Begin(&second, &why)) << why;
    EXPECT_EQ(first.id, "20261208T101502Z-1");
    EXPECT_EQ(second.id, "20261208T101502Z-2") << "two in one second keep apart";
    rig.clock += 75;
    ASSERT_TRUE(rig.history.Finish(first.id, "updated", &why)) << why;
    EXPECT_FALSE(rig.history.Finish("20261208T101502Z-3", "failed", &why));
    EXPECT_NE(why.find("no record"), std::string::npos) << why;

    const std::vector<UpdateRecord> records = rig.Load();
    ASSERT_EQ(records.size(), 2u);
    first.finished = "2026-12-08T10:16:17Z";
    first.outcome = "updated";
    EXPECT_EQ(RecordJson(records[0]), RecordJson(first));
    EXPECT_EQ(RecordJson(records[1]), RecordJson(second));
    EXPECT_EQ(records[1].started, "2026-12-08T10:15:02Z");
    EXPECT_EQ(records[1].outcome, "started");
    EXPECT_EQ(records[1].finished, "");

    const auto latest = rig.history.Latest(Camera("A1", "elsewhere"), &why);
    ASSERT_TRUE(latest.has_value());
    EXPECT_EQ(latest->id, second.id);
    EXPECT_FALSE(rig.history.Latest(Camera("A2", ""), &why).has_value());
    EXPECT_EQ(why, "");
}

TEST(UpdateHistory, SameCameraByTheSerialElseTheBusPlaceAndTheChip) {
    const std::string usb12 = "/sys/devices/pci0000:00/usb1/1-2";
    const struct {
        const char* name;
        UpdateRecord a, b;
        bool same;
    } rows[] = {
        {"same serial, moved to another port", Camera("A1", usb12), Camera("A1", "other"), true},
        {"other serial, same port", Camera("A1", usb12), Camera("A2", usb12), false},
        {"no serial, same port", Camera("", usb12), Camera("", usb12), true},
        {"one serial, same port", Camera("A1", usb12), Camera("", usb12), true},
        {"no serial, other port", Camera("", usb12), Camera("", "other"), false},
        {"no serial, no place", Camera("", ""), Camera("", ""), false},
        {"other chip", Camera("A1", usb12), Camera("A1", usb12, 0x66), false},
        {"chip unread", Camera("A1", usb12, -1), Camera("A1", usb12, -1), false},
        {"other product", Camera("A1", usb12), [&] { UpdateRecord r = Camera("A1", usb12); r.camera.usb->product = 0x03D6; return r; }(), false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SameCamera(row.a, row.b), row.same) << row.name;
        EXPECT_EQ(SameCamera(row.b, row.a), row.same) << row.name;
    }
}

TEST(UpdateHistory, AFolderThatCannotBeMadeIsSaidSo) {
    HistoryRig rig;
    rig.Write({});
    UpdateHistory history((rig.folder / kHistoryFileName / "below").string());  // under a file
    UpdateRecord record = Camera("A1", "");
    std::string why;
    EXPECT_FALSE(history.Begin(&record, &why));
    EXPECT_NE(why.find("cannot create"), std::string::npos) << why;
    EXPECT_NE(why.find(kHistoryFileName), std::string::npos) << why;
}

TEST(UpdateHistory, DamagedLinesAreSkippedAndDroppedAtTheNextWrite) {
    HistoryRig rig;
    UpdateRecord good = Camera("A1", "");
    good.id = "20261201T000000Z-1";
    const std::string line = RecordJson(good);
    rig.Write({line, "", line.substr(0, line.size() / 2), "[1, 2]", R"({"id": "x", "chip_id": 101})",
               R"({"started": "2026-12-01T00:00:00Z"})", line});
    EXPECT_EQ(rig.Load().size(), 2u);
    UpdateRecord next = Camera("A1", "");
    std::string why;
    ASSERT_TRUE(rig.history.Begin(&next, &why)) << why;
    EXPECT_EQ(rig.Lines(), (std::vector<std::string>{line, line, RecordJson(next)}));
}

TEST(UpdateHistory, TheNewestRecordsAreKept) {
    HistoryRig rig;
    std::vector<std::string> lines;
    for (size_t i = 0; i < kHistoryMaxRecords; ++i) {
        UpdateRecord r = Camera("A1", "");
        r.id = "20250101T000000Z-" + std::to_string(i + 1);
        lines.push_back(RecordJson(r));
    }
    rig.Write(lines);
    UpdateRecord next = Camera("A1", "");
    std::string why;
    ASSERT_TRUE(rig.history.Begin(&next, &why)) << why;
    const std::vector<UpdateRecord> records = rig.Load();
    ASSERT_EQ(records.size(), kHistoryMaxRecords);
    EXPECT_EQ(records.front().id, "20250101T000000Z-2");
    EXPECT_EQ(records.back().id, next.id);
}

TEST(UpdateHistory, TimesAreWrittenInUtc) {
    const struct {
        int64_t when;
        const char* iso;
    } rows[] = {
        {0, "1970-01-01T00:00:00Z"},
        {kStarted, "2026-12-08T10:15:02Z"},
        {1709251199, "2024-02-29T23:59:59Z"},
        {978220800, "2000-12-31T00:00:00Z"},
        {int64_t(2147483648LL), "2038-01-19T03:14:08Z"},
    };
    for (const auto& row : rows) EXPECT_EQ(IsoUtc(row.when), row.iso);
}

}  // namespace
