#include "sensors/evdevjoystick.h"
#include "support/fakeevdev.h"

#include <cerrno>
#include <climits>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <string>

namespace {

const FakeEvdevNodes::Codes keyboard{{EV_KEY, KEY_ESC}, {EV_KEY, KEY_KPDOT}};
const FakeEvdevNodes::Codes mouse{{EV_REL, REL_X}, {EV_REL, REL_Y}, {EV_KEY, BTN_LEFT}};
// Absolute X and Y but no joystick button.
const FakeEvdevNodes::Codes touchpad{
    {EV_ABS, ABS_X}, {EV_ABS, ABS_Y}, {EV_KEY, BTN_TOUCH}, {EV_KEY, BTN_LEFT}};

class EvdevTest : public testing::Test {
protected:
    EvdevTest() { fresh(); }

    // Starts over with no devices, as a new run of the program would.
    void fresh()
    {
        auto nodes = std::make_unique<FakeEvdevNodes>();
        fake = nodes.get();
        service = std::make_unique<EvdevJoystickService>(std::move(nodes));
    }
    // Polls as the sampler does; the record keeps what earlier polls left in it.
    std::uint32_t poll(std::uint32_t id, JOYINFOEX& info)
    {
        info.dwSize = sizeof(JOYINFOEX);
        info.dwFlags = JOY_RETURNALL;
        return service->joyGetPosEx(id, &info);
    }
    std::uint32_t caps(std::uint32_t id, JOYCAPS& caps)
    {
        return service->joyGetDevCapsA(id, &caps, sizeof(caps));
    }
    std::string nameOf(std::uint32_t id)
    {
        JOYCAPS found{};
        EXPECT_EQ(caps(id, found), JOYERR_NOERROR);
        return found.szPname;
    }

    FakeEvdevNodes* fake = nullptr;
    std::unique_ptr<EvdevJoystickService> service;
};

TEST_F(EvdevTest, firstTwoJoysticksByEventNumberAmongOtherDevices)
{
    for (const bool published : {true, false}) {
        SCOPED_TRACE(published ? "published capabilities" : "opened to tell");
        fresh();
        for (const char* other : {"js0", "event", "event3x"}) // not event nodes
            fake->addJoystick(other, other).published = published;
        fake->addDevice("event0", "Keyboard", keyboard).published = published;
        fake->addDevice("event1", "Mouse", mouse).published = published;
        fake->addDevice("event3", "Touchpad", touchpad).published = published;
        fake->addJoystick("event10", "Second", {}, {400, 1800}).published = published;
        fake->addJoystick("event2", "First", {-32768, 32767}, {}, BTN_SOUTH).published = published;
        fake->addJoystick("event11", "Third").published = published;
        fake->setAxis("event2", ABS_X, 111);
        fake->setAxis("event10", ABS_Y, 222);

        JOYINFOEX first{}, second{};
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(poll(0, first), JOYERR_NOERROR);
            ASSERT_EQ(poll(1, second), JOYERR_NOERROR);
        }
        EXPECT_EQ(first.dwXpos, 32768u + 111u); // shifted to start at 0
        EXPECT_EQ(second.dwYpos, 222u);         // never scaled by the axis range
        EXPECT_EQ(nameOf(0), "First");
        JOYCAPS found{};
        ASSERT_EQ(caps(1, found), JOYERR_NOERROR);
        EXPECT_STREQ(found.szPname, "Second");
        EXPECT_STREQ(found.szRegKey, "/dev/input/event10");
        // Good polls keep their device open; published capabilities spare waking the others.
        EXPECT_EQ(fake->node("event2").opens, 1);
        EXPECT_EQ(fake->node("event1").opens, published ? 0 : 1);
    }
}

TEST_F(EvdevTest, withoutJoysticksIdsAreEmptyAndRecordsKept)
{
    fake->addDevice("event0", "Keyboard", keyboard).openError = EACCES;
    fake->addDevice("event1", "Mouse", mouse);
    JOYCAPS found{};
    found.wMid = 7;
    JOYINFOEX info{};
    info.dwXpos = 1234;
    for (std::uint32_t id : {0u, 1u}) {
        EXPECT_EQ(caps(id, found), JOYERR_PARMS);
        EXPECT_EQ(poll(id, info), JOYERR_UNPLUGGED);
    }
    EXPECT_EQ(found.wMid, 7);
    EXPECT_EQ(info.dwXpos, 1234u);

    fake->addJoystick("event2", "Stick");
    EXPECT_EQ(poll(2, info), JOYERR_PARMS);
    EXPECT_EQ(service->joyGetPosEx(0, nullptr), JOYERR_PARMS);
    EXPECT_EQ(caps(2, found), JOYERR_PARMS);
    EXPECT_EQ(service->joyGetDevCapsA(0, nullptr, sizeof(found)), JOYERR_PARMS);
    EXPECT_EQ(service->joyGetDevCapsA(0, &found, sizeof(found) - 1), JOYERR_PARMS);
}

// Readings are passed on as the driver gives them, shifted only when the range starts below 0.
// The game-port driver sets min and max from its first reading, so scaling by them would make
// the same resistance read differently after each boot.
TEST(EvdevValues, axisValuesAreShiftedNeverScaled)
{
    using evdev::mapAxisValue;
    // Adapters and out-of-range values
    EXPECT_EQ(mapAxisValue(65535, 0), 65535u);
    EXPECT_EQ(mapAxisValue(70000, 0), 65535u);
    EXPECT_EQ(mapAxisValue(-5, 0), 0u);
    // Signed boards
    EXPECT_EQ(mapAxisValue(-32768, -32768), 0u);
    EXPECT_EQ(mapAxisValue(32767, -32768), 65535u);
    EXPECT_EQ(mapAxisValue(-40000, -32768), 0u);
    EXPECT_EQ(mapAxisValue(INT_MAX, INT_MIN), 65535u);
    // The analog driver, whose range came from its first reading
    EXPECT_EQ(mapAxisValue(50, 400), 50u);
    EXPECT_EQ(mapAxisValue(2500, 400), 2500u);
}

TEST(EvdevPublished, bitmapsReadAsTheKernelPrintsThem)
{
    // A gamepad: axes X, Y, Z, RX, RY, RZ, HAT0X, HAT0Y; BTN_A (0x130) and up in the fifth word.
    const PublishedCaps pad{"3003f\n", "7cdb000000000000 0 0 0 0\n"};
    EXPECT_TRUE(evdev::publishedJoystick(pad));
    EXPECT_FALSE(evdev::publishedBit(pad.key, BTN_TRIGGER));
    EXPECT_FALSE(evdev::publishedBit(pad.abs, ABS_MAX));
    EXPECT_FALSE(evdev::publishedJoystick({"3", "10000 0 0 0 0"})); // X, Y and BTN_LEFT
    EXPECT_FALSE(evdev::publishedJoystick({"zz", "xyz 0 0 0 0"}));  // garbage is no joystick
    EXPECT_FALSE(evdev::publishedJoystick({"", ""}));
}

TEST_F(EvdevTest, idsFollowTheirDevicesThroughUnplugAndReplug)
{
    fake->addJoystick("event4", "A");
    fake->addJoystick("event5", "B");
    fake->setAxis("event4", ABS_X, 100);
    fake->setAxis("event4", ABS_Y, 200);
    fake->setAxis("event5", ABS_X, 33);
    JOYINFOEX info{}, other{};
    ASSERT_EQ(poll(0, info), JOYERR_NOERROR);

    fake->unplug("event4");
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(info.dwXpos, 100u);
    EXPECT_EQ(info.dwYpos, 200u);
    JOYCAPS found{};
    EXPECT_EQ(caps(0, found), JOYERR_PARMS);
    ASSERT_EQ(poll(1, other), JOYERR_NOERROR); // the remaining joystick keeps its id
    EXPECT_EQ(other.dwXpos, 33u);

    // B comes back first and on a lower node, yet neither takes the other's id.
    fake->unplug("event5");
    EXPECT_EQ(poll(1, other), JOYERR_UNPLUGGED);
    fake->addJoystick("event2", "B");
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(nameOf(1), "B");
    fake->addJoystick("event7", "A");
    fake->setAxis("event7", ABS_X, 300);
    ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
    EXPECT_EQ(info.dwXpos, 300u);

    // Any other read failure has its own code, and the device is opened afresh next time.
    fake->node("event7").readError = -EIO;
    fake->setAxis("event7", ABS_X, 6);
    EXPECT_EQ(poll(0, info), EvdevJoystickService::ReadFailed);
    EXPECT_EQ(info.dwXpos, 300u);
    fake->node("event7").readError = 0;
    ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
    EXPECT_EQ(info.dwXpos, 6u);
    EXPECT_EQ(fake->node("event7").opens, 2);

    // A lone newcomer goes to id 0, whichever id asks first.
    fake->unplug("event2");
    fake->unplug("event7");
    fake->addJoystick("event9", "C");
    EXPECT_EQ(poll(1, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(nameOf(0), "C");
}

TEST_F(EvdevTest, openFailuresHaveTheirOwnCodesAndKeepTheJoysticksPlace)
{
    fake->addJoystick("event2", "Locked").openError = EPERM;
    fake->addJoystick("event5", "Open");
    JOYCAPS found{};
    EXPECT_EQ(caps(0, found), EvdevJoystickService::NoAccess);
    JOYINFOEX info{};
    info.dwXpos = 9;
    EXPECT_EQ(poll(0, info), EvdevJoystickService::NoAccess);
    EXPECT_EQ(info.dwXpos, 9u);
    EXPECT_EQ(nameOf(1), "Open");
    fake->node("event2").openError = 0;
    EXPECT_EQ(nameOf(0), "Locked");

    fresh();
    fake->addJoystick("event3", "Busy").openError = ENOMEM;
    EXPECT_EQ(poll(0, info), EvdevJoystickService::OpenFailed);
    // Without published capabilities an unreadable node may be a joystick: say so.
    fake->node("event3").published = false;
    fake->node("event3").openError = EACCES;
    EXPECT_EQ(poll(0, info), EvdevJoystickService::NoAccess);
}

} // namespace
