// A record of the update history as a row people read, each field ready to
// show, for a list in a terminal or a table in a window.
#pragma once

#include <string>

#include "update/update_history.h"

struct HistoryRow {
    std::string when;     // "2026-12-08 10:15:02", in UTC
    std::string outcome;  // "started", "updated", "failed"
    std::string image;    // "V0309"; "" when none was written
    std::string name;     // CameraNameWords
    // Which camera, as a record matches one: its USB IDs and where it sits
    // on the bus (its device node where the system gave no place):
    // "4271:03D5 at /sys/devices/pci0000:00/0000:00:14.0/usb1/1-2".
    std::string camera;
    std::string serial;   // "serial A1", or "no serial"
};

// What came from the camera is as the record holds it, but for its name:
// make the row printable where it is shown.
HistoryRow HistoryRowOf(const UpdateRecord& record);
