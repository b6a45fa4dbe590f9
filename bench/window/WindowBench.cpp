// Speed of the tool through its real window (offscreen) against loopback servers of its own on
// 127.0.0.5: Backup Config from pyftpdlib against curl fetching the same file, Get System Log
// (fetch, sort, show), Get System Log then Save onto a long history, Summarise Log against a
// durable copy of the same file, the peak resident size of each of them, and the process's CPU
// time and wake-ups while idle and during a backup. Every figure is checked against the bytes
// the tool produced. Needs root (ports 21 and 80); run by tools/bench-window.sh.
#include "app/qt/LogPaneText.h"
#include "bench/LogGenerators.h"
#include "bench/window/CpuMeter.h"
#include "bench/window/FtpRoot.h"
#include "bench/window/Report.h"
#include "bench/window/SeenClock.h"
#include "testing/FakeAtaHttpServer.h"
#include "testing/RealWindow.h"
#include "testing/ScratchFolder.h"
#include "testing/ServerProcess.h"

#include <algorithm>
#include <spawn.h>
#include <sys/wait.h>

namespace ata {
namespace {

using namespace bench;
using test::RealWindow;
using test::RunEventsUntil;
using test::WriteBytes;

constexpr const char* kAddress = "127.0.0.5";
constexpr size_t kMiB = 1024 * 1024;
constexpr int kLongWaitMs = 30 * 60 * 1000;

// "dd/mm/yyyy hh:nn:ss ..." -> "yyyymmddhh:nn:ss", which orders as the time stamps do.
std::string StampKey(const std::string& strLine) {
    return strLine.substr(6, 4) + strLine.substr(3, 2) + strLine.substr(0, 2) +
           strLine.substr(11, 8);
}

// The pane holds exactly the expected lines, newest first. (The order among equal stamps is
// the sort's own business and is checked by its tests.)
void CheckSortedLog(const std::string& strPane, std::vector<std::string> vecExpected) {
    std::vector<std::string> vecLines = SplitLines(strPane);
    for (size_t k = 1; k < vecLines.size(); ++k)
        Check(StampKey(vecLines[k - 1]) >= StampKey(vecLines[k]),
              "the pane is not newest first at line " + std::to_string(k + 1));
    std::sort(vecLines.begin(), vecLines.end());
    std::sort(vecExpected.begin(), vecExpected.end());
    Check(vecLines == vecExpected, "the pane does not hold the fetched lines");
}

// A history and its summary in files of the benchmark's own, so that the benchmark holds neither
// while the tool works on them.
struct HistoryFiles {
    fs::path all, summary;
    size_t lngLines = 0;
    size_t lngKept = 0;
};

class WindowBench {
public:
    WindowBench(fs::path folder, int intRuns)
        : m_folder(std::move(folder)), m_intRuns(intRuns), m_http(kAddress, 80),
          m_ftp({script::test::FixturePath("pyftpd_rfa.py"), FtpRoot(m_folder).string(), "admin",
                 "secret", "/RFA/", kAddress, "21"}),
          m_config(m_folder / "ftp") {
        Check(m_ftp.Port() == 21,
              std::string("the FTP server could not listen on ") + kAddress + ":21");
        WriteBytes(App() / "settings.ini", std::string("[Options]\r\nIP=") + kAddress +
                                               "\r\nUsername=admin\r\nPassword=secret\r\n");
        m_window = std::make_unique<RealWindow>(App());
        m_clock = std::make_unique<SeenClock>(m_window->Window());
        Check(m_window->Window().GetIpText() == kAddress, "the settings were not read");
    }

    // Five seconds of the event loop with nothing to do, after one to let the last command's
    // paints and clean-up finish.
    void Idle(const char* strWhen) {
        (void)RunEventsUntil([] { return false; }, 1000);
        const Usage u0 = Usage::Now();
        const auto t0 = Clock::now();
        (void)RunEventsUntil([] { return false; }, 5000);
        const double dblSeconds = Since(t0, Clock::now());
        const Usage u = Usage::Now() - u0;
        std::printf("\nIdle window for 5 s %s: %.3f ms CPU per s, %.1f wake-ups per s\n", strWhen,
                    u.dblCpu * 1000 / dblSeconds, static_cast<double>(u.lngWakeups) / dblSeconds);
        std::fflush(stdout);
    }

    void Backup() {
        const std::string strSmall = RandomBytes(4 * kMiB, 0x9E3779B97F4A7C15u);
        const std::string strLarge = RandomBytes(128 * kMiB, 0xD1B54A32D192ED03u);
        std::vector<Run> vecWindow[2], vecCurl[2];
        for (int r = 0; r < m_intRuns; ++r) {
            for (int k = 0; k < 2; ++k) {
                m_config.Serve(k ? strLarge : strSmall);
                vecWindow[k].push_back(BackupThroughWindow());
                vecCurl[k].push_back(FetchWithCurl());
            }
        }
        std::printf("\nBackup Config: CONFIG.REG from pyftpdlib on %s:21, %d runs: times best of "
                    "them (a stall only adds time), CPU and wake-ups median\n"
                    "  (MB = 10^6 bytes; marginal = (128 MiB - 4 MiB) / (t128 - t4), likewise the "
                    "CPU time per GiB)\n",
                    kAddress, m_intRuns);
        std::printf("  %-24s %9s %9s %13s %10s %15s\n", "", "t 4 MiB", "t 128 MiB", "marginal MB/s",
                    "CPU s/GiB", "wake-ups 128MiB");
        double dblRate[2];
        for (int w = 0; w < 2; ++w) {
            const auto& runs = w ? vecCurl : vecWindow;
            const auto median = [&](int k, auto field) { return MedianOf(runs[k], field); };
            const auto best = [&](int k) {
                return std::min_element(
                           runs[k].begin(), runs[k].end(),
                           [](auto& a, auto& b) { return a.dblSeconds < b.dblSeconds; })
                    ->dblSeconds;
            };
            const auto cpu = [](const Run& x) { return x.use.dblCpu; };
            const auto wakeups = [](const Run& x) { return double(x.use.lngWakeups); };
            const double t4 = best(0), t128 = best(1);
            dblRate[w] = double(124 * kMiB) / (t128 - t4) / kMB;
            std::printf("  %-24s %8.3fs %8.3fs %13.1f %10.3f %15.0f\n",
                        w ? "curl (/usr/bin/curl)" : "window (Backup Config)", t4, t128, dblRate[w],
                        (median(1, cpu) - median(0, cpu)) * 1024 / 124, median(1, wakeups));
        }
        Ratio("ratio window / curl (marginal throughput)", dblRate[0] / dblRate[1]);
        std::fflush(stdout);
    }

    void SystemLog() {
        const DeviceLog log = MakeDeviceLog(4 * kMiB / 27);
        m_http.SetPage("/cgi/syslog.txt", log.strText);
        std::vector<double> vecSorting, vecSort, vecSorted, vecReturn, vecPainted;
        std::string strSorted;
        long lngPeak = 0, lngStart = 0;
        for (int r = 0; r < m_intRuns; ++r) {
            ClearPane();
            m_clock->Reset();
            strSorted = std::string();
            const long lngAtStart = ResetPeak();
            const auto t0 = Clock::now();
            m_window->Click(ControlId::cmdLog);
            if (const long lngHwm = StatusKiB("VmHWM:"); lngHwm > lngPeak)
                lngPeak = lngHwm, lngStart = lngAtStart;
            Check(m_clock->tReturn != Clock::time_point{}, "Get System Log did not run");
            const auto tSorting = m_clock->Status("Sorting log...");
            const auto tSorted = m_clock->Status("Log sorted.", "Sorting log...");
            vecSorting.push_back(Since(t0, tSorting));
            vecSort.push_back(Since(tSorting, tSorted));
            vecSorted.push_back(Since(t0, tSorted));
            vecReturn.push_back(Since(t0, m_clock->tReturn));
            vecPainted.push_back(Since(t0, m_clock->PanePaintAfter(m_clock->tReturn)));
            strSorted = m_window->Window().GetLogText();
            CheckSortedLog(strSorted, log.vecToolLines);
        }
        std::printf("\nGet System Log: %zu bytes, %zu device lines from %s:80, median of %d runs\n",
                    log.strText.size(), log.vecToolLines.size(), kAddress, m_intRuns);
        Row("click -> \"Sorting log...\" shown (echo, fetch, 1 s wait)", Median(vecSorting));
        Row("sort alone (\"Sorting log...\" -> \"Log sorted.\" shown)", Median(vecSort));
        Row("click -> \"Log sorted.\" shown", Median(vecSorted));
        Row("click -> handler returned (pane filled)", Median(vecReturn));
        Row("click -> pane painted", Median(vecPainted));
        PeakRow("peak resident size, click -> pane filled (VmHWM)", lngPeak, lngStart);
        Pane(strSorted);
    }

    // Get System Log of a busy device's log, then Save onto a history of years.
    void SaveOntoHistory() {
        const DeviceLog log = MakeDeviceLog(58000, 1782864000, true); // 01/07/2026 00:00:00
        m_http.SetPage("/cgi/syslog.txt", log.strText);
        const HistoryFiles history = WriteHistory(100000);
        const fs::path file = App() / "sys-log.txt";
        const std::string strMessage = "System log saved, 58000 line(s) added.";
        std::vector<double> vecBox;
        long lngPeak = 0, lngStart = 0;
        for (int r = 0; r < m_intRuns; ++r) {
            DurableWrite(file, ReadFile(history.all));
            ClearPane();
            m_clock->Reset();
            const long lngAtStart = ResetPeak();
            m_window->Click(ControlId::cmdLog);
            const size_t lngShown = m_window->Messages().size();
            const auto t0 = Clock::now();
            m_window->Click(ControlId::cmdSaveLog);
            vecBox.push_back(Since(t0, m_clock->tBox));
            const long lngHwm = StatusKiB("VmHWM:");
            if (lngHwm > lngPeak)
                lngPeak = lngHwm, lngStart = lngAtStart;
            Check(m_window->Messages().size() == lngShown + 1 &&
                      m_window->Messages().back().strText == strMessage,
                  "Save System Log did not report \"" + strMessage + "\"");
            const std::string strPane = m_window->Window().GetLogText();
            CheckSortedLog(strPane, log.vecToolLines);
            Check(ReadFile(file) == strPane + "\r\n" + ReadFile(history.all),
                  "the saved history is wrong");
        }
        std::printf("\nGet System Log of %zu lines (%.1f MB), then Save onto %zu lines (%.1f MB), "
                    "median of %d runs\n",
                    log.vecToolLines.size(), double(log.strText.size()) / kMB, history.lngLines,
                    double(fs::file_size(history.all)) / kMB, m_intRuns);
        Row("Save: click -> message box", Median(vecBox));
        PeakRow("peak resident size of the two commands (VmHWM)", lngPeak, lngStart);
        std::fflush(stdout);
    }

    void Summarise() {
        const HistoryFiles history = WriteHistory(100000);
        const fs::path file = App() / "sys-log.txt";
        const std::string strMessage = "System log summarised from " +
                                       std::to_string(history.lngLines) + " to " +
                                       std::to_string(history.lngKept) + " line(s)";
        std::vector<double> vecBox, vecReturn, vecPainted, vecCopy;
        long lngPeak = 0, lngStart = 0;
        for (int r = 0; r < m_intRuns; ++r) {
            DurableWrite(file, ReadFile(history.all));
            const auto tCopy = Clock::now();
            DurableWrite(m_folder / "copy.txt", ReadFile(file));
            vecCopy.push_back(Since(tCopy, Clock::now()));

            ClearPane();
            m_clock->Reset();
            const size_t lngShown = m_window->Messages().size();
            const long lngAtStart = ResetPeak();
            const auto t0 = Clock::now();
            m_window->Click(ControlId::cmdSummarise);
            const long lngHwm = StatusKiB("VmHWM:");
            if (lngHwm > lngPeak)
                lngPeak = lngHwm, lngStart = lngAtStart;
            Check(m_window->Messages().size() == lngShown + 1 &&
                      m_window->Messages().back().strText == strMessage,
                  "Summarise Log did not report \"" + strMessage + "\"");
            vecBox.push_back(Since(t0, m_clock->tBox));
            vecReturn.push_back(Since(t0, m_clock->tReturn));
            vecPainted.push_back(Since(t0, m_clock->PanePaintAfter(m_clock->tReturn)));
            const std::string strSummary = ReadFile(history.summary);
            Check(ReadFile(file) == strSummary, "the summarised file is wrong");
            Check(m_window->Window().GetLogText() == strSummary, "the pane is wrong");
        }
        std::printf("\nSummarise Log: %zu lines (%.1f MB) down to %zu lines, median of %d runs\n",
                    history.lngLines, double(fs::file_size(history.all)) / kMB, history.lngKept,
                    m_intRuns);
        Row("click -> message box", Median(vecBox));
        Row("click -> handler returned (pane filled with the summary)", Median(vecReturn));
        Row("click -> pane painted", Median(vecPainted));
        Row("same file: read + durable write (temp, fsync, rename, fsync dir)", Median(vecCopy));
        Ratio("ratio: click -> message box / durable copy", Median(vecBox) / Median(vecCopy));
        PeakRow("peak resident size, click -> pane filled (VmHWM)", lngPeak, lngStart);
        std::fflush(stdout);
    }

private:
    fs::path App() const { return m_folder / "app"; }

    HistoryFiles WriteHistory(size_t lngBlocks) {
        const History history = MakeHistory(lngBlocks);
        HistoryFiles files{m_folder / "history.txt", m_folder / "summary.txt", history.lngLines,
                           history.lngKept};
        WriteBytes(files.all, history.strText);
        WriteBytes(files.summary, history.strSummary);
        return files;
    }

    // Every timed run starts, as the first one after start-up does, from an empty pane.
    void ClearPane() {
        m_window->Window().SetLogText("");
        (void)RunEventsUntil([] { return false; }, 100);
    }

    template <typename Field> static double MedianOf(const std::vector<Run>& vec, Field field) {
        std::vector<double> v;
        for (const Run& x : vec)
            v.push_back(field(x));
        return Median(v);
    }

    // Click, wait until the window is idle again, then check the one new backup file.
    Run BackupThroughWindow() {
        const size_t lngShown = m_window->Messages().size();
        const Usage u0 = Usage::Now();
        const auto t0 = Clock::now();
        m_window->Click(ControlId::cmdBackup);
        Check(m_window->WaitUntilIdle(kLongWaitMs), "the backup did not end");
        const Run run{Since(t0, Clock::now()), Usage::Now() - u0};
        Check(m_window->Messages().size() == lngShown + 1 &&
                  m_window->Messages().back().strText == "Current config backed up.",
              "the backup did not report \"Current config backed up.\"");
        std::vector<fs::path> vecBackups;
        for (const auto& entry : fs::directory_iterator(App()))
            if (entry.path().filename().string().rfind("Config", 0) == 0)
                vecBackups.push_back(entry.path());
        Check(vecBackups.size() == 1, "expected one backup file");
        Check(ReadFile(vecBackups[0]) == m_config.Bytes(), "the backup differs from the source");
        fs::remove(vecBackups[0]);
        return run;
    }

    // The same file from the same server with /usr/bin/curl, relative to the login directory.
    Run FetchWithCurl() {
        const fs::path out = m_folder / "curl.out";
        const std::string strUrl = std::string("ftp://admin:secret@") + kAddress + "/CONFIG.REG";
        const char* argv[] = {"/usr/bin/curl", "-q",           "-sS",  "--noproxy", "*", "-o",
                              out.c_str(),     strUrl.c_str(), nullptr};
        const auto t0 = Clock::now();
        pid_t pid = -1;
        Check(::posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) ==
                  0,
              "cannot start curl");
        int intStatus = 0;
        rusage ru{};
        ::wait4(pid, &intStatus, 0, &ru);
        const double dblSeconds = Since(t0, Clock::now());
        Check(WIFEXITED(intStatus) && WEXITSTATUS(intStatus) == 0, "curl failed");
        Check(ReadFile(out) == m_config.Bytes(), "curl's copy differs from the source");
        fs::remove(out);
        const double dblCpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                              static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
        return {dblSeconds, {dblCpu, ru.ru_nvcsw}};
    }

    // Putting the sorted log into the pane on its own: the display mapping, the whole window
    // operation (mapping and setPlainText) and the first paint after it.
    void Pane(const std::string& strText) {
        std::vector<double> vecMap, vecSet, vecPaint;
        MainWindow& window = m_window->Window();
        for (int r = 0; r < m_intRuns; ++r) {
            ClearPane();
            const auto t0 = Clock::now();
            const QString display = PaneDisplayText(strText);
            const auto t1 = Clock::now();
            window.SetLogText(strText);
            const auto t2 = Clock::now();
            vecMap.push_back(Since(t0, t1));
            vecSet.push_back(Since(t1, t2));
            vecPaint.push_back(Since(t2, m_clock->PanePaintAfter(t2)));
            Check(!display.isEmpty() && window.GetLogText() == strText, "the pane lost bytes");
        }
        Row("pane alone: display mapping of the sorted " + std::to_string(strText.size()) +
                " bytes",
            Median(vecMap));
        Row("pane alone: SetLogText (display mapping + setPlainText)", Median(vecSet));
        Row("pane alone: SetLogText -> first paint", Median(vecPaint));
        std::fflush(stdout);
    }

    fs::path m_folder;
    int m_intRuns;
    test::FakeAtaHttpServer m_http;
    script::test::ServerProcess m_ftp;
    ConfigOnServer m_config;
    std::unique_ptr<RealWindow> m_window;
    std::unique_ptr<SeenClock> m_clock;
};

} // namespace
} // namespace ata

int main(int argc, char** argv) {
    ata::test::UseOffscreenUnlessChosen();
    QApplication app(argc, argv);
    int intRuns = 5;
    for (int k = 1; k < argc; ++k) {
        if (std::string(argv[k]) == "--runs" && k + 1 < argc)
            intRuns = std::max(1, std::atoi(argv[++k]));
    }
    if (::geteuid() != 0) {
        std::fprintf(stderr, "needs root: the loopback servers listen on ports 21 and 80\n");
        return 2;
    }
    const ata::test::ScratchFolder folder(std::filesystem::temp_directory_path(),
                                          "ata-window-bench");
    int intExit = 0;
    try {
        ata::WindowBench bench(folder.path, intRuns);
        bench.Idle("after start");
        bench.Backup();
        bench.SystemLog();
        bench.SaveOntoHistory();
        bench.Summarise();
        bench.Idle("after the commands");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "FAILED: %s\n", e.what());
        intExit = 1;
    }
    if (testing::UnitTest::GetInstance()->Failed())
        intExit = 1;
    return intExit;
}
