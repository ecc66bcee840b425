// One sampling tick of the main window: a joystick read through the service, the status and
// raw label writes, and two conversions with their label writes.
#include "app/quorvil.h"
#include "settings/regtree.h"
#include "support/fakejoystick.h"
#include "support/scriptedmessageboxes.h"

#include <QLabel>
#include <benchmark/benchmark.h>

namespace {

void samplingTick(benchmark::State& state)
{
    ScriptedMessageBoxes boxes;
    auto joystick = std::make_shared<FakeJoystick>();
    Quorvil form({joystick, std::make_shared<MemoryRegistry>(), &boxes, {}, nullptr});
    form.Form_Load();
    form.Timer1.stop();
    form.Timer2.stop();
    form.mnuSetup_Click();
    form.show();
    // Readings that change at every tick, so every label really changes.
    std::uint32_t step = 0;
    for (auto _ : state) {
        step = (step + 1) % 64;
        joystick->set(0, JOYERR_NOERROR, 9000 + step * 37, 30000 - step * 41);
        form.Timer1_Timer();
    }
    benchmark::DoNotOptimize(form.lblS1->text());
}
BENCHMARK(samplingTick)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
