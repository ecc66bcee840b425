// One sampling tick of the main window: a joystick read through the service, the status and
// raw label writes, and two conversions with their label writes.
#include "app/messagebox.h"
#include "app/quorvil.h"
#include "settings/regtree.h"

#include <QLabel>
#include <benchmark/benchmark.h>

namespace {

// Readings that change at every call, so every label really changes.
class SteppingJoystick final : public JoystickService {
public:
    std::uint32_t joyGetPosEx(std::uint32_t, JOYINFOEX* pji) override
    {
        m_step = (m_step + 1) % 64;
        pji->dwXpos = 9000 + m_step * 37;
        pji->dwYpos = 30000 - m_step * 41;
        return JOYERR_NOERROR;
    }
    std::uint32_t joyGetDevCapsA(std::uint32_t, JOYCAPS*, std::uint32_t) override
    {
        return JOYERR_NOERROR;
    }

private:
    std::uint32_t m_step = 0;
};

class NoQuestions final : public MessageBoxes {
public:
    int MsgBox(const QString&, int, const QString&) override { return msgbox::No; }
};

void samplingTick(benchmark::State& state)
{
    NoQuestions boxes;
    Quorvil form({std::make_shared<SteppingJoystick>(),
                  std::make_shared<MemoryRegistry>(),
                  &boxes,
                  {},
                  nullptr});
    form.Form_Load();
    form.Timer1.stop();
    form.Timer2.stop();
    form.mnuSetup_Click();
    form.show();
    for (auto _ : state)
        form.Timer1_Timer();
    benchmark::DoNotOptimize(form.lblS1->text());
}
BENCHMARK(samplingTick)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
