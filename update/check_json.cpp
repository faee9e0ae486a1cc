#include "update/check_json.h"

#include "chip/flash_type_table.h"
#include "platform/hex_text.h"
#include "update/camera_json.h"
#include "update/check_words.h"

namespace {

using json = nlohmann::ordered_json;

json CameraJson(const CheckReport& c) {
    json camera = IdentityJson(c.camera);
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

json FirmwareJson(const CheckReport& c) {
    const FirmwareHeld held = FirmwareHeldBy(c);
    if (!held.known || (c.verdict != CheckVerdict::Current && c.verdict != CheckVerdict::Update)) return nullptr;
    return {{"id", held.imageId > 0 ? json(held.imageId) : json(nullptr)},
            {"version", held.imageId > 0 ? json(held.version) : json(nullptr)}};
}

json ImageJson(const CheckReport& c) {
    if (c.verdict != CheckVerdict::Update) return nullptr;
    const bool chosen = c.imageId > 0;
    return {{"id", chosen ? json(c.imageId) : json(nullptr)},
            {"version", chosen ? json(c.imageVersion) : json(nullptr)},
            {"size", chosen ? json(c.imageSize) : json(nullptr)}, {"chosen", chosen}};
}

}  // namespace

json CheckJson(const CheckReport* c) {
    const bool found = c && c->verdict != CheckVerdict::NoCamera;
    return {
        {"camera", found ? CameraJson(*c) : json(nullptr)},
        {"decision", c ? json(CheckVerdictName(c->verdict)) : json(nullptr)},
        {"reason", c ? json(c->reason) : json(nullptr)},
        {"firmware", found ? FirmwareJson(*c) : json(nullptr)},
        {"image", c ? ImageJson(*c) : json(nullptr)},
    };
}
