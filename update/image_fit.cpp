#include "firmware/firmware_image.h"
#include "update/log_lines.h"
#include "update/update_engine.h"

ImageFit ExamineImage(const uint8_t* image, int32_t size, std::string& log) {
    // The descriptor check and the patch reach into the image at fixed places.
    if (!image || size < int32_t(kMinFirmwareImageSize)) {
        AppendLine(log, "Firmware image too short.\r\n");
        return ImageFit::TooShort;
    }
    return CheckDeviceDescriptor(image) ? ImageFit::Fits : ImageFit::NotForThisChip;
}
