// An ID or an address as every program and file writes it: "0x65",
// "0x00F000"; a USB ID bare, "4271", as the system writes it.
#pragma once

#include <cstdio>
#include <string>

inline std::string HexText(unsigned value, int digits, const char* prefix = "0x") {
    char text[24];
    std::snprintf(text, sizeof text, "%s%0*X", prefix, digits, value);
    return text;
}
