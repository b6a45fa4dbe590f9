#include "workflow/modMiscSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using modMisc::ReadIniValue;
using modMisc::WriteIniValue;

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        fs::permissions(m_dir, fs::perms::owner_all);
        fs::remove_all(m_dir);
    }
    void Write(const std::string& text) { std::ofstream(m_file, std::ios::binary) << text; }
    std::string Read() {
        std::ifstream in(m_file, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    mode_t Mode() {
        struct stat st {};
        ::stat(m_file.c_str(), &st);
        return st.st_mode & 0777;
    }

    fs::path m_dir = fs::temp_directory_path() / ("ata-ini-" + std::to_string(::getpid()));
    std::string m_file = (m_dir / "settings.ini").string();
};

TEST_F(SettingsFileTest, NewFileHoldsTheSectionAndKeysInWriteOrderForTheOwnerOnly) {
    EXPECT_TRUE(WriteIniValue("Options", "IP", "192.168.0.1", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Username", "admin", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Password", "", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Auto Summarise", "0", m_file));
    EXPECT_EQ(Read(), "[Options]\r\nIP=192.168.0.1\r\nUsername=admin\r\nPassword=\r\n"
                      "Auto Summarise=0\r\n");
    EXPECT_EQ(Mode(), 0600u);
    EXPECT_EQ(ReadIniValue("Options", "Username", m_file), "admin");
}

TEST_F(SettingsFileTest, MissingFileSectionOrKeyReadsAsEmpty) {
    EXPECT_EQ(ReadIniValue("Options", "IP", m_file), "");
    Write("[Other]\nIP=1.2.3.4\n");
    EXPECT_EQ(ReadIniValue("Options", "IP", m_file), "");
    Write("[Options]\nUsername=x\n");
    EXPECT_EQ(ReadIniValue("Options", "IP", m_file), "");
}

TEST_F(SettingsFileTest, NamesAreComparedWithoutLetterCase) {
    Write("[OPTIONS]\r\n  ip = 10.1.1.1  \r\n");
    EXPECT_EQ(ReadIniValue("Options", "IP", m_file), "10.1.1.1");
    EXPECT_TRUE(WriteIniValue("options", "Ip", "127.0.0.1", m_file));
    EXPECT_EQ(Read(), "[OPTIONS]\r\nIp=127.0.0.1\r\n");
}

TEST_F(SettingsFileTest, OtherLinesAndSectionsAreKept) {
    Write("; a comment\n[Options]\nIP=1.1.1.1\nColour=blue\n\n[Window]\nLeft=10\n");
    EXPECT_TRUE(WriteIniValue("Options", "IP", "2.2.2.2", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Username", "bob", m_file));
    EXPECT_TRUE(WriteIniValue("Extra", "Key", "v", m_file));
    EXPECT_EQ(Read(), "; a comment\r\n[Options]\r\nIP=2.2.2.2\r\nColour=blue\r\nUsername=bob\r\n"
                      "\r\n[Window]\r\nLeft=10\r\n[Extra]\r\nKey=v\r\n");
    EXPECT_EQ(ReadIniValue("Window", "Left", m_file), "10");
}

TEST_F(SettingsFileTest, ValuesAreCutAt254Characters) {
    EXPECT_TRUE(WriteIniValue("Options", "Password", std::string(300, 'p'), m_file));
    EXPECT_EQ(ReadIniValue("Options", "Password", m_file), std::string(254, 'p'));
}

TEST_F(SettingsFileTest, AnExistingFileKeepsItsModeNeverWidened) {
    Write("[Options]\r\nIP=1.1.1.1\r\n");
    ::chmod(m_file.c_str(), 0400);
    EXPECT_TRUE(WriteIniValue("Options", "IP", "2.2.2.2", m_file));
    EXPECT_EQ(Mode(), 0400u);
    ::chmod(m_file.c_str(), 0644);
    EXPECT_TRUE(WriteIniValue("Options", "IP", "3.3.3.3", m_file));
    EXPECT_EQ(Mode(), 0644u);
}

TEST_F(SettingsFileTest, AFailedWriteLeavesThePreviousFileWhole) {
    Write("[Options]\r\nIP=1.1.1.1\r\n");
    std::string strValue = "2.2.2.2";
    bool blnMounted = false;
    if (::geteuid() == 0) {
        // Root ignores folder permissions, so the folder becomes a tiny file system that
        // fills up half-way through the write, as a full disk does.
        const std::string strOld = Read();
        blnMounted = ::system(("mount -t tmpfs -o size=16k tmpfs " + m_dir.string()).c_str()) == 0;
        if (!blnMounted)
            GTEST_SKIP() << "cannot mount a small tmpfs to provoke a full disk";
        Write(strOld);
        strValue = std::string(64 * 1024, 'x');
    } else {
        fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    }
    EXPECT_FALSE(WriteIniValue("Options", "IP", strValue, m_file));
    fs::permissions(m_dir, fs::perms::owner_all);
    EXPECT_EQ(Read(), "[Options]\r\nIP=1.1.1.1\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
    if (blnMounted)
        ::system(("umount " + m_dir.string()).c_str());
}

} // namespace
} // namespace ata
