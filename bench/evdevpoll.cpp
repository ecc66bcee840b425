#include "sensors/evdevjoystick.h"

#include <benchmark/benchmark.h>
#include <libevdev/libevdev.h>

namespace {

// One joystick among many other input devices that publish their capabilities, all in memory:
// what the backend itself costs, without the system calls.
class MemoryNodes final : public EvdevNodes {
public:
    explicit MemoryNodes(int others) : m_others(others)
    {
        m_joystick = libevdev_new();
        input_absinfo axis{};
        axis.maximum = 65535;
        libevdev_enable_event_code(m_joystick, EV_ABS, ABS_X, &axis);
        libevdev_enable_event_code(m_joystick, EV_ABS, ABS_Y, &axis);
        libevdev_enable_event_code(m_joystick, EV_KEY, BTN_TRIGGER, nullptr);
    }
    ~MemoryNodes() override { libevdev_free(m_joystick); }

    std::vector<std::string> list() override
    {
        std::vector<std::string> names{"event" + std::to_string(m_others)};
        for (int i = 0; i < m_others; ++i)
            names.push_back("event" + std::to_string(i));
        return names;
    }
    std::optional<PublishedCaps> published(const std::string& node) override
    {
        if (node == "event" + std::to_string(m_others))
            return PublishedCaps{"3", "100000000 0 0 0 0"};
        return PublishedCaps{"0", "fffffffffffffffe"}; // a keyboard
    }
    std::unique_ptr<EvdevDevice> open(const std::string&, int*) override
    {
        return std::make_unique<Device>(m_joystick);
    }

private:
    class Device final : public EvdevDevice {
    public:
        explicit Device(const libevdev* dev) : m_dev(dev) {}
        const libevdev* state() const override { return m_dev; }
        int drain() override { return 0; }

    private:
        const libevdev* m_dev;
    };

    int m_others;
    libevdev* m_joystick;
};

JOYINFOEX request()
{
    JOYINFOEX info{};
    info.dwSize = sizeof(info);
    info.dwFlags = JOY_RETURNALL;
    return info;
}

void BM_PollOpenJoystick(benchmark::State& state)
{
    EvdevJoystickService service(std::make_unique<MemoryNodes>(20));
    JOYINFOEX info = request();
    for (auto _ : state)
        benchmark::DoNotOptimize(service.joyGetPosEx(0, &info));
}
BENCHMARK(BM_PollOpenJoystick);

// The second id has no joystick, so every poll looks through all nodes.
void BM_PollMissingJoystick(benchmark::State& state)
{
    EvdevJoystickService service(std::make_unique<MemoryNodes>(static_cast<int>(state.range(0))));
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
