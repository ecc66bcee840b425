#include "settings/hivefile.h"
#include "settings/registry.h"
#include "support/tempdir.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const char* const sensorSuffixes[] = {"_Name", "A", "B", "C"};

// A hive file in a fresh temporary folder: `filler` empty sibling keys (29 bytes each, so 144,000
// of them come near the 4 MiB limit), then the program's 25 values, found after all of them.
class BenchHive {
public:
    explicit BenchHive(int filler)
    {
        std::string text = "REGEDIT4\n\n";
        char name[32];
        for (int i = 0; i < filler; ++i) {
            std::snprintf(name, sizeof name, "%06d", i);
            text += std::string("[HKEY_CURRENT_USER\\k") + name + "]\n\n";
        }
        const std::string app = "[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4\\";
        for (int s = 1; s <= 4; ++s) {
            const std::string n = std::to_string(s);
            text += app + "Sensor" + n + "]\n\"Sensor" + n + "_Name\"=\"Sensor " + n + "\"\n";
            for (const char* c : {"A", "B", "C"})
                text += "\"Coefficient-" + n + c + "\"=\"0.000196433\"\n";
            text += "\"Offset" + n + "\"=\"3\"\n\n";
        }
        text += app + "Misc]\n";
        for (const char* key : {"Timer_Interval", "Degrees1C", "Degrees1F", "Left", "Top"})
            text += std::string("\"") + key + "\"=\"1\"\n";
        writeFile(file(), text);
    }

    fs::path file() const { return m_folder.path() / "user.reg"; }
    registry open() const { return registry(std::make_shared<HiveFileRegistry>(file())); }

private:
    TempDir m_folder;
};

// What the main window reads at start-up: 27 preferences, then the window's place.
void readAtStartup(registry& reg)
{
    for (int s = 1; s <= 4; ++s) {
        const std::string n = std::to_string(s), section = "Sensor" + n;
        benchmark::DoNotOptimize(reg.GetSetting(section, "Sensor" + n + "_Name"));
        for (const char* suffix : sensorSuffixes)
            benchmark::DoNotOptimize(reg.GetSetting(
                section, suffix[0] == '_' ? "Sensor" + n + suffix : "Coefficient-" + n + suffix));
        benchmark::DoNotOptimize(reg.GetSetting(section, "Offset" + n));
    }
    for (const char* key : {"Timer_Interval", "Degrees1C", "Degrees1F", "Top", "Left"})
        benchmark::DoNotOptimize(reg.GetSetting("Misc", key));
}

// The 23 writes of the setup panel's Save, as one batch.
bool saveAll(registry& reg, const std::string& value)
{
    reg.beginBatch();
    bool ok = true;
    for (int s = 1; s <= 4; ++s) {
        const std::string n = std::to_string(s), section = "Sensor" + n;
        for (const char* suffix : sensorSuffixes)
            ok = reg.SaveSetting(section,
                                 suffix[0] == '_' ? "Sensor" + n + suffix
                                                  : "Coefficient-" + n + suffix,
                                 value) &&
                 ok;
        ok = reg.SaveSetting(section, "Offset" + n, value) && ok;
    }
    for (const char* key : {"Timer_Interval", "Degrees1C", "Degrees1F"})
        ok = reg.SaveSetting("Misc", key, value) && ok;
    return reg.endBatch() && ok;
}

void GetSetting(benchmark::State& state)
{
    BenchHive hive(int(state.range(0)));
    registry reg = hive.open();
    for (auto _ : state)
        benchmark::DoNotOptimize(reg.GetSetting("Sensor2", "Coefficient-2B", "x"));
}

// A store made afresh, as at start-up, so the first read parses the file.
void StartupReads(benchmark::State& state)
{
    BenchHive hive(int(state.range(0)));
    for (auto _ : state) {
        registry reg = hive.open();
        readAtStartup(reg);
    }
}

// Each write changes the value, so every one rewrites and flushes the file.
void SaveSetting(benchmark::State& state)
{
    BenchHive hive(int(state.range(0)));
    registry reg = hive.open();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        if (!reg.SaveSetting("Misc", "Left", flip ? "1920" : "1921"))
            state.SkipWithError("SaveSetting failed");
    }
}

void SaveSettingUnchanged(benchmark::State& state)
{
    BenchHive hive(int(state.range(0)));
    registry reg = hive.open();
    for (auto _ : state)
        benchmark::DoNotOptimize(reg.SaveSetting("Misc", "Left", "1"));
}

// Save to Registry after start-up, every value changed.
void SavePreferences(benchmark::State& state)
{
    BenchHive hive(int(state.range(0)));
    registry reg = hive.open();
    readAtStartup(reg);
    int round = 0;
    for (auto _ : state)
        if (!saveAll(reg, std::to_string(++round)))
            state.SkipWithError("Save failed");
}

} // namespace

BENCHMARK(GetSetting)->Arg(0)->Arg(10000)->Arg(144000)->Unit(benchmark::kMicrosecond);
BENCHMARK(StartupReads)->Arg(0)->Arg(10000)->Arg(144000)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveSetting)->Arg(0)->Arg(10000)->Arg(144000)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveSettingUnchanged)->Arg(0)->Arg(10000)->Arg(144000)->Unit(benchmark::kMicrosecond);
BENCHMARK(SavePreferences)->Arg(0)->Arg(10000)->Arg(144000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
