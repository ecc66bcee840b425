// Save (23 writes) and Refresh (every read) of the setup panel, and one log line with its flush.
// The settings live in a hive file in a temporary folder.
#include "app/quorvil.h"
#include "settings/hivefile.h"
#include "support/fakejoystick.h"
#include "support/scriptedmessageboxes.h"

#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

// A started main window with its timers stopped, so only the benchmarked calls run.
struct Window {
    explicit Window(const QTemporaryDir& folder)
        : hive(folder.filePath(QStringLiteral("user.reg")).toStdString()),
          form({std::make_shared<FakeJoystick>(), std::make_shared<HiveFileRegistry>(hive), &boxes,
                folder.path().toStdString(), nullptr})
    {
        form.Form_Load();
        form.Timer1.stop();
        form.Timer2.stop();
    }
    ScriptedMessageBoxes boxes;
    std::filesystem::path hive;
    Quorvil form;
};

// Every one of the 23 values is new, so each write replaces and flushes the file.
void saveIntoFreshStore(benchmark::State& state)
{
    QTemporaryDir folder;
    Window window(folder);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(window.hive);
        state.ResumeTiming();
        window.form.btnSave_Click();
    }
}
BENCHMARK(saveIntoFreshStore)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Nothing changed since the last save: no value is rewritten.
void saveUnchanged(benchmark::State& state)
{
    QTemporaryDir folder;
    Window window(folder);
    for (auto _ : state)
        window.form.btnSave_Click();
}
BENCHMARK(saveUnchanged)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void refresh(benchmark::State& state)
{
    QTemporaryDir folder;
    Window window(folder);
    window.form.btnSave_Click(); // every key stored, so every read finds its value
    for (auto _ : state)
        window.form.btnRefresh_Click();
}
BENCHMARK(refresh)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void logLine(benchmark::State& state)
{
    QTemporaryDir folder;
    Window window(folder);
    Quorvil& q = window.form;
    for (QLabel* bare : {q.lblS1, q.lblS2, q.lblS3, q.lblS4})
        bare->setText(QStringLiteral("-21"));
    q.Option1->click();
    q.TimerCount.stop();
    for (auto _ : state)
        q.TimerCount_Timer();
    if (!q.Option1->isChecked())
        state.SkipWithError("the log could not be written");
    q.Option2->click();
}
BENCHMARK(logLine)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
