#include "testing/FileBytes.h"
#include "workflow/modMiscSettings.h"

#include <gtest/gtest.h>

namespace ata {
namespace {

using modMisc::ReadIniValue;
using modMisc::WriteIniValue;
using test::ReadBytes;

class SettingsFileTest : public ::testing::Test {
protected:
    test::ScratchFolder m_dir;
    std::string m_file = m_dir.File("settings.ini");
};

TEST_F(SettingsFileTest, AMissingFileReadsEmptyAndValuesAreCutAt254Characters) {
    EXPECT_EQ(ReadIniValue("Options", "IP", m_file), "");
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
