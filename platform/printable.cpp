#include "platform/printable.h"

namespace {

constexpr char kReplacement = '?';

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

}  // namespace

std::string Printable(const std::string& name) {
    std::string text;
    text.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        // C1 controls in UTF-8 are C2 80 to C2 9F: both bytes go.
        if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) <= 0x9F &&
            static_cast<unsigned char>(name[i + 1]) >= 0x80) {
            text.push_back(kReplacement);
            ++i;
        } else {
            text.push_back(IsControl(c) ? kReplacement : char(c));
        }
    }
    return text;
}
