#include "firmware/firmware_image.h"

bool CheckDeviceDescriptor(const uint8_t* image) {
    return image && image[kDeviceDescriptorOffset] == kDeviceDescriptorLength;
}
