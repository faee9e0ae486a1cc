// The image files as compiled into the native build, one array each,
// written from the files at build time by cmake/embed_binary.cmake.
#pragma once

#include <cstdint>

extern const uint8_t kEmbeddedImage133[];
extern const uint32_t kEmbeddedImage133Size;
extern const uint8_t kEmbeddedImage135[];
extern const uint32_t kEmbeddedImage135Size;
