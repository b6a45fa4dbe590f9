// Throughput of the log operations on generated data (bench/LogGenerators.h). The save and the
// summary are compared with just reading and writing the same file.
#include "bench/LogGenerators.h"
#include "testing/ScratchFolder.h"
#include "workflow/IWindowOps.h"
#include "workflow/LogSaving.h"
#include "workflow/LogSort.h"
#include "workflow/modMiscFiles.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace ata;

// A window that does nothing: the benchmarks time the work, not the display.
class QuietWindow : public IWindowOps {
public:
    std::string strPane;
    void SetStatus(const std::string&) override {}
    void DoEvents() override {}
    void ShowMessage(const std::string&, MessageIcon) override {}
    std::string GetLogText() override { return strPane; }
    void SetLogText(const std::string& s) override { strPane = s; }
    void SetLogVisible(bool) override {}
    void SetLedColour(ControlId, int32_t) override {}
    void SetEnabled(ControlId, bool) override {}
    std::string GetIpText() override { return {}; }
    void SetIpText(const std::string&) override {}
    void AddIpListItem(const std::string&) override {}
    void FocusIp() override {}
    std::string GetUserText() override { return {}; }
    void SetUserText(const std::string&) override {}
    std::string GetPassText() override { return {}; }
    void SetPassText(const std::string&) override {}
    int32_t GetAutoSum() override { return 0; }
    void SetAutoSum(int32_t) override {}
    void GetClientSize(int32_t& w, int32_t& h) override { w = h = 0; }
    PaneGeometry GetPaneGeometry() override { return {}; }
    void SetPaneWidth(int32_t) override {}
    void SetPaneHeight(int32_t) override {}
    void Sleep(int32_t) override {}
    bool WaitEvents(int32_t) override { return false; }
};

struct LogFile {
    test::ScratchFolder folder;
    std::string strPath = folder.File("sys-log.txt");
    std::string strContent;
    explicit LogFile(std::string content) : strContent(std::move(content)) { Restore(); }
    void Restore() const {
        if (!modMisc::WriteTextFile(strContent, strPath)) {
            std::abort();
        }
    }
};

constexpr size_t kFileLines = 1'000'000;

const std::string& BigLog() {
    static const std::string strLog = bench::MakeHistory(kFileLines / 10).strText + "\r\n";
    return strLog;
}

void BM_ReadAndWriteFile(benchmark::State& state) {
    LogFile file(BigLog());
    for (auto _ : state) {
        std::string strText = modMisc::ReadTextFile(file.strPath);
        benchmark::DoNotOptimize(modMisc::WriteTextFile(strText, file.strPath));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * BigLog().size()));
}
BENCHMARK(BM_ReadAndWriteFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveLog1000Into1M(benchmark::State& state) {
    LogFile file(BigLog());
    QuietWindow window;
    // 1,000 lines newer than anything saved, then the newest saved line.
    window.strPane = bench::MakeHistory(100, 1782820800 + 86400).strText + "\r\n" +
                     BigLog().substr(0, BigLog().find("\r\n"));
    for (auto _ : state) {
        SaveLog(window, file.strPath, [](bool) {});
        state.PauseTiming();
        file.Restore();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * BigLog().size()));
}
BENCHMARK(BM_SaveLog1000Into1M)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SummariseLog1M(benchmark::State& state) {
    LogFile file(BigLog());
    QuietWindow window;
    for (auto _ : state) {
        SummariseLog(window, file.strPath);
        state.PauseTiming();
        file.Restore();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * BigLog().size()));
}
BENCHMARK(BM_SummariseLog1M)->Unit(benchmark::kMillisecond)->UseRealTime();

// About 4 MiB of short device-form lines (155,000 of 27 bytes), oldest first as the device
// writes them, or in random order.
std::string DeviceLog155k(bool blnShuffled) {
    std::string strLog = bench::MakeDeviceLog(155'000).strText;
    if (!blnShuffled)
        return strLog;
    std::vector<std::string> vecLines = bench::SplitLines(strLog);
    vecLines.pop_back(); // after the final line end
    std::shuffle(vecLines.begin(), vecLines.end(), std::mt19937(3));
    return bench::JoinLines(vecLines) + "\r\n";
}

void BM_SortLog155k(benchmark::State& state) {
    const std::string strLog = DeviceLog155k(state.range(0) != 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SortLog(strLog));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * strLog.size()));
}
BENCHMARK(BM_SortLog155k)
    ->ArgName("shuffled")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
