// kill -9 during Save and Summarise as nobody: the history is exactly the old or the new text.
#include "testing/CliRun.h"
#include "testing/FakeAtaFixture.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <latch>
#include <mutex>
#include <random>
#include <thread>

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;
using Clock = std::chrono::steady_clock;

constexpr const char* kAtaAddress = "127.0.0.14";
const std::vector<std::string> kWriteFiles{".tmp", ".journal"};
using Seconds = std::chrono::duration<double>;

// Blocks of a line over three registrations a minute apart; the summary drops each middle one.
void MakeHistory(int intBlocks, std::string& strHistory, std::string& strSummary) {
    const std::string strReg = " SIP Registration succeeded for 200@pbx";
    for (int i = 0; i < intBlocks; ++i) {
        const auto At = [i](int intMinute) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%02d/%02d/%d %02d:%02d:00", 28 - i / 144 % 28,
                          12 - i / 4032 % 12, 2025 - i / 48384, 23 - i / 6 % 24,
                          50 - i % 6 * 10 + intMinute);
            return std::string(buf);
        };
        const std::string strTop = std::string(i == 0 ? "" : "\r\n") + At(5) +
                                   " Call from 201\r\n" + At(2) + strReg + "\r\n";
        strHistory += strTop + At(1) + strReg + "\r\n" + At(0) + strReg;
        strSummary += strTop + At(0) + strReg;
    }
}

struct Plan {
    const char* strName;
    bool blnReadOnly;
    const char* strCommand;
    const char* strMarker; // its first step
    const std::string& strNew;
};

// Two workers per plan: the saves spend most of their time in the fetch's one-second wait.
constexpr unsigned kWorkers = 8;

// One worker at a time forks, so that no copy of the executable is open for writing (ETXTBSY).
struct Gate {
    std::mutex mtxAlone;
    std::latch objAllTimed{kWorkers};
    std::atomic<int> intInsideWrite{0}; // kills of all workers that left the write's files
};

// One program folder, killed again and again; the first run times the windows the kills hit.
void KillAgainAndAgain(const fs::path& root, const Plan& p, const std::string& strOld,
                       int intRounds, unsigned intSeed, Gate& objGate) {
    std::unique_lock objAlone(objGate.mtxAlone);
    const fs::path app = root / "app", state = root / "state" / "atatool";
    const fs::path watched = p.blnReadOnly ? state : app;
    fs::create_directories(state);
    WriteBytes(app / "settings.ini", std::string("[Options]\r\nIP=") + kAtaAddress +
                                         "\r\nUsername=admin\r\nPassword=secret\r\n");
    WriteBytes(app / "sys-log.txt", strOld);
    fs::copy_file(ATA_CLI_PATH, app / "atatool-cli");
    for (const fs::path& f : {root, app, root / "state", state, app / "settings.ini",
                              app / "sys-log.txt", app / "atatool-cli"})
        ::chown(f.c_str(), kNobodyUid, kNobodyUid);
    ::chmod(app.c_str(), p.blnReadOnly ? 0555 : 0755);
    const ChildOptions objAsNobody{
        .vecEnv = {"XDG_STATE_HOME=" + (root / "state").string(), "HOME=" + root.string()},
        .lngUser = kNobodyUid};
    // Journals in the state folder, or temporary files beside the history.
    const auto Left = [&](bool blnJournals) {
        size_t n = 0;
        for (const auto& e : fs::directory_iterator(blnJournals ? state : app)) {
            const std::string s = e.path().filename().string();
            n += blnJournals ? s.ends_with(".journal")
                             : s.starts_with("sys-log.txt.") && s != "sys-log.txt.lock";
        }
        return n;
    };
    std::mt19937 objRandom(intSeed);
    double dblWhole = 0, dblWrite = 0;
    int intOld = 0, intNew = 0, intTorn = 0, intInsideWrite = 0;
    for (int k = -1; k < intRounds; ++k) {
        {
            const FolderWatch objWatch(watched);
            CliRun run(app, {p.strCommand}, objAsNobody);
            EXPECT_TRUE(run.WaitForErr(p.strMarker));
            if (k < 0) {
                const auto marked = Clock::now();
                const bool blnSeen = objWatch.WaitFor(IN_CREATE, kWriteFiles);
                const auto begun = Clock::now();
                objWatch.WaitFor(IN_MOVED_FROM | IN_DELETE, kWriteFiles);
                dblWrite = blnSeen ? Seconds(Clock::now() - begun).count() * 1.2 : 0;
                run.Finish();
                dblWhole = Seconds(Clock::now() - marked).count() * 1.1;
                WriteBytes(app / "sys-log.txt", strOld);
                objAlone.unlock();
                objGate.objAllTimed.arrive_and_wait();
                continue;
            }
            // Every other kill falls at a random moment after the write began.
            const bool blnInWrite = k % 2 == 1 && objWatch.WaitFor(IN_CREATE, kWriteFiles);
            std::uniform_real_distribution<double> objDelay(0.0, blnInWrite ? dblWrite : dblWhole);
            std::this_thread::sleep_for(Seconds(objDelay(objRandom)));
            run.Signal(SIGKILL);
        }
        intInsideWrite += Left(true) + Left(false) > 0;
        // The next start of the executable makes the history whole.
        EXPECT_EQ(RunCli(app, {"--paths"}, objAsNobody).intExit, 0);
        const std::string strNow = ReadBytes(app / "sys-log.txt");
        ++(strNow == strOld ? intOld : strNow == p.strNew ? intNew : intTorn);
        EXPECT_EQ(Left(true), 0u);
        // A leftover of the killed write at most, until the next write removes it.
        EXPECT_LE(Left(false), 1u);
        WriteBytes(app / "sys-log.txt", strOld);
    }
    const CliResult objLast = RunCli(app, {p.strCommand}, objAsNobody);
    EXPECT_EQ(objLast.intExit, 0) << objLast.strOut << objLast.strErr;
    // Compared whole: a diff of texts this long would take the test's memory.
    EXPECT_TRUE(ReadBytes(app / "sys-log.txt") == p.strNew);
    EXPECT_EQ(Left(true) + Left(false), 0u);
    std::printf("%s: %d kills in %.3f s windows, %d inside the write; old %d, new %d, torn %d\n",
                root.filename().c_str(), intRounds, dblWhole, intInsideWrite, intOld, intNew,
                intTorn);
    EXPECT_EQ(intTorn, 0) << root;
    objGate.intInsideWrite += intInsideWrite;
}

class KillTest : public FakeAtaTest {
protected:
    KillTest() : FakeAtaTest(kAtaAddress) {}
};

TEST_F(KillTest, TheHistoryIsAlwaysTheOldOrTheNewText) {
    ASSERT_TRUE(::geteuid() != 0 || EnterOwnNetwork());
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    ServeLog(kDevRegA + kDevCaller + kDevPrice + kDevNul + kDevBareCr + kDevRegB);
    std::string strHistory, strSummary;
    MakeHistory(30000, strHistory, strSummary);
    // The six fetched lines are not in the history: all go on top.
    const std::string strSaved = kSorted1 + "\r\n" + strHistory;
    const Plan arrPlans[] = {
        {"rename-save", false, "--save-log", "Saving log...\n", strSaved},
        {"rename-summary", false, "--summarise", "Summarising log...\n", strSummary},
        {"inplace-save", true, "--save-log", "Saving log...\n", strSaved},
        {"inplace-summary", true, "--summarise", "Summarising log...\n", strSummary},
    };
    const char* strRounds = std::getenv("ATA_KILL_ROUNDS");
    Gate objGate;
    const int intRounds = strRounds ? std::atoi(strRounds) : 50;
    {
        std::vector<std::jthread> vecThreads;
        for (unsigned k = 0; k < kWorkers; ++k)
            vecThreads.emplace_back([&, k] {
                KillAgainAndAgain(m_folder / (arrPlans[k / 2].strName + std::to_string(k % 2)),
                                  arrPlans[k / 2], strHistory, intRounds, k + 1, objGate);
            });
    }
    // Half the kills are timed to fall inside the write; on a loaded machine, or one worker of
    // a slow build, fewer land there, but never few of all.
    EXPECT_GE(objGate.intInsideWrite.load(), static_cast<int>(kWorkers) * intRounds / 4);
}

} // namespace
} // namespace ata
