#include "workflow/modMiscFiles.h"
#include "net/RaisedError.h"
#include "unit/UnprivilegedRun.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ata;
namespace fs = std::filesystem;

namespace {

struct TempFolder {
    fs::path path;
    TempFolder() {
        std::string strTemplate = (fs::temp_directory_path() / "ata-files-XXXXXX").string();
        path = ::mkdtemp(strTemplate.data());
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string File(const std::string& strName) const { return (path / strName).string(); }
};

std::string AllBytes() {
    std::string s;
    for (int i = 0; i < 256; ++i) {
        s.push_back(static_cast<char>(i));
    }
    return s + "\r\n\r\n";
}

size_t EntriesIn(const fs::path& p) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(p), fs::directory_iterator()));
}

mode_t ModeOf(const std::string& strPath) {
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

const std::string kHistory = "02/01/2008 10:00:00 kept\r\n01/01/2008 10:00:00 history";

} // namespace

TEST(ReadTextFile, MissingFileReadsEmptyOtherFailuresRaise) {
    TempFolder tmp;
    EXPECT_EQ(modMisc::ReadTextFile(tmp.File("sys-log.txt")), "");
    EXPECT_THROW(modMisc::ReadTextFile(tmp.path.string()), RaisedError);
}

TEST(WriteTextFile, EveryByteSurvivesAndNothingIsAdded) {
    TempFolder tmp;
    const std::string strPath = tmp.File("sys-log.txt");
    ASSERT_TRUE(modMisc::WriteTextFile(AllBytes(), strPath));
    EXPECT_EQ(modMisc::ReadTextFile(strPath), AllBytes());
    ASSERT_TRUE(modMisc::WriteTextFile("short", strPath));
    EXPECT_EQ(modMisc::ReadTextFile(strPath), "short");
    ASSERT_TRUE(modMisc::WriteTextFile("", strPath));
    EXPECT_EQ(fs::file_size(strPath), 0u);
    EXPECT_EQ(EntriesIn(tmp.path), 1u); // no temporary file left behind
    EXPECT_FALSE(modMisc::WriteTextFile("x", tmp.File("no-such-folder/sys-log.txt")));
}

TEST(WriteTextFile, NewFileFollowsTheUmaskAnExistingOneKeepsItsMode) {
    TempFolder tmp;
    const std::string strPath = tmp.File("sys-log.txt");
    const mode_t lngOldMask = ::umask(027);
    const bool blnCreated = modMisc::WriteTextFile("a", strPath);
    ::umask(lngOldMask);
    ASSERT_TRUE(blnCreated);
    EXPECT_EQ(ModeOf(strPath), 0640u);
    ASSERT_EQ(::chmod(strPath.c_str(), 0604), 0);
    ASSERT_TRUE(modMisc::WriteTextFile("b", strPath));
    EXPECT_EQ(ModeOf(strPath), 0604u);
}

TEST(WriteTextFile, FollowsLinksAndCreatesThroughDanglingOnes) {
    TempFolder tmp;
    fs::create_directory(tmp.path / "data");
    ASSERT_TRUE(modMisc::WriteTextFile("old", tmp.File("data/real.txt")));
    // sys-log.txt -> hop (relative) -> .../data/real.txt (absolute)
    fs::create_symlink(tmp.File("data/real.txt"), tmp.path / "hop");
    fs::create_symlink("hop", tmp.path / "sys-log.txt");
    ASSERT_TRUE(modMisc::WriteTextFile("new", tmp.File("sys-log.txt")));
    EXPECT_TRUE(fs::is_symlink(tmp.path / "sys-log.txt"));
    EXPECT_TRUE(fs::is_symlink(tmp.path / "hop"));
    EXPECT_EQ(modMisc::ReadTextFile(tmp.File("data/real.txt")), "new");
    EXPECT_EQ(EntriesIn(tmp.path / "data"), 1u);

    // A relative target counts from the link's folder, not from the working folder.
    fs::create_symlink("made.txt", tmp.path / "data/dangling");
    const mode_t lngOldMask = ::umask(022);
    const bool blnCreated = modMisc::WriteTextFile("fresh", tmp.File("data/dangling"));
    ::umask(lngOldMask);
    ASSERT_TRUE(blnCreated);
    EXPECT_TRUE(fs::is_symlink(tmp.path / "data/dangling"));
    EXPECT_EQ(modMisc::ReadTextFile(tmp.File("data/made.txt")), "fresh");
    EXPECT_EQ(ModeOf(tmp.File("data/made.txt")), 0644u);

    fs::create_symlink("loop-b", tmp.path / "loop-a");
    fs::create_symlink("loop-a", tmp.path / "loop-b");
    EXPECT_FALSE(modMisc::WriteTextFile("x", tmp.File("loop-a")));
    fs::create_symlink("missing/file.txt", tmp.path / "nowhere");
    EXPECT_FALSE(modMisc::WriteTextFile("x", tmp.File("nowhere")));
}

TEST(WriteTextFile, FileAndFolderPermissionsDecide) {
    EXPECT_EQ(test::RunUnprivileged([](const fs::path& dir) -> std::string {
                  const std::string strLog = (dir / "sys-log.txt").string();
                  const std::string strOther = (dir / "other.txt").string();
                  if (!modMisc::WriteTextFile(kHistory, strLog) ||
                      !modMisc::WriteTextFile("other", strOther))
                      return "setup";
                  // A read-only file is not replaced, although the folder would allow it.
                  ::chmod(strLog.c_str(), 0444);
                  if (modMisc::WriteTextFile("new", strLog))
                      return "read-only file reported written";
                  if (modMisc::ReadTextFile(strLog) != kHistory || ModeOf(strLog) != 0444)
                      return "read-only file changed";
                  // An unreadable file raises instead of reading as empty.
                  ::chmod(strLog.c_str(), 0200);
                  try {
                      modMisc::ReadTextFile(strLog);
                      return "unreadable file read";
                  } catch (const RaisedError&) {
                  }
                  // A read-only folder: existing files are rewritten in place, shorter and
                  // longer; no new file can be made.
                  ::chmod(strLog.c_str(), 0640);
                  ::chmod(dir.c_str(), 0555);
                  if (!modMisc::WriteTextFile("short", strLog) ||
                      modMisc::ReadTextFile(strLog) != "short")
                      return "shorter text in place";
                  if (!modMisc::WriteTextFile(kHistory + kHistory, strLog) ||
                      modMisc::ReadTextFile(strLog) != kHistory + kHistory)
                      return "longer text in place";
                  if (ModeOf(strLog) != 0640 || modMisc::ReadTextFile(strOther) != "other")
                      return "mode or neighbour changed";
                  if (modMisc::WriteTextFile("x", (dir / "new.txt").string()))
                      return "new file in read-only folder reported written";
                  return EntriesIn(dir) == 2 ? "" : "stray file in folder";
              }),
              0);
}

// Makes writes fail half-way (fnProvoke), then checks that neither a write through a temporary
// file nor one in place (read-only folder) damages the history, and that a rewrite of the same
// length still succeeds in place.
std::string FailedWritesKeepTheHistory(const fs::path& dir,
                                       const std::function<bool()>& fnProvoke) {
    const std::string strLog = (dir / "sys-log.txt").string();
    if (!modMisc::WriteTextFile(kHistory, strLog) || !fnProvoke())
        return "setup";
    const size_t lngEntries = EntriesIn(dir);
    const std::string strBig(16384, 'x');
    if (modMisc::WriteTextFile(strBig, strLog) || modMisc::ReadTextFile(strLog) != kHistory ||
        EntriesIn(dir) != lngEntries)
        return "through a temporary file: history damaged";
    ::chmod(dir.c_str(), 0555);
    if (modMisc::WriteTextFile(strBig, strLog))
        return "in place: failed write reported written";
    if (modMisc::ReadTextFile(strLog) != kHistory)
        return "in place: history damaged";
    const std::string strSameLength = "03" + kHistory.substr(2);
    if (!modMisc::WriteTextFile(strSameLength, strLog) ||
        modMisc::ReadTextFile(strLog) != strSameLength)
        return "in place: rewrite of the same length";
    return "";
}

TEST(WriteTextFile, SizeLimitLeavesTheOldContentEitherWay) {
    EXPECT_EQ(test::RunUnprivileged([](const fs::path& dir) {
                  return FailedWritesKeepTheHistory(dir, [] {
                      std::signal(SIGXFSZ, SIG_IGN);
                      struct rlimit limit {};
                      ::getrlimit(RLIMIT_FSIZE, &limit);
                      limit.rlim_cur = 64;
                      return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
                  });
              }),
              0);
}

TEST(WriteTextFile, FullDiskLeavesTheOldContentEitherWay) {
    TempFolder tmp;
    if (::geteuid() != 0 ||
        ::system(("mount -t tmpfs -o size=64k tmpfs " + tmp.path.string()).c_str()) != 0)
        GTEST_SKIP() << "needs root to mount a small file system that fills up";
    EXPECT_EQ(test::RunUnprivileged(
                  [](const fs::path& dir) {
                      return FailedWritesKeepTheHistory(dir, [&dir] {
                          // Fill the file system to the last byte.
                          const int fd = ::open((dir / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
                          const std::string strBlock(1024, 'f');
                          while (fd >= 0 && ::write(fd, strBlock.data(), strBlock.size()) > 0) {
                          }
                          const bool blnFull = errno == ENOSPC;
                          ::close(fd);
                          return fd >= 0 && blnFull;
                      });
                  },
                  tmp.path),
              0);
    EXPECT_EQ(::system(("umount " + tmp.path.string()).c_str()), 0);
}
