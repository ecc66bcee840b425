#include "app/frmhistory.h"
#include "history/historystore.h"
#include "history/historyview.h"

#include <QDateTime>
#include <QPointer>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr std::int64_t HourMs = 3'600'000;
constexpr std::int64_t YearMs = 365 * 24 * HourMs;
constexpr std::int64_t End = 1'796'000'400'000; // the generated year ends here

// Four sensors at one tick a second for a year, written as the recorder writes them (a batch at a
// time, the ticks past two days dropped as it goes). Made once; QUORVIL_HISTORY_YEAR names where.
std::filesystem::path yearFile()
{
    const char* given = std::getenv("QUORVIL_HISTORY_YEAR");
    const std::filesystem::path file = given ? given : "/tmp/quorvil-history-year.sqlite";
    if (std::filesystem::exists(file))
        return file;
    HistoryStore store;
    std::string reason;
    if (store.open(file, HistoryStore::Access::Write, &reason) != HistoryStore::Opened::Ok) {
        std::fprintf(stderr, "%s\n", reason.c_str());
        std::exit(1);
    }
    std::vector<HistoryTick> batch;
    for (std::int64_t t = End - YearMs; t < End; t += 1000) {
        HistoryTick tick;
        tick.unixMs = t;
        const double day = std::sin(double(t % (24 * HourMs)) / (24 * HourMs) * 2 * M_PI);
        const double season = std::cos(double(t - End) / YearMs * 2 * M_PI);
        const double bases[4] = {2100, 1200, 500, 3500};
        const double swings[4] = {150, 50, 600, 400};
        for (int i = 0; i < 4; ++i) {
            tick.centi[i] = std::int32_t(bases[i] + swings[i] * day + 800 * season * (i == 2));
            tick.reading[i] = 20000 + std::uint32_t(i * 1000);
        }
        batch.push_back(tick);
        if (batch.size() == 3600) {
            store.append(batch);
            batch.clear();
            store.dropTicksBefore(t - HistoryStore::KeepTicksMs, 60);
        }
    }
    store.append(batch);
    store.close();
    std::fprintf(stderr, "generated %s: %.1f MiB\n", file.c_str(),
                 double(std::filesystem::file_size(file)) / (1 << 20));
    return file;
}

std::int64_t endOfYear()
{
    return End;
}

// Opening the window on a year of history until its plot is drawn.
void BM_OpenToFirstPlot(benchmark::State& state)
{
    const std::filesystem::path file = yearFile();
    state.counters["MiB"] = double(std::filesystem::file_size(file)) / (1 << 20);
    for (auto _ : state) {
        QPointer<frmHistory> window = new frmHistory(nullptr, file, nullptr, endOfYear);
        window->show();
        const QImage picture = window->plot->grab().toImage();
        benchmark::DoNotOptimize(picture.constBits());
        state.PauseTiming();
        delete window;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenToFirstPlot)->Unit(benchmark::kMillisecond)->Iterations(10);

// One wheel notch in and out, or one drag step, over each range, each drawn.
void zoomOrPan(benchmark::State& state, bool zoom)
{
    QPointer<frmHistory> window = new frmHistory(nullptr, yearFile(), nullptr, endOfYear);
    window->show();
    window->chooseRange(RangeChoice(state.range(0)));
    bool in = true;
    for (auto _ : state) {
        const TimeRange r = window->range();
        window->showRange(zoom ? zoomed(r, r.fromMs + r.spanMs() / 2, in ? 0.8 : 1.25)
                               : panned(r, (in ? 1 : -1) * r.spanMs() / 50));
        in = !in;
        const QImage picture = window->plot->grab().toImage();
        benchmark::DoNotOptimize(picture.constBits());
    }
    delete window;
}
void BM_ZoomStep(benchmark::State& state)
{
    zoomOrPan(state, true);
}
void BM_PanStep(benchmark::State& state)
{
    zoomOrPan(state, false);
}
// 1 hour, 1 day, 1 week, 1 month, 1 year, All.
BENCHMARK(BM_ZoomStep)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PanStep)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// A batch as the recorder writes it every five seconds, with its step of dropping old ticks.
void BM_RecordBatch(benchmark::State& state)
{
    const std::filesystem::path file = "/tmp/quorvil-history-batch.sqlite";
    std::filesystem::remove(file);
    HistoryStore store;
    std::string reason;
    store.open(file, HistoryStore::Access::Write, &reason);
    std::int64_t t = End;
    for (auto _ : state) {
        std::vector<HistoryTick> batch(5);
        for (HistoryTick& tick : batch) {
            tick.unixMs = t += 1000;
            tick.centi = {2100, 1200, 500, 3500};
        }
        store.append(batch);
        store.dropTicksBefore(t - HistoryStore::KeepTicksMs, 10);
    }
    store.close();
    std::filesystem::remove(file);
    std::filesystem::remove(file.string() + ".lock");
}
BENCHMARK(BM_RecordBatch)->Unit(benchmark::kMicrosecond);

} // namespace
