// Finds the camera's extension unit in a USB device's raw descriptors (the
// device descriptor, then its configuration, as sysfs gives them).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

// True with *unitId set when a VideoControl interface holds an extension
// unit whose guidExtensionCode is the camera's property set. Descriptors
// that are cut short or run past the end are skipped or end the walk;
// nothing outside [bytes, bytes + size) is read.
bool FindCameraUnit(const uint8_t* bytes, size_t size, uint8_t* unitId);

// A GUID as USB descriptors carry it: its fields little-endian.
void UsbGuidBytes(const GUID& guid, uint8_t out[16]);
