#include "graph/frmgraph.h"
#include "tests/graph/fakegraphsource.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

// Temperatures that move every tick, so each segment has real length.
struct MovingSource {
    FakeGraphSource source;
    std::array<std::array<QString, 4>, 16> frames;
    int next = 0;

    MovingSource()
    {
        for (int f = 0; f < 16; ++f)
            for (int i = 0; i < 4; ++i)
                frames[f][i] = QString::number(10 + 15 * i + (f * 7 + i * 3) % 16);
    }
    void advance()
    {
        source.labels = frames[next];
        next = (next + 1) % 16;
    }
};

void BM_PlottingTick(benchmark::State& state)
{
    GraphState graphState;
    MovingSource moving;
    QPointer<frmGraph> window;
    window = new frmGraph(graphState, &moving.source);
    for (auto _ : state) {
        moving.advance();
        window->Timer1_Timer();
        benchmark::DoNotOptimize(window->image().constBits());
    }
    window->close();
}
BENCHMARK(BM_PlottingTick)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// The tick followed by the repaint it asks for, drawn into an image the size of the plot area.
void BM_PlottingTickAndRepaint(benchmark::State& state)
{
    GraphState graphState;
    MovingSource moving;
    QPointer<frmGraph> window;
    window = new frmGraph(graphState, &moving.source);
    auto* plot = window->findChild<QWidget*>(QStringLiteral("Picture1"));
    QImage screen(plot->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        moving.advance();
        window->Timer1_Timer();
        plot->render(&screen);
        benchmark::DoNotOptimize(screen.constBits());
    }
    window->close();
}
BENCHMARK(BM_PlottingTickAndRepaint)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

} // namespace
