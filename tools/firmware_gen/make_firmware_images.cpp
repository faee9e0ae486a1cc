// Writes OUTDIR/image133.bin and OUTDIR/image135.bin.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "image_contents.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_firmware_images: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_firmware_images OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!WriteFile(dir + "/image133.bin", BuildFirmwareImage(ImageRelease::V0308))) return 1;
    if (!WriteFile(dir + "/image135.bin", BuildFirmwareImage(ImageRelease::V0309))) return 1;
    return 0;
}
