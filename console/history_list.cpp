#include "console/history_list.h"

#include <vector>

#include "console/screen.h"
#include "platform/printable.h"
#include "update/history_row.h"
#include "update/json_document.h"

namespace {

// A row's lines after its first, under its time.
constexpr size_t kRowIndent = 4;

std::string Padded(const std::string& text, size_t width) {
    return text + std::string(text.size() < width ? width - text.size() : 0, ' ');
}

// The fixed-width fields first, so that a long name or place only wraps
// the line's end:
// "2026-12-08 10:15:02  updated  V0309  Tarvex USB Camera  4271:03D5 at
//     /sys/devices/pci0000:00/0000:00:14.0/usb1/1-2  serial A1"
std::string Line(const UpdateRecord& record) {
    const HistoryRow r = HistoryRowOf(record);
    return r.when + "  " + Padded(r.outcome, 7) + "  " + Padded(r.image.empty() ? "-" : r.image, 5) + "  " + r.name +
           "  " + r.camera + "  " + r.serial;
}

}  // namespace

Outcome ListHistory(const Options& options, const std::string& folder, FILE* out) {
    std::vector<UpdateRecord> records;
    std::string why;
    const bool read = UpdateHistory(folder).Load(&records, &why);
    Report ended;
    ended.Ends(read ? Outcome::Listed : Outcome::Failed,
               !read             ? "cannot read the update history: " + why
               : records.empty() ? "No updates recorded on this computer (" + folder + ")."
                                 : std::to_string(records.size()) + " update(s) recorded on this computer (" +
                                       folder + ").");
    if (!read) Say(stderr, "korvane-update: " + ended.message);
    if (options.json) {
        JsonDocument list = JsonDocument::array();
        for (const UpdateRecord& r : records) list.push_back(JsonDocument::parse(RecordJson(r)));
        PrintDocument(kProgramName, {{"folder", folder}, {"history", list}}, ended);
    } else if (read && records.empty()) {
        Say(out, ended.message);
    } else if (read) {
        Say(out, "Updates recorded on this computer (" + folder + "), oldest first; times in UTC:");
        // What came from the camera may hold escape sequences.
        for (const UpdateRecord& r : records) Say(out, Printable(Line(r)), kRowIndent);
    }
    return read ? Outcome::Listed : Outcome::Failed;
}
