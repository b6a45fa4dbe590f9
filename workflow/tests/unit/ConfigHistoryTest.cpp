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

// The texts of a first, an unchanged and a changed backup run through the command line.
TEST(CompareWithPreviousBackup, TheNewestEarlierBackupByTheStampInItsName) {
    ScratchFolder folder;
    const std::string strFolder = folder.path.string() + "/", strNew = "Config20261206-033000.reg";
    // Written newest first, so neither the order of writing nor the file times tell.
    for (const char* szName :
         {strNew.c_str(), "Config20261207-033000.reg", "Config20261205-033000-10.reg",
          "Config20261205-033000-9.reg", "Config20261205-033000.reg",
          "Config20261206-033000.reg.part", "notes.txt"})
        WriteBytes(folder.path / szName, "other");
    // Only the one before the new one has the same bytes.
    WriteBytes(folder.path / strNew, "same");
    WriteBytes(folder.path / "Config20261205-033000-10.reg", "same");
    std::filesystem::create_directory(folder.path / "Config20261205-233000.reg");
    EXPECT_EQ(ListBackups(strFolder),
              (std::vector<std::string>{"Config20261205-033000.reg", "Config20261205-033000-9.reg",
                                        "Config20261205-033000-10.reg", strNew,
                                        "Config20261207-033000.reg"}));
    const ConfigComparison c = CompareWithPreviousBackup(strFolder, strNew);
    EXPECT_EQ(ConfigComparisonText(c),
              "Configuration unchanged since Config20261205-033000-10.reg.");
    EXPECT_THROW(CompareWithPreviousBackup(strFolder + "missing/", strNew), RaisedError);
}

} // namespace
} // namespace ata
