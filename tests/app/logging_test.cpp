#include "app/console/headless.h"
#include "support/fulldisk.h"
#include "support/quorviltest.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string Header = "Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True\r\n";

class Logging : public QuorvilTest {
protected:
    fs::path file() const { return logFolder.path() / "QuorvilLog.csv"; }
    std::string contents() const { return readFile(file()); }
    // Off, with the timer stopped and no descriptor of this process left open on the file.
    void expectOff()
    {
        EXPECT_TRUE(form->Option2->isChecked() && !form->Option1->isChecked());
        EXPECT_FALSE(form->TimerCount.isActive());
        for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            EXPECT_NE(fs::read_symlink(fd.path(), ec), file());
        }
    }
    // One message box naming the file and the reason, and logging Off.
    void expectReported(const char* action, const char* reason)
    {
        ASSERT_EQ(boxes.asked.size(), 1);
        const ScriptedMessageBoxes::Question question = boxes.asked.takeLast();
        EXPECT_EQ(question.buttons, msgbox::OkOnly + msgbox::Exclamation);
        EXPECT_EQ(question.prompt.toStdString(), std::string("The log file could not be ") +
                                                     action + ":\r\n" + file().string() + "\r\n" +
                                                     reason + "\r\nLogging is switched off.");
        expectOff();
    }
};

} // namespace

TEST_F(Logging, onWritesTheHeaderAndEachTickOneLineOfSixFieldsUntilOff)
{
    Quorvil& q = loaded();
    q.Option1->click();
    EXPECT_EQ(contents(), Header);
    // Nothing chosen: the design interval, matching the "1 Second" shown.
    EXPECT_TRUE(q.TimerCount.isActive());
    EXPECT_EQ(q.TimerCount.interval(), 1000);

    const QLocale locale;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    q.TimerCount_Timer(); // labels never set give empty fields
    q.lblS1->setText("21");
    q.lblS2->setText("22");
    q.lblS3->setText("19");
    q.lblS4->setText("-3");
    q.Option1->click(); // "On" again is no change: the log goes on
    clock->at = clock->at.addSecs(1);
    q.TimerCount_Timer();
    QLocale::setDefault(locale);
    const std::string logged = contents();
    EXPECT_EQ(logged, Header + "12/5/2026,3:04:05 PM,,,,\r\n12/5/2026,3:04:06 PM,21,22,19,-3\r\n");

    q.Option2->click();
    expectOff();
    EXPECT_EQ(contents(), logged);
    q.Option1->click();
    EXPECT_EQ(contents(), Header);

    // A log that cannot be created, or no longer written, is reported and logging returns to Off.
    q.Option2->click();
    fs::remove(file());
    fs::create_directories(file()); // a directory where the file should be
    boxes.answer(msgbox::Ok);
    q.Option1->click();
    expectReported("created", "Is a directory");
    fs::remove(file());

    q.Option1->click();
    boxes.answer(msgbox::Ok);
    {
        const FullDisk full(Header.size() + 10); // in the middle of the line
        q.TimerCount_Timer();
    }
    expectReported("written", "File too large");
    EXPECT_EQ(contents(), Header);
}

// The window and the console mode logging to one file, in either order: the second is refused
// with the log's failure message and touches nothing, while the first goes on line by line.
TEST_F(Logging, aSecondProgramCannotLogToTheSameFile)
{
    Quorvil& q = loaded();
    Options options;
    options.mode = Options::Mode::Headless;
    options.logFile = file().string();
    std::vector<std::string> reports;
    const auto console = [&] {
        return std::make_unique<Headless>(
            HeadlessServices{joystick, store, clock, -1,
                             [&](const std::string& r) { reports.push_back(r); }},
            options);
    };

    q.Option1->click();
    q.TimerCount_Timer();
    const std::string logged = contents();
    std::unique_ptr<Headless> second = console();
    EXPECT_FALSE(second->start());
    EXPECT_EQ(second->status(), 1);
    EXPECT_EQ(reports, std::vector<std::string>{
                           "quorvil4: the log file could not be created: " + file().string() +
                           ": another Quorvil4 is logging to this file"});
    EXPECT_EQ(contents(), logged);
    q.TimerCount_Timer();
    EXPECT_EQ(contents().size(), 2 * logged.size() - Header.size());
    q.Option2->click();

    std::unique_ptr<Headless> first = console();
    ASSERT_TRUE(first->start());
    first->TimerCount_Timer();
    const std::string consoleLogged = contents();
    boxes.answer(msgbox::Ok);
    q.Option1->click();
    EXPECT_EQ(contents(), consoleLogged);
    first.reset();
    expectReported("created", "another Quorvil4 is logging to this file");
}
