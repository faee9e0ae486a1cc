#include "tests/support/uvc_testbed.h"

#include <errno.h>
#include <linux/capability.h>
#include <linux/uvcvideo.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <umockdev.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char two[3];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02X", b);
        out += two;
    }
    return out;
}

// The configuration the sandbox's cameras run in.
constexpr int kActiveConfiguration = 1;

std::string Hex2(uint8_t v) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", v);
    return text;
}

std::string Hex4(uint16_t v) {
    char text[5];
    std::snprintf(text, sizeof text, "%04x", v);
    return text;
}

void Check(gboolean ok, GError* error, const char* what) {
    if (ok) return;
    std::string message = std::string(what) + ": " + (error ? error->message : "failed");
    if (error) g_error_free(error);
    throw std::runtime_error(message);
}

// The stream's requests, answered by the testbed's owners of each node's
// stream, which the node's handler carries under this key.
constexpr char kStreamOwners[] = "korvane-stream-owners";

gboolean HandleStreamIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client, unsigned long request) {
    auto* owners = static_cast<StreamOwners*>(g_object_get_data(G_OBJECT(base), kStreamOwners));
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, _IOC_SIZE(request), nullptr);
    const int err = data ? owners->Request(umockdev_ioctl_client_get_devnode(client), client, request, data->data) : EFAULT;
    umockdev_ioctl_client_complete(client, err ? -1 : 0, err);
    if (data) g_object_unref(data);
    if (!err) owners->held.emplace_back(g_object_ref(client), g_object_unref);
    return TRUE;
}

bool StreamClientOpen(const void* client) {
    return umockdev_ioctl_client_get_connected(UMOCKDEV_IOCTL_CLIENT(const_cast<void*>(client)));
}

}  // namespace

// What answers one node's ioctls.
struct UvcNodeIoctl {
    UvcDriverModel* model;
    uint8_t interface;  // its VideoControl interface's number
    bool metadata;
};

namespace {

// Runs on umockdev's thread for every ioctl on a node the model answers.
gboolean HandleIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client, gpointer user) {
    const auto* node = static_cast<const UvcNodeIoctl*>(user);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    if (StreamOwners::Handles(request)) return HandleStreamIoctl(base, client, request);
    // The metadata node has no extension-unit ioctl.
    if (request != UVCIOC_CTRL_QUERY || node->metadata) {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    UMockdevIoctlData* query = umockdev_ioctl_data_resolve(arg, 0, sizeof(uvc_xu_control_query), nullptr);
    if (!query) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return TRUE;
    }
    auto* q = reinterpret_cast<uvc_xu_control_query*>(query->data);
    UMockdevIoctlData* data = nullptr;
    if (q->size > 0) {
        data = umockdev_ioctl_data_resolve(query, offsetof(uvc_xu_control_query, data), q->size, nullptr);
        if (!data) {
            g_object_unref(query);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return TRUE;
        }
    }
    int err = 0;
    const int result = node->model->Query(node->interface, q->unit, q->selector, q->query, q->size,
                                          data ? data->data : nullptr, &err);
    umockdev_ioctl_client_complete(client, result, err);
    if (data) g_object_unref(data);
    g_object_unref(query);
    return TRUE;
}

// Root opens whatever the mode bits say: the calling thread stops
// overriding them (or starts again) in its effective capabilities, which
// keeps them permitted.
void OverridePermissions(bool on) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2];
    if (syscall(SYS_capget, &header, data) != 0) return;
    const uint32_t bits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    data[0].effective = on ? data[0].effective | (data[0].permitted & bits) : data[0].effective & ~bits;
    syscall(SYS_capset, &header, data);
}

}  // namespace

UvcTestbed::UvcTestbed() : bed_(umockdev_testbed_new()) {}

UvcTestbed::~UvcTestbed() {
    if (forbade_) OverridePermissions(true);
    for (UMockdevIoctlBase* handler : handlers_) g_object_unref(handler);
    g_object_unref(bed_);
}

bool UvcTestbed::Available() {
    // umockdev_in_mock_environment() also wants a testbed made already.
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "umockdev-preload");
}

std::string UvcTestbed::AddNode(const std::string& interfacePath, int index, const std::string& product,
                                UvcDriverModel* model, uint8_t interface) {
    const std::string name = "video" + std::to_string(nodes_++);
    const std::string devnode = "/dev/" + name;
    if (model) {
        // Attached before the node exists, so that opening it reaches the model.
        nodeIoctls_.push_back(std::make_unique<UvcNodeIoctl>(UvcNodeIoctl{model, interface, index != 0}));
        UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
        g_signal_connect(handler, "handle-ioctl", G_CALLBACK(HandleIoctl), nodeIoctls_.back().get());
        g_object_set_data(G_OBJECT(handler), kStreamOwners, &streams_);
        streams_.isOpen = StreamClientOpen;
        GError* error = nullptr;
        Check(umockdev_testbed_attach_ioctl(bed_, devnode.c_str(), handler, &error), error, "attach_ioctl");
        handlers_.push_back(handler);
    }
    const std::string record = "P: " + interfacePath + "/video4linux/" + name + "\n" +
                               "N: " + name + "\n" +
                               "E: SUBSYSTEM=video4linux\n" +
                               "E: DEVNAME=" + devnode + "\n" +
                               "A: index=" + std::to_string(index) + "\n" +
                               "A: name=" + product + "\n";
    GError* error = nullptr;
    Check(umockdev_testbed_add_from_string(bed_, record.c_str(), &error), error, "video node");
    return devnode;
}

std::string UvcTestbed::AddCamera(const UsbCamera& camera, UvcDriverModel* model) {
    const int n = ++cameras_;
    const std::string port = "1-" + std::to_string(n);
    const std::string usbPath = "/devices/pci0000:00/0000:00:14.0/usb1/" + port;
    const std::vector<uint8_t> descriptors =
        camera.descriptors.empty() ? BuildDescriptors(camera.ids) : camera.descriptors;
    if (model) model->Serve(descriptors, kActiveConfiguration);
    const std::string usb = "P: " + usbPath + "\n" +
                            "E: SUBSYSTEM=usb\n" +
                            "E: DEVTYPE=usb_device\n" +
                            "A: idVendor=" + Hex4(camera.ids.vendor) + "\n" +
                            "A: idProduct=" + Hex4(camera.ids.product) + "\n" +
                            "A: bcdDevice=" + Hex4(camera.ids.revision) + "\n" +
                            "A: product=" + camera.productName + "\n" +
                            (camera.serial.empty() ? std::string() : "A: serial=" + camera.serial + "\n") +
                            (camera.saysConfiguration
                                 ? "A: bConfigurationValue=" + std::to_string(kActiveConfiguration) + "\n"
                                 : std::string()) +
                            "A: power/control=" + camera.powerControl + "\n" +
                            "A: power/autosuspend_delay_ms=2000\n" +
                            (descriptors.empty() ? std::string() : "H: descriptors=" + Hex(descriptors) + "\n");
    GError* error = nullptr;
    Check(umockdev_testbed_add_from_string(bed_, usb.c_str(), &error), error, "USB device");
    std::string first;
    // One VideoControl interface per camera function: 0, 2, 4, ...
    for (size_t f = 0; f < Functions(camera.ids); ++f) {
        const uint8_t number = uint8_t(2 * f);
        const std::string interfacePath = usbPath + "/" + port + ":1." + std::to_string(number);
        const std::string record = "P: " + interfacePath + "\n" +
                                   "E: SUBSYSTEM=usb\n" +
                                   "E: DEVTYPE=usb_interface\n" +
                                   "A: bInterfaceNumber=" + Hex2(number) + "\n" +
                                   "A: bInterfaceClass=0e\n" +
                                   "A: bInterfaceSubClass=01\n";
        Check(umockdev_testbed_add_from_string(bed_, record.c_str(), &error), error, "USB interface");
        const std::string capture = AddNode(interfacePath, 0, camera.productName, model, number);
        if (camera.metadataNode) AddNode(interfacePath, 1, camera.productName, model, number);
        if (f == 0) first = capture;
    }
    return first;
}

void UvcTestbed::Forbid(const std::string& devnode) {
    gchar* root = umockdev_testbed_get_root_dir(bed_);
    const std::string file = std::string(root) + devnode;
    g_free(root);
    if (chmod(file.c_str(), 0) != 0) throw std::runtime_error("chmod " + file);
    OverridePermissions(false);
    forbade_ = true;
}

void UvcTestbed::AddDevice(const std::string& record) {
    GError* error = nullptr;
    Check(umockdev_testbed_add_from_string(bed_, record.c_str(), &error), error, "device");
}
