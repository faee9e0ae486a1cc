// The channel's requests as uvcvideo ioctls: the query on the wire, the
// length answer, and what each errno becomes, through the ioctl seam.
#include <gtest/gtest.h>

#include <errno.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>

#include <string>
#include <vector>

#include "link/uvc_errors.h"
#include "link/uvc_node_control.h"
#include "link/xu_channel.h"
#include "tests/support/rig_scope.h"

namespace {

struct Sent {
    int fd;
    unsigned long request;
    uvc_xu_control_query query;
    std::vector<uint8_t> data;  // what the query carried in
};

// The driver as the test scripts it: one errno per call (0 answers), and
// the bytes a read or length query gets.
struct Script {
    std::vector<Sent> sent;
    std::vector<int> errnos;
    std::vector<uint8_t> answer;
};
Script* gScript = nullptr;

int ScriptedIoctl(int fd, unsigned long request, void* arg) {
    auto* q = static_cast<uvc_xu_control_query*>(arg);
    gScript->sent.push_back({fd, request, *q, std::vector<uint8_t>(q->data, q->data + q->size)});
    const size_t n = gScript->sent.size() - 1;
    const int err = n < gScript->errnos.size() ? gScript->errnos[n] : 0;
    if (err) {
        errno = err;
        return -1;
    }
    for (size_t i = 0; i < q->size && i < gScript->answer.size(); ++i) q->data[i] = gScript->answer[i];
    return 0;
}

class UvcNodeControlTest : public ::testing::Test {
protected:
    UvcNodeControlTest() {
        gScript = &script;
        channel.AttachKsControl(new UvcNodeControl(-1, &log), 5);
        channel.mode = ChannelMode::UvcNode;
    }
    ~UvcNodeControlTest() override { gScript = nullptr; }

    Scoped<UvcIoctlFn, SetUvcIoctl> ioctl{ScriptedIoctl};
    Script script;
    std::string log;
    CXuChannel channel;
};

TEST_F(UvcNodeControlTest, EachOperationIsOneQueryOnTheUnitWithItsCodeAndSize) {
    script.answer = {0x40, 0x02, 0x33};
    const BYTE address[2] = {0xFF, 0x20};
    BYTE read[3] = {};
    ULONG size = 0;
    EXPECT_EQ(channel.put_Property(2, 2, address), S_OK);
    EXPECT_EQ(channel.get_Property(15, 3, read), S_OK);
    EXPECT_EQ(channel.get_PropertySize(10, &size), S_OK);
    EXPECT_EQ(size, 0x240u);  // the two answer bytes, little-endian
    EXPECT_EQ(read[2], 0x33);

    struct Expected {
        uint8_t selector, query;
        uint16_t size;
        std::vector<uint8_t> data;
    } expected[] = {
        {2, UVC_SET_CUR, 2, {0xFF, 0x20}},
        {15, UVC_GET_CUR, 3, {0, 0, 0}},
        {10, UVC_GET_LEN, 2, {0, 0}},
    };
    ASSERT_EQ(script.sent.size(), std::size(expected));
    for (size_t i = 0; i < script.sent.size(); ++i) {
        const Sent& s = script.sent[i];
        EXPECT_EQ(s.request, (unsigned long)UVCIOC_CTRL_QUERY);
        EXPECT_EQ(s.query.unit, 5);
        EXPECT_EQ(s.query.selector, expected[i].selector) << i;
        EXPECT_EQ(s.query.query, expected[i].query) << i;
        EXPECT_EQ(s.query.size, expected[i].size) << i;
        EXPECT_EQ(s.data, expected[i].data) << i;
    }
    EXPECT_EQ(log, "");
}

TEST_F(UvcNodeControlTest, EveryErrnoIsAFailureWithALineNamingIt) {
    struct Case {
        int err;
        const char* line;
    } cases[] = {
        {ENOENT, "UVC unit 5 selector 3 GET_CUR size 1: ENOENT (no such unit or control, or the camera failed "
                 "its first GET_LEN or GET_INFO)\r\n"},
        {ENOBUFS, "UVC unit 5 selector 3 GET_CUR size 1: ENOBUFS (size mismatch)\r\n"},
        {EPIPE, "UVC unit 5 selector 3 GET_CUR size 1: EPIPE (the device stalled)\r\n"},
        {ETIMEDOUT, "UVC unit 5 selector 3 GET_CUR size 1: ETIMEDOUT (the device did not answer in time)\r\n"},
        {ENODEV, "UVC unit 5 selector 3 GET_CUR size 1: ENODEV (unplugged)\r\n"},
        {ESHUTDOWN, "UVC unit 5 selector 3 GET_CUR size 1: ESHUTDOWN (unplugged)\r\n"},
        {EACCES, "UVC unit 5 selector 3 GET_CUR size 1: EACCES (the device refused it in its current state)\r\n"},
        {EBUSY, "UVC unit 5 selector 3 GET_CUR size 1: EBUSY (the device is busy)\r\n"},
        {EIO, "UVC unit 5 selector 3 GET_CUR size 1: EIO (input/output error)\r\n"},
        {EPROTO, "UVC unit 5 selector 3 GET_CUR size 1: EPROTO (USB protocol error, often the device going away)\r\n"},
        {EBADRQC, "UVC unit 5 selector 3 GET_CUR size 1: EBADRQC (the control does not take this request)\r\n"},
        {ENOTTY, "UVC unit 5 selector 3 GET_CUR size 1: ENOTTY (the node takes no extension-unit request)\r\n"},
        {EILSEQ, "UVC unit 5 selector 3 GET_CUR size 1: EILSEQ (the transfer arrived garbled)\r\n"},
        {EREMOTE, "UVC unit 5 selector 3 GET_CUR size 1: EREMOTE (the device refused it for power)\r\n"},
        {ERANGE, "UVC unit 5 selector 3 GET_CUR size 1: ERANGE (the device found the value out of range)\r\n"},
        {EMLINK, "UVC unit 5 selector 3 GET_CUR size 1: errno 31 (Too many links)\r\n"},
    };
    for (const Case& c : cases) {
        script = Script();
        script.errnos = {c.err};
        log.clear();
        BYTE value = 0;
        const HRESULT hr = channel.get_Property(3, 1, &value);
        EXPECT_TRUE(FAILED(hr)) << c.line;
        EXPECT_EQ(hr, UvcErrnoResult(c.err)) << c.line;
        EXPECT_EQ(log, c.line);
        EXPECT_EQ(script.sent.size(), 1u) << c.line;
    }
    // A failed length query is not the length answer: the size stays.
    script = Script();
    script.errnos = {EPIPE};
    ULONG size = 7;
    EXPECT_TRUE(FAILED(channel.get_PropertySize(10, &size)));
    EXPECT_EQ(size, 7u);
    EXPECT_NE(UvcErrnoResult(ENOENT), UvcErrnoResult(EPIPE));
    EXPECT_EQ(UvcErrnoResult(ENODEV), UvcErrnoResult(ESHUTDOWN));
    // From the ioctl EACCES is the camera's; from open, the node's permissions.
    EXPECT_NE(UvcErrnoResult(EACCES), HRESULT_FROM_WIN32(5L /* ERROR_ACCESS_DENIED */));
    EXPECT_EQ(UvcOpenErrnoText(EACCES), "EACCES (no permission on the node)");
}

TEST_F(UvcNodeControlTest, AnInterruptedQueryIsSentAgainWithinABound) {
    script.errnos = {EINTR, EINTR};
    const BYTE one = 1;
    EXPECT_EQ(channel.put_Property(9, 1, &one), S_OK);
    EXPECT_EQ(script.sent.size(), 3u);
    EXPECT_EQ(log, "");

    script = Script();
    script.errnos.assign(1000, EINTR);
    EXPECT_TRUE(FAILED(channel.put_Property(9, 1, &one)));
    EXPECT_GT(script.sent.size(), 1u);
    EXPECT_LT(script.sent.size(), 1000u);
    EXPECT_NE(log.find("EINTR"), std::string::npos);
}

TEST_F(UvcNodeControlTest, RequestsThatNoQueryCanCarryAreRefusedUnsent) {
    IKsControl* control = new UvcNodeControl(-1, &log);
    KSP_NODE node{};
    node.Property.Set = PROPSETID_CAMERA_XU;
    node.Property.Id = 3;
    node.Property.Flags = KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_TOPOLOGY;
    BYTE byte = 0;
    ULONG returned = 0;
    struct Case {
        const char* what;
        void (*change)(KSP_NODE&);
    } cases[] = {
        {"another property set", [](KSP_NODE& n) { n.Property.Set.Data1 ^= 1; }},
        {"a unit past 255", [](KSP_NODE& n) { n.NodeId = 256; }},
        {"a selector past 255", [](KSP_NODE& n) { n.Property.Id = 300; }},
        {"neither get nor set", [](KSP_NODE& n) { n.Property.Flags = KSPROPERTY_TYPE_TOPOLOGY; }},
        {"not a node request", [](KSP_NODE& n) { n.Property.Flags = KSPROPERTY_TYPE_GET; }},
    };
    for (const Case& c : cases) {
        KSP_NODE changed = node;
        c.change(changed);
        EXPECT_TRUE(FAILED(control->KsProperty(&changed.Property, sizeof changed, &byte, 1, &returned)))
            << c.what;
    }
    EXPECT_TRUE(FAILED(control->KsProperty(&node.Property, sizeof node, &byte, 0x10000, &returned)));
    EXPECT_TRUE(script.sent.empty());
    EXPECT_EQ(control->KsProperty(&node.Property, sizeof node, &byte, 1, &returned), S_OK);
    EXPECT_EQ(returned, 1u);
    EXPECT_EQ(control->Release(), 0u);
}

}  // namespace
