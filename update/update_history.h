// The record of each update this computer made, kept in a file of its own
// beside the camera: the camera's flash alone cannot tell every cut update
// from a finished one (a cut erase can leave a code byte that reads
// current; a download cut after its last packet leaves the image whole but
// uncommitted). A record is begun before the first write and finished at
// the verdict; a later check reads the newest one for its camera.
// Results: true on success, else false with *why in a few words; nothing
// is thrown.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/camera_identity.h"

// A record's outcome: begun before the first write, then the verdict.
constexpr char kOutcomeStarted[] = "started";
constexpr char kOutcomeUpdated[] = "updated";
constexpr char kOutcomeFailed[] = "failed";

// One update of one camera, as this computer made it.
struct UpdateRecord {
    std::string id;          // unique on this computer: the start time and a counter
    std::string started;     // UTC, ISO 8601 "2026-12-08T10:15:02Z"
    std::string finished;    // "" until the verdict
    std::string program;     // "korvane-update 1.0.0" / "korvane.exe 1.0.0"
    std::string outcome;     // "started" until the verdict, then "updated" or "failed"
    // The camera, as the check found it (a record keeps no bcdDevice)
    CameraIdentity camera;
    int flashType = -1;
    // The image written
    int imageId = 0;
    std::string imageVersion;  // "V0309"
};

// True when a and b are records of the same physical camera: the same bus
// place with the same vendor and product, chip ID and flash type. A serial
// names no unit (the image carries one for every camera of a release); two
// that differ do show two cameras. What is unknown (no bus place, no USB
// identity, chip ID or flash type -1) matches nothing: a record never
// reaches a camera it may not be, nor another port.
bool SameCamera(const UpdateRecord& a, const UpdateRecord& b);

// The record as one line of JSON (no line end), the history file's and
// korvane-update --history's form; and back. ParseRecord is false for a
// line that is not such an object.
std::string RecordJson(const UpdateRecord& record);
bool ParseRecord(const std::string& line, UpdateRecord* record);

// The history keeps the newest this many records; older ones are dropped
// as new ones are begun (some years of updates at any pace a person keeps).
constexpr size_t kHistoryMaxRecords = 1000;
constexpr char kHistoryFileName[] = "history.jsonl";
// A record's line is a few hundred bytes: its longest texts are a device
// path, a bus place and an 80-byte name. The history this program writes is
// never larger than kHistoryMaxRecords such lines; a file over that was not
// written by it, and is set aside (renamed with kHistoryTooBigSuffix) and
// said rather than read whole into memory.
constexpr uint64_t kHistoryMaxLineBytes = 4096;
constexpr uint64_t kHistoryMaxBytes = kHistoryMaxRecords * kHistoryMaxLineBytes;
constexpr char kHistoryTooBigSuffix[] = ".too-big";

// The file kHistoryFileName in one folder: one record per line, oldest
// first, replaced as a whole on every change. A line that does not parse
// is skipped, and dropped at the next change.
class UpdateHistory {
public:
    explicit UpdateHistory(std::string folder);  // the folder, e.g. StateFolder()
    const std::string& Folder() const { return folder_; }

    // Fills id and started when empty and sets outcome "started"; creates
    // the folder.
    bool Begin(UpdateRecord* record, std::string* why);
    // Sets the record's finished time and outcome.
    bool Finish(const std::string& id, const std::string& outcome, std::string* why);
    // Oldest first; a missing file is an empty history. A folder or file
    // another account could have written is refused (OpenStateFile), and
    // one over kHistoryMaxBytes set aside: false, and *why says so.
    bool Load(std::vector<UpdateRecord>* records, std::string* why) const;
    // The newest record of this camera, if any; *why is "" when there is
    // none and says why when the history could not be read.
    std::optional<UpdateRecord> Latest(const UpdateRecord& camera, std::string* why) const;

    // The wall clock the times are taken from.
    // Seconds since 1970 in 64 bits: a 32-bit time_t, as some Windows
    // builds have, ends in 2038.
    std::function<int64_t()> now;

private:
    std::string File() const;
    // Renames an oversized history aside; says what was done.
    std::string SetAside() const;
    bool Store(const std::vector<UpdateRecord>& records, std::string* why);

    std::string folder_;
};

// A time as the records write it: "2026-12-08T10:15:02Z".
std::string IsoUtc(int64_t when);
