// Writes the program's icon as one PNG of the given size, for the
// desktop's icon theme:
//   make_icon_png SIZE OUTFILE
#include <cstdio>
#include <cstdlib>

#include "tools/icon_gen/png_file.h"

namespace {

// The theme's sizes reach 512; the art is laid out on a 256 grid but drawn
// at any size.
constexpr int kLargestSize = 1024;

}  // namespace

int main(int argc, char** argv) {
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    const std::vector<uint8_t> bytes = size >= 1 && size <= kLargestSize ? EncodePng(DrawIconArt(size))
                                                                         : std::vector<uint8_t>();
    if (bytes.empty()) {
        std::fprintf(stderr, "usage: make_icon_png SIZE OUTFILE (SIZE 1 to %d)\n", kLargestSize);
        return 2;
    }
    FILE* file = std::fopen(argv[2], "wb");
    const bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if ((file && std::fclose(file) != 0) || !written) {
        std::fprintf(stderr, "make_icon_png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
