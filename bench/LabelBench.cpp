#include "controls/BlockTextRenderer.h"
#include "controls/IControlHost.h"
#include "controls/ZelLabel.h"
#include "controls/ZelSimpleButton.h"
#include "testing/ManualTimerService.h"

#include <benchmark/benchmark.h>

namespace {

// Full repaints of a 600 by 40 status line at Resolution 100; items per second = frames.
void BM_LabelRepaint600x40(benchmark::State& state) {
    ata::CNullControlHost host;
    ata::CBlockTextRenderer text;
    ata::ZelLabel lbl(host, text);
    lbl.UserControl_InitProperties();
    lbl.UserControl_Resize(600, 40);
    lbl.SetResolution(100);
    lbl.SetAlignment(2);
    int i = 0;
    for (auto _ : state) {
        lbl.SetCaption((i++ & 1) ? "Reading ATA status..." : "ATA status read.");
        benchmark::DoNotOptimize(lbl.Surface().Bits());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LabelRepaint600x40);

void BM_ButtonHoverToggle(benchmark::State& state) {
    ata::CNullControlHost host;
    ata::CBlockTextRenderer text;
    // The hover-release timer is started once and never comes due.
    ata::test::ManualTimerService timers;
    ata::ZelSimpleButton btn(host, text, timers);
    btn.UserControl_InitProperties();
    btn.UserControl_Resize(57, 33);
    btn.UserControl_Show();
    for (auto _ : state) {
        btn.UserControl_MouseMove(0, 0, 5, 5);
        btn.UserControl_LostFocus();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ButtonHoverToggle);

} // namespace

BENCHMARK_MAIN();
