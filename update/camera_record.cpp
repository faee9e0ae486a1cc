#include "update/check_report.h"

// The camera as a record names it.
UpdateRecord CameraRecord(const CheckReport& r) {
    UpdateRecord record;
    record.camera = r.camera;
    record.flashType = r.flash.type;
    return record;
}
