#include "e2e/server/scenario.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace e2e {

namespace {

using simcam::FlashPart;

bool ParseNumber(const std::string& text, uint64_t max, uint64_t* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || parsed > max) return false;
    *value = parsed;
    return true;
}

template <class T>
bool ParseInto(const std::string& text, uint64_t max, T* out) {
    uint64_t value = 0;
    if (!ParseNumber(text, max, &value)) return false;
    *out = T(value);
    return true;
}

bool ParsePart(const std::string& text, FlashPart* part) {
    static const struct {
        const char* name;
        FlashPart part;
    } kNames[] = {
        {"Type0", FlashPart::Type0},     {"Type1", FlashPart::Type1},
        {"Type2a", FlashPart::Type2a},   {"Type2b", FlashPart::Type2b},
        {"Type3", FlashPart::Type3},     {"Type4", FlashPart::Type4},
        {"Type5", FlashPart::Type5},     {"Type6", FlashPart::Type6},
        {"Blank00", FlashPart::Blank00}, {"BlankFF", FlashPart::BlankFF},
        {"Unknown", FlashPart::Unknown},
    };
    for (const auto& row : kNames) {
        if (text == row.name) {
            *part = row.part;
            return true;
        }
    }
    return false;
}

bool ParseInterfaces(const std::string& text, Scenario* s) {
    if (text != "ks" && text != "xu" && text != "both") return false;
    s->offersKs = text != "xu";
    s->offersXu = text != "ks";
    return true;
}

// One of two words: the first gives false, the second true.
bool ParseChoice(const std::string& text, const char* no, const char* yes, bool* out) {
    if (text != no && text != yes) return false;
    *out = text == yes;
    return true;
}

bool ParsePath(const std::string& text, std::string* path) {
    *path = text;
    return !text.empty();
}

bool Apply(const std::string& key, const std::string& value, Scenario* s) {
    const uint64_t kU32 = 0xFFFFFFFFu;
    if (key == "chip_id") return ParseInto(value, 0xFF, &s->chipId);
    if (key == "flash_part") return ParsePart(value, &s->flashPart);
    if (key == "flash_in") return ParsePath(value, &s->flashIn);
    if (key == "reg_2045") return ParseInto(value, 0xFF, &s->reg2045);
    if (key == "sensor") return ParseChoice(value, "absent", "fitted", &s->sensorFitted);
    if (key == "packet_length") return ParseInto(value, kU32, &s->packetLength);
    if (key == "busy_polls") return ParseInto(value, kU32, &s->busyPolls);
    if (key == "wip_reads") return ParseInto(value, kU32, &s->wipReads);
    if (key == "spi_busy") return ParseChoice(value, "clears", "stuck", &s->spiBusyStuck);
    if (key == "node") return ParseInto(value, kU32, &s->node);
    if (key == "unplug_after_packets") return ParseInto(value, kU32, &s->unplugAfterPackets);
    if (key == "fail_selector") {
        uint32_t selector = 0;
        if (!ParseInto(value, kU32, &selector)) return false;
        s->failSelectors.push_back(selector);
        return true;
    }
    if (key == "checksum_error") return ParseInto(value, 0xFF, &s->checksumError);
    if (key == "download_delay_ms") return ParseInto(value, 60000, &s->downloadDelayMs);
    if (key == "interfaces") return ParseInterfaces(value, s);
    if (key == "bind") return ParseChoice(value, "works", "fails", &s->bindFails);
    if (key == "flash_out") return ParsePath(value, &s->flashOut);
    if (key == "trace_out") return ParsePath(value, &s->traceOut);
    // How the system lists the device (sim_configure reads them); nothing
    // of the camera itself.
    if (key == "usb_id" || key == "serial" || key == "port") return !value.empty();
    return false;
}

}  // namespace

bool ReadScenario(const std::string& path, Scenario* scenario, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read scenario " + path;
        return false;
    }
    Scenario s;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string key;
        if (!(words >> key)) continue;
        // The value is the rest of the line, so that a path may hold spaces.
        std::string value;
        std::getline(words >> std::ws, value);
        value.erase(value.find_last_not_of(" \t\r") + 1);
        if (!Apply(key, value, &s)) {
            *error = path + ":" + std::to_string(number) + ": cannot use '" + line + "'";
            return false;
        }
    }
    *scenario = s;
    return true;
}

}  // namespace e2e
