#include "simcam/flash_file.h"

#include <fstream>
#include <iterator>
#include <utility>

#include "simcam/nor_flash.h"

namespace simcam {

bool LoadFlashImage(const std::string& path, std::vector<uint8_t>* memory) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (bytes.size() != kFlashSize) return false;
    *memory = std::move(bytes);
    return true;
}

bool SaveFlashImage(const std::string& path, const std::vector<uint8_t>& memory) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(memory.data()),
              static_cast<std::streamsize>(memory.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace simcam
