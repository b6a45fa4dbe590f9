#include "EngineHarness.h"
#include "ServerProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

using namespace ata::script::test;
namespace fs = std::filesystem;

namespace {

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& ch : s)
        ch = static_cast<char>(gen() & 0xFF);
    return s;
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class TempDir {
public:
    TempDir() {
        m_path = fs::temp_directory_path() /
                 ("zeltelnet_" + std::to_string(getpid()) + "_" + std::to_string(++s_count));
        fs::remove_all(m_path);
        fs::create_directories(m_path / "RFA");
    }
    ~TempDir() { fs::remove_all(m_path); }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
    static inline int s_count = 0;
};

} // namespace

// The window's backup script against a real FTP server, files of several sizes.
TEST(ZelTelnetInterop, BackupScriptFetchesFilesByteForByte) {
    for (size_t n : {size_t{0}, size_t{1}, size_t{4096}, size_t{1} << 20, size_t{64} << 20}) {
        SCOPED_TRACE("size " + std::to_string(n));
        TempDir dir;
        const std::string content = RandomBytes(n, static_cast<unsigned>(n));
        std::ofstream(dir.Path() / "RFA" / "CONFIG.REG", std::ios::binary) << content;
        ServerProcess server({FixturePath("pyftpd_rfa.py"), dir.Path().string(), "tester", "pw"});
        ASSERT_GT(server.Port(), 0);
        EngineHarness h;
        ASSERT_TRUE(h.Run(BackupScript(server.Port(), "tester", "pw"), 120));
        EXPECT_EQ(h.Last(), "Complete");
        EXPECT_EQ(h.strData.size(), content.size());
        EXPECT_TRUE(h.strData == content);
        EXPECT_TRUE(h.strOtherData.empty());
        EXPECT_TRUE(h.Logged("End of script"));
    }
}

TEST(ZelTelnetInterop, PutUploadsAFileByteForByte) {
    TempDir dir;
    const std::string content = RandomBytes(300000, 7);
    const fs::path local = dir.Path() / "upload.bin";
    std::ofstream(local, std::ios::binary) << content;
    ServerProcess server({FixturePath("pyftpd_rfa.py"), dir.Path().string(), "tester", "pw"});
    ASSERT_GT(server.Port(), 0);
    EngineHarness h;
    // The server answers STOR with "125 Data connection already open..." when the passive
    // connection is up already and "150 ... About to open data connection." when it is still
    // being made; which one comes is a race, so the WAIT takes the text both replies share.
    const std::string s = "HOST 127.0.0.1 " + std::to_string(server.Port()) +
                          "\r\nWAIT \"220\"\r\nSEND \"USER tester\\n\"\r\nWAIT \"331\"\r\n"
                          "SEND \"PASS pw\\n\"\r\nWAIT \"230\"\r\nSEND \"TYPE I\\n\"\r\n"
                          "WAIT \"200\"\r\nSEND \"PASV\\n\"\r\nWAIT \"227\"\r\n"
                          "STOR \"UP.BIN\\n\"\r\nWAIT \"ata connection\"\r\nPUT \"" +
                          local.string() +
                          "\"\r\nWAIT \"226\"\r\nSEND \"QUIT\\n\"\r\n"
                          "WAIT \"221\"\r\n";
    const bool blnEnded = h.Run(s, 60);
    std::string strLog;
    for (const auto& line : h.vecLog)
        strLog += line + "\n";
    ASSERT_TRUE(blnEnded) << strLog;
    EXPECT_EQ(h.Last(), "Complete");
    EXPECT_NE(std::find(h.vecEvents.begin(), h.vecEvents.end(), "Sent " + local.string()),
              h.vecEvents.end());
    EXPECT_TRUE(ReadFile(dir.Path() / "RFA" / "UP.BIN") == content);
}

TEST(ZelTelnetInterop, WrongPasswordFailsAsRejectedLogin) {
    TempDir dir;
    std::ofstream(dir.Path() / "RFA" / "CONFIG.REG") << "x";
    ServerProcess server({FixturePath("pyftpd_rfa.py"), dir.Path().string(), "tester", "pw"});
    EngineHarness h;
    ASSERT_TRUE(h.Run(BackupScript(server.Port(), "tester", "wrong"), 30));
    EXPECT_EQ(h.Last(), "Error FT");
}

namespace {

struct FakeRun {
    TempDir dir;
    std::string payload;
    std::unique_ptr<ServerProcess> server;
    EngineHarness h;
    explicit FakeRun(const std::string& mode, size_t n = 20000) {
        payload = RandomBytes(n, 3);
        const fs::path p = dir.Path() / "payload.bin";
        std::ofstream(p, std::ios::binary) << payload;
        server = std::make_unique<ServerProcess>(
            std::vector<std::string>{FixturePath("fake_ftp.py"), mode, p.string()});
    }
    bool Run(double s = 20) { return h.Run(BackupScript(server->Port(), "u", "p"), s); }
};

} // namespace

TEST(ZelTelnetFakeServer, RepliesAndDataInAwkwardPieces) {
    for (const char* mode : {"normal", "split", "early226", "bytes226", "otheraddr"}) {
        SCOPED_TRACE(mode);
        FakeRun r(mode);
        ASSERT_TRUE(r.Run());
        EXPECT_EQ(r.h.Last(), "Complete");
        EXPECT_TRUE(r.h.strData == r.payload);
        if (std::string(mode) == "otheraddr") {
            EXPECT_TRUE(r.h.Logged("Passive reply names 10.9.8.7; using 127.0.0.1"));
        }
    }
}

TEST(ZelTelnetFakeServer, FaultsEndTheRunWithAnError) {
    for (const char* mode : {"badlogin", "no227", "closemid", "nofile", "refuse"}) {
        SCOPED_TRACE(mode);
        FakeRun r(mode);
        ASSERT_TRUE(r.Run());
        EXPECT_EQ(r.h.Last(), std::string(mode) == "badlogin" ? "Error FT" : "Error FF");
        EXPECT_EQ(std::count(r.h.vecEvents.begin(), r.h.vecEvents.end(), r.h.Last()), 1);
    }
}

TEST(ZelTelnetFakeServer, RefusedDataConnectionLogsInOrder) {
    FakeRun r("refuse");
    ASSERT_TRUE(r.Run());
    auto it = std::find_if(r.h.vecLog.begin(), r.h.vecLog.end(), [](const std::string& s) {
        return s.rfind("Winsock Data Error - 10061 : ", 0) == 0;
    });
    ASSERT_NE(it, r.h.vecLog.end());
    ASSERT_GE(r.h.vecLog.end() - it, 4);
    EXPECT_EQ(*(it + 1), "Unable to access the router via FTP.");
    EXPECT_EQ(*(it + 2), "Aborting script");
    EXPECT_EQ(*(it + 3), "Closed connection.");
}

TEST(ZelTelnetFakeServer, SilentServerWaitsUntilAborted) {
    FakeRun r("slow");
    EXPECT_FALSE(r.Run(1.5));
    r.h.engine->AbortScript();
    EXPECT_TRUE(r.h.Logged("Closed connection."));
    for (int i = 0; i < 20; ++i)
        r.h.reactor.RunOnce(10);
    EXPECT_TRUE(r.h.vecEvents.empty());
}

TEST(ZelTelnetFakeServer, TelnetLoginFailureInModeOne) {
    FakeRun r("telnet-bad");
    r.h.engine->Mode = 1;
    const std::string s = "HOST 127.0.0.1 " + std::to_string(r.server->Port()) +
                          "\r\nWAIT \"login:\"\r\nSEND \"tester\\n\"\r\nWAIT \"assword:\"\r\n"
                          "SEND \"secret\\n\"\r\nWAIT \"$\"\r\n";
    ASSERT_TRUE(r.h.Run(s, 10));
    EXPECT_EQ(r.h.Last(), "Error FT");
    EXPECT_TRUE(r.h.Logged("Incorrect username and/or password."));
    EXPECT_EQ(r.h.vecLog.back(), "Closed connection.");
}

TEST(ZelTelnetFakeServer, TelnetConversationIsRecorded) {
    FakeRun r("telnet-ok");
    r.h.engine->Mode = 0;
    const std::string s = "HOST 127.0.0.1 " + std::to_string(r.server->Port()) +
                          "\r\nWAIT \"login:\"\r\nSEND \"tester\\n\"\r\nWAIT \"assword:\"\r\n"
                          "SEND \"secret\\n\"\r\nWAIT \"$\"\r\nSEND \"ls\\n\"\r\n"
                          "WAIT \"file2\"\r\nSEND \"exit\\n\"\r\n";
    ASSERT_TRUE(r.h.Run(s, 10));
    EXPECT_EQ(r.h.Last(), "Complete");
    std::vector<std::string> conv;
    r.h.engine->GetConversation(conv);
    ASSERT_GE(conv.size(), 4u);
    // The echo of "ls" is stripped; its output is filed under it.
    EXPECT_EQ(conv[conv.size() - 2].rfind("ls\xA4", 0), 0u);
    EXPECT_NE(conv[conv.size() - 2].find("file1 file2"), std::string::npos);
}
