#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/state_folder.h"
#include "tests/support/temp_folder.h"
#include "update/update_history.h"
#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#else
#include <unistd.h>
#endif

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
    fs::path File() const { return folder / kHistoryFileName; }
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
    UpdateRecord first = Camera("", "/sys/devices/pci0000:00/usb1/1-2"), second = Camera("A1", "/sys/devices/pci0000:00/usb1/1-3");
    first.camera.usb->product = 0;  // IDs at their ends are IDs still
    first.camera.usb->vendor = 0xFFFF;
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
    std::vector<UpdateRecord> again = records;  // read again over what it holds: replaced, not added to
    EXPECT_TRUE(rig.history.Load(&again, &why)) << why;
    EXPECT_EQ(again.size(), 2u);
    first.finished = "2026-12-08T10:16:17Z";
    first.outcome = "updated";
    EXPECT_EQ(RecordJson(records[0]), RecordJson(first));
    EXPECT_EQ(RecordJson(records[1]), RecordJson(second));
    EXPECT_EQ(records[1].started, "2026-12-08T10:15:02Z");
    EXPECT_EQ(records[1].outcome, "started");
    EXPECT_EQ(records[1].finished, "");

    const auto latest = rig.history.Latest(Camera("A1", "/sys/devices/pci0000:00/usb1/1-3"), &why);
    ASSERT_TRUE(latest.has_value());
    EXPECT_EQ(latest->id, second.id);
    EXPECT_FALSE(rig.history.Latest(Camera("A1", "elsewhere"), &why).has_value()) << "another port";
    EXPECT_EQ(why, "");
}

TEST(UpdateHistory, SameCameraByItsPlaceItsIdsItsChipAndItsFlash) {
    const std::string usb12 = "/sys/devices/pci0000:00/usb1/1-2";
    const auto type0 = [&] { UpdateRecord r = Camera("A1", usb12); r.flashType = 0; return r; };
    const struct { const char* name; UpdateRecord a, b; bool same; } rows[] = {
        // The serial every unit of a release carries follows no camera.
        {"same serial, another port", Camera("A1", usb12), Camera("A1", "other"), false},
        {"other serial, same port", Camera("A1", usb12), Camera("A2", usb12), false},
        {"no serial, same port", Camera("", usb12), Camera("", usb12), true},
        {"one serial, same port", Camera("A1", usb12), Camera("", usb12), true},
        {"no serial, other port", Camera("", usb12), Camera("", "other"), false},
        {"no serial, no place", Camera("", ""), Camera("", ""), false},
        {"other chip", Camera("A1", usb12), Camera("A1", usb12, 0x66), false},
        {"chip unread", Camera("A1", usb12, -1), Camera("A1", usb12, -1), false},
        {"chip read as 0", Camera("A1", usb12, 0), Camera("A1", usb12, 0), true},
        {"other product", Camera("A1", usb12), [&] { UpdateRecord r = Camera("A1", usb12); r.camera.usb->product = 0x03D6; return r; }(), false},
        {"other flash type", Camera("A1", usb12), [&] { UpdateRecord r = Camera("A1", usb12); r.flashType = 2; return r; }(), false},
        {"flash type 0", type0(), type0(), true},
        {"no USB identity", [&] { UpdateRecord r = Camera("", usb12); r.camera.usb.reset(); return r; }(), [&] { UpdateRecord r = Camera("", usb12); r.camera.usb.reset(); return r; }(), false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SameCamera(row.a, row.b), row.same) << row.name;
        EXPECT_EQ(SameCamera(row.b, row.a), row.same) << row.name;
        UpdateRecord kept = row.a, back;  // as the history reads it from its line
        kept.id = "20261208T101502Z-1";
        EXPECT_TRUE(ParseRecord(RecordJson(kept), &back) && SameCamera(back, row.b) == row.same) << row.name;
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
    const auto damaged = [&](const std::string& field, const std::string& now) {
        std::string bad = line;
        const size_t at = bad.find(field);
        EXPECT_NE(at, std::string::npos) << field;
        return at == std::string::npos ? std::string() : bad.replace(at, field.size(), now);
    };
    rig.Write({line, "", line.substr(0, line.size() / 2), "[1, 2]", R"({"id": "x", "chip_id": 101})",
               R"({"started": "2026-12-01T00:00:00Z"})", damaged(R"("chip_id":"0x65")", R"("chip_id":"0x165")"),
               damaged(R"("vendor":"4271")", R"("vendor":"4271z")"),
               damaged(R"("flash_type":4)", R"("flash_type":"4")"), line});
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

#ifdef _WIN32
// Sets p's security descriptor from SDDL, as another account could; an
// owner is read back, since not every system keeps one set so.
bool SetSecurity(const fs::path& p, const char* sddl, SECURITY_INFORMATION what) {
    PSECURITY_DESCRIPTOR sd = nullptr, back = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr)) return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr, ownerBack = nullptr;
    GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
    GetSecurityDescriptorOwner(sd, &owner, &defaulted);
    const std::string path = p.string();
    bool set = SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT, what, owner, nullptr, dacl,
                                     nullptr) == ERROR_SUCCESS;
    if (set && owner)
        set = GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &ownerBack, nullptr,
                                    nullptr, nullptr, &back) == ERROR_SUCCESS &&
              EqualSid(owner, ownerBack);
    LocalFree(back);
    LocalFree(sd);
    return set;
}
constexpr char kEveryoneWrites[] = "D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FRFW;;;WD)";
#else
constexpr uid_t kOther = 4242;  // neither root nor the account the tests run as
bool Add(const fs::path& p, fs::perms perms) {
    fs::permissions(p, perms, fs::perm_options::add);
    return true;
}
// The state folder moved aside, a link to it in its place.
bool LinkFolder(HistoryRig& r) {
    fs::rename(r.folder, r.temp.path / "real");
    fs::create_directory_symlink(r.temp.path / "real", r.folder);
    return true;
}
constexpr char kWritable[] = "can be written by other accounts", kOthers[] = "belongs to another account";
#endif

// What another account could have written is neither read nor written
// over, and is said; a history too large to be ours is set aside. Each row
// plants its fault over a history that holds one failed update; false: this
// account cannot plant it.
TEST(UpdateHistory, WhatAnotherAccountCouldWriteIsRefusedAndSaid) {
    const auto sized = [](uintmax_t bytes) {
        return [bytes](HistoryRig& r) { fs::resize_file(r.File(), bytes); return true; };
    };
    const struct {
        const char* name; std::function<bool(HistoryRig&)> plant;
        const char* said;  // null: trusted, the record is read
        bool history = true;  // false: the plant took the history away
    } rows[] = {
#ifdef _WIN32
        // No history to judge: the folder is judged all the same.
        {"a folder everyone can write, with no history",
         [](HistoryRig& r) { return fs::remove(r.File()) && SetSecurity(r.folder, kEveryoneWrites, DACL_SECURITY_INFORMATION); },
         "can be written by other accounts", false},
        {"a folder of another account, with no history",
         [](HistoryRig& r) { return fs::remove(r.File()) && SetSecurity(r.folder, "O:BU", OWNER_SECURITY_INFORMATION); },
         "belongs to another account", false},
        {"a folder that is a link, with no history",
         [](HistoryRig& r) {
             std::error_code error;
             fs::remove(r.File());
             fs::rename(r.folder, r.temp.path / "real");
             fs::create_directory_symlink(r.temp.path / "real", r.folder, error);
             return !error;
         },
         "is a link", false},
        {"a file everyone can write",
         [](HistoryRig& r) { return SetSecurity(r.File(), kEveryoneWrites, DACL_SECURITY_INFORMATION); },
         "can be written by other accounts"},
        {"a folder everyone can write",
         [](HistoryRig& r) { return SetSecurity(r.folder, kEveryoneWrites, DACL_SECURITY_INFORMATION); },
         "can be written by other accounts"},
        {"a file of another account",
         [](HistoryRig& r) { return SetSecurity(r.File(), "O:BU", OWNER_SECURITY_INFORMATION); },
         "belongs to another account"},
#else
        {"a file others can write", [](HistoryRig& r) { return Add(r.File(), fs::perms::others_write); }, kWritable},
        {"a file its group can write", [](HistoryRig& r) { return Add(r.File(), fs::perms::group_write); }, kWritable},
        {"a folder others can write", [](HistoryRig& r) { return Add(r.folder, fs::perms::others_write); }, kWritable},
        // Whoever writes there may put another folder in this one's place.
        {"the folder above it others can write", [](HistoryRig& r) { return Add(r.temp.path, fs::perms::others_write); },
         kWritable},
        {"a folder of another account, with no history",
         [](HistoryRig& r) { return fs::remove(r.File()) && chown(r.folder.c_str(), kOther, 0) == 0; }, kOthers, false},
        {"a file of another account", [](HistoryRig& r) { return chown(r.File().c_str(), kOther, 0) == 0; }, kOthers},
        {"a folder of another account", [](HistoryRig& r) { return chown(r.folder.c_str(), kOther, 0) == 0; }, kOthers},
        {"a link to a history elsewhere", [](HistoryRig& r) {
             fs::rename(r.File(), r.temp.path / "elsewhere");
             fs::create_symlink(r.temp.path / "elsewhere", r.File());
             return true;
         }, "is a link"},
        {"a folder that is a link another account made",
         [](HistoryRig& r) { return LinkFolder(r) && lchown(r.folder.c_str(), kOther, 0) == 0; },
         "is a link another account made"},
        {"a folder that is a link this account made", LinkFolder, nullptr},
#endif
        {"a file larger than any history this program writes", sized(kHistoryMaxBytes + 1), "set aside as"},
        {"a file as large as any history this program writes", sized(kHistoryMaxBytes), nullptr},
        // Windows renames over no file: the one set aside before goes first.
        {"a file too large, with one set aside before", [&](HistoryRig& r) {
             std::ofstream(r.File().string() + kHistoryTooBigSuffix) << "older";
             return sized(kHistoryMaxBytes + 1)(r);
         }, "set aside as"},
    };
    for (const auto& row : rows) {
        HistoryRig rig;
        UpdateRecord failed = Camera("A1", "/sys/devices/pci0000:00/usb1/1-2");
        std::string why;
        ASSERT_TRUE(rig.history.Begin(&failed, &why) && rig.history.Finish(failed.id, "failed", &why)) << why;
        if (!row.plant(rig)) {
            std::printf("%s: this account cannot arrange it; not tried\n", row.name);
            continue;
        }
        const auto latest = rig.history.Latest(Camera("A1", "/sys/devices/pci0000:00/usb1/1-2"), &why);
        if (!row.said) {
            EXPECT_TRUE(latest.has_value() && latest->id == failed.id) << row.name << ": " << why;
            continue;
        }
        EXPECT_FALSE(latest.has_value()) << row.name;
        EXPECT_NE(why.find(row.said), std::string::npos) << row.name << ": " << why;
        const bool setAside = fs::exists(rig.File().string() + kHistoryTooBigSuffix);
        EXPECT_TRUE(!row.history || setAside == !fs::exists(rig.File())) << row.name;
        const auto entries = [&] {
            std::error_code error;
            return std::distance(fs::directory_iterator(rig.folder, error), fs::directory_iterator());
        };
        const auto before = entries();
        UpdateRecord next = Camera("A1", "");
        EXPECT_EQ(rig.history.Begin(&next, &why), setAside) << row.name << ": " << why;
        EXPECT_TRUE(setAside || entries() == before) << row.name << ": nothing written in a folder refused";
        // Found too large by a write, it is set aside and no record begun in its place.
        EXPECT_FALSE(setAside && row.plant(rig) && rig.history.Begin(&next, &why)) << row.name;
    }
}

// Where the state is kept: systemd's folder first (its first entry), then
// root's, then the user's. Each row is tried as root (where it can) and as
// another account; null: the variable is unset.
TEST(StateFolder, IsChosenInItsOrder) {
    const struct { const char* systemd; const char* xdg; const char* home; bool root; const char* folder; } rows[] = {
#ifdef _WIN32
        {"C:\\k\\state", nullptr, nullptr, false, "C:\\k\\state"},
#else
        {"/run/a:/run/b", "/x", "/h", true, "/run/a"},
        {"/run/a", "/x", "/h", false, "/run/a"},
        {"", "/x", "/h", true, "/var/lib/korvane-update"},
        {nullptr, "/x", "/h", false, "/x/korvane-update"},
        {nullptr, "", "/h", false, "/h/.local/state/korvane-update"},
        {nullptr, nullptr, nullptr, false, ""},
#endif
    };
    const auto set = [](const char* name, const char* value) {
#ifdef _WIN32
        _putenv_s(name, value ? value : "");
#else
        if (value) setenv(name, value, 1); else unsetenv(name);
#endif
    };
    std::vector<std::pair<const char*, std::optional<std::string>>> kept;
    for (const char* name : {"STATE_DIRECTORY", "XDG_STATE_HOME", "HOME"})
        kept.push_back({name, std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt});
    for (const auto& row : rows) {
        set("STATE_DIRECTORY", row.systemd);
        set("XDG_STATE_HOME", row.xdg);
        set("HOME", row.home);
#ifndef _WIN32
        // Another account, for a while: this process is root, or cannot be.
        const bool asked = row.root == (geteuid() == 0) || (geteuid() == 0 && seteuid(kOther) == 0);
        if (!asked) {
            std::printf("%s: not tried as this account\n", row.folder);
            continue;
        }
#endif
        EXPECT_EQ(StateFolder(), row.folder) << row.folder;
#ifndef _WIN32
        if (geteuid() != getuid()) {
            EXPECT_EQ(seteuid(getuid()), 0);
        }
#endif
    }
    for (const auto& [name, value] : kept) set(name, value ? value->c_str() : nullptr);
}

#ifdef _WIN32
// The DACL a state folder is left with, read back: one made afresh, and one
// an earlier version made below the system's data folder with the DACL it
// inherited there, in which another account planted a history (set aside
// unread, and the run's own record begun afresh).
TEST(StateFolder, IsLeftWithItsOwnDacl) {
    HistoryRig fresh;
    const fs::path earlier = fs::path(SystemDataFolder()) / ("korvane-test-" + std::to_string(GetCurrentProcessId()));
    const struct {
        const char* name;
        fs::path folder;
        bool planted;
    } rows[] = {{"made afresh", fresh.folder, false}, {"made by an earlier version", earlier, true}};
    for (const auto& row : rows) {
        if (row.planted) {
            ASSERT_TRUE(CreateDirectoryA(row.folder.string().c_str(), nullptr)) << row.name;
            std::ofstream(row.folder / kHistoryFileName) << "{\"id\": \"planted\"}\n";
            if (!SetSecurity(row.folder / kHistoryFileName, "O:BU", OWNER_SECURITY_INFORMATION)) {
                std::printf("%s: this account cannot arrange it; not tried\n", row.name);
                fs::remove_all(row.folder);
                continue;
            }
        }
        UpdateHistory history(row.folder.string());
        UpdateRecord record = Camera("A1", "");
        std::string why;
        EXPECT_TRUE(history.Begin(&record, &why)) << row.name << ": " << why;
        // Read back: no account but SYSTEM, the Administrators and this one may write it.
        PSECURITY_DESCRIPTOR sd = nullptr;
        PACL dacl = nullptr;
        ASSERT_EQ(GetNamedSecurityInfoA(row.folder.string().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                        nullptr, &dacl, nullptr, &sd), DWORD(ERROR_SUCCESS)) << row.name;
        ASSERT_NE(dacl, nullptr) << row.name;
        for (DWORD i = 0; i < dacl->AceCount; ++i) {
            ACCESS_ALLOWED_ACE* ace = nullptr;
            GetAce(dacl, i, reinterpret_cast<void**>(&ace));
            PSID sid = &ace->SidStart;
            const bool writes = ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
                                (ace->Mask & (FILE_WRITE_DATA | FILE_APPEND_DATA | GENERIC_WRITE | GENERIC_ALL | WRITE_DAC));
            EXPECT_FALSE(writes && (IsWellKnownSid(sid, WinBuiltinUsersSid) || IsWellKnownSid(sid, WinWorldSid) ||
                                    IsWellKnownSid(sid, WinAuthenticatedUserSid)))
                << row.name << ": ACE " << i << " lets others write";
        }
        LocalFree(sd);
        std::vector<UpdateRecord> records;
        EXPECT_TRUE(history.Load(&records, &why)) << row.name << ": " << why;
        EXPECT_EQ(records.size(), 1u) << row.name;
        EXPECT_EQ(fs::exists(row.folder.string() + "\\" + kHistoryFileName + kSetAsideSuffix), row.planted) << row.name;
        if (row.planted) fs::remove_all(row.folder);
    }
}

// A file is read or made only where its folder was judged: the path it was
// opened by, in any case, and not the same name in another folder (where
// a junction put in the folder's place would have led).
TEST(StateFolder, AnOpenFileIsTheOneAtItsPath) {
    HistoryRig rig;
    fs::create_directories(rig.folder);
    std::ofstream(rig.File()) << "{}\n";
    const HANDLE file = CreateFileA(rig.File().string().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string upper = rig.File().string();
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    const struct { std::string path; bool at; } rows[] = {
        {rig.File().string(), true}, {upper, true}, {(rig.temp.path / kHistoryFileName).string(), false}};
    for (const auto& row : rows) EXPECT_EQ(OpenedAt(file, row.path), row.at) << row.path;
    CloseHandle(file);
}
#endif

TEST(UpdateHistory, TimesAreWrittenInUtc) {
    const struct { int64_t when; const char* iso; } rows[] = {
        {0, "1970-01-01T00:00:00Z"},
        {kStarted, "2026-12-08T10:15:02Z"},
        {1709251199, "2024-02-29T23:59:59Z"},
        {978220800, "2000-12-31T00:00:00Z"},
        {int64_t(2147483648LL), "2038-01-19T03:14:08Z"},
    };
    for (const auto& row : rows) EXPECT_EQ(IsoUtc(row.when), row.iso);
}

}  // namespace
