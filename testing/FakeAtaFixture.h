#pragma once

// The fake ATA of the end-to-end tests and the lines the tool writes from it, by hand.
#include "testing/FakeAtaHttpServer.h"
#include "testing/FileBytes.h"
#include "testing/ServerProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace ata::test {

const std::string kRegisteredPage = "<html><!--SIP Registration Information!--><table><tr><td> "
                                    "Registered </td></tr></table></html>";

// Device lines (Latin-1, no-break spaces, a NUL, a bare CR) and the same lines as the tool writes.
const std::string kDevRegA = "12/01/2026 08:00:00.100 SIP Registration succeeded for 100@pbx\r\n";
const std::string kDevCaller = "12/01/2026 08:03:00.200 Caller \xC9mile \xE0 l'appareil\r\n";
const std::string kDevPrice = "12/01/2026 08:04:00.300 Price\xA0"
                              "10\xA0\x85\xFF\r\n";
const std::string kDevNul = std::string("12/01/2026 08:05:00.400 Line\0two\r\n", 34);
const std::string kDevBareCr = "12/01/2026 08:06:00.500 Bare\rCR\r\n";
const std::string kDevRegB = "12/01/2026 08:07:00.600 SIP Registration succeeded for 100@pbx\r\n";
const std::string kDevPower = "12/01/2026 09:00:00.000 Power on\r\n";
const std::string kDevReg0901 =
    "12/01/2026 09:01:00.000 SIP Registration succeeded for 100@pbx\r\n";
const std::string kDevReg0902 =
    "12/01/2026 09:02:00.000 SIP Registration succeeded for 100@pbx\r\n";
const std::string kDevReg0903 =
    "12/01/2026 09:03:00.000 SIP Registration succeeded for 100@pbx\r\n";

const std::string kRegA = "01/12/2026 08:00:00 SIP Registration succeeded for 100@pbx";
const std::string kCaller = "01/12/2026 08:03:00 Caller \xC9mile \xE0 l'appareil";
const std::string kPrice = "01/12/2026 08:04:00 Price\xA0"
                           "10\xA0\x85\xFF";
const std::string kLf = "01/12/2026 08:05:00 Line\ntwo";
const std::string kBareCr = "01/12/2026 08:06:00 Bare\rCR";
const std::string kRegB = "01/12/2026 08:07:00 SIP Registration succeeded for 100@pbx";
const std::string kPower = "01/12/2026 09:00:00 Power on";
const std::string kReg0901 = "01/12/2026 09:01:00 SIP Registration succeeded for 100@pbx";
const std::string kReg0903 = "01/12/2026 09:03:00 SIP Registration succeeded for 100@pbx";

// The lines joined by CR LF, with no line end after the last.
inline std::string Lines(std::initializer_list<std::string> lines) {
    std::string s;
    for (const auto& line : lines)
        s += (s.empty() ? "" : "\r\n") + line;
    return s;
}

// The history three saves make: sorted; two new lines; then a summarised save.
const std::string kSorted1 = Lines({kRegB, kBareCr, kLf, kPrice, kCaller, kRegA});
const std::string kSaved1 = kSorted1 + "\r\n";
const std::string kSaved2 = kReg0901 + "\r\n" + kPower + "\r\n" + kSaved1;
const std::string kSaved3 =
    Lines({kReg0903, kReg0901, kPower, kRegB, kBareCr, kLf, kPrice, kCaller, kRegA});

// The fake ATA's FTP server on port 21 of strAddress serving strConfig as /RFA/CONFIG.REG.
inline std::unique_ptr<script::test::ServerProcess> StartFtp(const std::filesystem::path& root,
                                                             const std::string& strAddress,
                                                             const std::string& strConfig) {
    WriteBytes(root / "ftp/RFA/CONFIG.REG", strConfig);
    return std::make_unique<script::test::ServerProcess>(std::vector<std::string>{
        script::test::FixturePath("pyftpd_rfa.py"), (root / "ftp").string(), "admin", "secret",
        "/RFA/", strAddress, "21"});
}

// The scripted FTP server in one of its modes on port strPort of strAddress ("0": any).
inline std::unique_ptr<script::test::ServerProcess>
StartFakeFtp(const std::string& strMode, const std::filesystem::path& payload,
             const std::string& strAddress, const std::string& strPort = "21") {
    return std::make_unique<script::test::ServerProcess>(std::vector<std::string>{
        script::test::FixturePath("fake_ftp.py"), strMode, payload.string(), strAddress, strPort});
}

// The configuration backups (files named Config...) in a folder.
inline std::vector<std::filesystem::path> Backups(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> vec;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().rfind("Config", 0) == 0)
            vec.push_back(entry.path());
    return vec;
}

// A program folder and, as root, the fake ATA on ports 80 and 21 of its own loopback address.
class FakeAtaTest : public ::testing::Test {
protected:
    explicit FakeAtaTest(std::string strAddress) : m_strAddress(std::move(strAddress)) {
        std::filesystem::create_directories(App());
    }
    void StartAta() {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to serve the fake ATA on ports 80 and 21 of "
                         << m_strAddress;
        m_http = std::make_unique<FakeAtaHttpServer>(m_strAddress, 80);
        m_http->SetPage("/doc/m_set.htm", kRegisteredPage);
        for (int i = 0; i < 20000; ++i)
            m_strConfig += static_cast<char>((i * 131 + i / 256) & 0xFF);
        m_ftp = StartFtp(m_folder, m_strAddress, m_strConfig);
        ASSERT_EQ(m_ftp->Port(), 21) << "port 21 of " << m_strAddress << " is taken";
        WriteBytes(App() / "settings.ini", Settings());
    }
    std::string Settings() const {
        return "[Options]\r\nIP=" + m_strAddress + "\r\nUsername=admin\r\nPassword=secret\r\n";
    }
    void ServeLog(const std::string& strLog) { m_http->SetPage("/cgi/syslog.txt", strLog); }
    std::filesystem::path App() const { return m_folder / "app"; }
    std::string History() const { return ReadBytes(App() / "sys-log.txt"); }

    std::string m_strAddress;
    ScratchFolder m_scratch;
    std::filesystem::path m_folder = m_scratch.path;
    std::string m_strConfig;
    std::unique_ptr<FakeAtaHttpServer> m_http;
    std::unique_ptr<script::test::ServerProcess> m_ftp;
};

} // namespace ata::test
