#include "sensors/evdevjoystick.h"
#include "support/fakeevdev.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

using Device = FakeEvdevKernel::Device;

class EvdevTest : public testing::Test {
protected:
    EvdevTest() { fresh(); }
    ~EvdevTest() override
    {
        if (other >= 0)
            ::close(other);
        service.reset();
    }

    // Starts over with nothing plugged in.
    void fresh()
    {
        service.reset();
        kernel.reset();
        kernel = std::make_unique<FakeEvdevKernel>();
        restart();
    }
    // A new run of the program over what is plugged in now.
    void restart() { service = std::make_unique<EvdevJoystickService>(kernel->root()); }
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

    std::unique_ptr<FakeEvdevKernel> kernel;
    std::unique_ptr<EvdevJoystickService> service;
    int other = -1; // another program's descriptor
};

TEST_F(EvdevTest, idsGoToJoysticksByPlaceThenNameNeverToOtherDevices)
{
    // Each has X, Y and a gamepad button, and sorts first: pens, touch and motion sensors.
    const unsigned marks[] = {BTN_STYLUS, BTN_TOOL_PEN, BTN_TOUCH, BTN_TOOL_FINGER, 0, 0};
    for (const bool published : {true, false}) {
        SCOPED_TRACE(published ? "published capabilities" : "opened to tell");
        fresh();
        for (unsigned i = 0; i < std::size(marks); ++i) {
            Device device = fakeJoystick("Pad", "a");
            device.keys = {BTN_SOUTH, marks[i] ? marks[i] : BTN_SOUTH};
            if (i == 4)
                device.abs[ABS_MT_POSITION_X] = {};
            if (i == 5)
                device.props = {INPUT_PROP_ACCELEROMETER};
            device.published = published;
            kernel->plug("event2" + std::to_string(i), device);
        }
        for (const char* notEvent : {"js0", "event", "event3x"})
            kernel->plug(notEvent, fakeJoystick(notEvent, "a"));
        // Event numbers follow the order in which drivers probed; the places stay.
        Device first = fakeJoystick("First", "usb-1/input0");
        first.abs[ABS_X] = {111, -32768, 32767, 0, 0, 0};
        Device second = fakeJoystick("Second", "usb-2/input0");
        second.abs[ABS_Y] = {222, 400, 1800, 0, 0, 0};
        for (auto [node, device] : {std::pair{"event8", fakeJoystick("Third", "usb-2/input0")},
                                    {"event10", second},
                                    {"event12", first}}) {
            device.published = published;
            kernel->plug(node, device);
        }

        JOYINFOEX one{}, two{};
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(poll(0, one), JOYERR_NOERROR);
            ASSERT_EQ(poll(1, two), JOYERR_NOERROR);
        }
        EXPECT_EQ(nameOf(0), "First");
        EXPECT_EQ(one.dwXpos, 32768u + 111u); // shifted to start at 0
        JOYCAPS found{};
        ASSERT_EQ(caps(1, found), JOYERR_NOERROR);
        EXPECT_STREQ(found.szPname, "Second");
        EXPECT_STREQ(found.szRegKey, "/dev/input/event10");
        EXPECT_EQ(two.dwYpos, 222u); // never scaled by the axis range
        // Good polls keep their device open; published capabilities spare waking the others.
        EXPECT_EQ(kernel->device("event12").opens, 1);
        EXPECT_EQ(kernel->device("event20").opens, published ? 0 : 1);
    }
}

TEST_F(EvdevTest, readingsAreTheKernelsCurrentValues)
{
    const auto report = [this](int value) { kernel->report("event3", ABS_X, value); };
    struct Case {
        const char* what;
        int fuzz;
        bool refusesSetAbs;
        std::function<void()> change;
        std::uint32_t x;
    } cases[] = {
        {"a change", 0, false, [&] { report(1200); }, 1200},
        {"a full event queue dropped the last change", 0, false,
         [&] {
             for (int value = 1001; value <= 1032; ++value)
                 report(value);
         },
         1032},
        {"another program grabbed the device", 0, false,
         [&] {
             other = ::open(kernel->path("event3").c_str(), O_RDONLY | O_NONBLOCK);
             ASSERT_EQ(::ioctl(other, EVIOCGRAB, reinterpret_cast<void*>(1)), 0);
             report(1500);
         },
         1500},
        {"the kernel no longer smooths a small change", 16, false, [&] { report(1003); }, 1003},
        {"where the kernel refuses, smoothed readings", 16, true, [&] { report(1003); }, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        Device device = fakeJoystick("Stick", "usb-1");
        device.abs[ABS_X] = {1000, 0, 4000, c.fuzz, 0, 0};
        device.refusesSetAbs = c.refusesSetAbs;
        kernel->plug("event3", device);
        JOYINFOEX info{};
        ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
        EXPECT_EQ(kernel->device("event3").abs[ABS_X].fuzz, c.refusesSetAbs ? c.fuzz : 0);
        c.change();
        ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
        EXPECT_EQ(info.dwXpos, c.x);
    }
}

// The game-port driver makes one 4-axis joystick of a port with four axes answering.
TEST_F(EvdevTest, aLoneJoystickServesTheSecondIdFromItsSecondPair)
{
    const struct Case {
        std::set<unsigned> axes;
        unsigned x2, y2;
    } cases[] = {
        {{ABS_X, ABS_Y, ABS_RUDDER, ABS_THROTTLE}, ABS_RUDDER, ABS_THROTTLE},
        {{ABS_X, ABS_Y, ABS_RX, ABS_RY, ABS_RUDDER, ABS_THROTTLE}, ABS_RUDDER, ABS_THROTTLE},
        {{ABS_X, ABS_Y, ABS_Z, ABS_RX, ABS_RY, ABS_RZ}, ABS_RX, ABS_RY},
        {{ABS_X, ABS_Y, ABS_Z, ABS_RZ}, ABS_Z, ABS_RZ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x2);
        fresh();
        Device port = fakeJoystick("Port", "gameport0/input0", c.axes);
        port.abs[ABS_X].value = 11;
        port.abs[c.x2].value = 33;
        port.abs[c.y2] = {44, 0, 4000, 8, 0, 0};
        for (const char* node : {"event5", "event6"}) { // plugged in, then back as another node
            kernel->plug(node, port);
            EXPECT_EQ(nameOf(1), "Port");
            JOYINFOEX info{};
            ASSERT_EQ(poll(1, info), JOYERR_NOERROR);
            EXPECT_EQ(info.dwXpos, 33u);
            EXPECT_EQ(info.dwYpos, 44u);
            EXPECT_EQ(kernel->device(node).abs[c.y2].fuzz, 0);
            ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
            EXPECT_EQ(info.dwXpos, 11u);
            kernel->unplug(node);
            EXPECT_EQ(poll(1, info), JOYERR_UNPLUGGED);
            EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
        }
    }
    // A second joystick has the second id, also while it cannot be read or is unplugged.
    kernel->plug("event5", fakeJoystick("Port", "gameport0/input0", cases[0].axes));
    kernel->plug("event9", fakeJoystick("Other", "usb-9")).openError = EACCES;
    restart();
    JOYINFOEX info{};
    EXPECT_EQ(poll(1, info), EvdevJoystickService::NoAccess);
    kernel->device("event9").openError = 0;
    EXPECT_EQ(nameOf(1), "Other");
    kernel->unplug("event9");
    EXPECT_EQ(poll(1, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(poll(1, info), JOYERR_UNPLUGGED);
}

TEST_F(EvdevTest, idsFollowTheirDevicesThroughUnplugAndReplug)
{
    Device a = fakeJoystick("A", "usb-1");
    a.abs[ABS_X].value = 100;
    Device b = fakeJoystick("B", "usb-2", {ABS_X, ABS_Y, ABS_RX, ABS_RY});
    kernel->plug("event4", a);
    kernel->plug("event5", b);
    JOYINFOEX info{};
    ASSERT_EQ(poll(0, info), JOYERR_NOERROR);

    kernel->unplug("event4");
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(info.dwXpos, 100u);
    JOYCAPS found{};
    EXPECT_EQ(caps(0, found), JOYERR_PARMS);
    EXPECT_EQ(nameOf(1), "B"); // the remaining joystick keeps its id

    // B comes back first and on a lower node, yet neither takes the other's id.
    kernel->unplug("event5");
    EXPECT_EQ(poll(1, info), JOYERR_UNPLUGGED);
    kernel->plug("event2", b);
    EXPECT_EQ(poll(0, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(nameOf(1), "B");
    kernel->plug("event7", a);
    EXPECT_EQ(nameOf(0), "A");

    // Any other read failure has its own code, and the device is opened afresh next time.
    kernel->device("event7").readError = EIO;
    kernel->report("event7", ABS_X, 6);
    EXPECT_EQ(poll(0, info), EvdevJoystickService::ReadFailed);
    EXPECT_EQ(info.dwXpos, 100u);
    kernel->device("event7").readError = 0;
    ASSERT_EQ(poll(0, info), JOYERR_NOERROR);
    EXPECT_EQ(info.dwXpos, 6u);
    EXPECT_EQ(kernel->device("event7").opens, 2);

    // A lone newcomer goes to id 0, whichever id asks first.
    kernel->unplug("event2");
    kernel->unplug("event7");
    kernel->plug("event9", fakeJoystick("C", "usb-3"));
    EXPECT_EQ(poll(1, info), JOYERR_UNPLUGGED);
    EXPECT_EQ(nameOf(0), "C");
}

TEST_F(EvdevTest, failuresLeaveTheRecordsAndHaveTheirOwnCodes)
{
    kernel->plug("event0", {.name = "Keyboard", .keys = {KEY_ESC}}).openError = EACCES;
    JOYCAPS found{};
    found.wMid = 7;
    JOYINFOEX info{};
    info.dwXpos = 1234;
    for (std::uint32_t id : {0u, 1u}) {
        EXPECT_EQ(caps(id, found), JOYERR_PARMS);
        EXPECT_EQ(poll(id, info), JOYERR_UNPLUGGED);
    }
    EXPECT_EQ(poll(2, info), JOYERR_PARMS);
    EXPECT_EQ(service->joyGetPosEx(0, nullptr), JOYERR_PARMS);
    EXPECT_EQ(service->joyGetDevCapsA(0, &found, sizeof(found) - 1), JOYERR_PARMS);

    // An unreadable joystick keeps its place.
    kernel->plug("event9", fakeJoystick("Locked", "usb-1")).openError = EPERM;
    kernel->plug("event5", fakeJoystick("Open", "usb-2"));
    EXPECT_EQ(caps(0, found), EvdevJoystickService::NoAccess);
    EXPECT_EQ(poll(0, info), EvdevJoystickService::NoAccess);
    EXPECT_EQ(found.wMid, 7);
    EXPECT_EQ(info.dwXpos, 1234u);
    EXPECT_EQ(nameOf(1), "Open");
    kernel->device("event9").openError = 0;
    EXPECT_EQ(nameOf(0), "Locked");

    fresh();
    kernel->plug("event3", fakeJoystick("Busy", "usb-1")).openError = ENOMEM;
    EXPECT_EQ(poll(0, info), EvdevJoystickService::OpenFailed);
    // Without published capabilities an unreadable node may be a joystick: say so.
    Device hidden = fakeJoystick("Busy", "usb-1");
    hidden.published = false;
    hidden.openError = EACCES;
    kernel->plug("event4", hidden);
    EXPECT_EQ(poll(0, info), EvdevJoystickService::OpenFailed);
    kernel->unplug("event3");
    EXPECT_EQ(poll(0, info), EvdevJoystickService::NoAccess);
}

// The game-port driver sets min and max from its first reading, so scaling by them would make
// the same resistance read differently after each boot: values are only shifted and clamped.
TEST(EvdevValues, axisValuesAreShiftedNeverScaled)
{
    EXPECT_EQ(evdev::mapAxisValue(70000, 0), 65535u);
    EXPECT_EQ(evdev::mapAxisValue(32767, -32768), 65535u);
    EXPECT_EQ(evdev::mapAxisValue(INT_MAX, INT_MIN), 65535u);
}

} // namespace
