#include "update/update_history.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "update/camera_json.h"
#include "platform/state_folder.h"

namespace {

using nlohmann::json;

// A field of a parsed line: absent or null keeps the default; a value of
// another type makes the line no record.
bool Text(const json& object, const char* key, std::string* value) {
    const auto at = object.find(key);
    if (at == object.end() || at->is_null()) return true;
    if (!at->is_string()) return false;
    *value = at->get<std::string>();
    return true;
}

bool Number(const json& object, const char* key, int* value) {
    const auto at = object.find(key);
    if (at == object.end() || at->is_null()) return true;
    if (!at->is_number_integer()) return false;
    *value = at->get<int>();
    return true;
}

// "4271" or "0x65": hexadecimal digits, as USB IDs and chip IDs are written.
bool HexNumber(const json& object, const char* key, unsigned limit, int* value) {
    std::string text;
    if (!Text(object, key, &text)) return false;
    if (text.empty()) return true;
    char* end = nullptr;
    const unsigned long number = std::strtoul(text.c_str(), &end, 16);
    if (*end != '\0' || number > limit) return false;
    *value = int(number);
    return true;
}

// Days since 1970-01-01 to a civil date, in the proleptic Gregorian calendar.
void CivilDate(long long days, int* year, unsigned* month, unsigned* day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = unsigned(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    *day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    *month = shifted < 10 ? shifted + 3 : shifted - 9;
    *year = int(yearOfEra + era * 400 + (*month <= 2));
}

// "20261208T101502Z" from "2026-12-08T10:15:02Z": the id's time part.
std::string Compact(std::string iso) {
    std::string compact;
    for (char c : iso)
        if (c != '-' && c != ':') compact += c;
    return compact;
}

// Up to limit bytes, and past it by at most one buffer, which tells a file
// that grew past it since its size was taken.
bool ReadAtMost(std::FILE* in, uint64_t limit, std::string* text) {
    char buffer[4096];
    for (size_t got; text->size() <= limit && (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        text->append(buffer, got);
    return std::ferror(in) == 0;
}

}  // namespace

std::string IsoUtc(int64_t when) {
    const long long seconds = static_cast<long long>(when);
    long long days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int year;
    unsigned month, day;
    CivilDate(days, &year, &month, &day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", year, month, day, int(rest / 3600),
                  int(rest / 60 % 60), int(rest % 60));
    return text;
}

bool SameCamera(const UpdateRecord& a, const UpdateRecord& b) {
    const CameraIdentity &x = a.camera, &y = b.camera;
    if (!x.usb || !y.usb || x.usb->vendor != y.usb->vendor || x.usb->product != y.usb->product) return false;
    if (x.chipId < 0 || x.chipId != y.chipId) return false;
    if (a.flashType < 0 || a.flashType != b.flashType) return false;
    // Every unit of a release carries the serial its image holds: an equal
    // one shows nothing, though another one shows another camera.
    if (!x.serial.empty() && !y.serial.empty() && x.serial != y.serial) return false;
    return !x.busPlace.empty() && x.busPlace == y.busPlace;
}

std::string RecordJson(const UpdateRecord& r) {
    const auto text = [](const std::string& s) { return s.empty() ? json(nullptr) : json(s); };
    // In this order, so that a line reads well in the file itself.
    nlohmann::ordered_json record = {
        {"id", r.id},
        {"started", r.started},
        {"finished", text(r.finished)},
        {"program", r.program},
        {"outcome", r.outcome},
    };
    record.update(IdentityJson(r.camera));
    record["flash_type"] = r.flashType >= 0 ? json(r.flashType) : json(nullptr);
    record["image_id"] = r.imageId ? json(r.imageId) : json(nullptr);
    record["image_version"] = text(r.imageVersion);
    // Text from the camera may not be UTF-8: replaced, never thrown over.
    return record.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

bool ParseRecord(const std::string& line, UpdateRecord* record) {
    const json object = json::parse(line, nullptr, false);
    if (object.is_discarded() || !object.is_object()) return false;
    UpdateRecord r;
    CameraIdentity& c = r.camera;
    int vendor = 0, product = 0;
    const bool ok = Text(object, "id", &r.id) && !r.id.empty() && Text(object, "started", &r.started) &&
                    Text(object, "finished", &r.finished) && Text(object, "program", &r.program) &&
                    Text(object, "outcome", &r.outcome) && HexNumber(object, "vendor", 0xFFFF, &vendor) &&
                    HexNumber(object, "product", 0xFFFF, &product) && Text(object, "serial", &c.serial) &&
                    Text(object, "bus_place", &c.busPlace) && Text(object, "path", &c.path) &&
                    Text(object, "name", &c.name) && HexNumber(object, "chip_id", 0xFF, &c.chipId) &&
                    Number(object, "flash_type", &r.flashType) && Number(object, "image_id", &r.imageId) &&
                    Text(object, "image_version", &r.imageVersion);
    if (!ok) return false;
    if (vendor || product) c.usb = UsbIdentity{uint16_t(vendor), uint16_t(product), 0};
    *record = std::move(r);
    return true;
}

UpdateHistory::UpdateHistory(std::string folder)
    : now([] {
          return int64_t(std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count());
      }),
      folder_(std::move(folder)) {}

std::string UpdateHistory::File() const { return FileIn(folder_, kHistoryFileName); }

std::string UpdateHistory::SetAside() const {
    const std::string aside = File() + kHistoryTooBigSuffix;
    std::remove(aside.c_str());
    const bool moved = std::rename(File().c_str(), aside.c_str()) == 0;
    return File() + " is larger than the " + std::to_string(kHistoryMaxBytes) + " bytes this program writes" +
           (moved ? ": set aside as " + aside : std::string(" and could not be set aside: ") + std::strerror(errno));
}

bool UpdateHistory::Load(std::vector<UpdateRecord>* records, std::string* why) const {
    records->clear();
    uint64_t bytes = 0;
    std::string refused;
    std::FILE* in = OpenStateFile(folder_, kHistoryFileName, &bytes, &refused);
    if (!in) {
        *why = refused;
        return refused.empty();
    }
    std::string text;
    const bool read = bytes <= kHistoryMaxBytes && ReadAtMost(in, kHistoryMaxBytes, &text);
    const int error = errno;
    std::fclose(in);
    if (bytes > kHistoryMaxBytes || text.size() > kHistoryMaxBytes) {
        *why = SetAside();
        return false;
    }
    if (!read) {
        *why = "cannot read " + File() + ": " + std::strerror(error);
        return false;
    }
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        UpdateRecord record;
        if (ParseRecord(text.substr(at, end - at), &record)) records->push_back(std::move(record));
        at = end + 1;
    }
    return true;
}

bool UpdateHistory::Store(const std::vector<UpdateRecord>& records, std::string* why) {
    const size_t first = records.size() > kHistoryMaxRecords ? records.size() - kHistoryMaxRecords : 0;
    std::string text;
    for (size_t i = first; i < records.size(); ++i) text += RecordJson(records[i]) + "\n";
    return WriteWholeFile(File(), text, why);
}

bool UpdateHistory::Begin(UpdateRecord* record, std::string* why) {
    std::vector<UpdateRecord> records;
    if (!MakeFolders(folder_, why) || !Load(&records, why)) return false;
    if (record->started.empty()) record->started = IsoUtc(now());
    if (record->id.empty()) {
        // The start time, then one more than any record begun in the same second.
        const std::string stem = Compact(record->started) + "-";
        unsigned long counter = 0;
        for (const UpdateRecord& r : records)
            if (r.id.compare(0, stem.size(), stem) == 0)
                counter = std::max(counter, std::strtoul(r.id.c_str() + stem.size(), nullptr, 10));
        record->id = stem + std::to_string(counter + 1);
    }
    record->finished.clear();
    record->outcome = kOutcomeStarted;
    records.push_back(*record);
    return Store(records, why);
}

bool UpdateHistory::Finish(const std::string& id, const std::string& outcome, std::string* why) {
    std::vector<UpdateRecord> records;
    if (!Load(&records, why)) return false;
    for (auto r = records.rbegin(); r != records.rend(); ++r) {
        if (r->id != id) continue;
        r->finished = IsoUtc(now());
        r->outcome = outcome;
        return Store(records, why);
    }
    *why = "no record " + id + " in " + File();
    return false;
}

std::optional<UpdateRecord> UpdateHistory::Latest(const UpdateRecord& camera, std::string* why) const {
    why->clear();
    std::vector<UpdateRecord> records;
    if (!Load(&records, why)) return std::nullopt;
    for (auto r = records.rbegin(); r != records.rend(); ++r)
        if (SameCamera(camera, *r)) return *r;
    return std::nullopt;
}
