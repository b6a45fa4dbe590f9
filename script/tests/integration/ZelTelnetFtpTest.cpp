#include "testing/EngineHarness.h"
#include "testing/FakeAtaFixture.h"

#include <gtest/gtest.h>

using namespace ata::script::test;
using ata::test::RandomBytes;
using ata::test::ReadBytes;
using ata::test::WriteBytes;

// Scripts against a real FTP server; every file is compared byte for byte.
TEST(ZelTelnetInterop, BackupScriptFetchesAndPutUploadsByteForByte) {
    const ata::test::ScratchFolder dir;
    std::filesystem::create_directories(dir.path / "RFA");
    ServerProcess server({FixturePath("pyftpd_rfa.py"), dir.path.string(), "tester", "pw"});
    ASSERT_GT(server.Port(), 0);
    // The backup script with a WAIT for the preliminary reply after RETR, then for "226": the
    // completion reply usually arrives before the end of the data connection is seen, and
    // must not be lost meanwhile. RETR and STOR are answered "125 Data connection already
    // open..." or "150 ... About to open data connection." depending on a race, so the WAIT
    // takes the text both share. Files of several sizes, the race many times.
    std::string s = BackupScript(server.Port(), "tester", "pw");
    s.replace(s.find("WAIT \"226\""), 0, "WAIT \"ata connection\"\r\n");
    s.erase(s.find("DELAY 1\r\n"), 9);
    std::vector<size_t> vecSizes(10, 200000);
    vecSizes.insert(vecSizes.end(), {0, 1, 4096, size_t{1} << 20, size_t{64} << 20});
    for (const size_t n : vecSizes) {
        SCOPED_TRACE("size " + std::to_string(n));
        const std::string content = RandomBytes(n, static_cast<unsigned>(n));
        WriteBytes(dir.path / "RFA/CONFIG.REG", content);
        EngineHarness h;
        ASSERT_TRUE(h.Run(s, 120)) << h.engine->ConsoleLog;
        EXPECT_EQ(h.Last(), "Complete");
        EXPECT_TRUE(h.strData == content);
        EXPECT_TRUE(h.strOtherData.empty());
        EXPECT_TRUE(h.Logged("End of script"));
    }

    const std::string upload = RandomBytes(300000, 7);
    const auto local = dir.path / "upload.bin";
    WriteBytes(local, upload);
    EngineHarness h;
    // The same script storing instead: STOR, the preliminary reply, PUT, "226".
    s.replace(s.find("RETR \"CONFIG.REG\\n\""), 19, "STOR \"UP.BIN\\n\"");
    s.replace(s.find("WAIT \"226\""), 0, "PUT \"" + local.string() + "\"\r\n");
    ASSERT_TRUE(h.Run(s, 60)) << h.engine->ConsoleLog;
    EXPECT_EQ(h.vecEvents, (std::vector<std::string>{"Sent " + local.string(), "Complete"}));
    EXPECT_TRUE(ReadBytes(dir.path / "RFA/UP.BIN") == upload);
}

// A fake server cutting replies into awkward pieces or naming another host.
TEST(ZelTelnetFakeServer, RepliesAndDataInAwkwardPieces) {
    const ata::test::ScratchFolder dir;
    const std::string payload = RandomBytes(20000, 3);
    WriteBytes(dir.path / "payload.bin", payload);
    for (const std::string mode : {"split", "bytes226", "otheraddr"}) {
        SCOPED_TRACE(mode);
        const auto server =
            ata::test::StartFakeFtp(mode, dir.path / "payload.bin", "127.0.0.1", "0");
        EngineHarness h;
        ASSERT_TRUE(h.Run(BackupScript(server->Port(), "u", "p"), 20)) << h.engine->ConsoleLog;
        EXPECT_EQ(h.Last(), "Complete");
        EXPECT_TRUE(h.strData == payload);
        EXPECT_TRUE(mode != "otheraddr" ||
                    h.Logged("Passive reply names 127.0.0.66; using 127.0.0.1"));
    }
}
