// Where a user's files are kept, decided as an ordinary user (root may write anywhere): the
// program folder wherever it can keep them, otherwise the user's own folders, created private.
#include "testing/FileBytes.h"
#include "testing/UnprivilegedRun.h"
#include "workflow/modMiscFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using modMisc::ChooseFileFolders;

mode_t ModeOf(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(FileFolders, TheProgramFolderWhereItKeepsFilesOtherwiseTheUsersOwn) {
    EXPECT_EQ(
        test::RunUnprivileged([](const fs::path& dir) -> std::string {
            const std::string strApp = (dir / "app").string() + "/";
            const fs::path home = dir / "home";
            fs::create_directories(strApp);
            fs::create_directories(home);
            ::setenv("HOME", home.c_str(), 1);
            ::unsetenv("XDG_CONFIG_HOME");
            ::unsetenv("XDG_DATA_HOME");
            auto f = ChooseFileFolders(strApp);
            if (f.strSettingsFolder != strApp || f.strDataFolder != strApp || f.blnKeepsNothing)
                return "a writable program folder is not the one in use";

            // Read-only with a history this user may rewrite: still the program folder.
            test::WriteBytes(strApp + "sys-log.txt", "");
            ::chmod(strApp.c_str(), 0555);
            f = ChooseFileFolders(strApp);
            if (f.strSettingsFolder != strApp || f.blnKeepsNothing)
                return "a read-only folder with a writable history was left";
            if (fs::exists(home / ".config"))
                return "user folders made while the program folder keeps the files";

            // Nothing to rewrite: the default folders below the home, private.
            ::chmod((strApp + "sys-log.txt").c_str(), 0444);
            f = ChooseFileFolders(strApp);
            if (f.strSettingsFolder != home.string() + "/.config/atatool/" ||
                f.strDataFolder != home.string() + "/.local/share/atatool/" || f.blnKeepsNothing)
                return "default user folders: " + f.strSettingsFolder + " " + f.strDataFolder;
            for (const fs::path& p :
                 {home / ".config", home / ".config/atatool", home / ".local/share/atatool"})
                if (ModeOf(p) != 0700)
                    return p.string() + " is not a private folder";

            // Absolute XDG folders win; a relative one is ignored.
            ::setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
            ::setenv("XDG_DATA_HOME", "relative/data", 1);
            f = ChooseFileFolders(strApp);
            if (f.strSettingsFolder != (dir / "cfg/atatool/").string() ||
                f.strDataFolder != home.string() + "/.local/share/atatool/")
                return "XDG folders: " + f.strSettingsFolder + " " + f.strDataFolder;

            // Neither place can keep anything: the program folder, and say so.
            ::setenv("XDG_CONFIG_HOME", (strApp + "cfg").c_str(), 1);
            f = ChooseFileFolders(strApp);
            if (f.strSettingsFolder != strApp || f.strDataFolder != strApp || !f.blnKeepsNothing)
                return "unwritable user folders are not reported";
            return {};
        }),
        0);
}

} // namespace
} // namespace ata
