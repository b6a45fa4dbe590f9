// Speed of the tool through its real window (offscreen) against loopback servers of its own on
// 127.0.0.5: Backup Config from pyftpdlib against curl fetching the same file, Get System Log
// (fetch, sort, show), Get System Log then Save onto a long history, Summarise Log against a
// durable copy of the same file, the peak resident size of each of them, and the process's CPU
// time and wake-ups while idle and during a backup. Every figure is checked against the bytes
// the tool produced. Needs root (ports 21 and 80); run by tools/bench-window.sh.
#include "testing/RealWindow.h"

#include "app/qt/LogPaneText.h"
#include "testing/FakeAtaHttpServer.h"
#include "testing/ServerProcess.h"

#include <QPlainTextEdit>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using test::RealWindow;
using test::RunEventsUntil;
using test::WriteBytes;

constexpr const char* kAddress = "127.0.0.5";
constexpr size_t kMiB = 1024 * 1024;
constexpr double kMB = 1e6;
constexpr int kLongWaitMs = 30 * 60 * 1000;

double Since(Clock::time_point t0, Clock::time_point t1) {
    return std::chrono::duration<double>(t1 - t0).count();
}

double Median(std::vector<double> vec) {
    std::sort(vec.begin(), vec.end());
    const size_t n = vec.size();
    return n % 2 ? vec[n / 2] : (vec[n / 2 - 1] + vec[n / 2]) / 2;
}

void Check(bool blnOk, const std::string& strWhat) {
    if (!blnOk)
        throw std::runtime_error(strWhat);
}

std::vector<std::string> SplitLines(const std::string& strText) {
    std::vector<std::string> vec;
    size_t k = 0;
    for (size_t e; (e = strText.find("\r\n", k)) != std::string::npos; k = e + 2)
        vec.push_back(strText.substr(k, e - k));
    vec.push_back(strText.substr(k));
    return vec;
}

std::string JoinLines(const std::vector<std::string>& vecLines) {
    std::string s;
    for (const auto& line : vecLines)
        s += (s.empty() ? "" : "\r\n") + line;
    return s;
}

// One figure of a table: a label and seconds, or a label and a plain number.
void Row(const std::string& strLabel, double dblSeconds) {
    std::printf("  %-66s %9.3f s\n", strLabel.c_str(), dblSeconds);
}
void Ratio(const std::string& strLabel, double dblRatio) {
    std::printf("  %-66s %9.3f\n", strLabel.c_str(), dblRatio);
}

// The peak resident size of one figure: memory freed before it goes back to the system, the
// peak is reset to what is resident now (clear_refs 5), and read at the end (VmHWM).
long StatusKiB(const char* strKey) {
    std::ifstream status("/proc/self/status");
    std::string strLine;
    while (std::getline(status, strLine))
        if (strLine.rfind(strKey, 0) == 0)
            return std::atol(strLine.c_str() + std::strlen(strKey));
    return -1;
}
long ResetPeak() {
    ::malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    return StatusKiB("VmRSS:");
}
// The highest peak of a figure's runs, and what was resident at the start of that run.
void PeakRow(const std::string& strLabel, long lngPeakKiB, long lngStartKiB) {
    std::printf("  %-66s %7.1f MiB (%.1f at its start)\n", strLabel.c_str(),
                double(lngPeakKiB) / 1024, double(lngStartKiB) / 1024);
}

// CPU time of the whole process and its wake-ups (voluntary context switches, all threads).
struct Usage {
    double dblCpu = 0;
    long lngWakeups = 0;

    static Usage Now() {
        timespec ts{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        rusage ru{};
        ::getrusage(RUSAGE_SELF, &ru);
        return {static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9,
                ru.ru_nvcsw};
    }
    Usage operator-(const Usage& o) const { return {dblCpu - o.dblCpu, lngWakeups - o.lngWakeups}; }
};

// One timed command: wall seconds, CPU seconds and wake-ups.
struct Run {
    double dblSeconds = 0;
    Usage use;
};

// What the user sees and when, from the real widgets' events: each new text of the status line
// when the label paints it (at the yield after every status change), the first message box
// when it is shown, each paint of the log pane, and the return of the click handlers (a slot
// connected after the window's own runs when the handler has returned).
class SeenClock : public QObject {
public:
    explicit SeenClock(MainWindow& window)
        : m_window(window), m_lblStatus(window.Control(ControlId::lblStatus)),
          m_paneView(window.txtLog()->viewport()) {
        qApp->installEventFilter(this);
        const auto returned = [this] { tReturn = Clock::now(); };
        connect(&window, &MainWindow::cmdLogClicked, this, returned);
        connect(&window, &MainWindow::cmdSummariseClicked, this, returned);
    }
    ~SeenClock() override { qApp->removeEventFilter(this); }

    void Reset() {
        m_vecStatus.clear();
        m_vecPanePaints.clear();
        tBox = tReturn = {};
    }
    // When the status line first showed the text, after the first showing of strAfter if given.
    Clock::time_point Status(const std::string& strText, const std::string& strAfter = "") const {
        auto it = m_vecStatus.begin();
        if (!strAfter.empty())
            it = std::find_if(it, m_vecStatus.end(), [&](auto& s) { return s.first == strAfter; });
        it = std::find_if(it, m_vecStatus.end(), [&](auto& s) { return s.first == strText; });
        Check(it != m_vecStatus.end(), "the status line never showed \"" + strText + "\"");
        return it->second;
    }
    // The first paint of the pane at or after t, waiting for it if need be.
    Clock::time_point PanePaintAfter(Clock::time_point t) const {
        const auto first = [&] {
            return std::find_if(m_vecPanePaints.begin(), m_vecPanePaints.end(),
                                [&](auto p) { return p >= t; });
        };
        Check(RunEventsUntil([&] { return first() != m_vecPanePaints.end(); }, 60000),
              "the pane was not painted");
        return *first();
    }

    Clock::time_point tBox, tReturn;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            if (watched == m_lblStatus) {
                std::string strText = m_window.StatusText();
                if (m_vecStatus.empty() || m_vecStatus.back().first != strText)
                    m_vecStatus.emplace_back(std::move(strText), Clock::now());
            } else if (watched == m_paneView) {
                m_vecPanePaints.push_back(Clock::now());
            }
        } else if (event->type() == QEvent::Show && tBox == Clock::time_point{} &&
                   qobject_cast<QMessageBox*>(watched)) {
            tBox = Clock::now();
        }
        return false;
    }

private:
    MainWindow& m_window;
    QObject* m_lblStatus;
    QObject* m_paneView;
    std::vector<std::pair<std::string, Clock::time_point>> m_vecStatus;
    std::vector<Clock::time_point> m_vecPanePaints;
};

std::string ReadFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    Check(fd >= 0, "cannot open " + path.string());
    std::string s(static_cast<size_t>(fs::file_size(path)), '\0');
    size_t done = 0;
    for (ssize_t n; done < s.size() && (n = ::read(fd, s.data() + done, s.size() - done)) > 0;)
        done += static_cast<size_t>(n);
    ::close(fd);
    Check(done == s.size(), "short read of " + path.string());
    return s;
}

// Writes a temporary file beside the target, flushes it to the disk, renames it over the target
// and flushes the folder: the durable write that the tool's own file writes are held against.
void DurableWrite(const fs::path& target, const std::string& strText) {
    const fs::path temp = target.string() + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Check(fd >= 0, "cannot create " + temp.string());
    size_t done = 0;
    for (ssize_t n; done < strText.size() &&
                    (n = ::write(fd, strText.data() + done, strText.size() - done)) > 0;)
        done += static_cast<size_t>(n);
    const bool blnOk = done == strText.size() && ::fsync(fd) == 0;
    ::close(fd);
    Check(blnOk && ::rename(temp.c_str(), target.c_str()) == 0, "cannot write " + target.string());
    const int fdFolder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::fsync(fdFolder);
    ::close(fdFolder);
}

// Bytes without runs or a short period, so that nothing along the way can shortcut them.
std::string RandomBytes(size_t lngSize, uint64_t lngSeed) {
    std::string s(lngSize, '\0');
    for (size_t k = 0; k < lngSize; ++k) {
        lngSeed ^= lngSeed << 13;
        lngSeed ^= lngSeed >> 7;
        lngSeed ^= lngSeed << 17;
        s[k] = static_cast<char>(lngSeed >> 32);
    }
    return s;
}

std::tm Utc(std::time_t t) {
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    return tm;
}

// The device's log, oldest first, in lines of 27 bytes ("mm/dd/yyyy hh:mm:ss.fff x" CR LF): runs
// of 1 to 16 lines share a second (their fractions differ), the seconds advance irregularly
// across days and months. Also the lines as the tool writes them ("dd/mm/yyyy hh:nn:ss x").
struct DeviceLog {
    std::string strText;
    std::vector<std::string> vecToolLines;
};

DeviceLog MakeDeviceLog(size_t lngLines, std::time_t t = 1764370200, // 28/11/2025 22:50:00
                        bool blnLongMessages = false) {
    DeviceLog log;
    uint32_t lngSeed = 12345;
    int intLeft = 0;
    for (size_t i = 0; i < lngLines; ++i) {
        lngSeed = lngSeed * 1103515245 + 12345;
        if (intLeft-- == 0) {
            t += 1 + (lngSeed >> 8) % 90;
            intLeft = static_cast<int>((lngSeed >> 20) % 16);
        }
        const std::tm tm = Utc(t);
        // A letter, or a call record of 38 bytes (lines of 64 bytes as a busy device writes).
        const std::string strMsg =
            blnLongMessages ? "Call " + std::to_string(1000000 + i) + " from 0301234567 ended 27s"
                            : std::string(1, static_cast<char>('a' + i % 26));
        char buf[96];
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d.%03zu %s\r\n", tm.tm_mon + 1,
                      tm.tm_mday, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec, i % 1000,
                      strMsg.c_str());
        log.strText += buf;
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d %s", tm.tm_mday,
                      tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec,
                      strMsg.c_str());
        log.vecToolLines.emplace_back(buf);
    }
    return log;
}

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

// A saved history, newest first, one line a minute, in blocks of ten: an ordinary line, then
// nine registrations (every third in small letters, which counts the same). A summary keeps of
// each block the ordinary line, the first registration and the last one (the others lie within
// 5 minutes of the line before them): 3 lines of 10.
struct History {
    std::string strText;
    std::string strSummary;
    size_t lngLines = 0;
    size_t lngKept = 0;
};

History MakeHistory(size_t lngBlocks) {
    std::vector<std::string> vecAll, vecKept;
    const std::time_t tNewest = 1782820800; // 30/06/2026 12:00:00
    for (size_t i = 0; i < lngBlocks * 10; ++i) {
        const std::tm tm = Utc(tNewest - static_cast<std::time_t>(i) * 60);
        char buf[96];
        const int n =
            std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d ", tm.tm_mday,
                          tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
        const size_t k = i % 10;
        std::snprintf(buf + n, sizeof buf - static_cast<size_t>(n), "%s",
                      k == 0  ? ("Call from 0" + std::to_string(100000 + i) + " ended").c_str()
                      : i % 3 ? "SIP Registration succeeded for 100@pbx"
                              : "sip registration succeeded for 100@pbx");
        vecAll.emplace_back(buf);
        if (k == 0 || k == 1 || k == 9)
            vecKept.emplace_back(buf);
    }
    return {JoinLines(vecAll), JoinLines(vecKept), vecAll.size(), vecKept.size()};
}

// A history and its summary in files of the benchmark's own, so that the benchmark holds neither
// while the tool works on them.
struct HistoryFiles {
    fs::path all, summary;
    size_t lngLines = 0;
    size_t lngKept = 0;
};

// The FTP server's root, holding the login directory /RFA/.
fs::path FtpRoot(const fs::path& folder) {
    fs::create_directories(folder / "ftp/RFA");
    return folder / "ftp";
}

// A file the FTP server hands out as /RFA/CONFIG.REG, the login directory.
class ConfigOnServer {
public:
    explicit ConfigOnServer(fs::path ftpRoot) : m_file(std::move(ftpRoot) / "RFA/CONFIG.REG") {}
    void Serve(const std::string& strBytes) {
        DurableWrite(m_file, strBytes);
        m_strBytes = &strBytes;
    }
    const std::string& Bytes() const { return *m_strBytes; }

private:
    fs::path m_file;
    const std::string* m_strBytes = nullptr;
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
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
    const auto folder =
        std::filesystem::temp_directory_path() / ("ata-window-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    int intExit = 0;
    try {
        ata::WindowBench bench(folder, intRuns);
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
    std::filesystem::remove_all(folder);
    if (testing::UnitTest::GetInstance()->Failed())
        intExit = 1;
    return intExit;
}
