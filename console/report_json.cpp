#include <nlohmann/json.hpp>

#include <cstdio>

#include "chip/flash_type_table.h"
#include "console/report.h"

#include "console/json_document.h"

namespace {

std::string Hex(const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

nlohmann::json Camera(const CheckReport& c) {
    using nlohmann::json;
    json camera = json::object();
    camera["name"] = c.cameraName;
    camera["path"] = c.cameraPath;
    camera["chip_id"] = c.chipId >= 0 ? json(Hex("0x%02X", unsigned(c.chipId) & 0xFF)) : json(nullptr);
    const bool typed = c.flashIdentified && c.verdict != CheckVerdict::NotOurs && c.flash.type >= 0;
    camera["flash_type"] = typed ? json(c.flash.type) : json(nullptr);
    camera["flash_part"] = typed ? json(kFlashTypes[c.flash.type].part) : json(nullptr);
    camera["flash_identification_stopped_at"] = c.flash.stoppedAt ? json(c.flash.stoppedAt) : json(nullptr);
    camera["stored_code"] = c.storedCode >= 0 ? json(Hex("0x%02X", unsigned(c.storedCode) & 0xFF)) : json(nullptr);
    static const char* const kContents[] = {"image", "cut", "unfinished", "differs"};
    camera["flash_content"] = c.flashCompared ? json(kContents[int(c.flashContent)]) : json(nullptr);
    if (c.flashCompared && c.flashContent != FlashContent::Image)
        camera["flash_differs_at"] = Hex("0x%06X", unsigned(c.flashDiffersAt));
    return camera;
}

}  // namespace

const char* DecisionName(CheckVerdict verdict) {
    static const char* const kDecisions[] = {"no-camera", "not-ours", "current", "update", "failed"};
    return kDecisions[int(verdict)];
}

std::string ReportJson(const Report& report) {
    using nlohmann::json;
    const CheckReport& c = report.check;
    json image = nullptr;
    if (report.checkRan && c.verdict == CheckVerdict::Update && c.imageId > 0)
        image = {{"id", c.imageId}, {"version", c.imageVersion}, {"size", c.imageSize}};
    // The program's image the flash holds, where it holds one whole.
    json firmware = nullptr;
    if (report.CameraFound() && c.heldImageId > 0) firmware = {{"id", c.heldImageId}, {"version", c.heldVersion}};
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
