#include "app/datetimetext.h"
#include "support/quorviltest.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string Header = "Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True\r\n";

class Logging : public QuorvilTest {
protected:
    fs::path folder() const { return logFolder.path().toStdString(); }
    fs::path file() const { return folder() / "QuorvilLog.csv"; }
    std::string contents() const
    {
        std::ifstream in(file(), std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    void showTemperatures(const char* s1, const char* s2, const char* s3, const char* s4)
    {
        form->lblS1->setText(s1);
        form->lblS2->setText(s2);
        form->lblS3->setText(s3);
        form->lblS4->setText(s4);
    }
    void expectOff()
    {
        EXPECT_TRUE(form->Option2->isChecked());
        EXPECT_FALSE(form->Option1->isChecked());
        EXPECT_FALSE(form->TimerCount.isActive());
        EXPECT_EQ(handlesOpenOn(file()), 0);
    }
    // Descriptors of this process open on path.
    static int handlesOpenOn(const fs::path& path)
    {
        int count = 0;
        for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            if (fs::read_symlink(fd.path(), ec) == path)
                ++count;
        }
        return count;
    }
};

// The data lines after the header, each without its CR LF, which every line must end in.
std::vector<std::string> dataLines(const std::string& contents)
{
    std::vector<std::string> lines;
    std::size_t at = contents.find("\r\n") + 2;
    while (at < contents.size()) {
        const std::size_t end = contents.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "line without CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(contents.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> result;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, ',');)
        result.push_back(field);
    if (!line.empty() && line.back() == ',')
        result.emplace_back();
    return result;
}

} // namespace

TEST_F(Logging, onWritesTheHeaderAndEachTickOneLineOfSixFields)
{
    Quorvil& q = loaded();
    q.Option1->click();
    EXPECT_EQ(contents(), Header);
    EXPECT_TRUE(q.TimerCount.isActive());
    // Nothing chosen: the design interval, matching the "1 Second" shown.
    EXPECT_EQ(q.TimerCount.interval(), 1000);

    // Labels never set give empty fields.
    const QDate before = QDate::currentDate();
    q.TimerCount_Timer();
    showTemperatures("21", "22", "19", "-3");
    q.TimerCount_Timer();
    const QDate after = QDate::currentDate();

    const std::vector<std::string> lines = dataLines(contents());
    ASSERT_EQ(lines.size(), 2u);
    const std::vector<std::string> first = fields(lines[0]);
    ASSERT_EQ(first.size(), 6u) << lines[0];
    EXPECT_TRUE(first[0] == dateText(before).toStdString() ||
                first[0] == dateText(after).toStdString())
        << first[0];
    EXPECT_FALSE(first[1].empty());
    EXPECT_EQ(lines[0].substr(lines[0].size() - 4), ",,,,");
    const std::vector<std::string> second = fields(lines[1]);
    ASSERT_EQ(second.size(), 6u) << lines[1];
    EXPECT_EQ(std::vector(second.begin() + 2, second.end()),
              (std::vector<std::string>{"21", "22", "19", "-3"}));
}

TEST_F(Logging, onOffOnKeepsOnlyTheNewestHeaderAndItsLines)
{
    Quorvil& q = loaded();
    showTemperatures("1", "2", "3", "4");
    q.Option1->click();
    q.TimerCount_Timer();
    // Choosing "On" again is no change: the log goes on.
    q.Option1->click();
    q.TimerCount_Timer();
    EXPECT_EQ(dataLines(contents()).size(), 2u);

    q.Option2->click();
    expectOff();
    EXPECT_EQ(dataLines(contents()).size(), 2u);

    q.Option1->click();
    EXPECT_EQ(contents(), Header);
    showTemperatures("5", "6", "7", "8");
    q.TimerCount_Timer();
    q.Option2->click();
    const std::vector<std::string> lines = dataLines(contents());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].ends_with(",5,6,7,8"));
    EXPECT_TRUE(contents().starts_with(Header));
}

TEST_F(Logging, oneMinuteIntervalWritesItsFirstLineOneIntervalAfterOn)
{
    Quorvil& q = loaded();
    q.cboTimer->setCurrentIndex(6);
    EXPECT_EQ(q.TimerCount.interval(), 60000);
    EXPECT_FALSE(q.TimerCount.isActive());
    q.Option1->click();
    EXPECT_EQ(contents(), Header);
    EXPECT_TRUE(q.TimerCount.isActive());
    EXPECT_GT(q.TimerCount.remainingTime(), 59000);
    q.TimerCount_Timer();
    EXPECT_EQ(dataLines(contents()).size(), 1u);
}

TEST_F(Logging, intervalChosenWhileLoggingAppliesToTheFollowingLines)
{
    Quorvil& q = loaded();
    q.Option1->click();
    q.cboTimer->setCurrentIndex(3);
    EXPECT_TRUE(q.TimerCount.isActive());
    EXPECT_EQ(q.TimerCount.interval(), 10000);
    EXPECT_GT(q.TimerCount.remainingTime(), 9000);
    // No choice, by typing or by clearing, keeps the interval.
    q.cboTimer->setEditText(QStringLiteral("2 Seconds"));
    EXPECT_EQ(q.TimerCount.interval(), 10000);
    q.cboTimer->setCurrentIndex(-1);
    EXPECT_EQ(q.TimerCount.interval(), 10000);
    q.cboTimer->setCurrentIndex(0);
    EXPECT_EQ(q.TimerCount.interval(), 1000);
    EXPECT_TRUE(q.TimerCount.isActive());
}

TEST_F(Logging, aLogThatCannotBeCreatedIsReportedAndLoggingReturnsToOff)
{
    Quorvil& q = loaded();
    fs::create_directories(file()); // a directory where the file should be
    boxes.answer(msgbox::Ok);
    q.Option1->click();
    ASSERT_EQ(boxes.asked.size(), 1);
    const QString prompt = boxes.asked[0].prompt;
    EXPECT_TRUE(prompt.contains(QString::fromStdString(file().string()))) << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(QStringLiteral("Is a directory"))) << prompt.toStdString();
    EXPECT_EQ(boxes.asked[0].buttons, msgbox::OkOnly + msgbox::Exclamation);
    expectOff();

    // Once the way is clear, logging works again.
    fs::remove(file());
    if (::geteuid() != 0) { // the superuser writes into a read-only folder all the same
        fs::permissions(folder(), fs::perms::owner_read | fs::perms::owner_exec);
        boxes.answer(msgbox::Ok);
        q.Option1->click();
        fs::permissions(folder(), fs::perms::owner_all);
        ASSERT_EQ(boxes.asked.size(), 2);
        EXPECT_TRUE(boxes.asked[1].prompt.contains(QStringLiteral("Permission denied")));
        expectOff();
        boxes.asked.removeLast();
    }
    q.Option1->click();
    EXPECT_EQ(contents(), Header);
    EXPECT_EQ(boxes.asked.size(), 1);

    // A full disk refuses the header.
    q.Option2->click();
    fs::remove(file());
    if (!fs::exists("/dev/full"))
        return;
    fs::create_symlink("/dev/full", file());
    boxes.answer(msgbox::Ok);
    q.Option1->click();
    ASSERT_EQ(boxes.asked.size(), 2);
    EXPECT_TRUE(boxes.asked[1].prompt.contains(QStringLiteral("No space left on device")));
    EXPECT_TRUE(q.Option2->isChecked());
    EXPECT_FALSE(q.TimerCount.isActive());
    EXPECT_EQ(handlesOpenOn("/dev/full"), 0);
}

TEST_F(Logging, aLineThatCannotBeWrittenIsReportedAndLoggingReturnsToOff)
{
    Quorvil& q = loaded();
    q.Option1->click();
    ASSERT_EQ(contents(), Header);

    // The file may grow no further: the next line fails as on a full disk.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = Header.size();
    setrlimit(RLIMIT_FSIZE, &limited);
    boxes.answer(msgbox::Ok);
    q.TimerCount_Timer();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);

    ASSERT_EQ(boxes.asked.size(), 1);
    EXPECT_TRUE(boxes.asked[0].prompt.contains(QString::fromStdString(file().string())));
    EXPECT_TRUE(boxes.asked[0].prompt.contains(QStringLiteral("File too large")));
    expectOff();
    EXPECT_EQ(contents(), Header);
}
