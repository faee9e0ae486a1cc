#include "console/history_list.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "console/log_text.h"
#include "update/update_history.h"

#include "console/json_document.h"
#include "console/outcomes.h"
#include "console/screen.h"
#include "platform/hex_text.h"

namespace {

// A row's lines after its first, under its time.
constexpr size_t kRowIndent = 4;

// "2026-12-08T10:15:02Z" as "2026-12-08 10:15:02"; the heading says UTC.
std::string Shown(std::string iso) {
    if (iso.size() == 20 && iso[10] == 'T' && iso[19] == 'Z') {
        iso[10] = ' ';
        iso.pop_back();
    }
    return iso;
}

// Which camera a record is for, as a record matches one: its USB IDs and
// where it sits on the bus (its device node where the system gave no place).
std::string Camera(const UpdateRecord& r) {
    const CameraIdentity& c = r.camera;
    std::string text = c.usb ? HexText(c.usb->vendor, 4, "") + ":" + HexText(c.usb->product, 4, "") : "no USB ID";
    const std::string& place = c.busPlace.empty() ? c.path : c.busPlace;
    return place.empty() ? text : text + " at " + place;
}

// The fixed-width fields first, so that a long name or place only wraps
// the line's end:
// "2026-12-08 10:15:02  updated  V0309  Tarvex USB Camera  4271:03D5 at
//     /sys/devices/pci0000:00/0000:00:14.0/usb1/1-2  serial A1"
std::string Line(const UpdateRecord& r) {
    std::string line = Shown(r.started);
    line += "  " + r.outcome + std::string(r.outcome.size() < 7 ? 7 - r.outcome.size() : 0, ' ');
    line += "  " + (r.imageVersion.empty() ? std::string("-    ") : r.imageVersion);
    line += "  " + (r.camera.name.empty() ? std::string("(no name)") : r.camera.name);
    line += "  " + Camera(r);
    line += r.camera.serial.empty() ? "  no serial" : "  serial " + r.camera.serial;
    return line;
}

}  // namespace

Outcome ListHistory(const Options& options, const std::string& folder, FILE* out) {
    using json = nlohmann::ordered_json;
    const UpdateHistory history(folder);
    std::vector<UpdateRecord> records;
    std::string why;
    const bool read = history.Load(&records, &why);
    const OutcomeRow& ended = OutcomeOf(read ? Outcome::Listed : Outcome::Failed);
    const int code = ended.code;
    const std::string message = !read ? "cannot read the update history: " + why
                                : records.empty()
                                    ? "No updates recorded on this computer (" + folder + ")."
                                    : std::to_string(records.size()) + " update(s) recorded on this computer (" +
                                          folder + ").";
    if (!read) Say(stderr, "korvane-update: " + message);
    if (options.json) {
        json list = json::array();
        for (const UpdateRecord& r : records) list.push_back(json::parse(RecordJson(r)));
        std::fputs(DocumentText({{"folder", folder}, {"history", list}}, ended.result, code, message)
                       .c_str(),
                   stdout);
    } else if (read && records.empty()) {
        Say(out, message);
    } else if (read) {
        Say(out, "Updates recorded on this computer (" + folder + "), oldest first; times in UTC:");
        // What came from the camera may hold escape sequences.
        for (const UpdateRecord& r : records) Say(out, Printable(Line(r)), kRowIndent);
    }
    std::fflush(stdout);
    return ended.outcome;
}
