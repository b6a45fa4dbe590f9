#include "FileBytes.h"
#include "unit/UnprivilegedRun.h"
#include "workflow/modMiscSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using modMisc::ReadIniValue;
using modMisc::WriteIniValue;
using test::ReadBytes;

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    void Write(const std::string& text) { test::WriteBytes(m_file, text); }
    std::string Read() { return ReadBytes(m_file); }
    mode_t Mode() {
        struct stat st {};
        ::stat(m_file.c_str(), &st);
        return st.st_mode & 0777;
    }

    fs::path m_dir = fs::temp_directory_path() / ("ata-ini-" + std::to_string(::getpid()));
    std::string m_file = (m_dir / "settings.ini").string();
};

TEST_F(SettingsFileTest, ANewFileHoldsTheKeysInWriteOrderForTheOwnerOnly) {
    EXPECT_EQ(ReadIniValue("Options", "IP", m_file), "");
    EXPECT_TRUE(WriteIniValue("Options", "IP", "192.168.0.1", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Username", "admin", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Password", "", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Auto Summarise", "0", m_file));
    EXPECT_EQ(Read(), "[Options]\r\nIP=192.168.0.1\r\nUsername=admin\r\nPassword=\r\n"
                      "Auto Summarise=0\r\n");
    EXPECT_EQ(Mode(), 0600u);
    // Values read back are cut at 254 characters.
    EXPECT_TRUE(WriteIniValue("Options", "Password", std::string(300, 'p'), m_file));
    EXPECT_EQ(ReadIniValue("Options", "Password", m_file), std::string(254, 'p'));
}

TEST_F(SettingsFileTest, NamesIgnoreLetterCaseAndOtherLinesAndSectionsAreKept) {
    Write("; a comment\n[OPTIONS]\n  ip = 1.1.1.1  \nColour=blue\n\n[Window]\nLeft=10\n");
    EXPECT_EQ(ReadIniValue("Options", "IP", m_file), "1.1.1.1");
    EXPECT_EQ(ReadIniValue("Options", "Left", m_file), "");
    EXPECT_EQ(ReadIniValue("Other", "IP", m_file), "");
    EXPECT_TRUE(WriteIniValue("options", "Ip", "2.2.2.2", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Username", "bob", m_file));
    EXPECT_TRUE(WriteIniValue("Extra", "Key", "v", m_file));
    EXPECT_EQ(Read(), "; a comment\r\n[OPTIONS]\r\nIp=2.2.2.2\r\nColour=blue\r\nUsername=bob\r\n"
                      "\r\n[Window]\r\nLeft=10\r\n[Extra]\r\nKey=v\r\n");
}

TEST_F(SettingsFileTest, LinksAreFollowedAndADanglingOneIsCreatedThroughForTheOwnerOnly) {
    fs::create_directory(m_dir / "real");
    fs::create_symlink("real/settings.ini", m_file);
    EXPECT_TRUE(WriteIniValue("Options", "IP", "1.1.1.1", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Username", "u", m_file));
    EXPECT_TRUE(fs::is_symlink(m_file));
    EXPECT_EQ(Read(), "[Options]\r\nIP=1.1.1.1\r\nUsername=u\r\n");
    EXPECT_EQ(Mode(), 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "real"), fs::directory_iterator()), 1);
}

// Read-only file, unreadable file, and a read-only folder holding a writable file, as a user
// that permissions apply to.
TEST_F(SettingsFileTest, FilePermissionsDecideAndAReadOnlyFolderIsWrittenInPlace) {
    EXPECT_EQ(test::RunUnprivileged([](const fs::path& dir) -> std::string {
                  const std::string strFile = (dir / "settings.ini").string();
                  const std::string strOld = "[Options]\r\nIP=1.1.1.1\r\nUsername=u\r\n";
                  if (!WriteIniValue("Options", "IP", "1.1.1.1", strFile) ||
                      !WriteIniValue("Options", "Username", "u", strFile))
                      return "setup";
                  for (const mode_t lngMode : {0400, 0200}) {
                      const std::string strCase = lngMode == 0400 ? "read-only" : "unreadable";
                      ::chmod(strFile.c_str(), lngMode);
                      if (WriteIniValue("Options", "IP", "2.2.2.2", strFile))
                          return strCase + " file reported written";
                      ::chmod(strFile.c_str(), 0600);
                      if (ReadBytes(strFile) != strOld)
                          return strCase + " file changed";
                  }
                  ::chmod(dir.c_str(), 0555);
                  if (!WriteIniValue("Options", "IP", "2.2.2.2", strFile) ||
                      !WriteIniValue("Options", "Password", "p", strFile))
                      return "read-only folder: not written";
                  if (ReadBytes(strFile) !=
                      "[Options]\r\nIP=2.2.2.2\r\nUsername=u\r\nPassword=p\r\n")
                      return "read-only folder: wrong content";
                  return ReadIniValue("Options", "Password", strFile) == "p" ? "" : "read back";
              }),
              0);
}

} // namespace
} // namespace ata
