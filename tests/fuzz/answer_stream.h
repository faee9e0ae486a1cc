// Reads the camera's answers out of the fuzz input, and says when it has
// run out.
#pragma once

#include <cstddef>
#include <cstdint>

class AnswerStream {
public:
    AnswerStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }

    uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }

    // Copies up to count bytes to out; what the input lacks is zero.
    void Bytes(uint8_t* out, size_t count) {
        for (size_t i = 0; i < count; ++i) out[i] = Byte();
    }

    uint32_t Word() {
        uint8_t b[4];
        Bytes(b, 4);
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};
