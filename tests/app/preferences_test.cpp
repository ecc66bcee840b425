#include "support/quorviltest.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

using Rows = registry::Table;

// What a user sees of every preference, to tell whether anything changed.
std::vector<std::string> controlValues(const Quorvil& q)
{
    QStringList values;
    for (const QLineEdit* box :
         {q.txtName1, q.txtName2, q.txtName3, q.txtName4, q.txt1A, q.txt1B, q.txt1C, q.txt2A,
          q.txt2B, q.txt2C, q.txt3A, q.txt3B, q.txt3C, q.txt4A, q.txt4B, q.txt4C})
        values << box->text();
    for (const QLabel* heading : {q.LabelS1, q.LabelS2, q.LabelS3, q.LabelS4})
        values << heading->text();
    for (const QComboBox* list :
         {q.cboOffset1, q.cboOffset2, q.cboOffset3, q.cboOffset4, q.cboTimer})
        values << QString::number(list->currentIndex()) + list->currentText();
    values << QString::number(q.op1C->isChecked()) << QString::number(q.op1F->isChecked())
           << QString::number(q.TimerCount.interval());
    std::vector<std::string> texts;
    for (const QString& value : values)
        texts.push_back(value.toStdString());
    return texts;
}

Rows sensorRows(int n, const std::string& name, const std::string& offset)
{
    const std::string s = std::to_string(n);
    return {{"Sensor" + s + "_Name", name},
            {"Coefficient-" + s + "A", "0.001355699"},
            {"Coefficient-" + s + "B", "0.000196433"},
            {"Coefficient-" + s + "C", "0.000000130"},
            {"Offset" + s, offset}};
}

class Preferences : public QuorvilTest {
protected:
    Rows section(const char* name) { return registry(store).GetAllSettings(name); }
    void put(const char* section, const char* key, const char* text)
    {
        registry(store).SaveSetting(section, key, text);
    }
    // The application key exists, and holds no section.
    bool noSections()
    {
        const RegNode* app = store->tree.find({"Software", "Norvalde", "Quorvil4"});
        return app && app->subkeys.empty();
    }
};

} // namespace

TEST_F(Preferences, freshStoreLoadsNothingAndSaveWritesExactlyTheListedValues)
{
    make();
    const std::vector<std::string> design = controlValues(*form);
    form->Form_Load();
    EXPECT_EQ(controlValues(*form), design);
    EXPECT_EQ(form->LabelS3->text(), QStringLiteral("Sensor 3"));
    EXPECT_EQ(form->cboTimer->currentText(), QStringLiteral("1 Second"));
    EXPECT_TRUE(store->tree.root.subkeys.empty());
    form->btnRefresh->click();
    EXPECT_EQ(controlValues(*form), design);
    EXPECT_TRUE(store->tree.root.subkeys.empty());

    form->btnSave->click();
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(section(("Sensor" + std::to_string(n)).c_str()),
                  sensorRows(n, "Sensor " + std::to_string(n), "-1"));
    EXPECT_EQ(section("Misc"),
              (Rows{{"Timer_Interval", "-1"}, {"Degrees1C", "True"}, {"Degrees1F", "False"}}));
    EXPECT_EQ(controlValues(*form), design);
}

TEST_F(Preferences, savedOffsetsIntervalAndScaleComeBackAtTheNextStart)
{
    Quorvil& q = loaded();
    q.cboOffset3->setCurrentIndex(5);
    q.cboTimer->setCurrentIndex(3);
    q.op1F->click();
    q.txt4C->setText(QStringLiteral("1.3e-7"));
    q.txtName1->setText(QString());
    q.btnSave->click();
    EXPECT_EQ(stored("Sensor3", "Offset3"), "5");
    EXPECT_EQ(stored("Misc", "Timer_Interval"), "3");
    EXPECT_EQ(stored("Misc", "Degrees1C"), "False");
    EXPECT_EQ(stored("Misc", "Degrees1F"), "True");
    EXPECT_EQ(stored("Sensor1", "Sensor1_Name"), "");

    Quorvil& next = loaded();
    EXPECT_EQ(next.cboOffset3->currentIndex(), 5);
    EXPECT_EQ(next.cboOffset3->currentText(), QStringLiteral("- 2°"));
    EXPECT_EQ(next.cboOffset1->currentIndex(), -1);
    EXPECT_EQ(next.cboTimer->currentIndex(), 3);
    EXPECT_EQ(next.TimerCount.interval(), 10000);
    EXPECT_TRUE(next.op1F->isChecked());
    EXPECT_FALSE(next.op1C->isChecked());
    EXPECT_EQ(next.txt4C->text(), QStringLiteral("1.3e-7"));
    EXPECT_EQ(next.txtName1->text(), QString());
    EXPECT_EQ(next.LabelS1->text(), QString());
}

TEST_F(Preferences, refreshBringsBackStoredValuesAndRenamesHeadings)
{
    Quorvil& q = loaded();
    q.txtName2->setText(QStringLiteral("Attic"));
    q.cboOffset2->setCurrentIndex(1);
    q.btnSave->click();
    EXPECT_EQ(stored("Sensor2", "Sensor2_Name"), "Attic");
    EXPECT_EQ(q.LabelS2->text(), QStringLiteral("Sensor 2"));

    q.txt2A->setText(QStringLiteral("0.5"));
    q.cboOffset2->setEditText(QStringLiteral("+ 9°")); // typed: no choice
    q.cboTimer->setCurrentIndex(4);                    // not stored as a choice
    q.btnRefresh->click();
    EXPECT_EQ(q.LabelS2->text(), QStringLiteral("Attic"));
    EXPECT_EQ(q.txtName2->text(), QStringLiteral("Attic"));
    EXPECT_EQ(q.txt2A->text(), QStringLiteral("0.001355699"));
    EXPECT_EQ(q.cboOffset2->currentIndex(), 1);
    EXPECT_EQ(q.cboOffset2->currentText(), QStringLiteral("+ 2°"));
    // The stored "-1" takes the choice away again; the interval stays.
    EXPECT_EQ(q.cboTimer->currentIndex(), -1);
    EXPECT_EQ(q.TimerCount.interval(), 15000);
}

TEST_F(Preferences, deleteAskedNoKeepsAllAndYesRemovesTheSectionsButNoControl)
{
    Quorvil& q = loaded();
    q.cboOffset4->setCurrentIndex(2);
    q.btnSave->click();
    q.move(96, 48);
    q.txt1A->setText(QStringLiteral("0.5")); // not saved
    const std::vector<std::string> shown = controlValues(q);

    boxes.answer(msgbox::No);
    q.btnDelete->click();
    ASSERT_EQ(boxes.asked.size(), 1);
    EXPECT_EQ(boxes.asked[0].prompt,
              QStringLiteral("Are you sure you want to delete ALL Quorvil settings?"));
    EXPECT_EQ(boxes.asked[0].title, QStringLiteral("Delete ALL Quorvil Settings"));
    EXPECT_EQ(boxes.asked[0].buttons, 308);
    EXPECT_EQ(section("Sensor4").size(), 5u);
    EXPECT_EQ(section("Misc").size(), 3u);

    boxes.answer(msgbox::Yes);
    q.btnDelete->click();
    EXPECT_TRUE(noSections());
    EXPECT_EQ(controlValues(q), shown);
    q.btnRefresh->click();
    EXPECT_EQ(controlValues(q), shown);
    // Deleting what is already gone is quiet.
    boxes.answer(msgbox::Yes);
    q.btnDelete->click();
    EXPECT_EQ(boxes.asked.size(), 3);
    EXPECT_TRUE(noSections());

    q.mnuExit->trigger();
    EXPECT_EQ(section("Misc"), (Rows{{"Left", "1440"}, {"Top", "720"}}));
    EXPECT_TRUE(section("Sensor1").empty());
}

TEST_F(Preferences, handEditedScalePairsLoadInTheirOrder)
{
    struct Case {
        const char* celsius;
        const char* fahrenheit;
        bool c, f;
    };
    const Case cases[] = {{"True", "True", false, true},
                          {"False", "False", false, false},
                          {"false", "TRUE", false, true},
                          {"tRUE", "False", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.celsius) + "," + c.fahrenheit);
        put("Misc", "Degrees1C", c.celsius);
        put("Misc", "Degrees1F", c.fahrenheit);
        Quorvil& q = loaded();
        EXPECT_EQ(q.op1C->isChecked(), c.c);
        EXPECT_EQ(q.op1F->isChecked(), c.f);
        // A user's click still selects exactly one.
        q.op1C->click();
        EXPECT_TRUE(q.op1C->isChecked());
        EXPECT_FALSE(q.op1F->isChecked());
        q.op1F->click();
        EXPECT_FALSE(q.op1C->isChecked());
    }
}

TEST_F(Preferences, storedTextsTheControlsCannotTakeLeaveThemAsTheyAre)
{
    put("Sensor1", "Offset1", "abc");
    put("Sensor2", "Offset2", "7");
    put("Sensor3", "Offset3", "-2");
    put("Sensor4", "Offset4", "2.5");
    put("Misc", "Timer_Interval", "");
    put("Misc", "Degrees1C", "yes");
    put("Misc", "Degrees1F", "1");
    // The values around them still load.
    put("Sensor1", "Sensor1_Name", "Cellar");
    put("Sensor2", "Coefficient-2B", "");
    Quorvil& q = loaded();
    for (QComboBox* list : {q.cboOffset1, q.cboOffset2, q.cboOffset3, q.cboOffset4}) {
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_EQ(list->currentText(), QStringLiteral("None"));
    }
    EXPECT_EQ(q.cboTimer->currentText(), QStringLiteral("1 Second"));
    EXPECT_EQ(q.TimerCount.interval(), 1000);
    EXPECT_TRUE(q.op1C->isChecked());
    EXPECT_FALSE(q.op1F->isChecked());
    EXPECT_EQ(q.LabelS1->text(), QStringLiteral("Cellar"));
    EXPECT_EQ(q.txt2B->text(), QString());

    // A choice made since is kept too, while a whole number with spaces or a sign is taken.
    q.cboOffset1->setCurrentIndex(2);
    q.cboTimer->setCurrentIndex(6);
    put("Sensor4", "Offset4", " +4 ");
    put("Misc", "Timer_Interval", "99999999999999999999");
    q.btnRefresh->click();
    EXPECT_EQ(q.cboOffset1->currentIndex(), 2);
    EXPECT_EQ(q.cboOffset4->currentIndex(), 4);
    EXPECT_EQ(q.cboTimer->currentIndex(), 6);
    EXPECT_EQ(q.TimerCount.interval(), 60000);
}
