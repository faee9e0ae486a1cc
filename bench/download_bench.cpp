// A whole 64 KiB download against the simulated camera with no latency:
// host time per download and per request, the requests a download makes,
// and the heap allocations the download code itself makes (the simulated
// camera's own bookkeeping is not counted).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "chip/cam_device.h"
#include "firmware/firmware_image.h"
#include "link/xu_channel.h"
#include "platform/clock.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "simcam/sim_camera.h"
#include "tests/support/rig_drivers.h"
#include "tests/support/rig_scope.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

}  // namespace

// The replacement pair allocates with malloc and frees with free; GCC cannot
// see that the two belong together.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

// Passes every request on to the simulated camera, counting it and keeping
// the camera's own allocations out of the count. A local of the run: it
// only counts its references.
class CountingKsControl : public PropertiesOnly<ComObject<IKsControl>> {
public:
    explicit CountingKsControl(IKsControl* inner) : PropertiesOnly(kIidIKsControl, Lifetime::OwnerDeletes) {
        inner_.Attach(inner);
    }
    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY p, ULONG pl, LPVOID d, ULONG dl,
                                         ULONG* r) override {
        ++requests;
        const bool was = counting.exchange(false);
        HRESULT hr = inner_->KsProperty(p, pl, d, dl, r);
        counting.store(was);
        return hr;
    }
    long requests = 0;

private:
    ComPtr<IKsControl> inner_;
};

constexpr uint32_t kPacketLength = 64;

// The download's settle pause is the camera's time, not the host's.
class NoWaitClock : public Clock {
public:
    void Sleep(uint32_t) override {}
    uint64_t NowMs() override { return 0; }
};

// Requests a download of this image must make: the command table (24 slot
// writes, the mode byte, a size query), the enable, two size queries, the
// packets, the direct program of the IDs, the checksum read, the commit, the
// disable, and the read-back (a size query, then an address and a read per
// 4096-byte block).
long ProtocolRequests(uint32_t length, long directProgram) {
    const long packets = long((length + kPacketLength - 1) / kPacketLength);
    const long blocks = long((length + 4095) / 4096);
    return 26 + 1 + 2 + packets + directProgram + 3 + 1 + 2 * blocks;
}

void BM_Download(benchmark::State& state) {
    std::unique_ptr<uint8_t[]> image;
    int32_t size = 0;
    if (LoadFirmwareImage(kImageV0308, &image, &size) != FirmwareStatus::Ok) {
        state.SkipWithError("no image");
        return;
    }
    PatchFlashTypeByte(image.get(), kFirmwareImageSize, 0);
    NoWaitClock noWait;
    Clock* previous = SetClock(&noWait);

    // The direct program's request count on this camera, measured alone.
    long directProgram = 0;
    {
        simcam::SimCamera sim;
        sim.SetFlashPart(simcam::FlashPart::Type0);
        CountingKsControl ks(sim.NewKsControl());
        CCamDevice device;
        ScopedChannel::AttachNode(&ks);
        FlashProgramRequest ids = {{0x00, 0x80, 0x08}, {0x71, 0x42, 0xD5, 0x03}, 4};
        device.FlashProgramBytes(ids);
        directProgram = ks.requests;
        CCamDevice::CloseChannel();
    }

    long requests = 0, heap = 0, downloads = 0, failures = 0;
    for (auto _ : state) {
        state.PauseTiming();
        simcam::SimCamera sim;
        sim.SetFlashPart(simcam::FlashPart::Type0);
        sim.SetPacketLength(kPacketLength);
        CountingKsControl ks(sim.NewKsControl());
        CCamDevice device;
        ScopedChannel::AttachNode(&ks);
        std::string log;
        log.reserve(256);
        allocations = 0;
        state.ResumeTiming();

        counting = true;
        const int32_t result = device.DownloadFirmware(image.get(), uint32_t(size), log, 0);
        counting = false;

        state.PauseTiming();
        failures += result != 1;
        requests += ks.requests;
        heap += allocations.load();
        ++downloads;
        CCamDevice::CloseChannel();
        state.ResumeTiming();
    }
    SetClock(previous);
    if (failures) state.SkipWithError("a download failed");
    const long perDownload = requests / downloads;
    if (perDownload != ProtocolRequests(uint32_t(size), directProgram))
        state.SkipWithError("more requests than the protocol needs");
    state.counters["requests"] = double(perDownload);
    state.counters["allocations"] = double(heap) / double(downloads);
    state.counters["per_request"] =
        benchmark::Counter(double(requests), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Download)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
