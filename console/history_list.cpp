#include "console/history_list.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "console/exit_codes.h"
#include "console/log_text.h"
#include "update/update_history.h"

#include "console/json_document.h"
#include "console/outcomes.h"

namespace {

// "2026-12-08T10:15:02Z" as "2026-12-08 10:15:02"; the heading says UTC.
std::string Shown(std::string iso) {
    if (iso.size() == 20 && iso[10] == 'T' && iso[19] == 'Z') {
        iso[10] = ' ';
        iso.pop_back();
    }
    return iso;
}

// The camera's place: the device node, short, where the system has one;
// else where it sits on the bus (on Windows the instance ID is shorter
// than the DirectShow moniker).
const std::string& Place(const UpdateRecord& r) {
    return r.path.rfind("/dev/", 0) == 0 || r.busPlace.empty() ? r.path : r.busPlace;
}

// The fixed-width fields first, so that a long name or place only pushes
// the line's end past 80 columns:
// "2026-12-08 10:15:02  updated  V0309  Tarvex USB Camera  /dev/video0  serial A1"
std::string Line(const UpdateRecord& r) {
    std::string line = Shown(r.started);
    line += "  " + r.outcome + std::string(r.outcome.size() < 7 ? 7 - r.outcome.size() : 0, ' ');
    line += "  " + (r.imageVersion.empty() ? std::string("-    ") : r.imageVersion);
    line += "  " + (r.name.empty() ? std::string("(no name)") : r.name);
    if (!Place(r).empty()) line += "  " + Place(r);
    line += r.serial.empty() ? "  no serial" : "  serial " + r.serial;
    return line;
}

}  // namespace

int ListHistory(const Options& options, const std::string& folder, FILE* out) {
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
    if (!read) std::fprintf(stderr, "korvane-update: %s\n", message.c_str());
    if (options.json) {
        json list = json::array();
        for (const UpdateRecord& r : records) list.push_back(json::parse(RecordJson(r)));
        std::fputs(DocumentText({{"folder", folder}, {"history", list}}, ended.result, code, message)
                       .c_str(),
                   stdout);
    } else if (read && records.empty()) {
        std::fprintf(out, "%s\n", message.c_str());
    } else if (read) {
        std::fprintf(out, "Updates recorded on this computer (%s), oldest first; times in UTC:\n",
                     folder.c_str());
        // What came from the camera may hold escape sequences.
        for (const UpdateRecord& r : records) std::fprintf(out, "%s\n", Printable(Line(r)).c_str());
    }
    std::fflush(stdout);
    return code;
}
