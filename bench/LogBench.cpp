// Throughput of the log operations on generated data. The save and the summary are compared
// with just reading and writing the same file.
#include "workflow/IWindowOps.h"
#include "workflow/LogSaving.h"
#include "workflow/LogSort.h"
#include "workflow/modMiscFiles.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

using namespace ata;
namespace fs = std::filesystem;

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

// lngLines log lines, newest first, starting lngFirstMinute minutes after an epoch; about
// four in five are registration lines a few minutes apart.
std::string GenerateLog(size_t lngLines, int64_t lngFirstMinute, uint32_t lngSeed) {
    std::mt19937 rng(lngSeed);
    std::string strLog;
    strLog.reserve(lngLines * 70);
    int64_t lngMinute = lngFirstMinute;
    for (size_t k = 0; k < lngLines; ++k) {
        lngMinute -= 1 + static_cast<int64_t>(rng() % 7);
        const int64_t lngWhen = (lngMinute + 20'000'000) * 60 + static_cast<int64_t>(rng() % 60);
        strLog += FormatLogTime(lngWhen);
        strLog += (rng() % 5 != 0) ? " SIP Registration succeeded for 1001@sip.example.net"
                                   : " Line 1 call from 5551234 ended";
        if (k + 1 < lngLines) {
            strLog += "\r\n";
        }
    }
    return strLog;
}

struct LogFile {
    fs::path folder;
    std::string strPath;
    std::string strContent;
    explicit LogFile(std::string content) : strContent(std::move(content)) {
        std::string t = (fs::temp_directory_path() / "ata-bench-XXXXXX").string();
        folder = ::mkdtemp(t.data());
        strPath = (folder / "sys-log.txt").string();
        Restore();
    }
    ~LogFile() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    void Restore() const {
        if (!modMisc::WriteTextFile(strContent, strPath)) {
            std::abort();
        }
    }
};

constexpr size_t kFileLines = 1'000'000;

const std::string& BigLog() {
    static const std::string strLog = GenerateLog(kFileLines, 0, 1) + "\r\n";
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
    window.strPane =
        GenerateLog(1000, 10'000, 2) + "\r\n" + BigLog().substr(0, BigLog().find("\r\n"));
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

// About 4 MiB of short device-form lines (155,000 of 27 bytes): 0 spread over a year in random
// order, 1 only five distinct seconds, 2 oldest first with ten lines to each second.
std::string GenerateDeviceLog(int64_t lngShape) {
    constexpr uint32_t kLines = 155'000;
    std::mt19937 rng(3);
    std::string strLog;
    strLog.reserve(kLines * 27);
    for (uint32_t k = 0; k < kLines; ++k) {
        uint32_t lngSecond = static_cast<uint32_t>(rng() % (365u * 86400u));
        if (lngShape == 1) {
            lngSecond = 36000 + static_cast<uint32_t>(rng() % 5);
        } else if (lngShape == 2) {
            lngSecond = k / 10;
        }
        const LogTime lngWhen = ParseLogDate("01/01/2008 00:00:00") + lngSecond;
        const std::string strTool = FormatLogTime(lngWhen); // dd/mm/yyyy hh:nn:ss
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.2s/%.2s/%.4s %.8s.%03u %c\r\n", strTool.data() + 3,
                      strTool.data(), strTool.data() + 6, strTool.data() + 11,
                      static_cast<unsigned>(rng() % 1000), static_cast<char>('a' + k % 26));
        strLog += buf;
    }
    return strLog;
}

void BM_SortLog155k(benchmark::State& state) {
    const std::string strLog = GenerateDeviceLog(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(SortLog(strLog));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * strLog.size()));
}
BENCHMARK(BM_SortLog155k)
    ->ArgName("shape")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
