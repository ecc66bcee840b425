#include "app/controls.h"
#include "settings/hivefile.h"
#include "support/quorviltest.h"
#include "support/tempdir.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

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
    void put(const char* section, const char* key, const char* text)
    {
        registry(store).SaveSetting(section, key, text);
    }
    // The application key exists, and holds no section.
    bool noSections()
    {
        const RegNode* app = store->tree.find({"Software", "Norvalde", "Quorvil4"});
        return app && app->subkeys().empty();
    }
};

} // namespace

TEST_F(Preferences, freshStoreLoadsNothingAndSaveWritesExactlyTheListedValues)
{
    const std::string design = controlValues(make());
    form->Form_Load();
    form->btnRefresh->click();
    EXPECT_EQ(controlValues(*form), design);
    EXPECT_TRUE(store->tree.root.subkeys().empty());

    form->btnSave->click();
    for (const std::string n : {"1", "2", "3", "4"})
        EXPECT_EQ(section("Sensor" + n), (Rows{{"Sensor" + n + "_Name", "Sensor " + n},
                                               {"Coefficient-" + n + "A", "0.001355699"},
                                               {"Coefficient-" + n + "B", "0.000196433"},
                                               {"Coefficient-" + n + "C", "0.000000130"},
                                               {"Offset" + n, "-1"}}));
    EXPECT_EQ(section("Misc"),
              (Rows{{"Timer_Interval", "-1"}, {"Degrees1C", "True"}, {"Degrees1F", "False"}}));
    EXPECT_EQ(controlValues(*form), design);
}

TEST_F(Preferences, savedValuesComeBackAtRefreshAndAtTheNextStartAndHeadingsOnlyThen)
{
    Quorvil& q = loaded();
    q.cboOffset3->setCurrentIndex(5);
    q.cboTimer->setCurrentIndex(3);
    q.op1F->click();
    q.txtName1->setText(QString());
    q.txtName2->setText(QStringLiteral("Attic"));
    q.txt3C->setText(QString(40000, QLatin1Char('7'))); // more than a text box took by default
    q.btnSave->click();
    EXPECT_EQ(section("Misc"),
              (Rows{{"Timer_Interval", "3"}, {"Degrees1C", "False"}, {"Degrees1F", "True"}}));
    EXPECT_EQ(q.LabelS2->text(), QStringLiteral("Sensor 2"));

    q.txt2A->setText(QStringLiteral("0.5"));
    q.cboOffset3->setEditText(QStringLiteral("+ 9°")); // typed: no choice
    q.cboTimer->setCurrentIndex(4);
    setOptionValue(q.op1F, false);
    q.btnRefresh->click();
    EXPECT_EQ(q.LabelS1->text(), QString());
    EXPECT_EQ(q.LabelS2->text(), QStringLiteral("Attic"));
    EXPECT_EQ(q.txt2A->text(), QStringLiteral("0.001355699"));
    EXPECT_EQ(q.txt3C->text().size(), 40000);
    EXPECT_EQ(q.cboOffset3->currentText(), QStringLiteral("- 2°"));
    EXPECT_EQ(q.TimerCount.interval(), 10000);
    EXPECT_TRUE(q.op1F->isChecked() && !q.op1C->isChecked());
    EXPECT_EQ(controlValues(loaded()), controlValues(q));
}

TEST_F(Preferences, handEditedScalePairsLoadInTheirOrderAndUnreadableOnesChangeNothing)
{
    const struct {
        const char *celsius, *fahrenheit;
        bool c, f;
    } cases[] = {{"True", "True", false, true},
                 {"False", "False", false, false},
                 {"false", "TRUE", false, true},
                 {"tRUE", "False", true, false},
                 {"yes", "1", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.celsius) + "," + c.fahrenheit);
        put("Misc", "Degrees1C", c.celsius);
        put("Misc", "Degrees1F", c.fahrenheit);
        Quorvil& q = loaded();
        EXPECT_EQ(q.op1C->isChecked(), c.c);
        EXPECT_EQ(q.op1F->isChecked(), c.f);
        // A user's click still selects exactly one.
        q.op1C->click();
        EXPECT_TRUE(q.op1C->isChecked() && !q.op1F->isChecked());
    }
}

TEST_F(Preferences, storedTextsTheControlsCannotTakeLeaveThemAsTheyAre)
{
    Quorvil& q = loaded();
    for (QComboBox* list : {q.cboOffset1, q.cboOffset2, q.cboOffset3, q.cboOffset4, q.cboTimer})
        list->setCurrentIndex(2);
    const std::string chosen = controlValues(q);
    const char* rows[][3] = {{"Sensor1", "Offset1", "abc"},
                             {"Sensor2", "Offset2", "7"},
                             {"Sensor3", "Offset3", "-1.0"},
                             {"Sensor4", "Offset4", ""},
                             {"Misc", "Timer_Interval", "99999999999999999999"},
                             {"Sensor1", "Sensor1_Name", "Cellar"},
                             {"Sensor2", "Coefficient-2B", ""}};
    for (const auto& [section, key, text] : rows)
        put(section, key, text);
    q.btnRefresh->click();
    // Only the values around them load.
    EXPECT_EQ(q.LabelS1->text(), QStringLiteral("Cellar"));
    EXPECT_EQ(q.txt2B->text(), QString());
    q.LabelS1->setText(QStringLiteral("Sensor 1"));
    q.txtName1->setText(QStringLiteral("Sensor 1"));
    q.txt2B->setText(QStringLiteral("0.000196433"));
    EXPECT_EQ(controlValues(q), chosen);
}

// A Save that cannot be stored says so once, naming the file and the reason; the controls stay
// as they are.
TEST_F(Preferences, aSaveThatCannotBeStoredIsReportedOnce)
{
    TempDir dir;
    const std::filesystem::path file = dir.path() / "user.reg";
    writeFile(file, "Left=1920\n");
    Quorvil q({joystick, std::make_shared<HiveFileRegistry>(file), &boxes, dir.path()});
    ASSERT_EQ(q.Form_Load(), Quorvil::LoadResult::Run);
    const std::string before = controlValues(q);
    boxes.answer(msgbox::Ok);
    q.btnSave->click();
    ASSERT_EQ(boxes.asked.size(), 1);
    EXPECT_EQ(boxes.asked[0].title, QStringLiteral("Quorvil4"));
    EXPECT_EQ(boxes.asked[0].buttons, msgbox::OkOnly + msgbox::Exclamation);
    EXPECT_EQ(boxes.asked[0].prompt.toStdString(),
              "The settings could not be saved:\r\n" + file.string() +
                  "\r\nThe settings file is not in the registry text format");
    EXPECT_EQ(controlValues(q), before);
    EXPECT_EQ(readFile(file), "Left=1920\n");
}
