// The Linux channel's figures. Host time per request of a whole 64 KiB
// download with no latency, over the kernel-streaming node path (the
// Windows side) and over uvcvideo's ioctl with its seam pointed at a model
// of the driver over the simulated camera, in the same run. A whole download
// over uvcvideo with 1 ms per request, against requests x 1 ms plus the
// waits the download asked for. And the umockdev rig's own cost per request
// (only under umockdev-wrapper).
#include <benchmark/benchmark.h>
#include <fcntl.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "chip/cam_device.h"
#include "discovery/camera_source.h"
#include "firmware/firmware_image.h"
#include "link/uvc_node_control.h"
#include "link/xu_channel.h"
#include "platform/clock.h"
#include "simcam/sim_camera.h"
#include "tests/support/rig_drivers.h"
#include "tests/support/rig_uvc_seam.h"
#include "tests/support/uvc_testbed.h"

namespace {

constexpr uint32_t kPacketLength = 64;
constexpr uint8_t kUnit = 4;
constexpr auto kLatency = std::chrono::milliseconds(1);

// The settle pause is the camera's time, not the host's.
class NoWaitClock : public Clock {
public:
    void Sleep(uint32_t) override {}
    uint64_t NowMs() override { return 0; }
};

// Real time, with the waits the download asks for added up.
class CountingClock : public Clock {
public:
    void Sleep(uint32_t ms) override {
        askedMs += ms;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    uint64_t NowMs() override {
        return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count());
    }
    uint64_t askedMs = 0;
};

long gIoctls = 0;

// Every request through the seam is one ioctl; this one also costs the
// camera 1 ms, waited for exactly so that the bound is what is measured.
int SlowSeamIoctl(int fd, unsigned long request, void* arg) {
    ++gIoctls;
    const auto until = std::chrono::steady_clock::now() + kLatency;
    while (std::chrono::steady_clock::now() < until) {
    }
    return SeamIoctl(fd, request, arg);
}

int CountingSeamIoctl(int fd, unsigned long request, void* arg) {
    ++gIoctls;
    return SeamIoctl(fd, request, arg);
}

struct Image {
    Image() {
        ok = LoadFirmwareImage(kImageV0308, &bytes, &size) == FirmwareStatus::Ok;
        if (ok) PatchFlashTypeByte(bytes.get(), uint32_t(size), 0);
    }
    std::unique_ptr<uint8_t[]> bytes;
    int32_t size = 0;
    bool ok = false;
};

// Counts the Windows-side requests the way the seam counts ioctls.
class CountingKs : public PropertiesOnly<ForwardingInterface<IKsControl>> {
public:
    using PropertiesOnly::PropertiesOnly;
    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY p, ULONG pl, LPVOID d, ULONG dl, ULONG* r) override {
        ++gIoctls;
        return inner_->KsProperty(p, pl, d, dl, r);
    }
};

// Whole downloads, one per iteration, over the road chosen.
void Downloads(benchmark::State& state, bool uvcvideo, UvcIoctlFn ioctl, Clock* clock) {
    Image image;
    if (!image.ok) return state.SkipWithError("no image");
    Clock* previous = SetClock(clock);
    long requests = 0, downloads = 0, failures = 0;
    for (auto _ : state) {
        state.PauseTiming();
        simcam::SimCamera sim;
        sim.SetFlashPart(simcam::FlashPart::Type0);
        sim.SetPacketLength(kPacketLength);
        UvcDriverModel model(sim, kUnit);
        ScopedModelSeam seam(model);
        SetUvcIoctl(ioctl);
        std::string log;
        CCamDevice device;
        if (uvcvideo)
            ScopedChannel::AttachNode(new UvcNodeControl(-1, &log), kUnit);
        else
            ScopedChannel::AttachNode(new CountingKs(sim.NewKsControl()), kExtensionUnitNode);
        gIoctls = 0;
        state.ResumeTiming();

        failures += device.DownloadFirmware(image.bytes.get(), uint32_t(image.size), log, 0) != 1;

        state.PauseTiming();
        requests += gIoctls;
        ++downloads;
        CCamDevice::CloseChannel();
        state.ResumeTiming();
    }
    SetClock(previous);
    if (failures) state.SkipWithError("a download failed");
    state.counters["requests"] = double(requests) / double(downloads);
    state.counters["per_request"] =
        benchmark::Counter(double(requests), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_RequestKsNode(benchmark::State& state) {
    NoWaitClock clock;
    Downloads(state, false, nullptr, &clock);
}
BENCHMARK(BM_RequestKsNode)->Unit(benchmark::kMillisecond);

void BM_RequestUvcvideo(benchmark::State& state) {
    NoWaitClock clock;
    Downloads(state, true, CountingSeamIoctl, &clock);
}
BENCHMARK(BM_RequestUvcvideo)->Unit(benchmark::kMillisecond);

void BM_DownloadUvcvideo1ms(benchmark::State& state) {
    CountingClock clock;
    Downloads(state, true, SlowSeamIoctl, &clock);
    const double downloads = double(state.iterations());
    const double boundMs = state.counters["requests"] * 1.0 + double(clock.askedMs) / downloads;
    state.counters["bound_ms"] = boundMs;
}
BENCHMARK(BM_DownloadUvcvideo1ms)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// One chip-ID read, address then value, through the real open and ioctl
// into umockdev's handler thread and back.
void BM_RigRequest(benchmark::State& state) {
    if (!UvcTestbed::Available()) return state.SkipWithError("run under umockdev-wrapper");
    simcam::SimCamera sim;
    UvcDriverModel model(sim, kUnit);
    UvcTestbed bed;
    const std::string node = bed.AddCamera(UsbCamera(), &model);
    const int fd = open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return state.SkipWithError("cannot open the node");
    CXuChannel channel;
    channel.AttachKsControl(new UvcNodeControl(fd, nullptr), kUnit);
    channel.mode = ChannelMode::UvcNode;
    BYTE bytes[2] = {0xFF, 0x20};
    long failures = 0;
    for (auto _ : state) {
        failures += FAILED(channel.put_Property(2, 2, bytes));
        failures += FAILED(channel.get_Property(3, 1, bytes));
        bytes[1] = 0x20;
    }
    if (failures) state.SkipWithError("a request failed");
    state.counters["per_request"] = benchmark::Counter(double(2 * state.iterations()),
                                                       benchmark::Counter::kIsRate |
                                                           benchmark::Counter::kInvert);
}
BENCHMARK(BM_RigRequest)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
