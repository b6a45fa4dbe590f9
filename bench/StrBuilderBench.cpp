#include "workflow/StrBuilder.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string kLine(58, 'x');
constexpr int kLines = 1'000'000;

// One million 60-character lines, as a large log save builds them.
void BM_StrBuilderMillionLines(benchmark::State& state) {
    for (auto _ : state) {
        ata::StrBuilder sb;
        for (int i = 0; i < kLines; ++i) {
            sb.Append(kLine);
            sb.Append("\r\n");
        }
        benchmark::DoNotOptimize(sb.Length());
    }
    state.SetBytesProcessed(state.iterations() * kLines * 60);
}
BENCHMARK(BM_StrBuilderMillionLines)->Unit(benchmark::kMillisecond);

void BM_StdStringMillionLines(benchmark::State& state) {
    for (auto _ : state) {
        std::string s;
        for (int i = 0; i < kLines; ++i) {
            s += kLine;
            s += "\r\n";
        }
        benchmark::DoNotOptimize(s.size());
    }
    state.SetBytesProcessed(state.iterations() * kLines * 60);
}
BENCHMARK(BM_StdStringMillionLines)->Unit(benchmark::kMillisecond);

} // namespace
