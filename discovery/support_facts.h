// What someone supporting a camera needs, read from the system and the
// camera without writing its flash (the only writes are the register
// address of the chip-ID read): the system's version, and per camera
// function (Linux) or DirectShow device (Windows) what it is and answers.
// Plain data, its keys in the order they are best read; a front end prints it.
#pragma once

#include "platform/hex_text.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

using SupportFacts = nlohmann::ordered_json;

SupportFacts GatherSupportFacts();

// The facts as indented "key: value" lines for people: nested objects set
// in under their key, arrays of scalars on one line, arrays of objects
// numbered.
std::string SupportFactsText(const SupportFacts& facts);

// "{63610682-5070-49AB-B8CC-B3855E8D221D}" from the 16 bytes USB carries.
std::string GuidText(const uint8_t bytes[16]);
