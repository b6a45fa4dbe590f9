// The program folder at start-up, through the real window: a folder that can keep nothing gives
// way to the user's own folders, and only when those cannot be made either is that reported
// once (a writable one is never reported: RealWindowLookTest). The read-only cases run
// as the user nobody (root may write anywhere), in a child process.
#include "testing/RealWindow.h"
#include "testing/UnprivilegedRun.h"

#include <cstdlib>
#include <sys/stat.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using test::RealWindow;
using test::WriteBytes;

// A program folder of mode 0555 with the files given; in nobody's folder (ATA_NOBODY_FOLDER)
// when root runs the cases through ProgramFolder.ReadOnlyAsAnOrdinaryUser.
class ReadOnlyProgramFolder : public test::AsOrdinaryUserCase {
protected:
    ReadOnlyProgramFolder() : AsOrdinaryUserCase("ProgramFolder.ReadOnlyAsAnOrdinaryUser") {}
    // Writes a file of the folder with the mode given.
    void Put(const std::string& strName, const std::string& strText, mode_t lngMode) {
        WriteBytes(m_folder / strName, strText);
        ::chmod((m_folder / strName).c_str(), lngMode);
    }
    // Makes the folder read-only, starts the tool in it and closes it; the messages shown.
    std::vector<std::string> StartAndClose() {
        ::chmod(m_folder.c_str(), 0555);
        RealWindow w(m_folder);
        m_strIp = w.Window().GetIpText();
        w.Window().close();
        return w.MessageTexts();
    }
    std::string SettingsNotSaved() const {
        return "Could not save the settings to " + (m_folder / "settings.ini").string();
    }
    std::string m_strIp;
};

// A system-wide install: the user's own folders take the program folder's place, silently.
TEST_F(ReadOnlyProgramFolder, WithNoFileToRewriteUsesTheUsersOwnFolders) {
    Put("settings.ini", "[Options]\r\nIP=127.0.0.9\r\n", 0444);
    const fs::path config = m_folder / "home/config", data = m_folder / "home/data";
    fs::create_directories(m_folder / "home");
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    {
        ::chmod(m_folder.c_str(), 0555);
        RealWindow w(m_folder);
        // The program folder's file is not this user's: the fields start empty.
        EXPECT_EQ(w.Window().GetIpText(), "");
        w.Window().SetIpText("127.0.0.10");
        w.Window().close();
        EXPECT_TRUE(w.MessageTexts().empty());
    }
    EXPECT_EQ(test::ReadBytes(config / "atatool/settings.ini"),
              "[Options]\r\nIP=127.0.0.10\r\nUsername=\r\nPassword=\r\nAuto Summarise=0\r\n");
    EXPECT_EQ(test::ModeOf(config / "atatool/settings.ini"), 0600u);
    EXPECT_EQ(test::ModeOf(config / "atatool"), 0700u);
    EXPECT_EQ(test::ModeOf(data / "atatool"), 0700u);
    // The next start reads them back.
    EXPECT_TRUE(StartAndClose().empty());
    EXPECT_EQ(m_strIp, "127.0.0.10");

    // Nor can the user's own folders be made: the warning once, then the tool as usual.
    ::setenv("XDG_CONFIG_HOME", (m_folder / "config").c_str(), 1);
    const auto vecTexts = StartAndClose();
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(vecTexts, (std::vector<std::string>{
                            "The program folder " + m_folder.string() +
                                " cannot be written, and neither can your own folders " +
                                m_folder.string() + "/config/atatool/ and " + data.string() +
                                "/atatool/. Your settings, the log history and configuration "
                                "backups will not be kept. The tool works as usual otherwise.",
                            SettingsNotSaved()}));
    EXPECT_EQ(m_strIp, "127.0.0.9");
}

TEST_F(ReadOnlyProgramFolder, WithAWritableHistoryIsNotReported) {
    Put("sys-log.txt", "02/12/2026 10:20:00 Power on", 0644);
    EXPECT_EQ(StartAndClose(), std::vector<std::string>{SettingsNotSaved()});
}

TEST(ProgramFolder, ReadOnlyAsAnOrdinaryUser) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "not root: the ReadOnlyProgramFolder cases run directly";
    const test::ScratchFolder parent;
    EXPECT_TRUE(test::PassAsNobody(parent.path, "ReadOnlyProgramFolder.*"))
        << "the ReadOnlyProgramFolder cases failed as nobody";
}

} // namespace
} // namespace ata
