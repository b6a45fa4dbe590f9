#include "testing/ScatteredConfig.h"
#include "workflow/LineDiff.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// What --diff does with two 4 MiB configurations that differ in 1,000 scattered lines: split,
// compare and write the unified hunks.
void BM_DiffFourMiBThousandChanges(benchmark::State& state) {
    const std::string strOld = ata::test::MakeConfig(4 << 20);
    const std::string strNew = ata::test::ChangeScattered(strOld, 1000);
    for (auto _ : state) {
        const std::string strHunks = ata::UnifiedHunks(ata::CompareLines(strOld, strNew));
        benchmark::DoNotOptimize(strHunks.size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(strOld.size()));
}
BENCHMARK(BM_DiffFourMiBThousandChanges)->Unit(benchmark::kMillisecond);

} // namespace
