// What the metrics add to a tick: the text of a tick alone, and the record of each sink, which
// the tick waits for (the server's thread answers scrapes apart from it).
#include "export/metricsfile.h"
#include "export/metricsserver.h"
#include "export/prometheus.h"
#include "support/tempdir.h"

#include <benchmark/benchmark.h>

namespace {

TickRecord tick(std::uint32_t step)
{
    TickRecord record;
    for (std::uint32_t i = 0; i < 4; ++i) {
        SensorRecord& s = record.sensors[i];
        s.name = "Sensor " + std::to_string(i + 1);
        s.reading = 9000 + step * 37 + i;
        s.counted = true;
        s.celsius = 20.0 + step * 0.01 + i;
        s.shown = std::int16_t(20 + i);
        s.high = false;
    }
    return record;
}

void metricsTextOfATick(benchmark::State& state)
{
    std::uint32_t step = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(metricsText(tick(++step % 64)));
}
BENCHMARK(metricsTextOfATick)->Repetitions(5)->ReportAggregatesOnly(true);

void serverRecord(benchmark::State& state)
{
    std::string error;
    std::unique_ptr<MetricsServer> server = MetricsServer::start(ListenAddress(), &error);
    if (!server) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::uint32_t step = 0;
    for (auto _ : state)
        server->record(tick(++step % 64));
}
BENCHMARK(serverRecord)->Repetitions(5)->ReportAggregatesOnly(true);

void fileRecord(benchmark::State& state)
{
    TempDir temp;
    MetricsFile file(temp.path() / "quorvil4.prom", [](const std::string&) {});
    std::uint32_t step = 0;
    for (auto _ : state)
        file.record(tick(++step % 64));
}
BENCHMARK(fileRecord)->Repetitions(5)->ReportAggregatesOnly(true);

// The same tick's building alone, which every tick pays with metrics off.
void recordWithoutSinks(benchmark::State& state)
{
    std::uint32_t step = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(tick(++step % 64));
}
BENCHMARK(recordWithoutSinks)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
