#include "settings/hivefile.h"
#include "support/quorviltest.h"

namespace {

using Rows = registry::Table;

// What a user sees of every control, to tell whether anything changed.
std::string controlValues(const Quorvil& q)
{
    QStringList values{QString::number(q.TimerCount.interval())};
    for (const QLineEdit* box : q.findChildren<QLineEdit*>()) // the lists' boxes too
        values << box->text();
    for (const QLabel* label : q.findChildren<QLabel*>())
        values << label->text();
    for (const QComboBox* list : q.findChildren<QComboBox*>())
        values << QString::number(list->currentIndex());
    for (const QRadioButton* option : q.findChildren<QRadioButton*>())
        values << QString::number(option->isChecked());
    return values.join(QLatin1Char('|')).toStdString();
}

class Preferences : public QuorvilTest {
protected:
    Rows section(const std::string& name) { return registry(store).GetAllSettings(name); }
};

} // namespace

// A fresh store loads nothing; Save writes exactly the listed values, Refresh and the next start
// bring them back, and the headings follow only then.
TEST_F(Preferences, saveWritesTheListedValuesAndRefreshAndTheNextStartLoadThem)
{
    const std::string design = controlValues(make());
    Quorvil& q = *form;
    q.Form_Load();
    q.btnRefresh->click();
    EXPECT_EQ(controlValues(q), design);
    q.btnSave->click();
    for (const std::string n : {"1", "2", "3", "4"})
        EXPECT_EQ(section("Sensor" + n), (Rows{{"Sensor" + n + "_Name", "Sensor " + n},
                                               {"Coefficient-" + n + "A", "0.001355699"},
                                               {"Coefficient-" + n + "B", "0.000196433"},
                                               {"Coefficient-" + n + "C", "0.000000130"},
                                               {"Offset" + n, "-1"}}));
    EXPECT_EQ(section("Misc"),
              (Rows{{"Timer_Interval", "-1"}, {"Degrees1C", "True"}, {"Degrees1F", "False"}}));

    q.cboOffset3->setCurrentIndex(5);
    q.cboTimer->setCurrentIndex(3);
    q.op1F->click();
    q.txtName1->setText(QString());
    q.txtName2->setText(QStringLiteral("Attic"));
    q.txt3C->setText(QString(40000, QLatin1Char('7'))); // more than a text box took by default
    q.btnSave->click();
    EXPECT_EQ(q.LabelS2->text(), QStringLiteral("Sensor 2"));

    q.txt2A->setText(QStringLiteral("0.5"));
    q.cboOffset3->setEditText(QStringLiteral("+ 9°")); // typed: no choice
    q.cboTimer->setCurrentIndex(4);
    setOptionValue(q.op1F, false);
    q.btnRefresh->click();
    EXPECT_EQ(q.LabelS1->text() + q.LabelS2->text(), QStringLiteral("Attic"));
    EXPECT_EQ(q.txt2A->text(), QStringLiteral("0.001355699"));
    EXPECT_EQ(q.txt3C->text().size(), 40000);
    EXPECT_EQ(q.cboOffset3->currentText(), QStringLiteral("- 2°"));
    EXPECT_EQ(q.TimerCount.interval(), 10000);
    EXPECT_TRUE(q.op1F->isChecked() && !q.op1C->isChecked());
    EXPECT_EQ(controlValues(loaded()), controlValues(q));
}

// Hand-edited texts: the scale pair applies Celsius first, then Fahrenheit; what a control cannot
// take leaves it as it is, while the values around it load.
TEST_F(Preferences, handEditedValuesLoadInOrderAndUnreadableOnesChangeNothing)
{
    const std::tuple<const char*, const char*, bool, bool> scales[] = {
        {"True", "True", false, true},
        {"False", "False", false, false},
        {"false", "TRUE", false, true},
        {"yes", "1", true, false}};
    for (const auto& [celsius, fahrenheit, c, f] : scales) {
        put("Misc", "Degrees1C", celsius);
        put("Misc", "Degrees1F", fahrenheit);
        Quorvil& q = loaded();
        EXPECT_TRUE(q.op1C->isChecked() == c && q.op1F->isChecked() == f) << celsius << fahrenheit;
        q.op1C->click(); // a user's click still selects exactly one
        EXPECT_TRUE(q.op1C->isChecked() && !q.op1F->isChecked());
    }

    Quorvil& q = *form;
    const auto lists = {q.cboOffset1, q.cboOffset2, q.cboOffset3, q.cboOffset4, q.cboTimer};
    for (QComboBox* list : lists)
        list->setCurrentIndex(2);
    const char* rows[][3] = {{"Sensor1", "Offset1", "abc"},
                             {"Sensor2", "Offset2", "7"},
                             {"Sensor3", "Offset3", "-1.0"},
                             {"Sensor4", "Offset4", ""},
                             {"Misc", "Timer_Interval", "99999999999999999999"},
                             {"Sensor2", "Sensor2_Name", "Cellar"},
                             {"Sensor1", "Coefficient-1A", "-0.0039135687508197690"}};
    for (const auto& [section, key, text] : rows)
        put(section, key, text);
    q.btnRefresh->click();
    EXPECT_EQ(q.LabelS2->text(), QStringLiteral("Cellar"));
    // A text longer than its box shows its start, where the sign is.
    EXPECT_EQ(q.txt1A->cursorPosition(), 0);
    for (QComboBox* list : lists)
        EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(q.TimerCount.interval(), 6000);
}

// Delete asks with No as the default; only Yes takes every section, alarms and the chosen
// joysticks too, and the controls keep what they show. File > Exit afterwards writes the position
// alone.
TEST_F(Preferences, deleteTakesEverySectionOnlyWhenAnsweredYes)
{
    for (const int answer : {msgbox::No, msgbox::Yes}) {
        SCOPED_TRACE(answer);
        store = std::make_shared<MemoryRegistry>();
        Quorvil& q = loaded();
        q.txtName2->setText(QStringLiteral("Attic"));
        q.btnSave->click();
        q.btnRefresh->click();
        put("Misc", "Left", "1440");
        put("Alarms", "High1", "30");
        put("Joysticks", "Joystick2",
            "Analog 4-axis 4-button joystick at isa0201/gameport0/input0");
        const std::string shown = controlValues(q);
        boxes.asked.clear();
        boxes.answer(answer);
        q.btnDelete->click();
        ASSERT_EQ(boxes.asked.size(), 1);
        EXPECT_EQ(boxes.asked[0].prompt,
                  QStringLiteral("Are you sure you want to delete ALL Quorvil settings?"));
        EXPECT_EQ(boxes.asked[0].buttons, 308);
        const std::pair<const char*, std::size_t> sections[] = {
            {"Sensor1", 5}, {"Sensor2", 5}, {"Sensor3", 5},  {"Sensor4", 5},
            {"Misc", 4},    {"Alarms", 1},  {"Joysticks", 1}};
        for (const auto& [name, keys] : sections)
            EXPECT_EQ(section(name).size(), answer == msgbox::No ? keys : 0u) << name;
        q.btnRefresh->click();
        EXPECT_EQ(controlValues(q), shown);
    }
    form->mnuExit->trigger();
    EXPECT_EQ(section("Misc").size(), 2u);
    EXPECT_EQ(store->tree.find({"Software", "Norvalde", "Quorvil4"})->subkeys().size(), 1u);
}

// A settings file that cannot be read is told once at start, after the driver check, and the
// program goes on with the defaults; a Save or a Delete then says so again, naming the file and
// the reason.
// The controls stay as they are and the file is left alone.
TEST_F(Preferences, anUnreadableFileIsToldAtStartAndAtEachSave)
{
    TempDir dir;
    const std::filesystem::path file = dir.path() / "user.reg";
    writeFile(file, "Left=1920\n");
    const std::string design = controlValues(make());
    joystick->port(1).capsResult = 165;
    Quorvil q({joystick, std::make_shared<HiveFileRegistry>(file), &boxes, dir.path()});
    boxes.answer(msgbox::Yes);
    boxes.answer(msgbox::Ok);
    ASSERT_EQ(q.Form_Load(), Quorvil::LoadResult::Run);
    const std::string reason =
        "\r\n" + file.string() + "\r\nThe settings file is not in the registry text format";
    ASSERT_EQ(boxes.asked.size(), 2);
    EXPECT_EQ(boxes.asked[1].buttons, msgbox::OkOnly + msgbox::Exclamation);
    EXPECT_EQ(boxes.asked[1].prompt.toStdString(), "The settings could not be read:" + reason);
    const std::string before = controlValues(q);
    boxes.answer(msgbox::Ok);
    q.btnSave->click();
    ASSERT_EQ(boxes.asked.size(), 3);
    EXPECT_EQ(boxes.asked[2].buttons, msgbox::OkOnly + msgbox::Exclamation);
    EXPECT_EQ(boxes.asked[2].prompt.toStdString(), "The settings could not be saved:" + reason);
    boxes.answer(msgbox::Yes); // Delete, once for all its sections
    boxes.answer(msgbox::Ok);
    q.btnDelete->click();
    ASSERT_EQ(boxes.asked.size(), 5);
    EXPECT_EQ(boxes.asked[4].prompt.toStdString(), "The settings could not be deleted:" + reason);
    EXPECT_EQ(controlValues(q), before);
    EXPECT_EQ(readFile(file), "Left=1920\n");

    // Nothing stored yet is no problem to tell.
    std::filesystem::remove(file);
    boxes.asked.clear();
    boxes.answer(msgbox::Yes);
    Quorvil fresh({joystick, std::make_shared<HiveFileRegistry>(file), &boxes, dir.path()});
    ASSERT_EQ(fresh.Form_Load(), Quorvil::LoadResult::Run);
    EXPECT_EQ(boxes.asked.size(), 1);
}
