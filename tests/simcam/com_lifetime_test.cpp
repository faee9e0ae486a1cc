// Both interfaces: reference counting, QueryInterface, and the model
// outliving the SimCamera that made them.
#include <gtest/gtest.h>

#include "host.h"

namespace simcam_test {
namespace {

using simcam::SimCamera;

template <class I>
void CheckCounting(I* object, const GUID& ownIid, const GUID& otherIid) {
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->Release(), 1u);

    void* out = nullptr;
    ASSERT_EQ(object->QueryInterface(kIidIUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(object));
    ASSERT_EQ(object->QueryInterface(ownIid, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(object));
    EXPECT_EQ(object->Release(), 2u);  // two references taken by QueryInterface
    EXPECT_EQ(object->Release(), 1u);

    out = &out;
    EXPECT_EQ(object->QueryInterface(otherIid, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(object->QueryInterface(ownIid, nullptr), E_POINTER);
    EXPECT_EQ(object->Release(), 0u);  // deleted here; ASan reports a leak otherwise
}

TEST(ComLifetime, KsControlCountsAndAnswersItsInterfaces) {
    SimCamera cam;
    CheckCounting(cam.NewKsControl(), kIidIKsControl, kIidIDriverXu);
}

TEST(ComLifetime, DriverXuCountsAndAnswersItsInterfaces) {
    SimCamera cam;
    IDriverXu* xu = cam.NewDriverXu();
    uint8_t frame[72] = {};
    EXPECT_EQ(xu->Reserved(kDriverFrameSize, frame), E_NOTIMPL);
    CheckCounting(xu, kIidIDriverXu, kIidIKsControl);
}

TEST(ComLifetime, InterfacesKeepTheModelAliveAndShareIt) {
    IKsControl* ks = nullptr;
    IDriverXu* xu = nullptr;
    {
        SimCamera cam;
        ks = cam.NewKsControl();
        xu = cam.NewDriverXu();
    }
    KsRequest set(2, kKsSet);
    uint8_t address[2] = {0x45, 0x20};
    ULONG returned = 0;
    ASSERT_EQ(ks->KsProperty(set.get(), 32, address, 2, &returned), S_OK);
    // The register address written through KS is what the driver path reads.
    Frame post(0x81, 2, 2);
    ASSERT_EQ(xu->WriteFrame(kDriverFrameSize, post.raw), S_OK);
    uint8_t answer[72] = {};
    ASSERT_EQ(xu->ReadFrame(kDriverFrameSize, answer), S_OK);
    EXPECT_EQ(answer[0], 0x45);
    EXPECT_EQ(answer[1], 0x20);
    EXPECT_EQ(ks->Release(), 0u);
    EXPECT_EQ(xu->Release(), 0u);
}

}  // namespace
}  // namespace simcam_test
