// The real korvane-update, run as a child process against a camera in the
// umockdev sandbox: the test holds the sandbox and the simulated camera
// behind it, the child finds the camera through udev and writes it through
// uvcvideo's ioctl under the same preload. What is judged is what the
// program adds to the update engine: exit codes, what reaches the camera,
// the texts, the lock, the power rule, interrupts, terminal and pipe output.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/usb/video.h>
#include <linux/videodev2.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "chip/flash_types.h"
#include "update/run_ends.h"
#include "firmware/firmware_image.h"
#include "firmware/flash_layout.h"
#include "simcam/sim_camera.h"
#include "tests/console/child_process.h"
#include "tests/support/firmware_bytes.h"
#include "tests/support/uvc_testbed.h"

namespace {

// An update takes a few seconds through the sandbox (2 s of it the check's
// settle wait); a run still going after this has hung.
constexpr int kRunLimitMs = 60000;
constexpr uint8_t kUnit = 4;
constexpr uint8_t kSelPacket = 10;
constexpr uint8_t kSelCommit = 12;
constexpr uint8_t kStaleCode = 0x04;    // stale for a type 4 part, whose code is 0x06
constexpr uint8_t kCurrentCode = 0x06;
constexpr useconds_t kSlowRequestUs = 3000;
constexpr int kBusStartMs = 10000;  // a private bus and the mock logind are up by then
constexpr int kBusPollMs = 100;
constexpr char kNoSystemBus[] = "unix:path=/nonexistent/korvane-test-system-bus";  // unless a case starts one

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The sandbox with one camera that needs the update: a type 4 flash holding
// image 135 with a stale code, found by its hardware ID; register 0x2045 at
// 0, so a good run writes image 135 patched for type 4.
struct Sandbox {
    explicit Sandbox(bool withCamera = true, uint8_t code = kStaleCode,
                     const std::function<void(UsbCamera&)>& describe = nullptr) {
        sim.SetFlashPart(simcam::FlashPart::Type4);
        sim.Flash() = ImageBytes(kImageV0309);
        sim.Flash()[kFlashTypeCodeOffset] = code;
        before = sim.Flash();
        UsbCamera usb;
        if (describe) describe(usb);
        if (withCamera) node = bed.AddCamera(usb, &model);
    }
    ~Sandbox() {
        if (streamer >= 0) close(streamer);
    }

    bool Updated() const { return sim.Flash() == PatchedImageBytes(kImageV0309, 4) && sim.Committed(); }
    bool Untouched() const { return sim.Flash() == before && !sim.Committed(); }
    // The image choice's register (0x20BA) was addressed.
    bool Chose() const {
        for (const auto& r : sim.Requests())
            if (r.selector == 2 && r.kind == simcam::Kind::Set && r.bytes == std::vector<uint8_t>{0xBA, 0x20}) return true;
        return false;
    }
    size_t Sets(uint8_t selector) const {
        size_t n = 0;
        for (const auto& q : model.Record()) n += q.selector == selector && q.query == UVC_SET_CUR;
        return n;
    }
    // A power supply in the sandbox's sysfs.
    void Supply(const std::string& name, const std::string& attributes) {
        bed.AddDevice("P: /devices/LNXSYSTM:00/LNXSYBUS:00/" + name + "/power_supply/" + name +
                      "\nE: SUBSYSTEM=power_supply\n" + attributes);
    }
    // Each request of the download takes longer (the packets some 3 s);
    // atPackets runs once, on the first request after the engine is enabled.
    void SlowDownload(std::function<void()> atPackets = nullptr) {
        sim.SetCallHook([this, atPackets] {
            if (!sim.EngineEnabled()) return;
            if (atPackets && !probed) atPackets();
            probed = true;
            usleep(kSlowRequestUs);
        });
    }
    bool Stream() {  // takes the capture queue and streams, as a capture program does
        if (streamer < 0) streamer = open(node.c_str(), O_RDWR | O_CLOEXEC);
        v4l2_requestbuffers buffers = {};
        buffers.count = 1;
        buffers.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffers.memory = V4L2_MEMORY_MMAP;
        return ioctl(streamer, VIDIOC_REQBUFS, &buffers) == 0 && ioctl(streamer, VIDIOC_STREAMON, &buffers.type) == 0;
    }
    void OnBattery() {
        Supply("AC", "A: type=Mains\nA: online=0\n");
        Supply("BAT0", "A: type=Battery\nA: scope=System\nA: status=Discharging\n");
    }
    // A second camera of ours, its firmware current.
    void SecondCamera() {
        sim2.SetFlashPart(simcam::FlashPart::Type4);
        sim2.Flash() = ImageBytes(kImageV0309);
        sim2.Flash()[kFlashTypeCodeOffset] = kCurrentCode;
        bed.AddCamera(UsbCamera(), &model2);
    }

    simcam::SimCamera sim, sim2;
    UvcDriverModel model{sim, kUnit}, model2{sim2, kUnit};
    UvcTestbed bed;  // goes first: its handlers answer through the model
    std::string node;
    std::vector<uint8_t> before;
    int streamer = -1;
    bool probed = false;  // on umockdev's thread only
};

// logind on a private system bus: python3-dbusmock's template lists an
// inhibitor while the descriptor it handed out is open. Children started
// meanwhile find it through DBUS_SYSTEM_BUS_ADDRESS.
struct MockLogind {
    MockLogind() {
        if (bus.WaitFor("\n", kBusStartMs)) setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.out.substr(0, bus.out.find('\n')).c_str(), 1);
        logind = std::make_unique<Child>(ChildSpec{{"/usr/bin/python3", "-m", "dbusmock", "--template", "logind"}});
        for (int ms = 0; ms < kBusStartMs && !Has(Inhibitors(), "array"); ms += kBusPollMs) usleep(kBusPollMs * 1000);
    }
    ~MockLogind() { setenv("DBUS_SYSTEM_BUS_ADDRESS", kNoSystemBus, 1); }
    // ListInhibitors' answer as dbus-send prints it; "" when none came.
    static std::string Inhibitors() {
        FILE* reply = popen("dbus-send --system --print-reply --dest=org.freedesktop.login1 "
                            "/org/freedesktop/login1 org.freedesktop.login1.Manager.ListInhibitors 2>/dev/null", "r");
        std::string text;
        char buffer[512];
        for (size_t got; reply && (got = fread(buffer, 1, sizeof buffer, reply)) > 0;) text.append(buffer, got);
        if (reply) pclose(reply);
        return text;
    }
    static bool Ours(const std::string& list) {
        return Has(list, "\"sleep:shutdown:handle-lid-switch:handle-suspend-key\"") &&
               Has(list, "\"korvane-update\"") && Has(list, "\"block\"");
    }
    Child bus{ChildSpec{{"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"}}};
    std::unique_ptr<Child> logind;
};

// A state folder of its own for each run, so that no update's record meets
// another's (nor, run as root, lands in /var/lib/korvane-update); the
// children find it through STATE_DIRECTORY. history: the lines the history
// file holds beforehand.
struct StateFolder {
    explicit StateFolder(const std::vector<nlohmann::json>& history = {}) {
        const char* outer = getenv("STATE_DIRECTORY");
        if (outer) previous = outer;
        char made[] = "/tmp/korvane-state.XXXXXX";
        if (mkdtemp(made)) folder = made;
        setenv("STATE_DIRECTORY", folder.c_str(), 1);
        std::ofstream out(folder + "/history.jsonl");
        for (const nlohmann::json& line : history) out << (line.is_string() ? line.get<std::string>() : line.dump()) << "\n";
    }
    ~StateFolder() {
        if (!folder.empty()) std::filesystem::remove_all(folder);
        if (previous.empty()) unsetenv("STATE_DIRECTORY"); else setenv("STATE_DIRECTORY", previous.c_str(), 1);
    }
    std::string folder, previous;
};

ChildSpec Program(std::vector<std::string> args, bool terminal = false) {
    ChildSpec spec;
    spec.args = {KORVANE_UPDATE_PROGRAM};
    spec.args.insert(spec.args.end(), args.begin(), args.end());
    spec.terminal = terminal;
    return spec;
}


class KorvaneUpdate : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(UvcTestbed::Available()) << "run under umockdev-wrapper";
        setenv("DBUS_SYSTEM_BUS_ADDRESS", kNoSystemBus, 1);
        ASSERT_FALSE(state.folder.empty());
    }
    StateFolder state;
};

// How a row's camera is arranged (its "camera" in the table): before the
// run, or its descriptors and strings as it is added.
struct Arrangement {
    std::function<void(Sandbox&)> arrange;
    std::function<void(UsbCamera&)> describe;
};

// The widest redraw: a stretch from a carriage return to the next one or
// to a line's end, escape sequences aside.
// The widest redraw (what follows a carriage return), or with everyLine
// the widest of every line and redraw.
size_t WidestRedraw(std::string text, bool everyLine = false) {
    for (size_t at; (at = text.find("\x1b[K")) != std::string::npos;) text.erase(at, 3);
    size_t widest = 0, from = 0;
    bool counted = everyLine;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
        if (counted) widest = std::max(widest, i - from);
        counted = everyLine || (i < text.size() && text[i] == '\r');
        from = i + 1;
    }
    return widest;
}

// The text's words, each run of spaces and line ends one space: what it
// says, however it was wrapped.
std::string Words(const std::string& text) {
    std::string words;
    for (char c : text) {
        const bool space = c == ' ' || c == '\n' || c == '\r';
        if (!space || (!words.empty() && words.back() != ' ')) words += space ? ' ' : c;
    }
    return words;
}

// The text without the JSON document a terminal run printed in it.
std::string WithoutDocument(const std::string& text) {
    const size_t at = text.find("{\r\n  \"program\"") != std::string::npos ? text.find("{\r\n  \"program\"")
                                                                           : text.find("{\n  \"program\"");
    return text.substr(0, at);
}

// The width korvane-update wraps to on a pipe.
constexpr size_t kPipeWidth = 80;

// The query index from which the camera is unplugged: well inside the
// packets (a whole update is some 1240 queries, its first packet near 190).
constexpr size_t kUnplugAt = 700;

// Holds the lock a running korvane-update holds.
struct OtherInstance {
    OtherInstance() {
        fd = open("/run/lock/korvane-update.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        locked = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
    }
    ~OtherInstance() {
        if (fd >= 0) close(fd);
    }
    int fd = -1;
    bool locked = false;
};

const std::map<std::string, Arrangement> kArrangements = {
    {"", {}},
    {"none", {}},
    {"current", {[](Sandbox& s) { s.sim.Flash()[kFlashTypeCodeOffset] = kCurrentCode; s.before = s.sim.Flash(); }, {}}},
    {"checksum-error", {[](Sandbox& s) { s.sim.SetChecksumError(0x01); }, {}}},
    {"unplugged", {[](Sandbox& s) { s.model.UnplugFrom(kUnplugAt); }, {}}},
    {"battery", {[](Sandbox& s) { s.OnBattery(); }, {}}},
    {"battery-current", {[](Sandbox& s) { s.OnBattery(); s.sim.Flash()[kFlashTypeCodeOffset] = kCurrentCode; s.before = s.sim.Flash(); }, {}}},
    {"empty-usb-c-port",
     {[](Sandbox& s) { s.Supply("ucsi-source-psy-USBC000:001", "A: type=USB\nA: online=0\n"); }, {}}},
    {"battery-alone", {[](Sandbox& s) { s.Supply("BAT0", "A: type=Battery\n"); }, {}}},
    {"busy", {[](Sandbox& s) { s.sim.StickBusyFromCall(0); }, {}}},
    {"escapes-in-product", {{}, [](UsbCamera& u) { u.productName = "Tarvex\x1b[2J\x1b]0;owned\x07 USB Camera"; }}},
    {"forbidden", {[](Sandbox& s) { s.bed.Forbid(s.node); }, {}}},
    {"streaming", {[](Sandbox& s) { EXPECT_TRUE(s.Stream()); }, {}}},
    {"no-selector-10", {{}, [](UsbCamera& u) { u.ids.units[0].controls = {0xDE, 0xED}; }}},
    {"info-stalls", {[](Sandbox& s) { s.sim.StallInfo(2); }, {}}},
    {"length-changed", {[](Sandbox& s) {  // another run fixed the packet length at 64; now the camera says 32
         uint8_t length[2];
         int err;
         s.model.Query(kUnit, kSelPacket, UVC_GET_LEN, 2, length, &err);
         s.sim.SetPacketLength(32);
     }, {}}},
    {"two-cameras", {[](Sandbox& s) { s.SecondCamera(); }, {}}},
    // Another maker's camera of the family first (blank flash, no sensor of
    // ours, its own USB IDs), ours beside it.
    {"another-makers-first", {[](Sandbox& s) {
         s.sim.SetSensorFitted(false);
         s.sim.Flash().assign(s.sim.Flash().size(), 0xFF);
         s.before = s.sim.Flash();
         s.SecondCamera();
     }, [](UsbCamera& u) { u.ids.vendor = 0x1D6B; u.ids.product = 0x0C01; u.productName = "Other Webcam"; }}},
    {"no-configuration-value", {{}, [](UsbCamera& u) { u.saysConfiguration = false; }}},
};

size_t LinesStarting(const std::string& text, const std::string& prefix) {
    std::istringstream lines(text);
    size_t n = 0;
    for (std::string line; std::getline(lines, line);) n += line.rfind(prefix, 0) == 0;
    return n;
}

// Each row of tests/console/cases.json: the cases both systems run (Windows'
// under Wine: scripts/e2e-console) and the Linux ones ("only": "linux").
//   name; only: the one system it holds on; camera: a word of kArrangements
//   (absent: one camera that needs the update); args; answer: written to
//   standard input; exit; out, err: texts standard output and error hold;
//   lines: {prefix: how many lines of standard output start so}; json:
//   {JSON pointer: value} of the document on standard output; flash:
//   "updated" (written, one commit), "untouched" (the default: no packet, no
//   commit, no image choice), "not-committed", "cut-short" (some packets, no commit); reaches:
//   false when no request may reach the camera; columns: run on a terminal
//   this wide (else on pipes, 80 wide); fits: the widths, 50 and 80 unless
//   it says others, at which the row runs again, every line for people
//   within them (out and err lines are checked at the row's own width only);
//   history: the lines of the history file beforehand, records as
//   objects, a damaged line as a string; log: texts the record holds that
//   the run adds with --log; linux, windows: fields that replace these on that system.
TEST_F(KorvaneUpdate, ExitCodesAndWhatReachesTheCamera) {
    const std::set<std::string> columns = {"name", "only",  "camera", "args", "answer", "exit", "out", "err",
                                           "lines", "json", "flash", "reaches", "columns", "fits", "history", "log", "linux", "windows"};
    std::ifstream in(KORVANE_SOURCE_DIR "/tests/console/cases.json");
    const auto rows = nlohmann::json::parse(in, nullptr, false);
    ASSERT_TRUE(rows.is_array() && !rows.empty()) << "cannot read cases.json";
    std::ifstream referenceFile(KORVANE_SOURCE_DIR "/docs/json.md");
    const std::string reference{std::istreambuf_iterator<char>(referenceFile), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(reference.empty()) << "cannot read docs/json.md";
    for (nlohmann::json row : rows) {
        SCOPED_TRACE(row.value("name", ""));
        for (const auto& field : row.items()) EXPECT_TRUE(columns.count(field.key())) << field.key();
        EXPECT_TRUE(!row.contains("only") || row["only"] == "linux" || row["only"] == "windows") << row.dump();
        if (row.value("only", "linux") != "linux") continue;
        row.merge_patch(row.value("linux", nlohmann::json::object()));
        // The row in full at its own width (a terminal's, or a pipe's 80),
        // and at each other width of `fits` for its exit and layout alone.
        const int own = row.value("columns", int(kPipeWidth));
        std::set<int> widths = {own};
        for (const int fits : row.value("fits", std::vector<int>{50, 80})) widths.insert(fits);
        for (const int width : widths) {
        SCOPED_TRACE(width);
        const bool full = width == own, terminal = row.contains("columns");
        const std::string camera = row.value("camera", ""), flash = row.value("flash", "untouched");
        const auto arrangement = kArrangements.find(camera);
        ASSERT_NE(arrangement, kArrangements.end());
        const StateFolder state(row.value("history", std::vector<nlohmann::json>()));
        Sandbox sandbox(camera != "none", kStaleCode, arrangement->second.describe);
        if (arrangement->second.arrange) arrangement->second.arrange(sandbox);
        const std::string logFile = state.folder + "/run.log";
        auto args = row.value("args", std::vector<std::string>());
        if (row.contains("log")) args.insert(args.end(), {"--log", logFile});
        ChildSpec spec = Program(args, terminal);
        spec.noRoot = camera == "forbidden";
        if (terminal)
            spec.args.insert(spec.args.begin(), {"/bin/sh", "-c",
                             "stty cols " + std::to_string(width) + " && exec \"$0\" \"$@\""});
        else if (width == int(kPipeWidth))
            spec.args.insert(spec.args.begin(), {"/usr/bin/env", "-u", "COLUMNS"});  // a pipe's own width
        else
            spec.args.insert(spec.args.begin(), {"/usr/bin/env", "COLUMNS=" + std::to_string(width)});
        Child child(spec);
        ASSERT_TRUE(child.Started());
        // At a terminal a person answers once asked.
        if (terminal && row.contains("answer")) child.WaitFor("[y/N]", kRunLimitMs);
        if (row.contains("answer")) child.Type(row["answer"].get<std::string>());
        const int code = child.Wait(kRunLimitMs);
        EXPECT_EQ(code, row["exit"].get<int>()) << child.out << child.err;
        const std::vector<std::string> outs = row.value("out", std::vector<std::string>()),
                                       errs = row.value("err", std::vector<std::string>()), noTexts;
        for (const std::string& text : full ? outs : noTexts) EXPECT_TRUE(Has(child.out, text)) << child.out;
        for (const std::string& text : full ? errs : noTexts) EXPECT_TRUE(Has(child.err, text)) << child.err;
        std::ifstream logIn(logFile);
        const std::string log((std::istreambuf_iterator<char>(logIn)), std::istreambuf_iterator<char>());
        for (const std::string& text : row.value("log", std::vector<std::string>())) EXPECT_TRUE(Has(log, text)) << log;
        const auto none = nlohmann::json::object(), lines = row.value("lines", none), fields = row.value("json", none);
        for (const auto& line : full ? lines.items() : none.items())
            EXPECT_EQ(LinesStarting(child.out, line.key()), line.value().get<size_t>()) << line.key();
        const auto doc = nlohmann::json::parse(child.out, nullptr, false);
        // Every field a document prints, at any depth, is named in its reference.
        const std::function<void(const nlohmann::json&)> referenced = [&](const nlohmann::json& value) {
            if (value.is_object()) {
                for (const auto& field : value.items())
                    EXPECT_TRUE(Has(reference, "`" + field.key() + "`")) << field.key() << " is not in docs/json.md";
            }
            if (value.is_structured())
                for (const auto& item : value) referenced(item);
        };
        if (doc.is_object()) referenced(doc);
        for (const auto& field : fields.items()) {
            const nlohmann::json::json_pointer at(field.key());
            EXPECT_TRUE(!doc.is_discarded() && doc.contains(at) && doc[at] == field.value())
                << field.key() << " in\n" << child.out;
        }
        // None but the bar's own clear to the line's end; on pipes nothing redrawn.
        std::string all = child.out + child.err;
        for (size_t at; (at = all.find("\x1b[K")) != std::string::npos;) all.erase(at, 3);
        EXPECT_FALSE(Has(all, "\x1b")) << "an escape sequence reached the terminal";
        EXPECT_TRUE(terminal || !Has(child.out, "\r")) << child.out;
        // Every line for people within the width; the JSON document is for programs.
        const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
        EXPECT_LE(WidestRedraw(json ? WithoutDocument(child.out) : child.out, true), size_t(width)) << child.out;
        EXPECT_LE(WidestRedraw(child.err, true), size_t(width)) << child.err;
        EXPECT_TRUE(std::set<std::string>({"updated", "untouched", "not-committed", "cut-short"}).count(flash))
            << flash;
        EXPECT_EQ(sandbox.Updated(), flash == "updated");
        EXPECT_EQ(sandbox.Sets(kSelCommit), flash == "updated" ? 1u : 0u);
        const size_t packets = sandbox.Sets(kSelPacket);
        if (flash == "untouched") {
            EXPECT_TRUE(sandbox.Untouched());
            EXPECT_FALSE(sandbox.Chose()) << "the image is chosen only on the road that writes";
            EXPECT_EQ(packets, 0u);
        } else if (flash == "cut-short") {
            EXPECT_TRUE(packets > 0 && packets < 65536u / 64) << packets;
        }
        EXPECT_EQ(sandbox.model.Queries() > 0, row.value("reaches", true)) << sandbox.model.Queries();
        }
    }
}

TEST_F(KorvaneUpdate, TheCheckSendsNoPacketOrCommit) {
    Sandbox sandbox;
    Child child(Program({"--check"}));
    EXPECT_EQ(child.Wait(kRunLimitMs), 0);
    EXPECT_GT(sandbox.model.Queries(), 0u);
    EXPECT_EQ(sandbox.Sets(kSelPacket), 0u);
    EXPECT_EQ(sandbox.Sets(kSelCommit), 0u);
}

TEST_F(KorvaneUpdate, AFailureShowsTheTransferLogsLastLinesWhereItBroke) {
    Sandbox sandbox;
    sandbox.model.UnplugFrom(kUnplugAt);
    Child child(Program({"--yes"}));
    EXPECT_EQ(child.Wait(kRunLimitMs), 1);
    // Unplugged inside the packets, not before them.
    const size_t packets = sandbox.Sets(kSelPacket);
    EXPECT_GT(packets, 0u);
    EXPECT_LT(packets, 65536u / 64);
    const size_t at = child.err.find("Transfer log, last lines:");
    ASSERT_NE(at, std::string::npos) << child.err;
    const std::string tail = child.err.substr(at);
    EXPECT_TRUE(Has(tail, "ENODEV")) << child.err;
    EXPECT_FALSE(Has(child.out, "Updated")) << child.out;
}

TEST_F(KorvaneUpdate, ASecondInstanceIsRefused) {
    {
        // A second instance locking in another folder (a user's beside root's
        // /run/lock): the camera's node keeps it off while the first writes.
        Sandbox sandbox;
        sandbox.SlowDownload();
        Child first(Program({"--yes"}));
        ASSERT_TRUE(first.WaitFor("progress:  10%", kRunLimitMs)) << first.out << first.err;
        ChildSpec elsewhere{{"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/sh", "-c",
                             "mount -t tmpfs tmpfs /run/lock && exec \"$@\"", "-", KORVANE_UPDATE_PROGRAM, "--yes"}};
        Child second(elsewhere);
        EXPECT_EQ(second.Wait(kRunLimitMs), 4) << second.out << second.err;
        EXPECT_TRUE(Has(second.err, "running on this camera (" + sandbox.node)) << second.out << second.err;
        // One beside it, at the same lock: told who holds it, and that it writes.
        Child beside(Program({"--check"}));
        EXPECT_EQ(beside.Wait(kRunLimitMs), 4) << beside.out << beside.err;
        EXPECT_TRUE(Has(beside.err, "running: korvane-update (process ")) << beside.err;
        EXPECT_TRUE(Has(Words(beside.err), ") is writing a camera's firmware; nothing was done.")) << beside.err;
        EXPECT_FALSE(Has(first.out, "100%")) << "the second run came too late to prove anything";
        EXPECT_EQ(first.Wait(kRunLimitMs), 0) << first.out << first.err;
        EXPECT_TRUE(sandbox.Updated());
    }
    {
        // The first waits at its question.
        Sandbox sandbox;
        Child first(Program({}, true));
        ASSERT_TRUE(first.WaitFor("[y/N]", kRunLimitMs)) << first.out;
        Child second(Program({"--check"}));
        EXPECT_EQ(second.Wait(kRunLimitMs), 4) << second.out << second.err;
        EXPECT_TRUE(Has(Words(second.err), ") is waiting for an answer at its question; nothing was done.")) << second.err;
        first.Type("n\n");
        EXPECT_EQ(first.Wait(kRunLimitMs), 2) << first.out;
    }
    Sandbox sandbox;
    OtherInstance other;
    ASSERT_TRUE(other.locked) << "another korvane-update runs on this machine";
    Child child(Program({"--yes"}));
    EXPECT_EQ(child.Wait(kRunLimitMs), 4);
    // A holder that wrote no record of itself: the lock named alone.
    EXPECT_TRUE(Has(Words(child.err), "Another camera update is running (/run/lock/korvane-update.lock is held); "
                               "nothing was done.")) << child.err;
    EXPECT_EQ(sandbox.model.Queries(), 0u);
}

// Each signal once a fifth of the packets has gone, by kill or by the
// reader of the output going away, on a pipe and on a terminal: held off
// (with a line where it can still be read), and the verdict reaches the
// camera, the exit code and the log file.
TEST_F(KorvaneUpdate, InterruptsDuringTheDownloadAreHeldOff) {
    struct Row { const char* name; int sig; bool terminal; };  // sig 0: the reader goes away
    const std::vector<Row> rows = {
        {"SIGINT", SIGINT, false},   {"SIGTERM", SIGTERM, false}, {"SIGHUP", SIGHUP, false},
        {"SIGQUIT", SIGQUIT, false}, {"SIGTSTP", SIGTSTP, true},  {"SIGTTIN", SIGTTIN, true},
        {"SIGTTOU", SIGTTOU, true},  {"the terminal hangs up", 0, true}, {"the pipe's reader goes", 0, false},
    };
    MockLogind logind;
    ASSERT_TRUE(Has(MockLogind::Inhibitors(), "array")) << "no mock logind: " << logind.bus.out << logind.bus.err;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        std::string atPackets;
        sandbox.SlowDownload([&atPackets] { atPackets = MockLogind::Inhibitors(); });
        const std::string logFile = "/tmp/korvane-update-held-off-" + std::to_string(getpid()) + ".log";
        Child child(Program({"--yes", "--log", logFile}, row.terminal));
        // 20 to 29 % on the bar; the step line itself on a pipe.
        ASSERT_TRUE(child.WaitFor(row.terminal ? "]  2" : "progress:  20%", kRunLimitMs))
            << child.out << child.err;
        EXPECT_FALSE(Has(child.out, "100%")) << "the signal came too late to prove anything";
        EXPECT_FALSE(sandbox.Stream()) << "no program may start to stream while the camera is written";
        if (row.sig) {
            child.Signal(row.sig);
            ASSERT_TRUE(child.WaitFor("not stopping now", kRunLimitMs)) << child.out << child.err;
            child.Signal(row.sig);
        } else {
            child.CloseOutput();
        }
        EXPECT_EQ(child.Wait(kRunLimitMs), 0) << child.out << child.err;
        EXPECT_TRUE(sandbox.Updated());
        EXPECT_TRUE(sandbox.Stream()) << "the stream is let go at the verdict";
        EXPECT_TRUE(MockLogind::Ours(atPackets)) << "sleep not held off before the packets: " << atPackets;
        EXPECT_FALSE(MockLogind::Ours(MockLogind::Inhibitors())) << "sleep still held off after the verdict";
        std::ifstream in(logFile);
        const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        unlink(logFile.c_str());
        EXPECT_TRUE(Has(log, "Updated: the firmware was written, verified and committed.")) << log;
    }
}

// Not a terminal: one plain line per 10 %, nothing redrawn. The transfer
// log goes to the file named and, with --verbose, to standard error.
TEST_F(KorvaneUpdate, APipeGetsPlainProgressLines) {
    Sandbox sandbox;
    char logFile[] = "/tmp/korvane-update-log.XXXXXX";
    const int fd = mkstemp(logFile);
    ASSERT_GE(fd, 0);
    // An earlier run's record stays: the log is appended to.
    ASSERT_EQ(write(fd, "earlier run\n", 12), 12);
    close(fd);
    Child child(Program({"--yes", "--verbose", "--log", logFile}));
    ASSERT_EQ(child.Wait(kRunLimitMs), 0) << child.err;
    std::ifstream in(logFile);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unlink(logFile);
    EXPECT_TRUE(Has(log, "Start Download to Tarvex Camera (UVC), Downloading...\n")) << log;
    EXPECT_EQ(log.rfind("earlier run\n=== 20", 0), 0u) << log;
    EXPECT_TRUE(Has(log, "  camera: Tarvex USB Camera  device: " + sandbox.node + "\n"))
        << log;
    const std::string verdict = "\n=== verdict: updated, exit code 0: Updated: the firmware was written, "
                                "verified and committed.\n";
    EXPECT_EQ(log.substr(log.size() - std::min(log.size(), verdict.size())), verdict) << log;
    EXPECT_TRUE(Has(child.err, "Start Download to Tarvex Camera (UVC)")) << child.err;
    EXPECT_EQ(child.out.find('\r'), std::string::npos);
    size_t at = 0;
    for (int p = 10; p <= 100; p += 10) {
        char line[48];
        std::snprintf(line, sizeof line, "progress: %3d%%  ", p);
        const size_t found = child.out.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\n" << child.out;
        EXPECT_EQ(child.out.find(line, found + 1), std::string::npos) << line << " twice";
        // The bytes the engine had taken when the step was reached: within
        // one 64-byte packet past it.
        const unsigned bytes = unsigned(std::strtoul(child.out.c_str() + found + std::strlen(line), nullptr, 10));
        EXPECT_GE(bytes, 65536u * unsigned(p) / 100) << line;
        EXPECT_LT(bytes, 65536u * unsigned(p) / 100 + 64) << line;
        at = found;
    }
    EXPECT_TRUE(Has(child.out, "65536 of 65536 bytes"));
}

// At a terminal: the camera described, a question, the bar redrawn in
// place, the verdict. Interrupted at the question: nothing is written; nor
// when another camera took the checked one's place while it was asked.
TEST_F(KorvaneUpdate, AtATerminalItAsksAndDrawsTheBarInPlace) {
    {
        Sandbox sandbox;
        Child child(Program({}, true));
        ASSERT_TRUE(child.WaitFor("[y/N]", kRunLimitMs)) << child.out;
        EXPECT_TRUE(Has(child.out, "Device:        " + sandbox.node));
        EXPECT_TRUE(Has(child.out, "Stored code:   0x04"));
        EXPECT_TRUE(Has(child.out, "Update:        due; the camera's board chooses V0308 or V0309"));
        child.Type("y\n");
        EXPECT_EQ(child.Wait(kRunLimitMs), 0) << child.out;
        EXPECT_TRUE(Has(child.out, "\r[##############################] 100%")) << child.out;
        EXPECT_TRUE(Has(child.out, "Updated:"));
        EXPECT_TRUE(sandbox.Updated());
    }
    const struct {
        const char* answer;  // "^C": an interrupt instead
        std::function<void(Sandbox&)> meanwhile;
        int exitCode;
        const char* says;
    } cases[] = {
        {"n\n", nullptr, 2, "the flash was not touched"},
        {"^C", nullptr, 130, "the flash was not touched"},
        {"y\n", [](Sandbox& s) { s.sim.SetFlashPart(simcam::FlashPart::Type2a); }, 1,
         "Camera changed since the check: flash type 2, was 4."},
        {"y\n", [](Sandbox& s) { s.sim.SetChipId(0x66); }, 1, "Camera changed since the check: chip ID 66, was 65."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        Sandbox sandbox;
        Child child(Program({}, true));
        ASSERT_TRUE(child.WaitFor("[y/N]", kRunLimitMs)) << child.out;
        if (c.meanwhile) c.meanwhile(sandbox);
        if (c.answer[0] == '^') child.Signal(SIGINT); else child.Type(c.answer);
        EXPECT_EQ(child.Wait(kRunLimitMs), c.exitCode) << child.out;
        EXPECT_TRUE(Has(Words(child.out), c.says)) << child.out;
        EXPECT_TRUE(sandbox.Untouched());
        EXPECT_EQ(sandbox.Sets(kSelPacket), 0u);
    }
}

// The README's table and the manual page say what the program's own table,
// which --help prints, says.
TEST(ExitCodes, TheReadmeAndTheManualPageSayWhatTheProgramSays) {
    const auto text = [](const char* path) {
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    std::string readme = text(KORVANE_SOURCE_DIR "/README.md");
    std::string manual = text(KORVANE_SOURCE_DIR "/console/korvane-update.1");
    readme.erase(std::remove(readme.begin(), readme.end(), '`'), readme.end());
    for (size_t at; (at = manual.find("\\-")) != std::string::npos;) manual.erase(at, 1);
    ASSERT_FALSE(readme.empty() || manual.empty());
    for (const OutcomeRow& row : kOutcomes) {
        if (!row.meaning) continue;
        const std::string code = std::to_string(int(row.code));
        // Each code's results, as the outcome table names them.
        std::string results;
        for (const OutcomeRow& outcome : kOutcomes)
            if (outcome.code == row.code && !Has(results, outcome.result))
                results += (results.empty() ? "" : ", ") + std::string(outcome.result);
        EXPECT_FALSE(results.empty()) << code << " ends no outcome";
        EXPECT_TRUE(Has(readme, "| " + code + " | " + results + " | " + row.meaning + " |")) << code;
        EXPECT_TRUE(Has(manual, ".B " + code + "\n" + row.meaning + "\n")) << code;
    }
}

}  // namespace
