// Where a user's files go when the program folder cannot keep them (root may write anywhere).
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

using test::ModeOf;

TEST(FileFolders, WithoutXdgFoldersTheDefaultsBelowTheHomeAreMadePrivate) {
    EXPECT_EQ(
        test::RunUnprivileged([](const fs::path& dir) -> std::string {
            const std::string strApp = (dir / "app").string() + "/";
            const fs::path home = dir / "home";
            fs::create_directories(strApp);
            fs::create_directories(home);
            ::setenv("HOME", home.c_str(), 1);
            ::unsetenv("XDG_CONFIG_HOME");
            ::setenv("XDG_DATA_HOME", "relative/data", 1); // ignored
            // Read-only with a history this user may rewrite: still the program folder.
            test::WriteBytes(strApp + "sys-log.txt", "");
            ::chmod(strApp.c_str(), 0555);
            auto f = ChooseFileFolders(strApp);
            if (f.strSettingsFolder != strApp || f.blnKeepsNothing || fs::exists(home / ".config"))
                return "a read-only folder with a writable history was left";

            ::chmod((strApp + "sys-log.txt").c_str(), 0444);
            f = ChooseFileFolders(strApp);
            if (f.strSettingsFolder != home.string() + "/.config/atatool/" ||
                f.strDataFolder != home.string() + "/.local/share/atatool/" || f.blnKeepsNothing)
                return "default user folders: " + f.strSettingsFolder + " " + f.strDataFolder;
            for (const fs::path& p :
                 {home / ".config", home / ".config/atatool", home / ".local/share/atatool"})
                if (ModeOf(p) != 0700)
                    return p.string() + " is not a private folder";
            return {};
        }),
        0);
}

} // namespace
} // namespace ata
