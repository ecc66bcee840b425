#include "app/appresources.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

// For benchmarks of windows and controls: an offscreen application around the usual runner.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    useProgramFont();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
