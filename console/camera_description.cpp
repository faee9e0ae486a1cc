#include "console/camera_description.h"

#include <string>

#include "console/screen.h"
#include "platform/hex_text.h"
#include "platform/printable.h"
#include "update/check_words.h"

namespace {

// The values start in this column, under one another.
constexpr size_t kValueColumn = 15;

// Nothing for a value the check did not learn.
void Line(FILE* out, const std::string& label, const std::string& value) {
    if (!value.empty()) Say(out, label + std::string(kValueColumn - label.size(), ' ') + value, kValueColumn);
}

}  // namespace

void DescribeCamera(FILE* out, const CheckReport& c) {
    if (c.verdict == CheckVerdict::NoCamera) return;
    Line(out, "Camera:", CameraNameWords(c.camera));
    Line(out, "Device:", Printable(c.camera.path));
    if (c.camera.chipId >= 0) Line(out, "Chip ID:", HexText(unsigned(c.camera.chipId), 2));
    if (IsOurs(c.verdict)) Line(out, "Flash type:", FlashTypeWords(c));
    if (c.storedCode >= 0) Line(out, "Stored code:", HexText(unsigned(c.storedCode), 2));
    Line(out, "Flash:", FlashContentWords(c));
    const bool current = c.verdict == CheckVerdict::Current;
    const std::string held = HeldFirmwareWords(c);
    if ((current || c.verdict == CheckVerdict::Update) && !held.empty())
        Line(out, "Firmware:", held + (current && FirmwareHeldBy(c).imageId > 0 ? ", current" : ""));
    if (c.verdict == CheckVerdict::Update)
        Line(out, "Update:", c.imageId ? ImageWords(c) : "due; the camera's board chooses V0308 or V0309 when it writes");
}
