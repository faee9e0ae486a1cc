// Writes the program's icon, 32 x 32 and 16 x 16 pixels:
//   make_icon OUTFILE
#include <cstdio>

#include "tools/icon_gen/ico_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTFILE\n");
        return 2;
    }
    const std::vector<uint8_t> bytes = EncodeIco({DrawIconArt(32), DrawIconArt(16)});
    FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "make_icon: failed writing %s\n", argv[1]);
        return 1;
    }
    return 0;
}
