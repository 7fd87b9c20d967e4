// The settings file's reader and writer on large files: what a stray or hostile user.reg costs at
// start (three reads) and at close (three writes). Figures, not pass or fail.

#include "settings/CWinReestr.h"
#include "settings/file_registry.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace kivano::settings;

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

std::string siblings(int count) {
    std::string file = kHeader;
    for (int i = 0; i < count; ++i)
        file += "[HKEY_CURRENT_USER\\Software\\Other\\Key" + std::to_string(i) + "]\r\n\"v\"=\"" +
                std::to_string(i) + "\"\r\n\r\n";
    return file + "[HKEY_CURRENT_USER\\Software\\Olberin\\Kivano\\Settings]\r\n\"Speed\"=\"7\"\r\n";
}

std::string deep(int levels) {
    std::string file = kHeader + "[HKEY_CURRENT_USER";
    for (int i = 0; i < levels; ++i)
        file += "\\k";
    return file + "]\r\n\"v\"=\"1\"\r\n";
}

void parse(benchmark::State& state, const std::string& text) {
    for (auto _ : state)
        benchmark::DoNotOptimize(parseRegFile(text, "HKEY_CURRENT_USER"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ParseSiblings(benchmark::State& state) {
    parse(state, siblings(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_ParseSiblings)->Arg(600)->Arg(60000)->Unit(benchmark::kMillisecond);

void BM_ParseDeep(benchmark::State& state) {
    parse(state, deep(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_ParseDeep)->Arg(500)->Arg(500000)->Unit(benchmark::kMillisecond);

void BM_WriteSiblings(benchmark::State& state) {
    const auto file = parseRegFile(siblings(static_cast<int>(state.range(0))), "HKEY_CURRENT_USER");
    for (auto _ : state)
        benchmark::DoNotOptimize(toRegFile(file->root, "HKEY_CURRENT_USER", file->foreign));
}
BENCHMARK(BM_WriteSiblings)->Arg(60000)->Unit(benchmark::kMillisecond);

// Kivano's start and close on a store file with that many other keys: three reads, three writes.
void BM_StartAndCloseWithSiblings(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / ("kivano-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "user.reg", std::ios::binary) << siblings(static_cast<int>(state.range(0)));
    FileRegistry registry({{kHkeyCurrentUser, "HKEY_CURRENT_USER", dir / "user.reg", true}});
    const std::string key = "Software\\Olberin\\Kivano\\Settings";
    for (auto _ : state) {
        for (const char* name : {"Time Delay", "Speed", "Randomise"}) {
            std::string text;
            CWinReestr(registry).GetKeyValue(kHkeyCurrentUser, key, name, text);
        }
        for (const char* name : {"Time Delay", "Speed", "Randomise"}) {
            std::string text = "7";
            CWinReestr(registry).SetKeyValue(kHkeyCurrentUser, key, name, text);
        }
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_StartAndCloseWithSiblings)->Arg(600)->Arg(60000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
