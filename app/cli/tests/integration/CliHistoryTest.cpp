// The configuration history through the executable: what --backup says about the backup before
// it, what --if-changed keeps, and what --diff shows, against the fake ATA on its own loopback
// address (root) and against the diff program of the system.
#include "testing/CliRun.h"
#include "testing/FakeAtaFixture.h"
#include "testing/ScatteredConfig.h"

#include <cstdio>
#include <regex>

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;

// The diff with the time stamps of its two header lines replaced by "TIME", once checked.
std::string WithoutTimes(const std::string& strDiff) {
    static const std::regex kHeader(
        R"(--- ([^\t\n]*)\t\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{9} [+-]\d{4}\n)"
        R"(\+\+\+ ([^\t\n]*)\t\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{9} [+-]\d{4}\n)");
    const size_t lngEnd = strDiff.find('\n', strDiff.find('\n') + 1) + 1;
    const std::string strHeader = strDiff.substr(0, lngEnd);
    std::smatch m;
    if (!std::regex_match(strHeader, m, kHeader))
        return strDiff;
    return "--- " + m[1].str() + "\tTIME\n+++ " + m[2].str() + "\tTIME\n" + strDiff.substr(lngEnd);
}

// The file name of the backup a run saved, from its "Saved as" line.
std::string SavedName(const CliResult& r) {
    const size_t lngAt = r.strErr.find("Saved as ");
    if (lngAt == std::string::npos)
        return "(none)";
    const size_t lngEnd = r.strErr.find('\n', lngAt);
    return fs::path(r.strErr.substr(lngAt + 9, lngEnd - lngAt - 9)).filename().string();
}

std::vector<std::string> BackupNames(const fs::path& folder) {
    std::vector<std::string> vec;
    for (const fs::path& path : Backups(folder))
        vec.push_back(path.filename().string());
    std::sort(vec.begin(), vec.end());
    return vec;
}

class CliHistoryTest : public FakeAtaTest {
protected:
    CliHistoryTest() : FakeAtaTest("127.0.0.29") {}
    void ServeConfig(const std::string& strConfig) {
        WriteBytes(m_folder / "ftp/RFA/CONFIG.REG", strConfig);
    }
};

TEST_F(CliHistoryTest, TheTimerKeepsOnlyChangesAndTheDiffShowsThem) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    const std::string strHead = "[Line1]\r\n\"User\"=\"100\"\r\n";
    const std::string strTail = "\"Name\"=\"\xC9mile\"\r\n\"Expires\"=\"3600\"\r\n";
    ServeConfig(strHead + "\"Codec\"=\"G711\"\r\n" + strTail);

    CliResult r = RunCli(App(), {"--backup", "--if-changed"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "Current config backed up.\nFirst backup.\n");
    const std::string strFirst = SavedName(r);
    for (int k = 0; k < 2; ++k) {
        r = RunCli(App(), {"--backup", "--if-changed"});
        EXPECT_EQ(r.intExit, 0);
        EXPECT_EQ(r.strOut, "Current config backed up.\nConfiguration unchanged since " + strFirst +
                                ".\nThe new backup " + SavedName(r) +
                                " is the same and was removed.\n");
        EXPECT_EQ(BackupNames(App()), std::vector<std::string>{strFirst});
    }

    ServeConfig(strHead + "\"Codec\"=\"G729\"\r\n" + strTail);
    r = RunCli(App(), {"--if-changed", "--backup"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "Current config backed up.\nConfiguration changed since " + strFirst +
                            ": 1 lines differ.\n");
    const std::string strSecond = SavedName(r);
    EXPECT_EQ(BackupNames(App()), (std::vector<std::string>{strFirst, strSecond}));
    EXPECT_EQ(ReadBytes(App() / strSecond), strHead + "\"Codec\"=\"G729\"\r\n" + strTail);

    const std::string strFolder = fs::canonical(App()).string() + "/";
    const std::string strDiff =
        "--- " + strFolder + strFirst + "\tTIME\n+++ " + strFolder + strSecond +
        "\tTIME\n@@ -1,5 +1,5 @@\n [Line1]\r\n \"User\"=\"100\"\r\n"
        "-\"Codec\"=\"G711\"\r\n+\"Codec\"=\"G729\"\r\n \"Name\"=\"\xC9mile\"\r\n"
        " \"Expires\"=\"3600\"\r\n";
    r = RunCli(App(), {"--diff"});
    EXPECT_EQ(r.intExit, 1);
    EXPECT_EQ(WithoutTimes(r.strOut), strDiff);
    EXPECT_EQ(r.strErr, "");

    // A plain backup keeps its file also when nothing changed; then the named forms.
    r = RunCli(App(), {"--backup"});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut,
              "Current config backed up.\nConfiguration unchanged since " + strSecond + ".\n");
    const std::string strThird = SavedName(r);
    EXPECT_EQ(BackupNames(App()), (std::vector<std::string>{strFirst, strSecond, strThird}));
    r = RunCli(App(), {"--diff", strFirst, strSecond});
    EXPECT_EQ(r.intExit, 1);
    EXPECT_EQ(WithoutTimes(r.strOut), strDiff);
    r = RunCli(App(), {"--diff", strSecond});
    EXPECT_EQ(r.intExit, 0);
    EXPECT_EQ(r.strOut, "");
}

// The system's diff program on the same two files, its exit status and output.
CliResult SystemDiff(const fs::path& old, const fs::path& now) {
    CliResult r;
    std::FILE* pPipe =
        ::popen(("/usr/bin/diff -u '" + old.string() + "' '" + now.string() + "'").c_str(), "r");
    if (!pPipe)
        return r;
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, pPipe)) > 0;)
        r.strOut.append(buf, n);
    const int intStatus = ::pclose(pPipe);
    r.intExit = WIFEXITED(intStatus) ? WEXITSTATUS(intStatus) : -1;
    return r;
}

TEST(CliDiff, FourMiBWithAThousandScatteredChangesAsTheSystemDiffShowsThem) {
    ScratchFolder objFolder;
    const fs::path app = objFolder.path / "app";
    fs::create_directories(app);
    const std::string strOld = MakeConfig(4 << 20);
    WriteBytes(objFolder.path / "old.reg", strOld);
    WriteBytes(objFolder.path / "new.reg", ChangeScattered(strOld, 1000));
    const CliResult objExpected =
        SystemDiff(objFolder.path / "old.reg", objFolder.path / "new.reg");
    ASSERT_EQ(objExpected.intExit, 1);
    CliResult r = RunCli(app, {"--diff", (objFolder.path / "old.reg").string(),
                               (objFolder.path / "new.reg").string()});
    EXPECT_EQ(r.intExit, 1);
    EXPECT_EQ(r.strErr, "");
    EXPECT_TRUE(WithoutTimes(r.strOut) == WithoutTimes(objExpected.strOut))
        << "the outputs differ; sizes " << r.strOut.size() << " and " << objExpected.strOut.size();

    // Trouble and wrong use.
    WriteBytes(app / "Config20261206-033000.reg", strOld);
    struct Case {
        std::vector<std::string> vecArgs;
        int intExit;
        std::string strErr;
    };
    const std::string strApp = fs::canonical(app).string() + "/";
    const Case arrCases[] = {
        {{"--diff"}, 2, "atatool-cli: there are not two backups in " + strApp + " to compare.\n"},
        {{"--diff", "Config20261206-033000.reg"}, 0, ""},
        {{"--diff", "Config20261205-033000.reg"},
         2,
         "atatool-cli: " + strApp + "Config20261205-033000.reg: No such file or directory\n"},
        {{"--diff", "a", "b", "c"},
         2,
         "atatool-cli: --diff takes at most two file names\nTry 'atatool-cli --help'.\n"},
        {{"--status", "--if-changed"},
         2,
         "atatool-cli: --if-changed goes with --backup only\nTry 'atatool-cli --help'.\n"},
    };
    for (const Case& c : arrCases) {
        r = RunCli(app, c.vecArgs);
        EXPECT_EQ(r.intExit, c.intExit) << c.vecArgs.back();
        EXPECT_EQ(r.strOut, "");
        EXPECT_EQ(r.strErr, c.strErr);
    }
}

} // namespace
} // namespace ata
