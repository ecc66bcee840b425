#include "settings/hivefile.h"
#include "settings/hivetext.h"
#include "settings/registry.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// A hive file in a fresh temporary folder with the program's 25 values, filled up to `total`
// values with further sections of 100 values each.
class BenchHive {
public:
    explicit BenchHive(int total)
    {
        std::string pattern = (fs::temp_directory_path() / "quorvil-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        m_folder = pattern;

        auto memory = std::make_shared<MemoryRegistry>();
        registry filler(memory);
        for (int s = 1; s <= 4; ++s) {
            const std::string n = std::to_string(s);
            const std::string section = "Sensor" + n;
            filler.SaveSetting(section, "Sensor" + n + "_Name", "Sensor " + n);
            filler.SaveSetting(section, "Coefficient-" + n + "A", "0.001355699");
            filler.SaveSetting(section, "Coefficient-" + n + "B", "0.000196433");
            filler.SaveSetting(section, "Coefficient-" + n + "C", "0.000000130");
            filler.SaveSetting(section, "Offset" + n, "3");
        }
        for (const char* key : {"Timer_Interval", "Degrees1C", "Degrees1F", "Left", "Top"})
            filler.SaveSetting("Misc", key, "1");
        // Straight into the tree: through the store, each value would copy the whole tree.
        for (int i = 25; i < total; ++i) {
            const std::string text = "0.000196433";
            std::vector<std::uint8_t> data(text.begin(), text.end() + 1);
            memory->tree
                .create({"Software", "Norvalde", "Quorvil4", "Extra" + std::to_string(i / 100)})
                .values.push_back({"Value" + std::to_string(i), reg::Sz, std::move(data)});
        }
        std::ofstream(m_folder / "user.reg", std::ios::binary) << *formatHive(memory->tree);
        reg = std::make_unique<registry>(std::make_shared<HiveFileRegistry>(m_folder / "user.reg"));
    }

    ~BenchHive()
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    std::unique_ptr<registry> reg;

private:
    fs::path m_folder;
};

void GetSetting(benchmark::State& state)
{
    BenchHive hive(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(hive.reg->GetSetting("Sensor2", "Coefficient-2B", "x"));
}

// One call of the seam per value listed, each reading the file afresh.
void GetAllSettings(benchmark::State& state)
{
    BenchHive hive(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(hive.reg->GetAllSettings("Sensor1"));
}

// Each write changes the value, so every one rewrites and flushes the file.
void SaveSetting(benchmark::State& state)
{
    BenchHive hive(int(state.range(0)));
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        if (!hive.reg->SaveSetting("Misc", "Left", flip ? "1920" : "1921"))
            state.SkipWithError("SaveSetting failed");
    }
}

void SaveSettingUnchanged(benchmark::State& state)
{
    BenchHive hive(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(hive.reg->SaveSetting("Misc", "Left", "1"));
}

// The 23 writes of the setup panel's Save, every value changed.
void SaveAllPreferences(benchmark::State& state)
{
    BenchHive hive(int(state.range(0)));
    int round = 0;
    for (auto _ : state) {
        const std::string value = std::to_string(++round);
        for (int s = 1; s <= 4; ++s) {
            const std::string n = std::to_string(s);
            for (const std::string& key :
                 {"Sensor" + n + "_Name", "Coefficient-" + n + "A", "Coefficient-" + n + "B",
                  "Coefficient-" + n + "C", "Offset" + n})
                hive.reg->SaveSetting("Sensor" + n, key, value);
        }
        for (const char* key : {"Timer_Interval", "Degrees1C", "Degrees1F"})
            hive.reg->SaveSetting("Misc", key, value);
    }
}

} // namespace

BENCHMARK(GetSetting)->Arg(25)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(GetAllSettings)->Arg(25)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(SaveSetting)->Arg(25)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(SaveSettingUnchanged)->Arg(25)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(SaveAllPreferences)->Arg(25)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
