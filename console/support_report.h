// korvane-update --report: what someone supporting a camera needs, read
// from the system and the camera without writing its flash (the only
// writes are the register address of the chip-ID read). One document,
// printed as text or, with --json, as JSON.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "console/options.h"

using SupportReport = nlohmann::ordered_json;

// The system's part: the program and kernel versions, and per camera
// function (Linux) or DirectShow device (Windows) what it is and answers.
SupportReport GatherSupportReport(const Options& options);

// The document as indented "key: value" lines.
std::string SupportReportText(const SupportReport& report);

// Gathers and prints the report on standard output; the exit code.
int PrintSupportReport(const Options& options);

// "{63610682-5070-49AB-B8CC-B3855E8D221D}" from the 16 bytes USB carries.
std::string GuidText(const uint8_t bytes[16]);
// "0x65".
std::string HexByte(unsigned value);
