// The window as a user sees it: pixels of the real window read back. No command is pressed, and
// a writable program folder is not reported.
#include "testing/RealWindow.h"
#include "testing/UnprivilegedRun.h"

#include "app/qt/ZelSimpleButtonWidget.h"

#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace ata {
namespace {

namespace fs = std::filesystem;
using test::Grab;

// A dark, unsaturated pixel: the black caption and its smoothed edges on any of the light looks.
// The border (red 0, green 0x3C, blue 0x74) is no ink.
bool IsInk(const QColor& c) {
    return std::max({c.red(), c.green(), c.blue()}) < 0x90 && std::abs(c.red() - c.blue()) < 0x30;
}

struct Box {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    void Add(int x, int y) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
    }
    bool Empty() const { return right < 0; }
};

Box InkBox(const QImage& image, int y0 = 0, int y1 = INT_MAX) {
    Box box;
    for (int y = y0; y < std::min(y1, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (IsInk(image.pixelColor(x, y)))
                box.Add(x, y);
    return box;
}

// A caption's ink lies one pixel clear of the border (one pixel wide at the left and top, two at
// the right and bottom), in pixels of the given scale.
void ExpectClearOfBorder(const Box& ink, QSize size, int scale, const std::string& strName) {
    EXPECT_TRUE(!ink.Empty() && ink.left >= 2 * scale && ink.top >= 2 * scale &&
                ink.right < size.width() - 3 * scale && ink.bottom < size.height() - 3 * scale)
        << strName << ": ink from (" << ink.left << ", " << ink.top << ") to (" << ink.right << ", "
        << ink.bottom << ") in " << size.width() << " x " << size.height();
}

// A colour word (0xBBGGRR) as a colour.
QColor Colour(int32_t lngWord) {
    return QColor(lngWord & 0xFF, (lngWord >> 8) & 0xFF, (lngWord >> 16) & 0xFF);
}

bool Shows(const QImage& image, const QColor& colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

class RealWindowLookTest : public ::testing::Test {
protected:
    test::ScratchFolder m_scratch;
    fs::path m_folder = m_scratch.path;
};

TEST_F(RealWindowLookTest, CaptionsColoursAndLabelsAsDesigned) {
    test::RealWindow w(m_folder);
    MainWindow& win = w.Window();
    QApplication::processEvents();
    test::SaveScreenshot(win.grab().toImage(), "main-window.png");

    // The window shows the icon installed for the desktop (an icon's pixmap is premultiplied).
    for (int intSize : {16, 48, 256}) {
        const QImage installed(
            QString(ATA_SOURCE_DIR "/packaging/icons/atatool-%1.png").arg(intSize));
        ASSERT_FALSE(installed.isNull());
        EXPECT_EQ(win.windowIcon().pixmap(intSize).toImage().convertToFormat(
                      QImage::Format_ARGB32_Premultiplied),
                  installed.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << intSize;
    }

    // The design's faces resolve to installed faces of the same metrics.
    EXPECT_EQ(QFontInfo(win.font()).family().toStdString(), "Tahoma");
    EXPECT_EQ(win.font().pointSizeF(), 8.25);
    EXPECT_EQ(QFontInfo(QFont("Arial")).family().toStdString(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(win.txtLog()->font()).family().toStdString(), "Liberation Mono");

    // The labels lie beneath the fields they overlap: where "Username:" (lblMisc (1): 3240, 255,
    // 975, 255 twips, so x 216 to 280) overlaps the IP field, the window shows the field's arrow
    // as the field draws it.
    const QImage shot = Grab(&win), ip = Grab(win.cboIp());
    const QPoint at = win.cboIp()->mapTo(&win, QPoint(0, 0));
    int intCovered = 0;
    for (int y = 2; y < ip.height() - 2; ++y)
        for (int x = 216 - win.cboIp()->x(); x < ip.width() - 1; ++x)
            intCovered += shot.pixelColor(at.x() + x, at.y() + y) != ip.pixelColor(x, y);
    EXPECT_EQ(intCovered, 0);

    // Every caption lies inside its button.
    for (ControlId id : {ControlId::cmdStatus, ControlId::cmdLog, ControlId::cmdSaveLog,
                         ControlId::cmdSummarise, ControlId::cmdBackup}) {
        QWidget* button = win.Control(id);
        ExpectClearOfBorder(InkBox(Grab(button)), button->size(), 1,
                            button->objectName().toStdString());
    }

    // "Get System Log" in a 65-pixel button: "Get System" over "Log", and L underlined. Two
    // lines of an 11-pixel face span at least a capital (8) plus a line (10) from top to
    // baseline; the top rows are wide, the bottom ones as narrow as "Log".
    auto* cmdLog = static_cast<ZelSimpleButtonWidget*>(win.Control(ControlId::cmdLog));
    const QImage log = Grab(cmdLog);
    const Box ink = InkBox(log);
    EXPECT_GE(ink.bottom - ink.top + 1, 18);
    const Box top = InkBox(log, ink.top, ink.top + 4), bottom = InkBox(log, ink.bottom - 3);
    EXPECT_GT(top.right - top.left, 40);
    EXPECT_LT(bottom.right - bottom.left, 25);
    cmdLog->setCaption("Get System Log");
    const QImage plain = Grab(cmdLog);
    cmdLog->setCaption("Get System &Log");
    Box underline;
    for (int y = 0; y < log.height(); ++y)
        for (int x = 0; x < log.width(); ++x)
            if (log.pixelColor(x, y) != plain.pixelColor(x, y))
                underline.Add(x, y);
    ASSERT_FALSE(underline.Empty());
    EXPECT_LE(underline.bottom - underline.top, 1);
    EXPECT_GE(underline.right - underline.left + 1, 4);
    EXPECT_GT(underline.top, ink.top + 10);
    EXPECT_LE(underline.right, bottom.left + 8); // under the first letter of "Log"

    // Hovering cmdLog shows its hover colour, red 0, green 255, blue 255.
    EXPECT_FALSE(Shows(log, QColor(0, 255, 255)));
    // The move is handed to the button directly: a real X server sends no event for a move to
    // where its pointer already is.
    const QPoint centre = cmdLog->rect().center();
    QMouseEvent move(QEvent::MouseMove, centre, cmdLog->mapToGlobal(centre), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(cmdLog, &move);
    EXPECT_TRUE(Shows(Grab(cmdLog), QColor(0, 255, 255)));

    // Tab from the password field gives cmdStatus the focus: green, red 0, green 255, blue 0.
    win.txtPass()->setFocus();
    QTest::keyClick(win.txtPass(), Qt::Key_Tab);
    QWidget* cmdStatus = win.Control(ControlId::cmdStatus);
    ASSERT_TRUE(cmdStatus->hasFocus());
    EXPECT_TRUE(Shows(Grab(cmdStatus), QColor(0, 255, 0)));

    // The status line runs from 0xFFFFC0 at the top towards 0x808000 at the bottom, its caption
    // centred.
    win.SetStatus("Backing up current config...");
    QWidget* lblStatus = win.findChild<QWidget*>("lblStatus");
    ASSERT_NE(lblStatus, nullptr);
    const QImage status = Grab(lblStatus);
    EXPECT_EQ(status.pixelColor(3, 0), Colour(0xFFFFC0));
    const QColor shade = status.pixelColor(3, status.height() - 1);
    EXPECT_LT(shade.red(), 20);
    EXPECT_NEAR(shade.green(), 0x80, 12);
    const Box caption = InkBox(status);
    EXPECT_TRUE(!caption.Empty() && caption.left > 100 && caption.right < status.width() - 100);

    // A lamp in the colour it is given, with its bevel (bottom and right, top) and caption.
    struct Lamp {
        int32_t lngFill, lngBottom, lngTop;
    };
    for (const Lamp& c :
         {Lamp{kColourLightGrey, 0x314A4A, 0xFFFFFF}, Lamp{kColourRed, 0x000069, 0x0096FF}}) {
        win.SetLedColour(ControlId::ledPower, c.lngFill);
        const QImage lamp = Grab(win.Control(ControlId::ledPower));
        EXPECT_EQ(lamp.pixelColor(30, 31), Colour(c.lngBottom)) << c.lngFill;
        EXPECT_EQ(lamp.pixelColor(71, 16), Colour(c.lngBottom)) << c.lngFill;
        EXPECT_EQ(lamp.pixelColor(30, 1), Colour(c.lngTop)) << c.lngFill;
        EXPECT_EQ(lamp.pixelColor(5, 5), Colour(c.lngFill)) << c.lngFill;
        EXPECT_FALSE(InkBox(lamp.copy(10, 10, 53, 13)).Empty()) << c.lngFill;
    }

    // Made as small as the window allows, the top band is whole: 8220 twips wide (the band and
    // its margins), 2400 high (the pane's top and bottom margin). Above that the pane keeps its
    // margin of 8 pixels (120 twips) on the left, right and bottom.
    win.resize(120, 60);
    QApplication::processEvents();
    EXPECT_EQ(win.size(), QSize(548, 160));
    test::SaveScreenshot(win.grab().toImage(), "smallest-window.png");
    auto* band = win.findChild<QGroupBox*>("fraOptions");
    ASSERT_NE(band, nullptr);
    QList<QWidget*> controls = band->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(controls.size(), 16);
    controls.append(band);
    for (QWidget* control : controls) {
        const QRect inWindow(control->mapTo(&win, QPoint(0, 0)), control->size());
        EXPECT_TRUE(win.rect().contains(inWindow))
            << control->objectName().toStdString() << " reaches " << inWindow.right() << ", "
            << inWindow.bottom();
    }
    win.resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(win.txtLog()->geometry(), QRect(8, 152, 684, 340));
    EXPECT_TRUE(w.Messages().empty());
}

// On a screen of two device pixels per pixel (the test runs itself again in a child process with
// QT_SCALE_FACTOR=2): the layout holds, the gradients keep their exact colours in whole 2 x 2
// blocks, and the captions are drawn at the screen's resolution, inside their buttons.
TEST_F(RealWindowLookTest, ScaleTwoKeepsColoursAndDrawsSharpCaptions) {
    if (qgetenv("QT_SCALE_FACTOR") != "2") {
        EXPECT_EQ(
            test::RunCasesAgain("RealWindowLookTest.ScaleTwo*", {"QT_SCALE_FACTOR=2"}).intExit, 0)
            << "the scale-2 case failed in the child process";
        return;
    }
    test::RealWindow w(m_folder);
    MainWindow& win = w.Window();
    ASSERT_EQ(win.devicePixelRatioF(), 2.0);
    QWidget* cmdLog = win.Control(ControlId::cmdLog);
    EXPECT_EQ(cmdLog->geometry(), QRect(72, 40, 65, 33)); // 1080, 600, 975, 495 twips
    win.Control(ControlId::cmdSaveLog)->setFocus(); // every other button shows its normal look
    QApplication::processEvents();

    const QImage log = Grab(cmdLog);
    ASSERT_EQ(log.size(), QSize(130, 66));
    // Buffer rows 2 to 14 of 16 hold the normal colour 0xEFF3F3 (red F3, green F3, blue EF):
    // surface rows 5 to 29, device rows 10 to 59; column 1 is left of every caption.
    for (int y = 10; y < 60; ++y)
        for (int x = 2; x < 4; ++x)
            ASSERT_EQ(log.pixelColor(x, y), QColor(0xF3, 0xF3, 0xEF)) << x << "," << y;
    const Box ink = InkBox(log);
    ExpectClearOfBorder(ink, log.size(), 2, "cmdLog");
    // An enlarged caption repeats each pixel in a 2 x 2 block; a sharp one has many blocks that
    // are not of one colour.
    int intMixed = 0;
    for (int y = ink.top & ~1; y < ink.bottom; y += 2)
        for (int x = ink.left & ~1; x < ink.right; x += 2) {
            const QColor c = log.pixelColor(x, y);
            if (log.pixelColor(x + 1, y) != c || log.pixelColor(x, y + 1) != c ||
                log.pixelColor(x + 1, y + 1) != c)
                ++intMixed;
        }
    EXPECT_GT(intMixed, 40);
}

} // namespace
} // namespace ata
