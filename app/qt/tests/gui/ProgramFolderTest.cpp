// The program folder at start-up, through the real window: the window shows the icon installed
// for the desktop, and a folder that can keep nothing is reported once. The read-only cases run
// as the user nobody (root may write anywhere), in a child process.
#include "RealWindow.h"

#include <cstdlib>
#include <sys/stat.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using test::RealWindow;
using test::ScratchFolder;
using test::WriteBytes;

QImage Premultiplied(const QImage& image) {
    // The pixmap an icon gives is premultiplied; compare in that form.
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TEST(ProgramFolder, TheWindowShowsTheDesktopIconAndAWritableFolderIsNotReported) {
    const ScratchFolder folder;
    {
        RealWindow w(folder.path);
        for (int intSize : {16, 48, 256}) {
            const QImage installed(QString::fromStdString(std::string(ATA_SOURCE_DIR) +
                                                          "/packaging/icons/atatool-" +
                                                          std::to_string(intSize) + ".png"));
            ASSERT_FALSE(installed.isNull());
            EXPECT_EQ(Premultiplied(w.Window().windowIcon().pixmap(intSize).toImage()),
                      Premultiplied(installed))
                << intSize;
        }
        EXPECT_TRUE(w.Messages().empty());
        w.Window().close();
    }
}

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

TEST_F(ReadOnlyProgramFolder, WithNoFileToRewriteIsReportedOnceAtStartUp) {
    Put("settings.ini", "[Options]\r\nIP=127.0.0.9\r\n", 0444);
    const auto vecTexts = StartAndClose();
    // The warning first, then the tool ran as before: the settings were read, and closing
    // reports that they could not be written.
    EXPECT_EQ(vecTexts, (std::vector<std::string>{
                            "The program folder " + m_folder.string() +
                                " cannot be written. Your settings, the log history and "
                                "configuration backups will not be kept there. The tool works "
                                "as usual otherwise; to keep them, install it into a folder you "
                                "own, for example with the prefix ~/.local.",
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
    const ScratchFolder parent;
    EXPECT_TRUE(test::PassAsNobody(parent.path, "ReadOnlyProgramFolder.*"))
        << "the ReadOnlyProgramFolder cases failed as nobody";
}

} // namespace
} // namespace ata
