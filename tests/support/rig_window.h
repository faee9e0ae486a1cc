// The update window's course against the simulated camera: one capture device that
// offers the camera's driver interface, an imaging device list for the
// hardware-ID scan, a window that records what it is asked to do, virtual
// time, and a worker that runs when the test says. The camera is found
// through a camera source that lists the simulated camera. And the course
// run as the program runs it, to its verdict.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/update_window.h"
#include "firmware/firmware_image.h"
#include "link/xu_channel.h"
#include "simcam/sim_camera.h"
#include "platform/worker_thread.h"
#include "tests/support/firmware_bytes.h"
#include "tests/support/rig_source.h"
#include "tests/support/temp_folder.h"
#include "tests/support/virtual_clock.h"

// What the window was asked to do.
class TestWindow : public CUpdateWindow {
public:
    // The program's image, unless the test replaces it.
    TestWindow() {
        engine.history = UpdateHistory(state.Name());
        engine.loadImage = [this](int id, std::unique_ptr<uint8_t[]>* image, int32_t* size) {
            imageAsked = id;
            if (imageMissing) return false;
            if (imageOverride.empty()) return LoadFirmwareImage(id, image, size) == FirmwareStatus::Ok;
            image->reset(new uint8_t[imageOverride.size()]);
            std::memcpy(image->get(), imageOverride.data(), imageOverride.size());
            *size = int32_t(imageOverride.size());
            return true;
        };
    }
    TempFolder state;  // where this window's engine keeps its records
    std::vector<std::string> shown;  // statusText at each ShowStatus
    std::vector<std::string> questions;
    int answer = IDYES;
    UINT askedStyle = 0;
    std::string askedCaption;
    std::vector<std::pair<UINT_PTR, UINT>> started;
    std::vector<UINT_PTR> stopped;
    bool closeEnabled = true;
    bool downloadEnabled = false;
    int progress = 0;
    int redraws = 0;
    int scrolls = 0;
    // Replaces the program's image when set: (id asked, bytes given).
    bool imageMissing = false;
    std::vector<uint8_t> imageOverride;
    int imageAsked = 0;

    bool TimerRunning(UINT_PTR id) const {
        int n = 0;
        for (auto& s : started) n += s.first == id;
        for (auto s : stopped) n -= s == id;
        return n > 0;
    }

protected:
    void ShowStatus() override { shown.push_back(statusText); }
    int AskUser(const char* text, const char* caption, UINT style) override {
        questions.push_back(text);
        askedCaption = caption;
        askedStyle = style;
        return answer;
    }
    void StartTimer(UINT_PTR id, UINT periodMs) override { started.push_back({id, periodMs}); }
    void StopTimer(UINT_PTR id) override { stopped.push_back(id); }
    void EnableCloseButton(bool enable) override { closeEnabled = enable; }
    void EnableDownloadButton(bool enable) override { downloadEnabled = enable; }
    int ProgressPosition() override { return progress; }
    // The bar keeps its position within its 0..100 range.
    void SetProgressPosition(int position) override {
        progress = position < 0 ? 0 : position > 100 ? 100 : position;
    }
    void RedrawNow() override { ++redraws; }
    void ScrollLogToEnd() override { ++scrolls; }
};

// A front end of the run that records what the run calls on it, with the
// window's seams: a state folder, an image override, the power state.
class TestView : public RunView {
public:
    explicit TestView(RunPolicy policy) : run(*this, std::move(policy)) {
        run.engine.history = UpdateHistory(state.Name());
        run.engine.loadImage = [this](int id, std::unique_ptr<uint8_t[]>* image, int32_t* size) {
            if (imageOverride.empty()) return LoadFirmwareImage(id, image, size) == FirmwareStatus::Ok;
            image->reset(new uint8_t[imageOverride.size()]);
            std::memcpy(image->get(), imageOverride.data(), imageOverride.size());
            *size = int32_t(imageOverride.size());
            return true;
        };
        run.readPower = [this] { return power; };
    }
    TempFolder state;
    PowerState power{true, 1};
    std::vector<uint8_t> imageOverride;
    Answer answers[2] = {Answer::Yes, Answer::Yes};  // by Question
    std::function<void()> described;  // as the check's Describe comes
    std::function<void()> writing, progressed;  // as Writing, and each OnProgress, come
    std::string calls;                // what the run called, in order
    std::string logLines;             // the transfer log's lines as the download handed them over
    RunVerdict verdict;
    CUpdateRun run;  // last: it calls this view

private:
    void Checking() override { calls += "checking "; }
    void Describe(const CheckReport&) override {
        calls += "describe ";
        if (described) described();
    }
    void PowerOverridden() override { calls += "on-battery "; }
    Answer Ask(Question question, const CheckReport&) override {
        calls += question == Question::Write ? "ask-write " : "ask-image ";
        return answers[int(question)];
    }
    void Writing(const CheckReport&) override {
        calls += "writing ";
        if (writing) writing();
    }
    void OnProgress(uint32_t, uint32_t) override {
        if (progressed) progressed();
    }
    void OnVerdict(int32_t) override { calls += "ended "; }
    void OnLogLines(const std::string& lines) override { logLines += lines; }
    void ShowVerdict(const RunVerdict& v, const CheckReport&) override {
        calls += "verdict";
        verdict = v;
    }
};

// The course up to the check, then the check itself.
inline void StartAndCheck(CUpdateWindow& w) {
    w.StartUp(true, 1);
    w.RunUpdateCheck();
}

// Ticks the progress timer until the run finishes, at most limit times: the
// tick it finished on, or -1.
inline int TickUntilFinished(CUpdateWindow& w, int limit) {
    for (int tick = 1; tick <= limit; ++tick) {
        w.ProgressTick();
        if (!w.busy) return tick;
    }
    return -1;
}

struct Verdict {
    int ticks = -1;  // 0: the check alone ended the run; -1: not finished within the limit
    bool closable = false;
};

// The whole course as the program runs it: the check, progress ticks while
// the worker is busy (at most tickLimit), then the close.
inline Verdict RunToVerdict(CUpdateWindow& w, int tickLimit) {
    Verdict v;
    StartAndCheck(w);
    v.ticks = w.busy ? TickUntilFinished(w, tickLimit) : 0;
    v.closable = w.CloseRequested();
    return v;
}

// How the download worker is started.
enum class Worker { Inline, Deferred, Unstartable, RealThread };

inline WorkerRoutine gDeferredRoutine = nullptr;
inline void* gDeferredParameter = nullptr;

inline bool RunInline(WorkerRoutine routine, void* parameter) {
    routine(parameter);
    return true;
}
inline bool Defer(WorkerRoutine routine, void* parameter) {
    gDeferredRoutine = routine;
    gDeferredParameter = parameter;
    return true;
}
inline bool CannotStart(WorkerRoutine, void*) { return false; }
// In the order of Worker; null is the real thread.
constexpr ThreadStarter kStarters[] = {RunInline, Defer, CannotStart, nullptr};

using ScopedStarter = Scoped<ThreadStarter, SetThreadStarter>;

// The hardware ID the camera presents when it presents one.
inline std::string OurHardwareId() { return std::string("USB\\VID_4271&PID_03D5&REV_0100\0\0", 32); }

struct UpdateRig : ScopedChannel {
    explicit UpdateRig(simcam::Path path = simcam::Path::KsNode, Worker worker = Worker::Inline)
        : starter(kStarters[int(worker)]) {
        gDeferredRoutine = nullptr;
        gDeferredParameter = nullptr;
        source.devices.push_back(SimulatedDevice(sim, path == simcam::Path::DriverXu));
        // A camera that needs the update by the hardware-ID road, with the
        // older firmware in its flash.
        HardwareIds({OurHardwareId()});
        sim.SetFlashPart(simcam::FlashPart::Type4);
        OldFirmware(0x04);
    }
    ~UpdateRig() {
        window.reset();  // closes the channel, as the window's destruction does
        EXPECT_EQ(pExt, nullptr);
    }

    // Image 135 as the camera would hold it, with this FlashTypeCode.
    void OldFirmware(uint8_t code) {
        sim.Flash() = ImageBytes(kImageV0309);
        sim.Flash()[kFlashTypeCodeOffset] = code;
    }
    // The image the camera should hold after a good download.
    std::vector<uint8_t> Expected(int id, uint8_t flashType) const {
        return PatchedImageBytes(id, flashType);
    }
    void HardwareIds(const std::vector<std::string>& ids) { source.ids = ids; }
    void NoCaptureDevices() { source.camera = false; }
    // Discovery finds nothing from this enumeration on (1 is the first).
    void CamerasGoneFrom(int enumeration) { source.goneFrom = enumeration; }
    int Enumerations() const { return source.enumerations; }

    void Check() { StartAndCheck(*window); }
    int TickUntilFinished(int limit = 200) { return ::TickUntilFinished(*window, limit); }
    std::vector<simcam::Request> Requests() const { return sim.Requests(); }
    bool Sent(uint32_t selector) const {
        for (const auto& r : sim.Requests())
            if (r.selector == selector) return true;
        return false;
    }
    // A register's address was set: it was read or written.
    bool Addressed(uint16_t reg) const {
        const std::vector<uint8_t> address = {uint8_t(reg), uint8_t(reg >> 8)};
        for (const auto& r : sim.Requests())
            if (r.selector == 2 && r.kind == simcam::Kind::Set && r.bytes == address) return true;
        return false;
    }

    simcam::SimCamera sim;
    VirtualClock clock;
    ListedSource source;
    ScopedClock scopedClock{&clock};
    ScopedSource scopedSource{&source};
    ScopedStarter starter;
    std::unique_ptr<TestWindow> window = std::make_unique<TestWindow>();
};
