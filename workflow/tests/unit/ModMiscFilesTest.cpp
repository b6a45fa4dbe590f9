#include "workflow/modMiscFiles.h"
#include "base/RaisedError.h"
#include "testing/FileBytes.h"
#include "testing/UnprivilegedRun.h"
#include "workflow/modMiscSettings.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace ata;
using modMisc::ReadTextFile;
using modMisc::WriteTextFile;
namespace fs = std::filesystem;

namespace {

size_t EntriesIn(const fs::path& p) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(p), fs::directory_iterator()));
}

using test::ModeOf;

// Writes under the umask given, restoring the process's own afterwards.
bool WriteWithUmask(mode_t lngMask, const std::string& strText, const std::string& strPath) {
    const mode_t lngOldMask = ::umask(lngMask);
    const bool blnWritten = WriteTextFile(strText, strPath);
    ::umask(lngOldMask);
    return blnWritten;
}

const std::string kHistory = "02/01/2008 10:00:00 kept\r\n01/01/2008 10:00:00 history";

} // namespace

TEST(TextFile, EveryByteSurvivesNothingIsAddedAndAnExistingFileKeepsItsMode) {
    test::ScratchFolder tmp;
    const std::string strPath = tmp.File("sys-log.txt");
    EXPECT_EQ(ReadTextFile(strPath), ""); // missing: empty

    const std::string strAll("\0\x1A\x7F\x80\xFF\r\r\n\n\r\n", 11);
    ASSERT_TRUE(WriteWithUmask(027, strAll, strPath));
    EXPECT_EQ(ReadTextFile(strPath), strAll);
    EXPECT_EQ(ModeOf(strPath), 0640u);
    ASSERT_EQ(::chmod(strPath.c_str(), 0604), 0);
    // Extended attributes (access lists among them) stay with the file its new content replaces.
    const bool blnAttributes = ::setxattr(strPath.c_str(), "user.origin", "kept", 4, 0) == 0;
    ASSERT_TRUE(WriteTextFile("short", strPath));
    EXPECT_EQ(ReadTextFile(strPath), "short");
    EXPECT_EQ(ModeOf(strPath), 0604u);
    if (blnAttributes) {
        char buf[8] = {};
        EXPECT_EQ(::getxattr(strPath.c_str(), "user.origin", buf, sizeof buf), 4);
        EXPECT_STREQ(buf, "kept");
    }
    ASSERT_TRUE(WriteTextFile("", strPath));
    EXPECT_EQ(fs::file_size(strPath), 0u);
    EXPECT_EQ(EntriesIn(tmp.path), 1u); // no temporary file left behind
    EXPECT_FALSE(WriteTextFile("x", tmp.File("no-such-folder/sys-log.txt")));
}

// A dangling link (its relative target counts from its folder) and loops.
TEST(TextFile, WritingCreatesThroughDanglingLinksAndRefusesLoops) {
    test::ScratchFolder tmp;
    fs::create_directory(tmp.path / "data");
    fs::create_symlink("made.txt", tmp.path / "data/dangling");
    ASSERT_TRUE(WriteWithUmask(022, "fresh", tmp.File("data/dangling")));
    EXPECT_TRUE(fs::is_symlink(tmp.path / "data/dangling"));
    EXPECT_EQ(ReadTextFile(tmp.File("data/made.txt")), "fresh");
    EXPECT_EQ(ModeOf(tmp.File("data/made.txt")), 0644u);

    fs::create_symlink("loop-b", tmp.path / "loop-a");
    fs::create_symlink("loop-a", tmp.path / "loop-b");
    EXPECT_FALSE(WriteTextFile("x", tmp.File("loop-a")));
    fs::create_symlink("missing/file.txt", tmp.path / "nowhere");
    EXPECT_FALSE(WriteTextFile("x", tmp.File("nowhere")));
}

// As an ordinary user: permissions decide, and a write failing half-way keeps the old text.
TEST(TextFile, AsAnOrdinaryUserPermissionsDecideAndAFailedWriteKeepsTheHistory) {
    EXPECT_EQ(test::RunUnprivileged([](const fs::path& dir) -> std::string {
                  const std::string strLog = (dir / "sys-log.txt").string();
                  const std::string strOther = (dir / "other.txt").string();
                  if (!WriteTextFile(kHistory, strLog) || !WriteTextFile("other", strOther))
                      return "setup";
                  ::chmod(strLog.c_str(), 0200);
                  try {
                      ReadTextFile(strLog);
                      return "unreadable file read";
                  } catch (const RaisedError&) {
                  }
                  // Nor is it rewritten as settings that were empty.
                  if (modMisc::WriteIniValue("Options", "IP", "2.2.2.2", strLog))
                      return "unreadable file reported written";
                  ::chmod(strLog.c_str(), 0640);
                  if (ReadTextFile(strLog) != kHistory)
                      return "unreadable file changed";
                  ::chmod(dir.c_str(), 0555);
                  if (WriteTextFile("x", (dir / "new.txt").string()))
                      return "new file in read-only folder reported written";
                  if (EntriesIn(dir) != 2)
                      return "stray file in folder";

                  // Writes beyond 64 bytes fail; the signal they raise is ignored.
                  std::signal(SIGXFSZ, SIG_IGN);
                  struct rlimit limit {};
                  ::getrlimit(RLIMIT_FSIZE, &limit);
                  limit.rlim_cur = 64;
                  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                      return "size limit setup";
                  const std::string strBig(16384, 'x');
                  if (WriteTextFile(strBig, strLog))
                      return "in place: failed write reported written";
                  if (ReadTextFile(strLog) != kHistory)
                      return "in place: history damaged";
                  // No room for the journal of the old bytes: refused before any byte changes.
                  const std::string strSameLength = "03" + kHistory.substr(2);
                  if (WriteTextFile(strSameLength, strLog) || ReadTextFile(strLog) != kHistory)
                      return "in place without a journal";
                  return "";
              }),
              0);
}
