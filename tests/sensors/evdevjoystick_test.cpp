#include "sensors/evdevjoystick.h"
#include "support/fakeevdev.h"

#include <cerrno>
#include <climits>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <string>

namespace {

// Polls as the sampler does; the record keeps what earlier polls left in it.
std::uint32_t readPosition(JoystickService& service, std::uint32_t id, JOYINFOEX& info)
{
    info.dwSize = sizeof(JOYINFOEX);
    info.dwFlags = JOY_RETURNALL;
    return service.joyGetPosEx(id, &info);
}

class EvdevTest : public testing::Test {
protected:
    EvdevTest()
    {
        auto nodes = std::make_unique<FakeEvdevNodes>();
        fake = nodes.get();
        service = std::make_unique<EvdevJoystickService>(std::move(nodes));
    }

    std::uint32_t poll(std::uint32_t id, JOYINFOEX& info)
    {
        return readPosition(*service, id, info);
    }

    std::string nameOf(std::uint32_t id)
    {
        JOYCAPS caps{};
        EXPECT_EQ(service->joyGetDevCapsA(id, &caps, sizeof(caps)), JOYERR_NOERROR);
        return caps.szPname;
    }

    FakeEvdevNodes* fake = nullptr;
    std::unique_ptr<EvdevJoystickService> service;
};

using EvdevDiscovery = EvdevTest;

TEST_F(EvdevDiscovery, firstTwoJoysticksByEventNumberAmongOtherDevices)
{
    fake->addKeyboard("event0");
    fake->addMouse("event1");
    fake->addTouchpad("event3");
    fake->addJoystick("event10", "Second");
    fake->addJoystick("event2", "First", {}, {}, BTN_SOUTH); // a gamepad button counts too
    fake->addJoystick("event11", "Third");

    EXPECT_EQ(nameOf(0), "First");
    EXPECT_EQ(nameOf(1), "Second");
    JOYCAPS caps{};
    ASSERT_EQ(service->joyGetDevCapsA(1, &caps, sizeof(caps)), JOYERR_NOERROR);
    EXPECT_STREQ(caps.szRegKey, "/dev/input/event10");

    fake->setAxis("event2", ABS_X, 111);
    fake->setAxis("event10", ABS_Y, 222);
    JOYINFOEX first{}, second{};
    ASSERT_EQ(poll(0, first), JOYERR_NOERROR);
    ASSERT_EQ(poll(1, second), JOYERR_NOERROR);
    EXPECT_EQ(first.dwXpos, 111u);
    EXPECT_EQ(second.dwYpos, 222u);

    // Published capabilities are enough to pass over the others without waking them.
    EXPECT_EQ(fake->node("event0").opens, 0);
    EXPECT_EQ(fake->node("event1").opens, 0);
    EXPECT_EQ(fake->node("event3").opens, 0);
}

TEST_F(EvdevDiscovery, withoutPublishedCapabilitiesDevicesAreOpenedToTellThem)
{
    fake->addKeyboard("event1").published = false;
    fake->addTouchpad("event4").published = false;
    fake->addJoystick("event9", "Pad").published = false;

    EXPECT_EQ(nameOf(0), "Pad");
    JOYCAPS caps{};
    EXPECT_EQ(service->joyGetDevCapsA(1, &caps, sizeof(caps)), JOYERR_PARMS);
}

TEST_F(EvdevDiscovery, nothingFoundLeavesRecordsAlone)
{
    fake->addKeyboard("event0");
    fake->addMouse("event1");

    JOYCAPS caps{};
    caps.wMid = 7;
    EXPECT_EQ(service->joyGetDevCapsA(0, &caps, sizeof(caps)), JOYERR_PARMS);
    EXPECT_EQ(service->joyGetDevCapsA(1, &caps, sizeof(caps)), JOYERR_PARMS);
    EXPECT_EQ(caps.wMid, 7);

    JOYINFOEX info{};
    info.dwXpos = 1234;
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(poll(1, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(info.dwXpos, 1234u);
}

TEST_F(EvdevDiscovery, badCallsAreRefused)
{
    fake->addJoystick("event0", "Stick");
    JOYINFOEX info{};
    JOYCAPS caps{};
    EXPECT_EQ(poll(2, info), JOYERR_PARMS);
    EXPECT_EQ(service->joyGetPosEx(0, nullptr), JOYERR_PARMS);
    EXPECT_EQ(service->joyGetDevCapsA(2, &caps, sizeof(caps)), JOYERR_PARMS);
    EXPECT_EQ(service->joyGetDevCapsA(0, nullptr, sizeof(caps)), JOYERR_PARMS);
    EXPECT_EQ(service->joyGetDevCapsA(0, &caps, sizeof(caps) - 1), JOYERR_PARMS);
}

TEST_F(EvdevDiscovery, onlyEventNodesCount)
{
    fake->addJoystick("js0", "Legacy node");
    fake->addJoystick("event", "No number");
    fake->addJoystick("event3x", "Odd name");
    fake->addJoystick("event5", "Real");
    EXPECT_EQ(nameOf(0), "Real");
}

TEST_F(EvdevDiscovery, goodPollsDoNotLookForDevicesAgain)
{
    fake->addJoystick("event2", "A");
    fake->addJoystick("event3", "B");
    JOYINFOEX info{};
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
        ASSERT_EQ(poll(1, info), JOYERR_NOERROR);
    }
    EXPECT_EQ(fake->listCalls(), 1);
    EXPECT_EQ(fake->node("event2").opens, 1);
}

using EvdevValues = EvdevTest;

// Readings are passed on as the driver gives them, shifted only when the range starts below 0.
// The game-port driver sets min and max from its first reading, so scaling by them would make
// the same resistance read differently after each boot.
TEST_F(EvdevValues, axisValuesAreShiftedNeverScaled)
{
    struct Case {
        FakeAxis range;
        int value;
        std::uint32_t expected;
    };
    const Case cases[] = {
        // an adapter
        {{0, 65535}, 0, 0},
        {{0, 65535}, 32768, 32768},
        {{0, 65535}, 65535, 65535},
        // a signed board
        {{-32768, 32767}, -32768, 0},
        {{-32768, 32767}, 0, 32768},
        {{-32768, 32767}, 32767, 65535},
        // the analog driver, whose range came from its first reading
        {{400, 1800}, 1000, 1000},
        {{400, 1800}, 50, 50},
        {{400, 1800}, 2500, 2500},
        // out of range
        {{0, 65535}, 70000, 65535},
        {{0, 1023}, -5, 0},
        {{-32768, 32767}, 40000, 65535},
        {{-32768, 32767}, -40000, 0},
    };
    for (const Case& c : cases) {
        auto owned = std::make_unique<FakeEvdevNodes>();
        FakeEvdevNodes* nodes = owned.get();
        EvdevJoystickService own(std::move(owned));
        nodes->addJoystick("event0", "Stick", c.range, c.range);
        nodes->setAxis("event0", ABS_X, c.value);
        nodes->setAxis("event0", ABS_Y, c.value);
        JOYINFOEX info{};
        ASSERT_EQ(readPosition(own, 0, info), JOYERR_NOERROR);
        EXPECT_EQ(info.dwXpos, c.expected)
            << c.range.minimum << ".." << c.range.maximum << " " << c.value;
        EXPECT_EQ(info.dwYpos, c.expected);
    }
    EXPECT_EQ(evdev::mapAxisValue(INT_MAX, INT_MIN), 65535u);
    EXPECT_EQ(evdev::mapAxisValue(INT_MIN, INT_MIN), 0u);
}

TEST_F(EvdevValues, capabilityRangesAreMappedLikeValues)
{
    fake->addJoystick("event0", "Board", {-32768, 32767}, {400, 1800});
    JOYCAPS caps{};
    ASSERT_EQ(service->joyGetDevCapsA(0, &caps, sizeof(caps)), JOYERR_NOERROR);
    EXPECT_EQ(caps.wXmin, 0u);
    EXPECT_EQ(caps.wXmax, 65535u);
    EXPECT_EQ(caps.wYmin, 400u);
    EXPECT_EQ(caps.wYmax, 1800u);
    EXPECT_EQ(caps.wNumButtons, 1u);
}

TEST(EvdevPublished, bitmapsReadAsTheKernelPrintsThem)
{
    // A gamepad: axes X, Y, Z, RX, RY, RZ, HAT0X, HAT0Y; BTN_A (0x130) and up in the fifth word.
    const PublishedCaps pad{"3003f\n", "7cdb000000000000 0 0 0 0\n"};
    EXPECT_TRUE(evdev::publishedJoystick(pad));
    EXPECT_TRUE(evdev::publishedBit(pad.key, BTN_SOUTH));
    EXPECT_FALSE(evdev::publishedBit(pad.key, BTN_TRIGGER));
    EXPECT_FALSE(evdev::publishedBit(pad.abs, ABS_MAX));

    EXPECT_FALSE(evdev::publishedJoystick({"0", "0"}));
    EXPECT_FALSE(evdev::publishedJoystick({"3", "10000 0 0 0 0"})); // X, Y and BTN_LEFT
    EXPECT_FALSE(evdev::publishedJoystick({"zz", "xyz 0 0 0 0"}));  // garbage is no joystick
    EXPECT_FALSE(evdev::publishedJoystick({"", ""}));
}

using EvdevHotplug = EvdevTest;

TEST_F(EvdevHotplug, vanishedDeviceKeepsRecordAndComesBackWhenReplugged)
{
    fake->addJoystick("event4", "Adapter");
    fake->setAxis("event4", ABS_X, 100);
    fake->setAxis("event4", ABS_Y, 200);
    JOYINFOEX info{};
    ASSERT_EQ(poll(0, info), JOYERR_NOERROR);

    fake->unplug("event4");
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(info.dwXpos, 100u);
    EXPECT_EQ(info.dwYpos, 200u);
    JOYCAPS caps{};
    EXPECT_EQ(service->joyGetDevCapsA(0, &caps, sizeof(caps)), JOYERR_PARMS);

    fake->addJoystick("event7", "Adapter");
    fake->setAxis("event7", ABS_X, 300);
    ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
    EXPECT_EQ(info.dwXpos, 300u);
}

TEST_F(EvdevHotplug, remainingJoystickKeepsItsId)
{
    fake->addJoystick("event2", "A");
    fake->addJoystick("event3", "B");
    fake->setAxis("event3", ABS_X, 33);
    JOYINFOEX first{}, second{};
    ASSERT_EQ(poll(0, first), JOYERR_NOERROR);
    ASSERT_EQ(poll(1, second), JOYERR_NOERROR);

    fake->unplug("event2");
    EXPECT_EQ(poll(0, first), JOYERR_UNPLUGGED);
    EXPECT_EQ(poll(0, first), JOYERR_UNPLUGGED);
    ASSERT_EQ(poll(1, second), JOYERR_NOERROR);
    EXPECT_EQ(second.dwXpos, 33u);
    EXPECT_EQ(nameOf(1), "B");
}

TEST_F(EvdevHotplug, replugsReturnToTheirOwnIds)
{
    fake->addJoystick("event2", "A");
    fake->addJoystick("event3", "B");
    JOYINFOEX info{};
    ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
    ASSERT_EQ(poll(1, info), JOYERR_NOERROR);
    fake->unplug("event2");
    fake->unplug("event3");
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(poll(1, info), JOYERR_UNPLUGGED);

    // B comes back first and on the lower node; the first poll after is for id 0.
    fake->addJoystick("event2", "B");
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(nameOf(1), "B");
    fake->addJoystick("event3", "A");
    EXPECT_EQ(nameOf(0), "A");
}

TEST_F(EvdevHotplug, anotherJoystickTakesAnEmptyId)
{
    fake->addJoystick("event2", "A");
    JOYINFOEX info{};
    ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
    EXPECT_EQ(poll(1, info), JOYERR_UNPLUGGED);
    fake->unplug("event2");
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);

    // A lone newcomer goes to the lower empty id, whichever id asks first.
    fake->addJoystick("event5", "C");
    EXPECT_EQ(poll(1, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(nameOf(0), "C");
}

TEST_F(EvdevHotplug, readFailureIsReportedAndTheDeviceReopened)
{
    fake->addJoystick("event1", "Flaky");
    fake->setAxis("event1", ABS_X, 5);
    JOYINFOEX info{};
    ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
    fake->node("event1").readError = -EIO;
    fake->setAxis("event1", ABS_X, 6);
    EXPECT_EQ(poll(0, info), EvdevJoystickService::ReadFailed);
    EXPECT_EQ(info.dwXpos, 5u);

    fake->node("event1").readError = 0;
    ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
    EXPECT_EQ(info.dwXpos, 6u);
    EXPECT_EQ(fake->node("event1").opens, 2);
}

using EvdevAccess = EvdevTest;

TEST_F(EvdevAccess, unreadableJoystickHasItsOwnCodeUntilAllowed)
{
    fake->addJoystick("event6", "Locked").openError = EACCES;
    JOYCAPS caps{};
    EXPECT_EQ(service->joyGetDevCapsA(0, &caps, sizeof(caps)), EvdevJoystickService::NoAccess);
    JOYINFOEX info{};
    info.dwXpos = 9;
    EXPECT_EQ(poll(0, info), EvdevJoystickService::NoAccess);
    EXPECT_EQ(info.dwXpos, 9u);
    EXPECT_EQ(poll(1, info), JOYERR_UNPLUGGED);

    fake->node("event6").openError = 0;
    EXPECT_EQ(poll(0, info), JOYERR_NOERROR);
}

TEST_F(EvdevAccess, unreadableJoystickKeepsItsPlaceInTheOrder)
{
    fake->addJoystick("event2", "Locked").openError = EPERM;
    fake->addJoystick("event5", "Open");
    JOYINFOEX info{};
    EXPECT_EQ(poll(0, info), EvdevJoystickService::NoAccess);
    EXPECT_EQ(nameOf(1), "Open");

    fake->node("event2").openError = 0;
    EXPECT_EQ(nameOf(0), "Locked");
}

TEST_F(EvdevAccess, unreadableOtherDevicesDoNotMatter)
{
    fake->addKeyboard("event0").openError = EACCES;
    fake->addMouse("event1").openError = EACCES;
    JOYINFOEX info{};
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
}

TEST_F(EvdevAccess, otherOpenFailuresHaveTheirOwnCode)
{
    fake->addJoystick("event3", "Busy").openError = ENOMEM;
    JOYINFOEX info{};
    EXPECT_EQ(poll(0, info), EvdevJoystickService::OpenFailed);

    // Without published capabilities an unreadable node may be a joystick: say so.
    fake->node("event3").published = false;
    fake->node("event3").openError = EACCES;
    EXPECT_EQ(poll(0, info), EvdevJoystickService::NoAccess);
}

} // namespace
