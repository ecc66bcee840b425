// The publisher's share of a tick: four sensors whose readings change at every tick (each one a
// state, and a discovery entry at the first), and steady ones that send nothing.
#include "export/mqttpublisher.h"

#include <benchmark/benchmark.h>

namespace {

// Counts what would go to the broker; the real link only queues it for its own thread.
class CountingLink final : public MqttLink {
public:
    void start(Events events) override { m_events = std::move(events); }
    void publish(const std::string& topic, const std::string& payload, bool) override
    {
        bytes += topic.size() + payload.size();
    }
    void subscribe(const std::string&) override {}
    void connect() { m_events.connected(); }
    std::size_t bytes = 0;

private:
    Events m_events;
};

void publishTick(benchmark::State& state)
{
    const bool changing = state.range(0) != 0;
    auto* link = new CountingLink;
    MqttPublisher publisher(std::unique_ptr<MqttLink>(link), "bench", "4.1", "b", {});
    link->connect();
    TickRecord tick;
    for (int n = 0; n < 4; ++n) {
        tick.sensors[n].name = "Sensor " + std::to_string(n + 1);
        tick.sensors[n].coefficients = true;
        tick.sensors[n].counted = true;
        tick.sensors[n].high = false;
    }
    std::int64_t step = 0;
    for (auto _ : state) {
        ++step;
        tick.unixMs = step * 1000;
        for (int n = 0; n < 4; ++n)
            tick.sensors[n].celsius = 20.0 + n + (changing ? 0.2 * (step % 2) : 0.0);
        publisher.record(tick);
    }
    benchmark::DoNotOptimize(link->bytes);
}
BENCHMARK(publishTick)->Arg(0)->Arg(1)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
