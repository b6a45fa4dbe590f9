#include "workflow/modMiscFiles.h"
#include "net/RaisedError.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>

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
}

TEST(WriteTextFile, KeepsPermissionsOfTheOldFile) {
    TempFolder tmp;
    const std::string strPath = tmp.File("sys-log.txt");
    ASSERT_TRUE(modMisc::WriteTextFile("a", strPath));
    ASSERT_EQ(::chmod(strPath.c_str(), 0640), 0);
    ASSERT_TRUE(modMisc::WriteTextFile("b", strPath));
    struct stat st {};
    ASSERT_EQ(::stat(strPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(WriteTextFile, FailedWriteLeavesOldFileUntouched) {
    TempFolder tmp;
    const std::string strPath = tmp.File("sys-log.txt");
    const std::string strHistory = "02/01/2008 10:00:00 kept\r\n01/01/2008 10:00:00 history";
    ASSERT_TRUE(modMisc::WriteTextFile(strHistory, strPath));

    // A file size limit makes the write fail half-way, like a full disk.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto prevHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool blnResult = modMisc::WriteTextFile(std::string(4096, 'x'), strPath);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, prevHandler);

    EXPECT_FALSE(blnResult);
    EXPECT_EQ(modMisc::ReadTextFile(strPath), strHistory);
    EXPECT_EQ(EntriesIn(tmp.path), 1u);
}

TEST(WriteTextFile, MissingFolderFails) {
    TempFolder tmp;
    EXPECT_FALSE(modMisc::WriteTextFile("x", tmp.File("no-such-folder/sys-log.txt")));
}

TEST(WriteTextFile, ReplacesTargetOfSymbolicLink) {
    TempFolder tmp;
    const std::string strReal = tmp.File("real.txt");
    const std::string strLink = tmp.File("sys-log.txt");
    ASSERT_TRUE(modMisc::WriteTextFile("old", strReal));
    fs::create_symlink(strReal, strLink);
    ASSERT_TRUE(modMisc::WriteTextFile("new", strLink));
    EXPECT_TRUE(fs::is_symlink(strLink));
    EXPECT_EQ(modMisc::ReadTextFile(strReal), "new");
}
