#include "update/history_row.h"

#include "update/check_words.h"

namespace {

// "2026-12-08T10:15:02Z" as "2026-12-08 10:15:02".
std::string Shown(std::string iso) {
    if (iso.size() == 20 && iso[10] == 'T' && iso[19] == 'Z') {
        iso[10] = ' ';
        iso.pop_back();
    }
    return iso;
}

std::string Camera(const CameraIdentity& c) {
    std::string text = c.usb ? UsbIdText(*c.usb) : "no USB ID";
    const std::string& place = c.busPlace.empty() ? c.path : c.busPlace;
    return place.empty() ? text : text + " at " + place;
}

}  // namespace

HistoryRow HistoryRowOf(const UpdateRecord& r) {
    return {Shown(r.started),
            r.outcome,
            r.imageVersion,
            CameraNameWords(r.camera),
            Camera(r.camera),
            r.camera.serial.empty() ? "no serial" : "serial " + r.camera.serial};
}
