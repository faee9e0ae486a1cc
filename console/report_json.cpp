#include <nlohmann/json.hpp>

#include "chip/flash_type_table.h"
#include "console/report.h"
#include "platform/hex_text.h"
#include "update/camera_json.h"

#include "console/json_document.h"

namespace {

// The camera as every document names it, then what the check found of
// its flash.
nlohmann::ordered_json Camera(const CheckReport& c) {
    using json = nlohmann::ordered_json;
    nlohmann::ordered_json camera = IdentityJson(c.camera);
    const bool typed = c.flashIdentified && c.verdict != CheckVerdict::NotOurs && c.flash.type >= 0;
    camera["flash_type"] = typed ? json(c.flash.type) : json(nullptr);
    camera["flash_part"] = typed ? json(kFlashTypes[c.flash.type].part) : json(nullptr);
    camera["flash_identification_stopped_at"] = c.flash.stoppedAt ? json(c.flash.stoppedAt) : json(nullptr);
    camera["stored_code"] = c.storedCode >= 0 ? json(HexText(unsigned(c.storedCode) & 0xFF, 2)) : json(nullptr);
    static const char* const kContents[] = {"image", "cut", "unfinished", "differs"};
    camera["flash_content"] = c.flashCompared ? json(kContents[int(c.flashContent)]) : json(nullptr);
    if (c.flashCompared && c.flashContent != FlashContent::Image)
        camera["flash_differs_at"] = HexText(c.flashDiffersAt, 6);
    return camera;
}

}  // namespace

const char* DecisionName(CheckVerdict verdict) {
    static const char* const kDecisions[] = {"no-camera", "not-ours", "current", "update", "failed"};
    return kDecisions[int(verdict)];
}

std::string ReportJson(const Report& report) {
    using json = nlohmann::ordered_json;
    const CheckReport& c = report.check;
    // The image to write; before the board has chosen it, only that it will.
    json image = nullptr;
    const bool chosen = c.imageId > 0;
    if (report.checkRan && c.verdict == CheckVerdict::Update)
        image = {{"id", chosen ? json(c.imageId) : json(nullptr)},
                 {"version", chosen ? json(c.imageVersion) : json(nullptr)},
                 {"size", chosen ? json(c.imageSize) : json(nullptr)},
                 {"chosen", chosen}};
    // The release the camera holds: one of this program's images, or
    // another release (id and version null).
    json firmware = nullptr;
    const FirmwareHeld held = FirmwareHeldBy(c);
    if (report.CameraFound() && held.known && (c.verdict == CheckVerdict::Current || c.verdict == CheckVerdict::Update))
        firmware = {{"id", held.imageId > 0 ? json(held.imageId) : json(nullptr)},
                    {"version", held.imageId > 0 ? json(held.version) : json(nullptr)}};
    const JsonDocument facts = {
        {"camera", report.CameraFound() ? Camera(c) : json(nullptr)},
        {"decision", report.checkRan ? json(DecisionName(c.verdict)) : json(nullptr)},
        {"reason", report.checkRan ? json(c.reason) : json(nullptr)},
        {"firmware", firmware},
        {"image", image},
        {"failure", report.failure == Failure::None ? json(nullptr) : json(FailureOf(report.failure).name)},
        {"log_tail", report.logTail},
        {"notes", report.notes},
        {"other_cameras", report.otherCameras},
    };
    return DocumentText(facts, report.result, report.exitCode, report.message);
}
