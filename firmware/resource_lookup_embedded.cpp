// Outside Windows there are no executable resources: the same files are
// compiled in as arrays and found here by the same type and id.
#include <cstring>

#include "firmware/embedded_images.h"
#include "firmware/firmware_image.h"

namespace {

struct EmbeddedResource {
    const char* type;
    int id;
    const uint8_t* data;
    const uint32_t* size;
};

const EmbeddedResource kResources[] = {
    {"BIN", kImageV0308, kEmbeddedImage133, &kEmbeddedImage133Size},
    {"BIN", kImageV0309, kEmbeddedImage135, &kEmbeddedImage135Size},
};

}  // namespace

FirmwareStatus FindFirmwareResource(int id, const uint8_t** data, uint32_t* size) {
    if (!data || !size) return FirmwareStatus::NoImage;
    for (const EmbeddedResource& r : kResources) {
        if (r.id == id && std::strcmp(r.type, kFirmwareResourceType) == 0) {
            *data = r.data;
            *size = *r.size;
            return FirmwareStatus::Ok;
        }
    }
    return FirmwareStatus::NotFound;
}
