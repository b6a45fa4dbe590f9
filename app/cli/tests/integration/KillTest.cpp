// kill -9 at random moments of Save and Summarise, as a crash, a power cut or an impatient user
// would stop the tool: in a writable program folder (temporary file and rename) and in a
// read-only one with writable files (in-place rewrite with a journal), as the user nobody. After
// the next start of the executable the history must be exactly the old or exactly the new text,
// both written out here by hand, and after the next write nothing of ours may be left over.
#include "testing/CliRun.h"
#include "testing/FakeAtaFixture.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;
using Clock = std::chrono::steady_clock;

constexpr const char* kAtaAddress = "127.0.0.14";

std::string Two(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

// A history of blocks, newest first, each an ordinary line above three registrations one
// minute apart, and its summary: every run keeps its first and its last line, so each block
// loses its middle registration. Months have 28 days here, so that no calendar is needed.
void MakeHistory(int intBlocks, std::string& strHistory, std::string& strSummary) {
    const std::string kReg = " SIP Registration succeeded for 200@pbx";
    int intMade = 0;
    for (int y = 2025; intMade < intBlocks; --y)
        for (int mo = 12; mo >= 1 && intMade < intBlocks; --mo)
            for (int d = 28; d >= 1 && intMade < intBlocks; --d)
                for (int h = 23; h >= 0 && intMade < intBlocks; --h)
                    for (int m = 50; m >= 0 && intMade < intBlocks; m -= 10, ++intMade) {
                        const std::string strDay =
                            Two(d) + "/" + Two(mo) + "/" + std::to_string(y) + " " + Two(h) + ":";
                        const std::string strCall = strDay + Two(m + 5) + ":00 Call from 201";
                        const std::string strFirst = strDay + Two(m + 2) + ":00" + kReg;
                        const std::string strMiddle = strDay + Two(m + 1) + ":00" + kReg;
                        const std::string strLast = strDay + Two(m) + ":00" + kReg;
                        const std::string strSep = intMade == 0 ? "" : "\r\n";
                        strHistory += strSep + strCall + "\r\n" + strFirst + "\r\n" + strMiddle +
                                      "\r\n" + strLast;
                        strSummary += strSep + strCall + "\r\n" + strFirst + "\r\n" + strLast;
                    }
}

int Rounds() {
    const char* strRounds = std::getenv("ATA_KILL_ROUNDS");
    return strRounds ? std::atoi(strRounds) : 50;
}

struct KillCounts {
    int intOld = 0, intNew = 0, intTorn = 0, intInsideWrite = 0;
};

// One program folder, killed again and again while one command writes its history.
class KillWorker {
public:
    KillWorker(const fs::path& root, bool blnReadOnly, std::string strCommand, std::string strOld,
               std::string strNew)
        : m_app(root / "app"), m_state(root / "state"), m_blnReadOnly(blnReadOnly),
          m_strCommand(std::move(strCommand)), m_strOld(std::move(strOld)),
          m_strNew(std::move(strNew)) {
        fs::create_directories(m_app);
        fs::create_directories(m_state / "atatool");
        fs::copy_file(ATA_CLI_PATH, m_app / "atatool-cli");
        WriteBytes(m_app / "settings.ini", std::string("[Options]\r\nIP=") + kAtaAddress +
                                               "\r\nUsername=admin\r\nPassword=secret\r\n");
        WriteBytes(m_app / "sys-log.txt", m_strOld);
        for (const fs::path& p : {root, m_app, m_state, m_state / "atatool", m_app / "settings.ini",
                                  m_app / "sys-log.txt", m_app / "atatool-cli"})
            ::chown(p.c_str(), kNobodyUid, kNobodyUid);
        ::chmod(m_app.c_str(), m_blnReadOnly ? 0555 : 0755);
        m_options.lngUser = kNobodyUid;
        m_options.vecEnv = {"XDG_STATE_HOME=" + m_state.string(), "HOME=" + root.string()};
    }

    // How long an unkilled run takes from its first step, and from the first file of its write
    // (the temporary file, or the journal) to its end.
    void Calibrate() {
        const FolderWatch objWatch(WatchedFolder());
        CliRun run(m_app, {m_strCommand}, m_options);
        run.WaitForErr(Marker());
        const auto marked = Clock::now();
        const bool blnSeen = objWatch.WaitForNew({".tmp", ".journal"});
        const auto begun = Clock::now();
        objWatch.WaitForGone({".tmp", ".journal"});
        const auto done = Clock::now();
        run.Finish();
        const auto ended = Clock::now();
        WriteBytes(m_app / "sys-log.txt", m_strOld);
        m_dblWhole = std::chrono::duration<double>(ended - marked).count() * 1.1;
        m_dblWrite = blnSeen ? std::chrono::duration<double>(done - begun).count() * 1.2 : 0;
    }
    double WholeWindow() const { return m_dblWhole; }

    // Every other kill falls at a random moment of the whole command, the others at a random
    // moment after its write began.
    void Run(int intRounds, unsigned intSeed) {
        std::mt19937 objRandom(intSeed);
        for (int k = 0; k < intRounds; ++k) {
            {
                const FolderWatch objWatch(WatchedFolder());
                CliRun run(m_app, {m_strCommand}, m_options);
                ASSERT_TRUE(run.WaitForErr(Marker()));
                double dblWindow = m_dblWhole;
                if (k % 2 == 1 && objWatch.WaitForNew({".tmp", ".journal"}))
                    dblWindow = m_dblWrite;
                std::uniform_real_distribution<double> objDelay(0.0, dblWindow);
                std::this_thread::sleep_for(std::chrono::duration<double>(objDelay(objRandom)));
                run.Signal(SIGKILL);
                run.Finish();
            }
            if (JournalsLeft() + TempFilesLeft() > 0)
                ++m_counts.intInsideWrite;
            // The next start of the executable makes the history whole.
            EXPECT_EQ(RunCli(m_app, {"--paths"}, m_options).intExit, 0);
            const std::string strNow = ReadBytes(m_app / "sys-log.txt");
            if (strNow == m_strOld)
                ++m_counts.intOld;
            else if (strNow == m_strNew)
                ++m_counts.intNew;
            else
                ++m_counts.intTorn;
            EXPECT_EQ(JournalsLeft(), 0u);
            // A leftover of the killed write at most, until the next write removes it.
            EXPECT_LE(TempFilesLeft(), 1u);
            WriteBytes(m_app / "sys-log.txt", m_strOld);
        }
        // The next write leaves nothing of ours behind.
        const CliResult objLast = RunCli(m_app, {m_strCommand}, m_options);
        EXPECT_EQ(objLast.intExit, 0) << objLast.strOut << objLast.strErr;
        // Compared whole: a diff of texts this long would take the test's memory.
        EXPECT_TRUE(ReadBytes(m_app / "sys-log.txt") == m_strNew);
        EXPECT_EQ(TempFilesLeft(), 0u);
        EXPECT_EQ(JournalsLeft(), 0u);
    }

    const KillCounts& Counts() const { return m_counts; }

private:
    fs::path WatchedFolder() const { return m_blnReadOnly ? m_state / "atatool" : m_app; }
    std::string Marker() const {
        return m_strCommand == "--summarise" ? "Summarising log...\n" : "Saving log...\n";
    }
    size_t JournalsLeft() const {
        size_t n = 0;
        if (fs::exists(m_state / "atatool"))
            for (const auto& e : fs::directory_iterator(m_state / "atatool"))
                n += e.path().extension() == ".journal";
        return n;
    }
    size_t TempFilesLeft() const {
        size_t n = 0;
        for (const auto& e : fs::directory_iterator(m_app)) {
            const std::string strName = e.path().filename().string();
            if (strName.rfind("sys-log.txt.", 0) == 0 && strName != "sys-log.txt.lock")
                ++n;
        }
        return n;
    }

    fs::path m_app, m_state;
    bool m_blnReadOnly;
    std::string m_strCommand, m_strOld, m_strNew;
    CliRunOptions m_options;
    KillCounts m_counts;
    double m_dblWhole = 0, m_dblWrite = 0; // the windows the kills fall in
};

class KillTest : public FakeAtaTest {
protected:
    KillTest() : FakeAtaTest(kAtaAddress) {}
};

TEST_F(KillTest, TheHistoryIsAlwaysTheOldOrTheNewText) {
    if (::geteuid() == 0) {
        ASSERT_TRUE(EnterOwnNetwork());
    }
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    ServeLog(kDevRegA + kDevCaller + kDevPrice + kDevNul + kDevBareCr + kDevRegB);
    std::string strHistory, strSummary;
    MakeHistory(30000, strHistory, strSummary);
    // The six fetched lines are not in the history: all go on top.
    const std::string strSaved = kSorted1 + "\r\n" + strHistory;

    struct Plan {
        const char* strName;
        bool blnReadOnly;
        const char* strCommand;
        const std::string& strNew;
    };
    const Plan arrPlans[] = {
        {"rename-save", false, "--save-log", strSaved},
        {"rename-summary", false, "--summarise", strSummary},
        {"inplace-save", true, "--save-log", strSaved},
        {"inplace-summary", true, "--summarise", strSummary},
    };
    // Two workers per plan at once: the saves spend most of their time in the fetch's
    // one-second wait.
    std::vector<std::unique_ptr<KillWorker>> vecWorkers;
    for (const Plan& p : arrPlans)
        for (int half = 0; half < 2; ++half) {
            const fs::path root = m_folder / (std::string(p.strName) + std::to_string(half));
            fs::create_directories(root);
            vecWorkers.push_back(std::make_unique<KillWorker>(root, p.blnReadOnly, p.strCommand,
                                                              strHistory, p.strNew));
            vecWorkers.back()->Calibrate();
        }
    std::vector<std::thread> vecThreads;
    for (size_t k = 0; k < vecWorkers.size(); ++k)
        vecThreads.emplace_back(
            [&, k] { vecWorkers[k]->Run(Rounds(), static_cast<unsigned>(k + 1)); });
    for (auto& t : vecThreads)
        t.join();

    for (size_t k = 0; k < vecWorkers.size(); k += 2) {
        const KillCounts& a = vecWorkers[k]->Counts();
        const KillCounts& b = vecWorkers[k + 1]->Counts();
        const int intKills = a.intOld + a.intNew + a.intTorn + b.intOld + b.intNew + b.intTorn;
        std::printf("%s: %d kills in %.3f s windows, %d inside the write; old %d, new %d, "
                    "torn %d\n",
                    arrPlans[k / 2].strName, intKills, vecWorkers[k]->WholeWindow(),
                    a.intInsideWrite + b.intInsideWrite, a.intOld + b.intOld, a.intNew + b.intNew,
                    a.intTorn + b.intTorn);
        EXPECT_EQ(a.intTorn + b.intTorn, 0) << arrPlans[k / 2].strName;
        // Half the kills are timed to fall inside the write.
        EXPECT_GE(a.intInsideWrite + b.intInsideWrite, intKills / 4) << arrPlans[k / 2].strName;
    }
}

} // namespace
} // namespace ata
