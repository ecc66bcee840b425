#include "sensors/evdevjoystick.h"
#include "sensors/portstatus.h"
#include "support/fakeevdev.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

using Device = FakeEvdevKernel::Device;

namespace {

// The backend over the simulated kernel, libevdev between them as on a real system.
struct Rig {
    FakeEvdevKernel kernel;
    std::optional<EvdevJoystickService> service{std::in_place, kernel.root()}; // gone first
    JOYINFOEX info[2]{};

    // The program started again, with a stored choice or none.
    void restart(std::array<std::string, 2> chosen = {})
    {
        service.reset();
        service.emplace(kernel.root(), chosen);
    }
    // Polls as the sampler does; each id's record keeps what earlier polls left in it.
    std::uint32_t poll(std::uint32_t id) { return readJoystick(*service, id, info[id]); }
    // The device's name, or the result code when the capabilities give none.
    std::string nameOf(std::uint32_t id)
    {
        JOYCAPS caps{};
        const std::uint32_t rc = service->joyGetDevCapsA(id, &caps, sizeof(caps));
        return rc ? std::to_string(rc) : caps.szPname;
    }
    std::string names() { return nameOf(0) + " | " + nameOf(1); }
};

// Three kinds of device as their kernel drivers present them.
Device gamePort()
{
    Device port{.name = "Analog 4-axis 4-button joystick",
                .phys = "isa0201/gameport0/input0",
                .id = {BUS_GAMEPORT, 0x0001, 0x00ff, 0x0100},
                .keys = {BTN_TRIGGER, BTN_THUMB, BTN_TOP, BTN_TOP2}};
    for (const unsigned axis : {ABS_X, ABS_Y, ABS_RUDDER, ABS_THROTTLE})
        port.abs[axis] = {620, 77, 1163, 4, 77, 0};
    return port;
}

// A microcontroller board with the usual joystick library: every axis over a 16-bit range.
Device usbBoard(const std::string& port = "2")
{
    Device board{.name = "Arduino LLC Arduino Leonardo",
                 .phys = "usb-0000:00:14.0-" + port + "/input2",
                 .id = {BUS_USB, 0x2341, 0x8036, 0x0101}};
    for (unsigned code = BTN_TRIGGER; code <= BTN_DEAD; ++code)
        board.keys.insert(code);
    for (const unsigned axis :
         {ABS_X, ABS_Y, ABS_Z, ABS_RX, ABS_RY, ABS_RZ, ABS_RUDDER, ABS_THROTTLE})
        board.abs[axis] = {0, -32767, 32767, 0, 0, 0};
    return board;
}

// Its physical path is the adapter's address, which sorts before every other.
Device bluetoothGamepad()
{
    Device pad{.name = "Wireless Controller",
               .phys = "00:1a:7d:da:71:13",
               .uniq = "a4:ae:12:34:56:78",
               .id = {BUS_BLUETOOTH, 0x054c, 0x09cc, 0x8100},
               .keys = {BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST, BTN_TL, BTN_TR, BTN_TL2, BTN_TR2,
                        BTN_SELECT, BTN_START, BTN_MODE, BTN_THUMBL, BTN_THUMBR}};
    for (const unsigned axis : {ABS_X, ABS_Y, ABS_Z, ABS_RX, ABS_RY, ABS_RZ})
        pad.abs[axis] = {128, 0, 255, 0, 0, 0};
    pad.abs[ABS_HAT0X] = pad.abs[ABS_HAT0Y] = {0, -1, 1, 0, 0, 0};
    return pad;
}

const std::string PortName = "Analog 4-axis 4-button joystick";
const std::string BoardName = "Arduino LLC Arduino Leonardo";
const std::string PadName = "Wireless Controller";
const std::string PortIdentity = PortName + " at isa0201/gameport0/input0";
const std::string PadIdentity = PadName + " at 00:1a:7d:da:71:13, unique id a4:ae:12:34:56:78";

} // namespace

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
    EXPECT_EQ(rig.names(), "First | Second");
    // Sysfs may not say what a device is; the opened devices' capabilities then must.
    std::filesystem::remove_all(rig.kernel.dir.path() / "sys");
    rig.restart();
    EXPECT_EQ(rig.names(), "First | Second");
}

TEST(Evdev, aGamepadComesAfterTheGamePortAndTheBoard)
{
    Rig rig;
    rig.kernel.plug("event3", bluetoothGamepad());
    rig.kernel.plug("event9", usbBoard());
    rig.kernel.plug("event14", gamePort());
    EXPECT_EQ(rig.names(), PortName + " | " + BoardName);
    EXPECT_EQ(rig.service->servedBy(0), PortIdentity);

    // Alone with the gamepad, the game port's second pair gives sensors 3 and 4.
    rig.kernel.unplug("event9");
    rig.restart();
    EXPECT_EQ(rig.names(), PortName + " | " + PortName);
    EXPECT_EQ(rig.service->servedBy(1), PortIdentity + ", second pair");

    // Only when nothing else is left does the gamepad serve.
    rig.kernel.unplug("event14");
    rig.restart();
    EXPECT_EQ(rig.names(), PadName + " | 165");
    EXPECT_EQ(rig.service->servedBy(0), PadIdentity);
}

TEST(Evdev, aStoredChoiceAloneServesItsId)
{
    Rig rig;
    rig.kernel.plug("event9", usbBoard());
    rig.kernel.plug("event14", gamePort());
    rig.restart({"", PortIdentity + ", second pair"});
    EXPECT_EQ(rig.names(), PortName + " | " + PortName);
    EXPECT_EQ(rig.service->servedBy(1), PortIdentity + ", second pair");

    // Its device gone, the id is unplugged, whatever else is or comes in.
    rig.kernel.unplug("event14");
    EXPECT_EQ(rig.poll(1), JOYERR_UNPLUGGED);
    rig.kernel.plug("event15", fakeJoystick("Newcomer", "usb-0000:00:14.0-1/input0"));
    EXPECT_EQ(rig.poll(1), JOYERR_UNPLUGGED);
    rig.restart({"", PortIdentity + ", second pair"});
    EXPECT_EQ(rig.names(), "Newcomer | 165");
    EXPECT_EQ(rig.poll(1), JOYERR_UNPLUGGED);
    // Back on another node, it serves again; the stored text may carry stray spaces.
    rig.kernel.plug("event16", gamePort());
    EXPECT_EQ(rig.poll(1), JOYERR_NOERROR);
    rig.restart({"  " + PadIdentity + " ", ""});
    rig.kernel.plug("event2", bluetoothGamepad());
    EXPECT_EQ(rig.names(), PadName + " | " + PortName);
}

TEST(Evdev, aDevicePluggedInWhileRunningTakesOnlyTheIdANewStartGivesIt)
{
    Rig rig;
    rig.kernel.plug("event9", fakeJoystick("Stick", "usb-0000:00:14.0-2/input0"));
    EXPECT_EQ(rig.names(), "Stick | 165");
    // The game port would come first at a start: it waits rather than take id 1 now.
    rig.kernel.plug("event14", gamePort());
    EXPECT_EQ(rig.poll(1), JOYERR_UNPLUGGED);
    EXPECT_EQ(rig.names(), "Stick | 165");
    rig.restart();
    EXPECT_EQ(rig.names(), PortName + " | Stick");

    // Behind a game port with two axes, a stick plugged in later is second at a start too.
    rig.kernel.unplug("event9");
    rig.kernel.unplug("event14");
    rig.restart();
    Device twoAxes = gamePort();
    twoAxes.abs.erase(ABS_RUDDER);
    twoAxes.abs.erase(ABS_THROTTLE);
    rig.kernel.plug("event5", twoAxes);
    EXPECT_EQ(rig.names(), PortName + " | 165");
    rig.kernel.plug("event6", fakeJoystick("Stick", "usb-0000:00:14.0-2/input0"));
    EXPECT_EQ(rig.poll(1), JOYERR_NOERROR);
    EXPECT_EQ(rig.names(), PortName + " | Stick");
}

TEST(Evdev, readingsAreTheKernelsCurrentValuesShiftedNeverScaledNorSmoothed)
{
    Rig rig;
    Device stick = fakeJoystick("Stick", "usb-1");
    stick.abs[ABS_X] = {1000, -2000, 2000, 16, 0, 0};
    rig.kernel.plug("event3", stick);
    stick.refusesSetAbs = true; // where the kernel refuses, the smoothed readings still come
    stick.phys = "usb-2";
    rig.kernel.plug("event4", stick);
    ASSERT_EQ(rig.poll(0) + rig.poll(1), JOYERR_NOERROR);
    EXPECT_EQ(rig.info[1].dwXpos, 3000u); // a range from below zero starts at 0
    EXPECT_EQ(rig.kernel.device("event3").abs[ABS_X].fuzz, 0);
    EXPECT_EQ(rig.kernel.device("event4").abs[ABS_X].fuzz, 16);
    rig.kernel.report("event3", ABS_X, 1005);
    ASSERT_EQ(rig.poll(0), JOYERR_NOERROR);
    EXPECT_EQ(rig.info[0].dwXpos, 3005u);
    // Another program holds the device: no event tells of the change, and beyond 16 bits.
    rig.kernel.device("event3").grabbed = true;
    for (const int value : {1032, 70000}) {
        rig.kernel.report("event3", ABS_X, value);
        ASSERT_EQ(rig.poll(0), JOYERR_NOERROR);
        EXPECT_EQ(rig.info[0].dwXpos, std::min(value + 2000, 65535));
    }
}

// The driver measures only while the device is open: right after an opening the kernel still
// holds what it measured when last closed.
TEST(Evdev, theFirstReadingIsTheDriversFirstReportAfterOpening)
{
    Rig rig;
    rig.kernel.plug("event3", fakeJoystick("Stick", "usb-1"));
    rig.kernel.report("event3", ABS_X, 21000); // warmed while nobody read it
    ASSERT_EQ(rig.nameOf(0), "Stick");         // the start-up check opens it
    ASSERT_EQ(rig.poll(0), JOYERR_NOERROR);
    EXPECT_EQ(rig.info[0].dwXpos, 21000u);

    // Replugged: the new node's kernel values are those of the driver's loading.
    rig.kernel.unplug("event3");
    EXPECT_EQ(rig.poll(0), JOYERR_UNPLUGGED);
    Device again = fakeJoystick("Stick", "usb-1");
    again.abs[ABS_X].value = 5;
    rig.kernel.plug("event4", again);
    rig.kernel.report("event4", ABS_Y, 900);
    ASSERT_EQ(rig.poll(0), JOYERR_NOERROR);
    EXPECT_EQ(std::pair(rig.info[0].dwXpos, rig.info[0].dwYpos), std::pair(5u, 900u));

    // A driver that finds nothing changed sends nothing: the wait ends, the values stand.
    rig.kernel.plug("event5", fakeJoystick("Quiet", "usb-2"));
    EXPECT_EQ(rig.poll(1), JOYERR_NOERROR);
    EXPECT_EQ(rig.nameOf(1), "Quiet");
}

// A game port at fuzz 0 sends a few hundred events a second against a queue of 128.
TEST(Evdev, aFullQueueIsReadOnNotDropped)
{
    Rig rig;
    rig.kernel.plug("event3", gamePort());
    ASSERT_EQ(rig.poll(0), JOYERR_NOERROR);
    for (int i = 0; i < 300; ++i)
        rig.kernel.report("event3", ABS_X, 600 + i % 3);
    rig.kernel.report("event3", ABS_X, 700);
    for (int second = 0; second < 3; ++second) {
        ASSERT_EQ(rig.poll(0), JOYERR_NOERROR);
        EXPECT_EQ(rig.info[0].dwXpos, 700u);
    }
    EXPECT_EQ(rig.kernel.openDescriptors("event3"), 1);
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

    // Unplugged while open, the read fails with ENODEV and the descriptor is closed; the
    // record keeps the last reading.
    rig.kernel.unplug("event4");
    EXPECT_EQ(rig.poll(0), JOYERR_UNPLUGGED);
    EXPECT_EQ(rig.kernel.openDescriptors("event4"), 0);
    EXPECT_EQ(rig.poll(0), JOYERR_UNPLUGGED);
    EXPECT_EQ(rig.info[0].dwXpos, 100u);
    EXPECT_EQ(rig.names(), "165 | B"); // the remaining joystick keeps its id

    // B comes back first and on a lower node, yet neither takes the other's id.
    rig.kernel.unplug("event5");
    EXPECT_EQ(rig.poll(1), JOYERR_UNPLUGGED);
    EXPECT_EQ(rig.kernel.openDescriptors(), 0);
    rig.kernel.plug("event2", b);
    EXPECT_EQ(rig.poll(0), JOYERR_UNPLUGGED);
    rig.kernel.plug("event7", a);
    EXPECT_EQ(rig.names(), "A | B");

    // A newcomer never takes an id that served another device in this run.
    rig.kernel.unplug("event2");
    rig.kernel.unplug("event7");
    rig.kernel.plug("event9", fakeJoystick("C", "usb-0"));
    EXPECT_EQ(rig.names(), "165 | 165");
}

// The game-port driver makes one 4-axis joystick of a port with four axes answering.
TEST(Evdev, aLoneJoystickServesTheSecondIdFromItsSecondPair)
{
    const struct Case {
        std::set<unsigned> axes;
        unsigned x2, y2;
    } cases[] = {
        {{ABS_X, ABS_Y, ABS_RUDDER, ABS_THROTTLE}, ABS_RUDDER, ABS_THROTTLE},
        {{ABS_X, ABS_Y, ABS_Z, ABS_RX, ABS_RY, ABS_RZ, ABS_RUDDER, ABS_THROTTLE}, ABS_RX, ABS_RY},
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

// An unreadable joystick keeps its id, which a lone joystick's second pair may not take.
TEST(Evdev, unreadableNodesHaveTheirOwnCodesAndJoysticksKeepTheirPlace)
{
    Rig rig;
    rig.kernel.plug("event0", {.name = "Keyboard", .keys = {KEY_ESC}}).openError = EACCES;
    EXPECT_EQ(rig.poll(0), JOYERR_UNPLUGGED);
    rig.kernel.plug("event9", fakeJoystick("Locked", "usb-2")).openError = EPERM;
    rig.kernel.plug("event5", fakeJoystick("Open", "usb-1", {ABS_X, ABS_Y, ABS_RX, ABS_RY}));
    rig.info[1].dwXpos = 1234;
    EXPECT_EQ(rig.names(), "Open | 168");
    EXPECT_EQ(rig.poll(1), EvdevJoystickService::NoAccess);
    EXPECT_EQ(rig.info[1].dwXpos, 1234u);
    rig.kernel.device("event9").openError = ENOMEM;
    EXPECT_EQ(rig.poll(1), EvdevJoystickService::OpenFailed);
    rig.kernel.device("event9").openError = 0;
    EXPECT_EQ(rig.nameOf(1), "Locked");
}

TEST(Evdev, theListingShowsEveryDeviceInTheOrderIdsAreGiven)
{
    Rig rig;
    rig.kernel.plug("event3", bluetoothGamepad());
    rig.kernel.plug("event9", usbBoard());
    rig.kernel.plug("event14", gamePort());
    rig.kernel.plug("event1", {.name = "AT Translated Set 2 keyboard", .keys = {KEY_ESC}});
    Device pen = fakeJoystick("Wacom Intuos Pen", "usb-3");
    pen.keys.insert(BTN_TOOL_PEN);
    rig.kernel.plug("event2", pen);
    rig.restart({"", BoardName + " at usb-0000:00:14.0-2/input2"});
    EXPECT_EQ(
        rig.service->listing(),
        "Joysticks, in the order Quorvil4 takes them:\n"
        "/dev/input/event14: joystick 1 (sensors 1 and 2)\n"
        "  name: Analog 4-axis 4-button joystick\n"
        "  physical path: isa0201/gameport0/input0\n"
        "  unique id: (none)\n"
        "  identity for Joystick1: " +
            PortIdentity +
            "\n"
            "  sensor 1: X axis, reading 620\n"
            "  sensor 2: Y axis, reading 620\n"
            "/dev/input/event9: joystick 2 (sensors 3 and 4)\n"
            "  name: Arduino LLC Arduino Leonardo\n"
            "  physical path: usb-0000:00:14.0-2/input2\n"
            "  unique id: (none)\n"
            "  identity for Joystick2: Arduino LLC Arduino Leonardo at usb-0000:00:14.0-2/input2\n"
            "  sensor 3: X axis, reading 32767\n"
            "  sensor 4: Y axis, reading 32767\n"
            "/dev/input/event3: no joystick id: the stored choice names other devices, or both "
            "ids are taken\n"
            "  name: Wireless Controller\n"
            "  physical path: 00:1a:7d:da:71:13\n"
            "  unique id: a4:ae:12:34:56:78\n"
            "  a gamepad: its centred sticks are taken only when no other joystick is left\n"
            "  identity: " +
            PadIdentity +
            "\n"
            "  sensor 1: X axis, reading 128\n"
            "  sensor 2: Y axis, reading 128\n"
            "Left out:\n"
            "/dev/input/event1 (AT Translated Set 2 keyboard): no absolute X and Y axes\n"
            "/dev/input/event2 (Wacom Intuos Pen): a pen or tablet\n");
}
