#include "testing/FileBytes.h"
#include "workflow/modMiscSettings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace ata {
namespace {

using modMisc::ReadIniValue;
using modMisc::WriteIniValue;
using test::ReadBytes;

// A read-only file and a read-only folder are covered through the real window; links and an
// unreadable file by the tests of the writer the settings share with the history.
class SettingsFileTest : public ::testing::Test {
protected:
    mode_t Mode() {
        struct stat st {};
        ::stat(m_file.c_str(), &st);
        return st.st_mode & 0777;
    }

    test::ScratchFolder m_dir;
    std::string m_file = m_dir.File("settings.ini");
};

TEST_F(SettingsFileTest, ANewFileHoldsTheKeysInWriteOrderForTheOwnerOnly) {
    EXPECT_EQ(ReadIniValue("Options", "IP", m_file), "");
    EXPECT_TRUE(WriteIniValue("Options", "IP", "192.168.0.1", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Username", "admin", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Password", "", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Auto Summarise", "0", m_file));
    EXPECT_EQ(ReadBytes(m_file), "[Options]\r\nIP=192.168.0.1\r\nUsername=admin\r\nPassword=\r\n"
                                 "Auto Summarise=0\r\n");
    EXPECT_EQ(Mode(), 0600u);
    // Values read back are cut at 254 characters.
    EXPECT_TRUE(WriteIniValue("Options", "Password", std::string(300, 'p'), m_file));
    EXPECT_EQ(ReadIniValue("Options", "Password", m_file), std::string(254, 'p'));
}

TEST_F(SettingsFileTest, NamesIgnoreLetterCaseAndOtherLinesAndSectionsAreKept) {
    test::WriteBytes(m_file, "; a comment\n[OPTIONS]\n  ip = 1.1.1.1  \nColour=blue\n\n[Window]\n"
                             "Left=10\n");
    EXPECT_EQ(ReadIniValue("Options", "IP", m_file), "1.1.1.1");
    EXPECT_EQ(ReadIniValue("Options", "Left", m_file), "");
    EXPECT_EQ(ReadIniValue("Other", "IP", m_file), "");
    EXPECT_TRUE(WriteIniValue("options", "Ip", "2.2.2.2", m_file));
    EXPECT_TRUE(WriteIniValue("Options", "Username", "bob", m_file));
    EXPECT_TRUE(WriteIniValue("Extra", "Key", "v", m_file));
    EXPECT_EQ(ReadBytes(m_file),
              "; a comment\r\n[OPTIONS]\r\nIp=2.2.2.2\r\nColour=blue\r\nUsername=bob\r\n"
              "\r\n[Window]\r\nLeft=10\r\n[Extra]\r\nKey=v\r\n");
}

} // namespace
} // namespace ata
