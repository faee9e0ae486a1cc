#include "update/check_report.h"

// The camera as a record names it.
UpdateRecord CameraRecord(const CheckReport& r) {
    UpdateRecord record;
    if (r.usb) {
        record.vendor = r.usb->vendor;
        record.product = r.usb->product;
    }
    record.serial = r.serial;
    record.busPlace = r.busPlace;
    record.path = r.cameraPath;
    record.name = r.cameraName;
    record.chipId = r.chipId;
    record.flashType = r.flash.type;
    return record;
}
