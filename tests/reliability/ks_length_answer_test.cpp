// A KS driver that answers a length query with something other than
// ERROR_MORE_DATA: plain success with no length, another error, or
// ERROR_MORE_DATA with a length no buffer can take. The packet length and
// the flash block length must then count as not known.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "chip/cam_device.h"
#include "firmware/firmware_image.h"
#include "link/xu_channel.h"
#include "simcam/sim_camera.h"
#include "tests/support/firmware_bytes.h"
#include "tests/support/rig_drivers.h"
#include "tests/support/virtual_clock.h"

namespace {

const HRESULT kMoreData = HRESULT_FROM_WIN32(ERROR_MORE_DATA);

// A KS node in front of another that passes every property request through, then
// rewrites the answer to the length queries of one selector. It holds the
// reference it is given and deletes itself with its last release.
class RewritingKsControl final : public PropertiesOnly<ForwardingInterface<IKsControl>> {
public:
    // answer replaces the result of selector's length queries; byteCount,
    // when not null, replaces the count they report.
    RewritingKsControl(IKsControl* inner, ULONG selector, HRESULT answer, const ULONG* byteCount)
        : PropertiesOnly(inner), selector_(selector), answer_(answer),
          hasCount_(byteCount != nullptr), count_(byteCount ? *byteCount : 0) {}

    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, LPVOID data,
                                         ULONG dataLength, ULONG* returned) override {
        HRESULT hr = inner_->KsProperty(property, propertyLength, data, dataLength, returned);
        const bool lengthQuery = data == nullptr && dataLength == 0 && property &&
                                 (property->Flags & KSPROPERTY_TYPE_GET) != 0;
        if (!lengthQuery || property->Id != selector_) return hr;
        ++rewritten;
        if (hasCount_ && returned) *returned = count_;
        return answer_;
    }

    int rewritten = 0;  // length queries answered otherwise

private:
    ~RewritingKsControl() override = default;

    ULONG selector_;
    HRESULT answer_;
    bool hasCount_;
    ULONG count_;
};

// The simulated camera on the node path, its answers to one selector's
// length queries rewritten.
struct RewrittenNode : ScopedChannel {
    RewrittenNode(ULONG selector, HRESULT answer, const ULONG* count) : scoped(&clock) {
        sim.SetFlashPart(simcam::FlashPart::Type4);
        sim.Flash().assign(65536, 0x3C);
        node = new RewritingKsControl(sim.NewKsControl(), selector, answer, count);
        AttachNode(node);
    }
    ~RewrittenNode() { CCamDevice::CloseChannel(); }

    simcam::SimCamera sim;
    VirtualClock clock;
    ScopedClock scoped;
    CCamDevice device;  // clears pExt before the constructor's body sets it
    RewritingKsControl* node;  // the channel's
};

struct Answer {
    const char* name;
    HRESULT result;
    bool withCount;
    ULONG count;
    const char* line;  // what the download's log says of the packet length query
};

const char* const kUnusableZero = "XU_DFU_ACCESS_CONTROL packet length 0 unusable.\r\n";

const Answer kAnswers[] = {
    {"S_OK with a count", S_OK, true, 64, kUnusableZero},
    {"S_OK", S_OK, false, 0, kUnusableZero},
    {"S_FALSE", S_FALSE, true, 64, kUnusableZero},
    {"E_FAIL with a count", E_FAIL, true, 64, "get_PropertySize XU_DFU_ACCESS_CONTROL fail.\r\n"},
    {"buffer too small", HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), true, 64,
     "get_PropertySize XU_DFU_ACCESS_CONTROL fail.\r\n"},
    {"more data, none", kMoreData, true, 0, kUnusableZero},
    {"more data, 4 GiB", kMoreData, true, 0xFFFFFFFF,
     "XU_DFU_ACCESS_CONTROL packet length 4294967295 unusable.\r\n"},
};

TEST(KsLengthAnswer, APacketLengthNotReportedSendsNoPacket) {
    const std::vector<uint8_t> image = PatchedImageBytes(kImageV0309, 4);
    for (const Answer& a : kAnswers) {
        RewrittenNode camera(10, a.result, a.withCount ? &a.count : nullptr);
        std::string log;
        EXPECT_EQ(camera.device.DownloadFirmware(image.data(), uint32_t(image.size()), log, 4), 0) << a.name;
        EXPECT_GE(camera.node->rewritten, 2) << a.name;
        EXPECT_NE(log.find(a.line), std::string::npos) << a.name << ": " << log;
        EXPECT_NE(log.find("Resend Command XU_DFU_ACCESS_CONTROL.\r\n"), std::string::npos) << a.name;
        EXPECT_EQ(camera.sim.PacketsReceived(), 0u) << a.name;
        EXPECT_FALSE(camera.sim.EngineEnabled()) << a.name;
        EXPECT_FALSE(camera.sim.Committed()) << a.name;
        EXPECT_EQ(camera.sim.Flash(), std::vector<uint8_t>(65536, 0x3C)) << a.name << ": flash untouched";
    }
}

TEST(KsLengthAnswer, ABlockLengthNotReportedReadsNothing) {
    for (const Answer& a : kAnswers) {
        RewrittenNode camera(15, a.result, a.withCount ? &a.count : nullptr);
        // Exactly one block, so that a read past it is caught.
        std::unique_ptr<uint8_t[]> block(new uint8_t[kFlashBlockBytes]);
        std::fill(block.get(), block.get() + kFlashBlockBytes, 0xA5);
        EXPECT_LT(camera.device.ReadFlashBlock(block.get(), 12), 0) << a.name;
        EXPECT_EQ(camera.node->rewritten, 1) << a.name;
        for (uint32_t i = 0; i < kFlashBlockBytes; ++i) ASSERT_EQ(block[i], 0xA5) << a.name << " at " << i;
    }
}

// The download's read-back asks for the block length too: without one it
// cannot vouch for the flash, so the download is not reported good.
TEST(KsLengthAnswer, ABlockLengthNotReportedFailsTheReadBack) {
    const std::vector<uint8_t> image = PatchedImageBytes(kImageV0309, 4);
    for (const Answer& a : kAnswers) {
        RewrittenNode camera(15, a.result, a.withCount ? &a.count : nullptr);
        std::string log;
        EXPECT_EQ(camera.device.DownloadFirmware(image.data(), uint32_t(image.size()), log, 4), 0) << a.name;
        EXPECT_NE(log.find("Flash verify fail: no read length.\r\n"), std::string::npos) << a.name << ": " << log;
        EXPECT_FALSE(camera.sim.EngineEnabled()) << a.name;
    }
}

}  // namespace
