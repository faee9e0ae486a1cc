// Writes the descriptor fuzzer's seeds into the folder named:
//   descriptor_seed_maker tests/fuzz/descriptor_corpus
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/usb_descriptors.h"

namespace {

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    CameraDescriptors camera;
    CameraDescriptors two;
    two.units = {{3, {0x82, 0x06, 0x61}}, {9, CameraXuGuid()}};
    CameraDescriptors none;
    none.units = {};
    std::vector<uint8_t> cut = BuildDescriptors(camera);
    cut.resize(cut.size() - 20);
    bool ok = Write(dir + "/camera", BuildDescriptors(camera)) &&
              Write(dir + "/two-units", BuildDescriptors(two)) &&
              Write(dir + "/no-unit", BuildDescriptors(none)) && Write(dir + "/cut", cut);
    none.moreFunctions = {two.units};  // the unit in a second function, and in an inactive configuration
    none.inactiveConfiguration = true;
    none.inactiveUnits = camera.units;
    ok = ok && Write(dir + "/two-functions-two-configurations", BuildDescriptors(none));
    return ok ? 0 : 1;
}
