// Appending (the doubling growth rule against a std::string) and Format (estimate walk, measure
// and format) on the small texts the program builds.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "foundation/string.h"

namespace {

void BM_ZStringAppendChar(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ZString s;
        for (int i = 0; i < count; ++i) {
            s.Append('x');
        }
        benchmark::DoNotOptimize(s.GetString());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_ZStringAppendChar)->Arg(16)->Arg(1024)->Arg(65536);

void BM_StdStringAppendChar(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::string s;
        for (int i = 0; i < count; ++i) {
            s.push_back('x');
        }
        benchmark::DoNotOptimize(s.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_StdStringAppendChar)->Arg(16)->Arg(1024)->Arg(65536);

void BM_ZStringAppendText(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ZString s;
        for (int i = 0; i < count; ++i) {
            s.Append("192.168.");
        }
        benchmark::DoNotOptimize(s.GetString());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_ZStringAppendText)->Arg(16)->Arg(1024);

void BM_ZStringFormatShort(benchmark::State& state) {
    ZString s;
    for (auto _ : state) {
        s.Format("%s:%d", "10.0.0.1", 4258);
        benchmark::DoNotOptimize(s.GetString());
    }
}
BENCHMARK(BM_ZStringFormatShort);

void BM_ZStringFormatMixed(benchmark::State& state) {
    ZString s;
    for (auto _ : state) {
        s.Format("%-20s %08x %.3f %5d%%", "zelvane.controller", 0xBEEFu, 3.14159, 99);
        benchmark::DoNotOptimize(s.GetString());
    }
}
BENCHMARK(BM_ZStringFormatMixed);

void BM_SnprintfMixed(benchmark::State& state) {
    char text[128];
    for (auto _ : state) {
        std::snprintf(text, sizeof text, "%-20s %08x %.3f %5d%%", "zelvane.controller", 0xBEEFu,
                      3.14159, 99);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_SnprintfMixed);

}  // namespace

BENCHMARK_MAIN();
