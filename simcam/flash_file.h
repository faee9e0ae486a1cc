// Flash images on disk: the raw 65536 bytes, nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace simcam {

// Fills `memory` only from a file of exactly the flash's size.
bool LoadFlashImage(const std::string& path, std::vector<uint8_t>* memory);
bool SaveFlashImage(const std::string& path, const std::vector<uint8_t>& memory);

}  // namespace simcam
