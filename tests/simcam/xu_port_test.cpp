// The driver path: frame validation, posts and their answers.
#include <vector>

#include <gtest/gtest.h>

#include "host.h"

namespace simcam_test {
namespace {

using simcam::SimCamera;

constexpr HRESULT kNoData = static_cast<HRESULT>(0x800700E8u);
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490u);

struct WriteCase {
    const char* name;
    ULONG size;
    uint8_t code;
    uint32_t selector;
    uint16_t dataLength;
    HRESULT expected;
};

// Each case is a write of selector 2 gone wrong in one way; the register
// address must keep the value set before it.
TEST(XuPort, MalformedWriteFramesFailAndChangeNothing) {
    const WriteCase cases[] = {
        {"frame size 34", 34, 0x01, 2, 2, E_INVALIDARG},
        {"frame size 36", 36, 0x01, 2, 2, E_INVALIDARG},
        {"frame size 0", 0, 0x01, 2, 2, E_INVALIDARG},
        {"unknown code", 35, 0x02, 2, 2, E_INVALIDARG},
        {"69 data bytes", 35, 0x01, 2, 69, E_INVALIDARG},
        {"data too short", 35, 0x01, 2, 1, kGenFailure},
        {"data too long", 35, 0x01, 2, 3, kGenFailure},
        {"selector 6", 35, 0x01, 6, 2, kNotFound},
        {"selector 13", 35, 0x01, 13, 2, kNotFound},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimCamera cam;
        Host host(cam, Path::DriverXu);
        ASSERT_EQ(host.Set(2, {0x11, 0x22}), S_OK);
        Frame f(c.code, c.selector, c.dataLength);
        f.raw[4] = 0x34;
        f.raw[5] = 0x12;
        EXPECT_EQ(host.xu()->WriteFrame(c.size, f.raw), c.expected);
        EXPECT_EQ(cam.Calls().back().result, c.expected);
        std::vector<uint8_t> address;
        ASSERT_EQ(host.Get(2, 2, &address), S_OK);
        EXPECT_EQ(address, (std::vector<uint8_t>{0x11, 0x22}));
    }
    SimCamera cam;
    Host host(cam, Path::DriverXu);
    EXPECT_EQ(host.xu()->WriteFrame(kDriverFrameSize, nullptr), E_POINTER);
    EXPECT_EQ(host.xu()->ReadFrame(kDriverFrameSize, nullptr), E_POINTER);
}

TEST(XuPort, ReadFrameNeedsAPostAndUsesItUp) {
    SimCamera cam;
    Host host(cam, Path::DriverXu);
    uint8_t answer[72] = {};
    EXPECT_EQ(host.xu()->ReadFrame(kDriverFrameSize, answer), kNoData);

    ASSERT_EQ(host.Set(2, {0xAB, 0xCD}), S_OK);
    Frame post(0x81, 2, 2);
    ASSERT_EQ(host.xu()->WriteFrame(kDriverFrameSize, post.raw), S_OK);
    EXPECT_EQ(host.xu()->ReadFrame(34, answer), E_INVALIDARG);  // a bad frame leaves the post
    ASSERT_EQ(host.xu()->ReadFrame(kDriverFrameSize, answer), S_OK);
    EXPECT_EQ(answer[0], 0xAB);  // the answer starts at offset 0: no header
    EXPECT_EQ(answer[1], 0xCD);
    EXPECT_EQ(host.xu()->ReadFrame(kDriverFrameSize, answer), kNoData);
}

TEST(XuPort, ReadPostsOfTheWrongLengthStallAtTheAnswer) {
    SimCamera cam;
    Host host(cam, Path::DriverXu);
    Frame post(0x81, 2, 3);
    ASSERT_EQ(host.xu()->WriteFrame(kDriverFrameSize, post.raw), S_OK);
    uint8_t answer[72] = {};
    EXPECT_EQ(host.xu()->ReadFrame(kDriverFrameSize, answer), kGenFailure);
    EXPECT_EQ(host.xu()->ReadFrame(kDriverFrameSize, answer), kNoData);  // the post was used

    Frame tooBig(0x81, 15, 4097);
    EXPECT_EQ(host.xu()->WriteFrame(kDriverFrameSize, tooBig.raw), E_INVALIDARG);
    EXPECT_EQ(host.xu()->ReadFrame(kDriverFrameSize, answer), kNoData);
}

TEST(XuPort, LengthPostIgnoresItsDataLengthField) {
    SimCamera cam;
    cam.SetBlockLength(4097);
    Host host(cam, Path::DriverXu);
    for (uint16_t field : {uint16_t{2}, uint16_t{0}, uint16_t{500}}) {
        SCOPED_TRACE(field);
        Frame post(0x85, 15, field);
        ASSERT_EQ(host.xu()->WriteFrame(kDriverFrameSize, post.raw), S_OK);
        uint8_t answer[72];
        std::memset(answer, 0x5A, sizeof answer);
        ASSERT_EQ(host.xu()->ReadFrame(kDriverFrameSize, answer), S_OK);
        EXPECT_EQ(Get32(answer), 4097u);
        EXPECT_EQ(answer[4], 0x5A);  // four bytes answered, no more
    }
}

// The length query on both paths, for every control, with default and
// hostile lengths for the two configurable ones.
class LengthQuery : public ::testing::TestWithParam<Path> {};

TEST_P(LengthQuery, AnswersEachControlsLength) {
    struct Row {
        uint32_t selector;
        uint32_t length;
    };
    const Row fixed[] = {{2, 2}, {3, 1}, {4, 2}, {5, 2}, {7, 1}, {8, 1},
                         {9, 1}, {11, 1}, {12, 1}, {14, 4}, {16, 1}};
    const uint32_t configurable[][2] = {{64, 4096}, {0, 1}, {69, 4097}, {0xFFFFFFFF, 0xFFFFFFFF}};
    for (const auto& pb : configurable) {
        SimCamera cam;
        if (pb[0] != 64) cam.SetPacketLength(pb[0]);
        if (pb[1] != 4096) cam.SetBlockLength(pb[1]);
        Host host(cam, GetParam());
        uint32_t length = 0;
        ASSERT_EQ(host.Length(10, &length), S_OK);
        EXPECT_EQ(length, pb[0]);
        ASSERT_EQ(host.Length(15, &length), S_OK);
        EXPECT_EQ(length, pb[1]);
        for (const Row& r : fixed) {
            SCOPED_TRACE(r.selector);
            ASSERT_EQ(host.Length(r.selector, &length), S_OK);
            EXPECT_EQ(length, r.length);
        }
        for (uint32_t missing : {0u, 1u, 6u, 13u, 17u, 255u})
            EXPECT_EQ(host.Length(missing, &length), kNotFound) << missing;
    }
}

TEST_P(LengthQuery, TransfersMustMatchTheControlsDirection) {
    SimCamera cam;
    Host host(cam, GetParam());
    std::vector<uint8_t> out;
    for (uint32_t writeOnly : {10u, 12u, 14u, 16u}) {
        uint32_t length = 0;
        ASSERT_EQ(host.Length(writeOnly, &length), S_OK);
        EXPECT_EQ(host.Get(writeOnly, length, &out), kGenFailure) << writeOnly;
    }
    EXPECT_EQ(host.Set(11, {0}), kGenFailure);
    EXPECT_EQ(host.Get(3, 2, &out), kGenFailure);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, LengthQuery,
                         ::testing::Values(Path::KsNode, Path::DriverXu),
                         [](const ::testing::TestParamInfo<Path>& i) { return PathName(i.param); });

}  // namespace
}  // namespace simcam_test
