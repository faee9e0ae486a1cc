// The support facts on Linux: every camera function uvcvideo drives, found through
// udev; its USB IDs, nodes, their permissions and the device's autosuspend,
// the extension unit the driver will use, each selector's GET_LEN and
// GET_INFO answers, and the chip ID.
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/usb/video.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "discovery/support_facts.h"
#include "discovery/udev_video_nodes.h"
#include "discovery/uvc_chain.h"
#include "link/uvc_errors.h"
#include "link/uvc_node_control.h"
#include "link/xu_selectors.h"

namespace {

SupportFacts Access(const std::string& devnode, int* fd) {
    SupportFacts access = SupportFacts::object();
    struct stat st;
    if (stat(devnode.c_str(), &st) != 0) {
        access["error"] = UvcOpenErrnoText(errno);
        return access;
    }
    char mode[11] = "c---------";
    const char bits[] = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        if (st.st_mode & (0400 >> i)) mode[i + 1] = bits[i];
    access["mode"] = mode;
    const passwd* owner = getpwuid(st.st_uid);
    const group* grp = getgrgid(st.st_gid);
    access["owner"] = owner ? owner->pw_name : std::to_string(st.st_uid);
    access["group"] = grp ? grp->gr_name : std::to_string(st.st_gid);
    *fd = open(devnode.c_str(), O_RDWR | O_CLOEXEC);
    access["opens_for_this_user"] = *fd >= 0;
    access["open_error"] = *fd >= 0 ? SupportFacts(nullptr) : SupportFacts(UvcOpenErrnoText(errno));
    return access;
}

SupportFacts UnitFacts(const CameraUnit& unit, const VideoControlInterface& vc) {
    SupportFacts facts = SupportFacts::object();
    facts["unit_id"] = unit.unit.id;
    facts["guid"] = GuidText(unit.unit.guid.data());
    std::string bitmap;
    for (uint8_t byte : unit.unit.controls) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", byte);
        bitmap += two;
    }
    facts["bmControls"] = bitmap;
    facts["bNrInPins"] = unit.unit.sources.size();
    facts["baSourceID"] = unit.unit.sources;
    facts["chain"] = unit.chain.empty() ? SupportFacts(nullptr)
                                        : SupportFacts(ChainText(unit.chain) + " (from output terminal " +
                                                        std::to_string(unit.terminal) + ")");
    facts["missing_selectors"] = unit.missing;
    facts["usable"] = unit.Usable();
    if (!unit.Usable()) facts["problem"] = CameraUnitProblem(unit);
    SupportFacts others = SupportFacts::array();
    for (const UvcEntity& e : vc.entities)
        if (e.subtype == kUvcExtensionUnit && e.id != unit.unit.id)
            others.push_back(std::to_string(e.id) + " " + GuidText(e.guid.data()));
    facts["other_extension_units"] = others;
    return facts;
}

// Each selector's GET_LEN and GET_INFO as the driver answers them, then
// the chip ID (register 0x20FF through selectors 2 and 3).
void AskCamera(int fd, uint8_t unit, SupportFacts* function) {
    SupportFacts controls = SupportFacts::array();
    for (uint32_t selector : kUsedSelectors) {
        SupportFacts row = SupportFacts::object();
        row["selector"] = selector;
        uint8_t length[2] = {}, info = 0;
        int err = UvcQuery(fd, unit, uint8_t(selector), UVC_GET_LEN, sizeof length, length);
        row["GET_LEN"] = err ? SupportFacts(UvcErrnoText(err)) : SupportFacts(length[0] | length[1] << 8);
        err = UvcQuery(fd, unit, uint8_t(selector), UVC_GET_INFO, 1, &info);
        row["GET_INFO"] = err ? UvcErrnoText(err)
                              : HexText(unsigned(info) & 0xFF, 2) + (info & 1 ? " get" : "") + (info & 2 ? " set" : "");
        controls.push_back(row);
    }
    (*function)["controls"] = controls;
    uint8_t address[2] = {0xFF, 0x20}, id = 0;
    int err = UvcQuery(fd, unit, uint8_t(XU_REG_ADDRESS_CONTROL), UVC_SET_CUR, sizeof address, address);
    if (!err) err = UvcQuery(fd, unit, uint8_t(XU_REG_DATA_CONTROL), UVC_GET_CUR, 1, &id);
    (*function)["chip_id"] = err ? UvcErrnoText(err) : HexText(unsigned(id) & 0xFF, 2);
}

SupportFacts Function(const std::vector<VideoNode>& nodes, bool openNodesSuspend) {
    const VideoNode* capture = nullptr;
    const VideoNode* metadata = nullptr;
    for (const VideoNode& node : nodes) {
        if (node.index == 0 && !capture) capture = &node;
        if (node.index == 1 && !metadata) metadata = &node;
    }
    const VideoNode& first = capture ? *capture : nodes.front();
    SupportFacts f = SupportFacts::object();
    f["product"] = first.product;
    f["usb_ids"] = first.idVendor + ":" + first.idProduct + " revision " + first.bcdDevice;
    f["usb_device"] = first.usbSyspath;
    f["configuration"] = first.configuration;
    f["interface"] = first.interfaceNumber;
    f["capture_node"] = capture ? SupportFacts(capture->devnode) : SupportFacts(nullptr);
    f["metadata_node"] = metadata ? SupportFacts(metadata->devnode) : SupportFacts(nullptr);
    int fd = -1;
    f["node_access"] = Access(first.devnode, &fd);
    f["autosuspend"] = {{"power_control", first.powerControl},
                        {"autosuspend_delay_ms", first.autosuspendDelayMs},
                        {"may_suspend_when_idle", first.powerControl == "auto"}};
    if (first.powerControl == "auto" && openNodesSuspend)
        f["autosuspend"]["warning"] = "this kernel lets the camera suspend while the node is open; if an "
                                      "update fails, see the README on USB autosuspend";
    // The unit as the camera walk finds it, by the same lookup.
    VideoControlInterface vc;
    const CameraUnit unit = CameraUnitIn(first.descriptors, first.configuration, first.interfaceNumber, &vc);
    f["extension_unit"] = unit.found ? UnitFacts(unit, vc) : SupportFacts(nullptr);
    if (unit.found && fd >= 0) AskCamera(fd, unit.unit.id, &f);
    if (fd >= 0) close(fd);
    return f;
}

}  // namespace

SupportFacts GatherSupportFacts() {
    SupportFacts report = SupportFacts::object();
    utsname un;
    const bool named = uname(&un) == 0;
    report["kernel"] = named ? std::string(un.sysname) + " " + un.release + " " + un.version : "unknown";
    const bool openNodesSuspend = named && KernelLetsOpenNodesSuspend(un.release);
    report["open_node_keeps_camera_awake"] = !openNodesSuspend;
    std::vector<VideoNode> nodes;
    const HRESULT hr = ListVideoNodes(&nodes);
    report["udev"] = SUCCEEDED(hr) ? "listed" : "cannot list the video nodes";
    // One entry per camera function, in the order udev lists them.
    std::vector<std::string> order;
    std::map<std::string, std::vector<VideoNode>> functions;
    for (VideoNode& node : nodes) {
        const std::string key = node.interfaceSyspath.empty() ? node.devnode : node.interfaceSyspath;
        if (!functions.count(key)) order.push_back(key);
        functions[key].push_back(std::move(node));
    }
    SupportFacts list = SupportFacts::array();
    for (const std::string& key : order) list.push_back(Function(functions[key], openNodesSuspend));
    report["camera_functions"] = list;
    return report;
}
