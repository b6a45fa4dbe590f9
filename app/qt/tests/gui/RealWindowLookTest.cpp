// The window as a user sees it: its fields as the settings fill them, and its pixels. No command
// is pressed, and a writable program folder is not reported.
#include "testing/RealWindow.h"

#include "app/qt/ZelSimpleButtonWidget.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QMouseEvent>

#include <algorithm>
#include <climits>

namespace ata {
namespace {

using namespace test;

// The smallest rectangle around the pixels of rows y0 to y1 that match.
template <typename Match>
QRect Where(const QImage& image, Match match, int y0 = 0, int y1 = INT_MAX) {
    QRect box;
    for (int y = y0; y < std::min(y1, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixelColor(x, y), x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Dark unsaturated pixels: the black caption and its smoothed edges on any of the light looks
// (the border, red 0 green 0x3C blue 0x74, is no ink).
QRect InkBox(const QImage& image, int y0 = 0, int y1 = INT_MAX) {
    const auto ink = [](QColor c, int, int) {
        return std::max({c.red(), c.green(), c.blue()}) < 0x90 &&
               std::abs(c.red() - c.blue()) < 0x30;
    };
    return Where(image, ink, y0, y1);
}

bool Shows(const QImage& image, QColor colour) {
    return !Where(image, [&](QColor c, int, int) { return c == colour; }).isNull();
}

// A caption's ink lies one pixel clear of the border (one pixel wide at the left and top, two at
// the right and bottom), in pixels of the given scale.
bool ClearOfBorder(const QRect& ink, QSize size, int s) {
    return QRect(2 * s, 2 * s, size.width() - 5 * s, size.height() - 5 * s).contains(ink);
}

class RealWindowLookTest : public ::testing::Test {
protected:
    ScratchFolder m_scratch;
};

TEST_F(RealWindowLookTest, CaptionsColoursAndLabelsAsDesigned) {
    WriteBytes(m_scratch.path / "settings.ini",
               "[Options]\r\nUsername=admin\r\nPassword=secret\r\nAuto Summarise=1\r\n");
    RealWindow w(m_scratch.path);
    MainWindow& win = w.Window();
    // The settings fill the fields; the IP field starts empty with the two default addresses.
    EXPECT_EQ(win.txtUser()->text(), "admin");
    EXPECT_EQ(win.txtPass()->displayText(), "******");
    EXPECT_TRUE(win.chkAutoSum()->isChecked());
    ASSERT_EQ(win.cboIp()->count(), 2);
    EXPECT_EQ(win.cboIp()->itemText(1), "10.0.0.99");
    EXPECT_EQ(win.cboIp()->currentText(), "");
    SaveScreenshot(win.grab().toImage(), "main-window.png");

    // The icon installed for the desktop (an icon's pixmap is premultiplied).
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

    // Labels lie beneath the fields they overlap: where "Username:" (x 216 to 280) overlaps the
    // IP field, the window shows the field as the field draws itself.
    const QImage shot = Grab(&win), ip = Grab(win.cboIp());
    const QPoint at = win.cboIp()->mapTo(&win, QPoint(0, 0));
    int intCovered = 0;
    for (int y = 2; y < ip.height() - 2; ++y)
        for (int x = 216 - win.cboIp()->x(); x < ip.width() - 1; ++x)
            intCovered += shot.pixelColor(at.x() + x, at.y() + y) != ip.pixelColor(x, y);
    EXPECT_EQ(intCovered, 0);

    for (ControlId id : {ControlId::cmdStatus, ControlId::cmdLog, ControlId::cmdSaveLog,
                         ControlId::cmdSummarise, ControlId::cmdBackup}) {
        QWidget* button = win.Control(id);
        EXPECT_TRUE(ClearOfBorder(InkBox(Grab(button)), button->size(), 1))
            << button->objectName().toStdString();
    }

    // "Get System Log" in 65 pixels: "Get System" over "Log" (two lines of an 11-pixel face span
    // at least a capital, 8, plus a line, 10), with the L underlined.
    auto* cmdLog = static_cast<ZelSimpleButtonWidget*>(win.Control(ControlId::cmdLog));
    const QImage log = Grab(cmdLog);
    const QRect ink = InkBox(log);
    EXPECT_GE(ink.height(), 18);
    const QRect top = InkBox(log, ink.top(), ink.top() + 4), bottom = InkBox(log, ink.bottom() - 3);
    EXPECT_GT(top.width(), 41);
    EXPECT_LT(bottom.width(), 26);
    cmdLog->setCaption("Get System Log");
    const QImage plain = Grab(cmdLog);
    cmdLog->setCaption("Get System &Log");
    const QRect underline =
        Where(log, [&](QColor c, int x, int y) { return c != plain.pixelColor(x, y); });
    ASSERT_FALSE(underline.isNull());
    EXPECT_LE(underline.height(), 2);
    EXPECT_GE(underline.width(), 4);
    EXPECT_GT(underline.top(), ink.top() + 10);
    EXPECT_LE(underline.right(), bottom.left() + 8); // under the first letter of "Log"

    // cmdLog's hover colour is cyan; the move goes to the button directly, as a real X server
    // sends no event for a move to where its pointer already is.
    EXPECT_FALSE(Shows(log, Qt::cyan));
    const QPoint centre = cmdLog->rect().center();
    QMouseEvent move(QEvent::MouseMove, centre, cmdLog->mapToGlobal(centre), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(cmdLog, &move);
    EXPECT_TRUE(Shows(Grab(cmdLog), Qt::cyan));
    // Tab from the password field gives cmdStatus the focus, in green.
    win.txtPass()->setFocus();
    QTest::keyClick(win.txtPass(), Qt::Key_Tab);
    ASSERT_TRUE(win.Control(ControlId::cmdStatus)->hasFocus());
    EXPECT_TRUE(Shows(Grab(win.Control(ControlId::cmdStatus)), Qt::green));

    // The status line runs from 0xFFFFC0 towards 0x808000, its caption centred.
    win.SetStatus("Backing up current config...");
    QWidget* lblStatus = win.findChild<QWidget*>("lblStatus");
    ASSERT_NE(lblStatus, nullptr);
    const QImage status = Grab(lblStatus);
    EXPECT_EQ(status.pixelColor(3, 0), QColor(0xC0, 0xFF, 0xFF));
    const QColor shade = status.pixelColor(3, status.height() - 1);
    EXPECT_LT(shade.red(), 20);
    EXPECT_NEAR(shade.green(), 0x80, 12);
    const QRect caption = InkBox(status);
    EXPECT_TRUE(!caption.isNull() && caption.left() > 100 &&
                caption.right() < status.width() - 100);

    // As small as it goes, the top band is whole: 8220 x 2400 twips with the pane's margins.
    // Larger, the pane keeps 8 pixels (120 twips) on the left, right and bottom.
    win.resize(120, 60);
    QApplication::processEvents();
    EXPECT_EQ(win.size(), QSize(548, 160));
    SaveScreenshot(win.grab().toImage(), "smallest-window.png");
    auto* band = win.findChild<QGroupBox*>("fraOptions");
    ASSERT_NE(band, nullptr);
    QList<QWidget*> controls = band->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(controls.size(), 16);
    controls.append(band);
    for (QWidget* control : controls)
        EXPECT_TRUE(win.rect().contains(QRect(control->mapTo(&win, QPoint(0, 0)), control->size())))
            << control->objectName().toStdString();
    win.resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(win.txtLog()->geometry(), QRect(8, 152, 684, 340));
    EXPECT_TRUE(w.Messages().empty());
}

// At two device pixels per pixel (run again in a child with QT_SCALE_FACTOR=2) the layout holds,
// the gradients keep their exact colours and the captions are drawn sharp, inside their buttons.
TEST_F(RealWindowLookTest, ScaleTwoKeepsColoursAndDrawsSharpCaptions) {
    if (qgetenv("QT_SCALE_FACTOR") != "2") {
        EXPECT_EQ(RunCasesAgain("RealWindowLookTest.ScaleTwo*", {"QT_SCALE_FACTOR=2"}).intExit, 0);
        return;
    }
    RealWindow w(m_scratch.path);
    MainWindow& win = w.Window();
    ASSERT_EQ(win.devicePixelRatioF(), 2.0);
    QWidget* cmdLog = win.Control(ControlId::cmdLog);
    EXPECT_EQ(cmdLog->geometry(), QRect(72, 40, 65, 33)); // 1080, 600, 975, 495 twips
    win.Control(ControlId::cmdSaveLog)->setFocus();       // so that cmdLog shows its normal look
    QApplication::processEvents();

    const QImage log = Grab(cmdLog);
    ASSERT_EQ(log.size(), QSize(130, 66));
    // Buffer rows 2 to 14 of 16 hold the normal colour 0xEFF3F3: device rows 10 to 59, left of
    // every caption.
    const auto abnormal = [](QColor c, int x, int) {
        return x >= 2 && x < 4 && c != QColor(0xF3, 0xF3, 0xEF);
    };
    EXPECT_TRUE(Where(log, abnormal, 10, 60).isNull());
    const QRect ink = InkBox(log);
    EXPECT_TRUE(ClearOfBorder(ink, log.size(), 2));
    // An enlarged caption repeats each pixel in a 2 x 2 block; a sharp one has many mixed blocks.
    int intMixed = 0;
    for (int y = ink.top() & ~1; y < ink.bottom(); y += 2)
        for (int x = ink.left() & ~1; x < ink.right(); x += 2) {
            const QColor c = log.pixelColor(x, y);
            intMixed += log.pixelColor(x + 1, y) != c || log.pixelColor(x, y + 1) != c ||
                        log.pixelColor(x + 1, y + 1) != c;
        }
    EXPECT_GT(intMixed, 40);
}

} // namespace
} // namespace ata
