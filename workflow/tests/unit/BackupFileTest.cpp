#include "workflow/BackupFile.h"
#include "testing/FileBytes.h"

#include <gtest/gtest.h>

using namespace ata;
using ata::test::ReadBytes;
namespace fs = std::filesystem;

TEST(BackupFile, PrivateFromTheFirstByteNeverAnotherFileAndNeverReplacing) {
    test::ScratchFolder scratch;
    const std::string strName = scratch.File("Config20081231-235959.reg");
    // A link planted at the first name is neither followed nor replaced.
    fs::create_symlink(scratch.File("elsewhere"), strName + ".part");
    BackupFile objFirst(strName);
    ASSERT_TRUE(objFirst.Append("AB"));
    EXPECT_EQ(objFirst.PartFileName(), scratch.File("Config20081231-235959-2.reg.part"));
    EXPECT_EQ(fs::status(objFirst.PartFileName()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(objFirst.Append(std::string("C\0D", 3)));
    fs::remove(strName + ".part");
    // Another backup of the same second while the first is still being written.
    BackupFile objSecond(strName);
    ASSERT_TRUE(objSecond.Append("new"));
    EXPECT_EQ(objSecond.PartFileName(), strName + ".part");
    std::string strFinal, strReason;
    ASSERT_TRUE(objSecond.Save(strFinal, strReason)) << strReason;
    EXPECT_EQ(strFinal, strName);
    ASSERT_TRUE(objFirst.Save(strFinal, strReason)) << strReason;
    {
        BackupFile objDropped(scratch.File("Config20081231-235958.reg"));
        ASSERT_TRUE(objDropped.Append("unsaved")); // removed when it goes
    }
    EXPECT_EQ(strFinal, strName.substr(0, strName.size() - 4) + "-2.reg");
    EXPECT_EQ(ReadBytes(strName), "new");
    EXPECT_EQ(ReadBytes(strFinal), std::string("ABC\0D", 5));
    EXPECT_FALSE(fs::exists(scratch.path / "elsewhere"));
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path), fs::directory_iterator()), 2);
}
