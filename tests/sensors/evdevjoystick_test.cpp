#include "sensors/evdevjoystick.h"
#include "sensors/portstatus.h"
#include "support/fakeevdev.h"

#include <cerrno>
#include <gtest/gtest.h>

using Device = FakeEvdevKernel::Device;

// The backend over the simulated kernel, libevdev between them as on a real system.
struct Rig {
    FakeEvdevKernel kernel;
    EvdevJoystickService service{kernel.root()}; // a run of the program, gone before the kernel
    JOYINFOEX info[2]{};

    // Polls as the sampler does; each id's record keeps what earlier polls left in it.
    std::uint32_t poll(std::uint32_t id) { return readJoystick(service, id, info[id]); }
    // The device's name, or the result code when the capabilities give none.
    std::string nameOf(std::uint32_t id)
    {
        JOYCAPS caps{};
        const std::uint32_t rc = service.joyGetDevCapsA(id, &caps, sizeof(caps));
        return rc ? std::to_string(rc) : caps.szPname;
    }
};

TEST(Evdev, idsGoToJoysticksByPlaceThenNameNeverToPads)
{
    Rig rig;
    // Event numbers follow the order in which drivers probed; the places stay.
    rig.kernel.plug("event8", fakeJoystick("Third", "usb-2/input0"));
    rig.kernel.plug("event10", fakeJoystick("Second", "usb-2/input0"));
    rig.kernel.plug("event12", fakeJoystick("First", "usb-1/input0"));
    // Each has X, Y and a joystick button, like a tablet's pad, a touch surface or a motion
    // sensor, and would sort first.
    for (const unsigned mark : {BTN_STYLUS, BTN_TOOL_PEN, BTN_TOUCH, BTN_TOOL_FINGER, 0, 1}) {
        Device pad = fakeJoystick("Pad", "a");
        pad.keys.insert(mark);
        if (mark == 0)
            pad.abs[ABS_MT_POSITION_X] = {};
        if (mark == 1)
            pad.props = {INPUT_PROP_ACCELEROMETER};
        rig.kernel.plug("event" + std::to_string(20 + mark), pad);
    }
    rig.kernel.plug("js0", fakeJoystick("js0", "a"));
    EXPECT_EQ(rig.nameOf(0) + rig.nameOf(1), "FirstSecond");
}

TEST(Evdev, readingsAreTheKernelsCurrentValuesShiftedNeverScaledNorSmoothed)
{
    Rig rig;
    Device stick = fakeJoystick("Stick", "usb-1");
    stick.abs[ABS_X] = {1000, -2000, 2000, 16, 0, 0};
    rig.kernel.plug("event3", stick);
    stick.refusesSetAbs = true; // where the kernel refuses, the smoothed readings still come
    rig.kernel.plug("event4", stick);
    ASSERT_EQ(rig.poll(0) + rig.poll(1), JOYERR_NOERROR);
    EXPECT_EQ(rig.info[1].dwXpos, 3000u); // a range from below zero starts at 0
    EXPECT_EQ(rig.kernel.device("event3").abs[ABS_X].fuzz, 0);
    EXPECT_EQ(rig.kernel.device("event4").abs[ABS_X].fuzz, 16);
    // Changed since without an event to tell, and beyond 16 bits.
    for (const int value : {1032, 70000}) {
        rig.kernel.report("event3", ABS_X, value);
        ASSERT_EQ(rig.poll(0), JOYERR_NOERROR);
        EXPECT_EQ(rig.info[0].dwXpos, std::min(value + 2000, 65535));
    }
}

// The game-port driver makes one 4-axis joystick of a port with four axes answering.
TEST(Evdev, aLoneJoystickServesTheSecondIdFromItsSecondPair)
{
    const struct Case {
        std::set<unsigned> axes;
        unsigned x2, y2;
    } cases[] = {
        {{ABS_X, ABS_Y, ABS_RX, ABS_RY, ABS_RUDDER, ABS_THROTTLE}, ABS_RUDDER, ABS_THROTTLE},
        {{ABS_X, ABS_Y, ABS_Z, ABS_RX, ABS_RY, ABS_RZ}, ABS_RX, ABS_RY},
        {{ABS_X, ABS_Y, ABS_Z, ABS_RZ}, ABS_Z, ABS_RZ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x2);
        Rig rig;
        Device port = fakeJoystick("Port", "gameport0/input0", c.axes);
        port.abs[ABS_X].value = 11;
        port.abs[c.x2].value = 33;
        port.abs[c.y2] = {44, 0, 4000, 8, 0, 0};
        for (const char* node : {"event5", "event6"}) { // plugged in, then back as another node
            rig.kernel.plug(node, port);
            ASSERT_EQ(rig.poll(1), JOYERR_NOERROR);
            ASSERT_EQ(rig.poll(0), JOYERR_NOERROR);
            EXPECT_EQ(rig.info[0].dwXpos, 11u);
            EXPECT_EQ(std::pair(rig.info[1].dwXpos, rig.info[1].dwYpos), std::pair(33u, 44u));
            EXPECT_EQ(rig.kernel.device(node).abs[c.y2].fuzz, 0);
            rig.kernel.unplug(node);
            EXPECT_EQ(rig.poll(1), JOYERR_UNPLUGGED);
            EXPECT_EQ(rig.poll(0), JOYERR_UNPLUGGED);
        }
    }
}

TEST(Evdev, idsFollowTheirDevicesThroughUnplugAndReplug)
{
    Rig rig;
    Device a = fakeJoystick("A", "usb-1");
    a.abs[ABS_X].value = 100;
    const Device b = fakeJoystick("B", "usb-2", {ABS_X, ABS_Y, ABS_RX, ABS_RY});
    rig.kernel.plug("event4", a);
    rig.kernel.plug("event5", b);
    ASSERT_EQ(rig.poll(0), JOYERR_NOERROR);

    // Unplugged while open, the read fails with ENODEV; the record keeps the last reading.
    rig.kernel.unplug("event4");
    EXPECT_EQ(rig.poll(0), JOYERR_UNPLUGGED);
    EXPECT_EQ(rig.poll(0), JOYERR_UNPLUGGED);
    EXPECT_EQ(rig.info[0].dwXpos, 100u);
    EXPECT_EQ(rig.nameOf(0) + rig.nameOf(1), "165B"); // the remaining joystick keeps its id

    // B comes back first and on a lower node, yet neither takes the other's id.
    rig.kernel.unplug("event5");
    EXPECT_EQ(rig.poll(1), JOYERR_UNPLUGGED);
    rig.kernel.plug("event2", b);
    EXPECT_EQ(rig.poll(0), JOYERR_UNPLUGGED);
    rig.kernel.plug("event7", a);
    EXPECT_EQ(rig.nameOf(0) + rig.nameOf(1), "AB");

    // A lone newcomer goes to id 0, whichever id asks first.
    rig.kernel.unplug("event2");
    rig.kernel.unplug("event7");
    rig.kernel.plug("event9", fakeJoystick("C", "usb-3"));
    EXPECT_EQ(rig.poll(1), JOYERR_UNPLUGGED);
    EXPECT_EQ(rig.nameOf(0), "C");
}

// An unreadable joystick keeps its id, which a lone joystick's second pair may not take.
TEST(Evdev, unreadableNodesHaveTheirOwnCodesAndJoysticksKeepTheirPlace)
{
    Rig rig;
    rig.kernel.plug("event0", {.name = "Keyboard", .keys = {KEY_ESC}}).openError = EACCES;
    EXPECT_EQ(rig.poll(0), JOYERR_UNPLUGGED);
    rig.kernel.plug("event9", fakeJoystick("Locked", "usb-2")).openError = EPERM;
    rig.kernel.plug("event5", fakeJoystick("Open", "usb-1", {ABS_X, ABS_Y, ABS_RX, ABS_RY}));
    rig.info[1].dwXpos = 1234;
    EXPECT_EQ(rig.nameOf(0) + rig.nameOf(1), "Open168");
    EXPECT_EQ(rig.poll(1), EvdevJoystickService::NoAccess);
    EXPECT_EQ(rig.info[1].dwXpos, 1234u);
    rig.kernel.device("event9").openError = ENOMEM;
    EXPECT_EQ(rig.poll(1), EvdevJoystickService::OpenFailed);
    rig.kernel.device("event9").openError = 0;
    EXPECT_EQ(rig.nameOf(1), "Locked");
}
