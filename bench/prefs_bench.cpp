// Save (23 writes) and Refresh (every read) of the setup panel, and one log line with its flush.
// The settings run on the hive file when that backend works, otherwise in memory (the label says
// which).
#include "app/messagebox.h"
#include "app/quorvil.h"
#include "settings/hivefile.h"
#include "settings/regtree.h"

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

class QuietJoystick final : public JoystickService {
public:
    std::uint32_t joyGetPosEx(std::uint32_t, JOYINFOEX*) override { return JOYERR_NOERROR; }
    std::uint32_t joyGetDevCapsA(std::uint32_t, JOYCAPS*, std::uint32_t) override
    {
        return JOYERR_NOERROR;
    }
};

class NoQuestions final : public MessageBoxes {
public:
    int MsgBox(const QString&, int, const QString&) override { return msgbox::No; }
};

struct Store {
    std::shared_ptr<RegistryApi> api;
    const char* label;
};

Store settingsStore(const QTemporaryDir& folder)
{
    auto hive = std::make_shared<HiveFileRegistry>(
        folder.filePath(QStringLiteral("user.reg")).toStdString());
    registry probe(hive);
    if (probe.SaveSetting("Probe", "Key", "text") && probe.GetSetting("Probe", "Key") == "text") {
        probe.DeleteSetting("Probe");
        return {hive, "hive file"};
    }
    return {std::make_shared<MemoryRegistry>(), "memory (hive file not usable)"};
}

// A started main window with its timers stopped, so only the benchmarked calls run.
struct Window {
    explicit Window(const QTemporaryDir& folder)
        : store(settingsStore(folder)),
          form({std::make_shared<QuietJoystick>(), store.api, &boxes, folder.path().toStdString()})
    {
        form.Form_Load();
        form.Timer1.stop();
        form.Timer2.stop();
    }
    NoQuestions boxes;
    Store store;
    Quorvil form;
};

void save(benchmark::State& state)
{
    QTemporaryDir folder;
    Window window(folder);
    for (auto _ : state)
        window.form.btnSave_Click();
    state.SetLabel(window.store.label);
}
BENCHMARK(save)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void refresh(benchmark::State& state)
{
    QTemporaryDir folder;
    Window window(folder);
    window.form.btnSave_Click(); // every key stored, so every read finds its value
    for (auto _ : state)
        window.form.btnRefresh_Click();
    state.SetLabel(window.store.label);
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

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
