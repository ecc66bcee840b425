#include "app/console/commands.h"
#include "app/console/headless.h"
#include "app/frmcalibrate.h"
#include "support/console.h"
#include "support/quorviltest.h"

#include <sstream>

namespace {

const std::string Port = "Analog 4-axis 4-button joystick at isa0201/gameport0/input0";

} // namespace

// The stored choice is the section "Joysticks" alone: what serves now is written, an id that
// nothing serves loses its choice, and the rest of the settings stay as they are.
TEST_F(QuorvilTest, keepJoysticksStoresTheDevicesServingNow)
{
    put("Misc", "Left", "1440");
    put("Joysticks", "Joystick1", "Old stick at usb-1");
    put("Joysticks", "Joystick2", "Old pad at usb-2");
    joystick->port(0).device = Port;
    joystick->port(1).capsResult = JOYERR_PARMS;
    registry settings(store);
    std::ostringstream out, err;
    EXPECT_EQ(keepJoysticks(*joystick, settings, out, err), 0);
    EXPECT_EQ(storedJoysticks(settings), (std::array<std::string, 2>{Port, ""}));
    EXPECT_EQ(settings.GetSetting("Misc", "Left"), "1440");
    EXPECT_EQ(out.str(), "Stored in HKEY_CURRENT_USER, section \"Joysticks\":\n"
                         "Joystick1 = " +
                             Port +
                             "\n"
                             "Joystick2 removed: no device serves joystick 2 (sensors 3 and 4) "
                             "now, so the first free joystick will\n");
    EXPECT_TRUE(err.str().empty());

    // With nothing plugged in, nothing is lost.
    joystick->port(0).capsResult = JOYERR_PARMS;
    std::ostringstream none;
    EXPECT_EQ(keepJoysticks(*joystick, settings, none, err), 1);
    EXPECT_TRUE(none.str().empty());
    EXPECT_EQ(storedJoysticks(settings)[0], Port);
}

TEST(Options, theJoystickCommandsStandAlone)
{
    std::string error;
    EXPECT_EQ(parseOptions({"--list-joysticks"}, &error)->mode, Options::Mode::ListJoysticks);
    EXPECT_EQ(parseOptions({"--keep-joysticks"}, &error)->mode, Options::Mode::KeepJoysticks);
    EXPECT_FALSE(parseOptions({"--keep-joysticks", "--simulate"}, &error));
    EXPECT_TRUE(error.starts_with("--keep-joysticks stands alone\n")) << error;
}

// The console names a device when it starts feeding a joystick's sensors, again after a replug.
TEST_F(QuorvilTest, headlessNamesTheDeviceThatStartsServing)
{
    Headless& c = console();
    ASSERT_TRUE(c.start());
    joystick->set(0, 0, 10000, 10000);
    joystick->set(1, 0, 10000, 10000);
    for (const std::string& device : {Port, Port, std::string(), Port}) {
        joystick->port(1).device = device;
        c.Timer1_Timer();
        c.Timer2_Timer();
    }
    const std::string line = "joystick 2 (sensors 3 and 4): " + Port;
    EXPECT_EQ(reports, (std::vector<std::string>{line, line}));
}

TEST_F(QuorvilTest, calibrationShowsTheDeviceFeedingTheSensor)
{
    joystick->port(1).device = Port + ", second pair";
    Quorvil& q = loaded();
    q.mnuCalibrate->trigger();
    auto* window = qobject_cast<frmCalibrate*>(q.forms().form(QStringLiteral("frmCalibrate")));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->lblDevice->toolTip(), QStringLiteral("Joystick 1, X axis"));
    window->cboSensor->setCurrentIndex(3);
    EXPECT_EQ(window->lblDevice->toolTip(), QStringLiteral("Joystick 2, Y axis: ") +
                                                QString::fromStdString(Port) +
                                                QStringLiteral(", second pair"));
    window->close();
}
