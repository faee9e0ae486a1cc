#include <nlohmann/json.hpp>

#include <cstdio>

#include "console/report.h"

#ifndef KORVANE_VERSION
#define KORVANE_VERSION "unknown"
#endif

namespace {

std::string Hex2(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", unsigned(value) & 0xFF);
    return text;
}

}  // namespace

std::string ReportJson(const Report& report) {
    using nlohmann::json;
    json camera = nullptr;
    if (report.cameraFound) {
        camera = json::object();
        camera["name"] = report.name;
        camera["path"] = report.path;
        camera["chip_id"] = report.chipId >= 0 ? json(Hex2(report.chipId)) : json(nullptr);
        camera["flash_type"] = report.flashType >= 0 ? json(report.flashType) : json(nullptr);
        camera["stored_code"] = report.storedCode >= 0 ? json(Hex2(report.storedCode)) : json(nullptr);
        camera["flash_content"] = report.flashContent.empty() ? json(nullptr) : json(report.flashContent);
        if (!report.flashContent.empty() && report.flashContent != "image") {
            char at[16];
            std::snprintf(at, sizeof at, "0x%06X", unsigned(report.flashDiffersAt));
            camera["flash_differs_at"] = at;
        }
    }
    json image = nullptr;
    if (report.imageId) {
        image = {{"id", report.imageId}, {"version", report.imageVersion}, {"size", report.imageSize}};
    }
    json doc = {
        {"program", "korvane-update"},
        {"version", KORVANE_VERSION},
        {"camera", camera},
        {"decision", report.decision.empty() ? json(nullptr) : json(report.decision)},
        {"image", image},
        {"result", report.result},
        {"exit_code", report.exitCode},
        {"message", report.message},
        {"log_tail", report.logTail},
        {"notes", report.notes},
        {"other_cameras", report.otherCameras},
    };
    // Text from the camera may not be UTF-8: replaced, never thrown over.
    return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}
