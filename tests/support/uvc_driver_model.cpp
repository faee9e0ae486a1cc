#include "tests/support/uvc_driver_model.h"

#include <errno.h>
#include <linux/usb/video.h>

#include <algorithm>
#include <cstring>

#include "discovery/camera_source.h"
#include "link/xu_channel.h"
#include "tests/support/usb_descriptors.h"

namespace {

// GET_INFO's capability bits.
constexpr uint8_t kInfoGet = 0x01;
constexpr uint8_t kInfoSet = 0x02;

// A terminal or unit of one VideoControl interface, as the driver parses it.
struct Entity {
    uint8_t subtype;
    std::vector<uint8_t> sources;
    std::vector<uint8_t> controls;  // extension units: bmControls
};
using Entities = std::map<uint8_t, Entity>;

bool In(const std::vector<uint8_t>& ids, uint8_t id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

// The entities of each VideoControl interface of configuration `value`, by
// interface number. Entities cut short are left out.
std::map<uint8_t, Entities> ReadFunctions(const std::vector<uint8_t>& d, uint8_t value) {
    std::map<uint8_t, Entities> out;
    int configuration = -1, vc = -1;
    for (size_t at = 0; at + 2 <= d.size() && d[at] >= 2 && d[at] <= d.size() - at; at += d[at]) {
        const uint8_t* p = &d[at];
        const size_t len = p[0];
        if (p[1] == 0x02 && len >= 9) {
            configuration = p[5];
            vc = -1;
        } else if (p[1] == 0x04 && len >= 9) {
            vc = configuration == value && p[5] == 0x0E && p[6] == 0x01 ? p[2] : -1;
            if (vc >= 0) out[uint8_t(vc)];
        } else if (p[1] == 0x24 && vc >= 0 && len >= 4) {
            Entity e{p[2], {}, {}};
            if (e.subtype == 0x03 && len > 7) {
                e.sources = {p[7]};
            } else if ((e.subtype == 0x05 || e.subtype == 0x07) && len > 4) {
                e.sources = {p[4]};
            } else if (e.subtype == 0x04 && len > 4 && 5u + p[4] <= len) {
                e.sources.assign(p + 5, p + 5 + p[4]);
            } else if (e.subtype == 0x06 && len >= 24) {
                const size_t pins = p[21], sizeAt = 22 + pins;
                if (sizeAt >= len || sizeAt + 1 + p[sizeAt] > len) continue;
                e.sources.assign(p + 22, p + 22 + pins);
                e.controls.assign(p + sizeAt + 1, p + sizeAt + 1 + p[sizeAt]);
            } else if (e.subtype != 0x02) {
                continue;
            }
            out[uint8_t(vc)][p[3]] = e;
        }
    }
    return out;
}

// The IDs on the chains the driver builds from the output terminals: back
// through first sources (a selector unit's input terminals), then the
// one-input extension units fed from that road. A chain with an unknown
// source, a loop or a fed unit of several inputs is refused whole.
std::set<uint8_t> OnChains(const Entities& es) {
    std::set<uint8_t> on;
    for (const auto& terminal : es) {
        if (terminal.second.subtype != 0x03) continue;
        std::vector<uint8_t> chain;
        bool ok = true;
        for (uint8_t at = terminal.first;;) {
            auto it = es.find(at);
            ok &= it != es.end() && !In(chain, at);
            if (!ok) break;
            chain.push_back(at);
            const Entity& e = it->second;
            if (e.subtype == 0x04) {  // a selector unit: its inputs, which must be input terminals
                for (uint8_t s : e.sources) {
                    auto input = es.find(s);
                    ok &= input != es.end() && input->second.subtype == 0x02;
                    chain.push_back(s);
                }
            }
            if (e.subtype == 0x02 || e.subtype == 0x04) break;
            ok &= !e.sources.empty();
            if (!ok) break;
            at = e.sources[0];
        }
        const std::vector<uint8_t> road = chain;
        for (uint8_t id : road)
            for (const auto& fed : es)
                if (fed.second.subtype == 0x06 && In(fed.second.sources, id) && !In(chain, fed.first)) {
                    ok &= fed.second.sources.size() == 1;
                    chain.push_back(fed.first);
                }
        if (ok) on.insert(chain.begin(), chain.end());
    }
    return on;
}

}  // namespace

UvcDriverModel::UvcDriverModel(simcam::SimCamera& sim, uint8_t unit)
    : camera_(sim.NewKsControl()), unit_(unit) {
    CameraDescriptors own;
    own.units = {{unit, CameraXuGuid()}};
    Serve(BuildDescriptors(own));
}

UvcDriverModel::~UvcDriverModel() { camera_->Release(); }

void UvcDriverModel::Serve(const std::vector<uint8_t>& descriptors, uint8_t configuration) {
    units_.clear();
    const std::map<uint8_t, Entities> functions = ReadFunctions(descriptors, configuration);
    firstInterface_ = functions.empty() ? 0 : functions.begin()->first;
    for (const auto& function : functions) {
        std::map<uint8_t, XuUnit>& units = units_[function.first];
        const std::set<uint8_t> on = OnChains(function.second);
        for (const auto& e : function.second)
            if (e.second.subtype == 0x06) units[e.first] = {e.second.controls, on.count(e.first) > 0};
    }
}

void UvcDriverModel::FailQuery(size_t k, int err) { failAt_[k] = err; }
void UvcDriverModel::UnplugFrom(size_t k) { unplugFrom_ = k; }
void UvcDriverModel::ReportLength(uint8_t selector, uint16_t length) {
    reported_[selector] = length;
}
void UvcDriverModel::ReportInfo(uint8_t selector, uint8_t info) { reportedInfo_[selector] = info; }

HRESULT UvcDriverModel::CameraRequest(uint8_t selector, ULONG flags, uint8_t* data, ULONG size,
                                      ULONG* returned) {
    KSP_NODE node;
    std::memset(&node, 0, sizeof node);
    node.Property.Set = PROPSETID_CAMERA_XU;
    node.Property.Id = selector;
    node.Property.Flags = flags | KSPROPERTY_TYPE_TOPOLOGY;
    node.NodeId = kExtensionUnitNode;
    return camera_->KsProperty(&node.Property, sizeof node, data, size, returned);
}

HRESULT UvcDriverModel::CameraLength(uint8_t selector, uint16_t* length) {
    ULONG returned = 0;
    HRESULT hr = CameraRequest(selector, KSPROPERTY_TYPE_GET, nullptr, 0, &returned);
    if (hr != HRESULT_FROM_WIN32(ERROR_MORE_DATA)) return FAILED(hr) ? hr : E_FAIL;
    auto reported = reported_.find(selector);
    *length = reported != reported_.end() ? reported->second : uint16_t(returned);
    return S_OK;
}

// The camera's GET_INFO, which the simulated camera answers as KS basic
// support: its access flags.
HRESULT UvcDriverModel::CameraInfo(uint8_t selector, uint8_t* info) {
    uint8_t access[4] = {};
    ULONG returned = 0;
    HRESULT hr = CameraRequest(selector, KSPROPERTY_TYPE_BASICSUPPORT, access, sizeof access, &returned);
    if (FAILED(hr)) return hr;
    *info = (access[0] & KSPROPERTY_TYPE_GET ? kInfoGet : 0) | (access[0] & KSPROPERTY_TYPE_SET ? kInfoSet : 0);
    auto reported = reportedInfo_.find(selector);
    if (reported != reportedInfo_.end()) *info = reported->second;
    return S_OK;
}

int UvcDriverModel::Query(uint8_t unit, uint8_t selector, uint8_t query, uint16_t size,
                          uint8_t* data, int* err) {
    return Query(firstInterface_, unit, selector, query, size, data, err);
}

int UvcDriverModel::Query(uint8_t interface, uint8_t unit, uint8_t selector, uint8_t query,
                          uint16_t size, uint8_t* data, int* err) {
    const size_t k = seen_.size();
    seen_.push_back({selector, query});
    unplugged_ |= k >= unplugFrom_;
    auto injected = failAt_.find(k);
    *err = unplugged_ ? ENODEV : injected != failAt_.end() ? injected->second : 0;
    if (*err == 0) *err = Refusal(interface, unit, selector);
    if (*err == 0) *err = Perform(selector, query, size, data);
    return *err ? -1 : 0;
}

// What the driver refuses before any traffic: a unit that is no extension
// unit on this node's chain, a selector its bmControls does not hold. A
// unit the simulated camera does not answer for fails its first use.
int UvcDriverModel::Refusal(uint8_t interface, uint8_t unit, uint8_t selector) const {
    auto function = units_.find(interface);
    if (function == units_.end()) return ENOENT;
    auto found = function->second.find(unit);
    if (found == function->second.end() || !found->second.onChain) return ENOENT;
    const std::vector<uint8_t>& controls = found->second.controls;
    const unsigned bit = selector - 1u;
    if (selector == 0 || bit / 8 >= controls.size() || !((controls[bit / 8] >> (bit % 8)) & 1)) return ENOENT;
    return unit == unit_ ? 0 : ENOENT;
}

int UvcDriverModel::Perform(uint8_t selector, uint8_t query, uint16_t size, uint8_t* data) {
    Control& control = controls_[selector];
    // On first use the driver asks the camera the control's length, then
    // its capabilities; if either fails the control stays unknown.
    if (!control.known) {
        if (FAILED(CameraLength(selector, &control.length))) return ENOENT;
        if (FAILED(CameraInfo(selector, &control.info))) return ENOENT;
        control.known = true;
    }
    ULONG returned = 0;
    switch (query) {
    case UVC_GET_LEN: {
        if (size != 2) return ENOBUFS;
        uint16_t length = 0;
        if (FAILED(CameraLength(selector, &length))) return EPIPE;
        data[0] = uint8_t(length);
        data[1] = uint8_t(length >> 8);
        return 0;
    }
    case UVC_GET_INFO:
        if (size != 1) return ENOBUFS;
        return FAILED(CameraInfo(selector, data)) ? EPIPE : 0;
    case UVC_GET_CUR:
    case UVC_SET_CUR: {
        if (size != control.length) return ENOBUFS;
        const bool set = query == UVC_SET_CUR;
        if (!(control.info & (set ? kInfoSet : kInfoGet))) return EBADRQC;
        const ULONG flags = set ? KSPROPERTY_TYPE_SET : KSPROPERTY_TYPE_GET;
        return FAILED(CameraRequest(selector, flags, data, size, &returned)) ? EPIPE : 0;
    }
    case UVC_GET_MIN:
    case UVC_GET_MAX:
    case UVC_GET_RES:
    case UVC_GET_DEF:
        return EPIPE;  // the camera answers no range requests
    }
    return EINVAL;
}
