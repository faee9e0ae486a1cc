#include "discovery/uvc_chain.h"

#include <algorithm>
#include <cstring>

#include "link/xu_channel.h"
#include "link/xu_selectors.h"

namespace {

const UvcEntity* ById(const VideoControlInterface& vc, uint8_t id) {
    for (const UvcEntity& e : vc.entities)
        if (e.id == id) return &e;
    return nullptr;
}

bool Has(const std::vector<uint8_t>& ids, uint8_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

bool IsCameraUnit(const UvcEntity& e) {
    uint8_t guid[16];
    UsbGuidBytes(PROPSETID_CAMERA_XU, guid);
    return e.subtype == kUvcExtensionUnit && std::memcmp(e.guid.data(), guid, sizeof guid) == 0;
}

bool ControlBit(const std::vector<uint8_t>& controls, uint32_t selector) {
    const uint32_t bit = selector - 1;
    return bit / 8 < controls.size() && (controls[bit / 8] >> (bit % 8)) & 1;
}

}  // namespace

std::vector<uint8_t> VideoChain(const VideoControlInterface& vc, uint8_t terminal) {
    std::vector<uint8_t> road;  // the backward walk
    const UvcEntity* e = ById(vc, terminal);
    if (!e || e->subtype != kUvcOutputTerminal) return {};
    while (e) {
        if (Has(road, e->id)) return {};  // a loop
        road.push_back(e->id);
        if (e->subtype == kUvcInputTerminal) break;
        if (e->subtype == kUvcSelectorUnit) {
            for (uint8_t source : e->sources) {
                const UvcEntity* input = ById(vc, source);
                if (!input || input->subtype != kUvcInputTerminal) return {};
                if (!Has(road, source)) road.push_back(source);
            }
            break;
        }
        if (e->sources.empty()) return {};
        e = ById(vc, e->sources[0]);
        if (!e) return {};  // a source no descriptor names
    }
    std::vector<uint8_t> chain = road;
    for (uint8_t id : road)
        for (const UvcEntity& fed : vc.entities) {
            if (fed.subtype != kUvcExtensionUnit || !Has(fed.sources, id) || Has(chain, fed.id)) continue;
            if (fed.sources.size() != 1) return {};
            chain.push_back(fed.id);
        }
    return chain;
}

CameraUnit CameraUnitOf(const VideoControlInterface& vc) {
    CameraUnit found;
    for (const UvcEntity& e : vc.entities)
        if (IsCameraUnit(e)) {
            found.found = true;
            found.unit = e;
            break;
        }
    if (!found.found) return found;
    for (const UvcEntity& e : vc.entities) {
        if (e.subtype != kUvcOutputTerminal) continue;
        std::vector<uint8_t> chain = VideoChain(vc, e.id);
        if (Has(chain, found.unit.id)) {
            found.terminal = e.id;
            found.chain = std::move(chain);
            break;
        }
    }
    for (uint32_t selector : kUsedSelectors)
        if (!ControlBit(found.unit.controls, selector)) found.missing.push_back(uint8_t(selector));
    return found;
}

std::string CameraUnitProblem(const CameraUnit& unit) {
    if (!unit.found) return "no extension unit of ours";
    std::string problem;
    if (unit.chain.empty()) problem = "unit " + std::to_string(unit.unit.id) + " is on no video chain";
    if (!unit.missing.empty()) {
        if (!problem.empty()) problem += "; ";
        problem += "unit " + std::to_string(unit.unit.id) + "'s bmControls lacks selector";
        problem += unit.missing.size() > 1 ? "s " : " ";
        for (size_t i = 0; i < unit.missing.size(); ++i)
            problem += (i ? ", " : "") + std::to_string(unit.missing[i]);
    }
    return problem;
}

std::string ChainText(const std::vector<uint8_t>& chain) {
    std::string text;
    for (size_t i = 0; i < chain.size(); ++i) text += (i ? " <- " : "") + std::to_string(chain[i]);
    return text;
}

const VideoControlInterface* FindVideoControl(const std::vector<VideoControlInterface>& all,
                                              int configuration, int number) {
    for (const VideoControlInterface& vc : all)
        if (vc.configuration == configuration && (number < 0 || vc.number == number)) return &vc;
    return nullptr;
}

CameraUnit CameraUnitIn(const std::vector<uint8_t>& descriptors, int configuration, int number,
                        VideoControlInterface* vc) {
    const std::vector<VideoControlInterface> all = ParseVideoControl(descriptors.data(), descriptors.size());
    if (configuration < 0) configuration = all.empty() ? 0 : all.front().configuration;
    const VideoControlInterface* found = FindVideoControl(all, configuration, number);
    if (!found) return CameraUnit();
    if (vc) *vc = *found;
    return CameraUnitOf(*found);
}
