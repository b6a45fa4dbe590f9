#include "workflow/ConfigHistory.h"

#include "base/RaisedError.h"
#include "testing/FileBytes.h"

#include <gtest/gtest.h>

namespace ata {
namespace {

using test::ScratchFolder;
using test::WriteBytes;

TEST(ParseBackupName, StampAndSameSecondSuffixOnly) {
    BackupOrder o;
    ASSERT_TRUE(ParseBackupName("Config20261206-033000.reg", o));
    EXPECT_EQ(o, (BackupOrder{"20261206-033000", 1}));
    ASSERT_TRUE(ParseBackupName("Config20261206-033000-2.reg", o));
    EXPECT_EQ(o, (BackupOrder{"20261206-033000", 2}));
    ASSERT_TRUE(ParseBackupName("Config20261206-033000-10.reg", o));
    EXPECT_EQ(o, (BackupOrder{"20261206-033000", 10}));
    for (const char* strName :
         {"Config20261206-033000.reg.part", "config20261206-033000.reg",
          "Config20261206-033000.REG", "Config2026120-0330000.reg", "Config20261206_033000.reg",
          "Config20261206-03300a.reg", "Config20261206-033000x.reg", "Config20261206-033000-.reg",
          "Config20261206-033000-1.reg", "Config20261206-033000-02.reg",
          "Config20261206-033000-1234567890.reg", "Config.reg", "sys-log.txt"})
        EXPECT_FALSE(ParseBackupName(strName, o)) << strName;
}

class CompareWithPreviousBackupTest : public ::testing::Test {
protected:
    void Write(const std::string& strName, const std::string& strBytes) {
        WriteBytes(m_folder.path / strName, strBytes);
    }
    std::string Folder() const { return m_folder.path.string() + "/"; }
    ScratchFolder m_folder;
};

TEST_F(CompareWithPreviousBackupTest, TheNewestEarlierBackupByTheStampInItsName) {
    const std::string strNew = "Config20261206-033000.reg";
    const std::string strConfig = "[Line1]\r\nUser=100\r\nCodec=G711\r\nExpires=3600\r\n";
    Write(strNew, strConfig);
    ConfigComparison c = CompareWithPreviousBackup(Folder(), strNew);
    EXPECT_EQ(c.enmChange, EnmConfigChange::First);
    EXPECT_EQ(ConfigComparisonText(c), "First backup.");

    // Written newest first, so neither the order of writing nor the file times tell.
    Write("Config20261207-033000.reg", strConfig);    // later than the new one
    Write("Config20261205-033000-10.reg", strConfig); // the one before the new one
    Write("Config20261205-033000-9.reg", "other");
    Write("Config20261205-033000.reg", "other");
    Write("Config20261206-033000.reg.part", "other");
    Write("notes.txt", "other");
    std::filesystem::create_directory(m_folder.path / "Config20261205-233000.reg");
    EXPECT_EQ(ListBackups(Folder()),
              (std::vector<std::string>{"Config20261205-033000.reg", "Config20261205-033000-9.reg",
                                        "Config20261205-033000-10.reg", strNew,
                                        "Config20261207-033000.reg"}));
    c = CompareWithPreviousBackup(Folder(), strNew);
    EXPECT_EQ(c.enmChange, EnmConfigChange::Unchanged);
    EXPECT_EQ(ConfigComparisonText(c),
              "Configuration unchanged since Config20261205-033000-10.reg.");

    // One line edited, one added.
    Write("Config20261205-033000-10.reg", "[Line1]\r\nUser=100\r\nCodec=G729\r\n");
    c = CompareWithPreviousBackup(Folder(), strNew);
    EXPECT_EQ(c.enmChange, EnmConfigChange::Changed);
    EXPECT_EQ(c.lngLinesDiffer, 2);
    EXPECT_EQ(ConfigComparisonText(c),
              "Configuration changed since Config20261205-033000-10.reg: 2 lines differ.");

    EXPECT_THROW(CompareWithPreviousBackup(Folder() + "missing/", strNew), RaisedError);
}

} // namespace
} // namespace ata
