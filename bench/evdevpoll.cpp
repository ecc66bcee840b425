#include "sensors/evdevjoystick.h"
#include "support/fakeevdev.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

// One joystick among other input devices that publish their capabilities, in the simulated
// kernel: what the backend and libevdev cost, with the node folder and sysfs on the file system
// but no device driver behind them.
void plugDevices(FakeEvdevKernel& kernel, int others)
{
    kernel.plug("event" + std::to_string(others), fakeJoystick("Stick", "usb-1"));
    for (int i = 0; i < others; ++i)
        kernel.plug("event" + std::to_string(i), {.name = "Keyboard", .keys = {KEY_ESC, KEY_A}});
}

JOYINFOEX request()
{
    JOYINFOEX info{};
    info.dwSize = sizeof(info);
    info.dwFlags = JOY_RETURNALL;
    return info;
}

// The joystick reports a change between polls, as a live axis does.
void BM_PollOpenJoystick(benchmark::State& state)
{
    FakeEvdevKernel kernel;
    plugDevices(kernel, 20);
    EvdevJoystickService service(kernel.root());
    JOYINFOEX info = request();
    int value = 0;
    for (auto _ : state) {
        kernel.report("event20", ABS_X, ++value % 1000);
        benchmark::DoNotOptimize(service.joyGetPosEx(0, &info));
    }
}
BENCHMARK(BM_PollOpenJoystick);

// The second id has no joystick, so every poll looks through all nodes.
void BM_PollMissingJoystick(benchmark::State& state)
{
    FakeEvdevKernel kernel;
    plugDevices(kernel, static_cast<int>(state.range(0)));
    EvdevJoystickService service(kernel.root());
    JOYINFOEX info = request();
    service.joyGetPosEx(0, &info);
    for (auto _ : state)
        benchmark::DoNotOptimize(service.joyGetPosEx(1, &info));
}
BENCHMARK(BM_PollMissingJoystick)->Arg(5)->Arg(20)->Arg(60);

// This machine's own input devices, system calls included.
void BM_PollSystemNodes(benchmark::State& state)
{
    EvdevJoystickService service;
    JOYINFOEX info = request();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            service.joyGetPosEx(static_cast<std::uint32_t>(state.range(0)), &info));
}
BENCHMARK(BM_PollSystemNodes)->Arg(0)->Arg(1);

} // namespace

BENCHMARK_MAIN();
