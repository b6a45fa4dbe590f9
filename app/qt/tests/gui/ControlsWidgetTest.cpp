#include "app/qt/LedWidget.h"
#include "app/qt/ZelLabelWidget.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

namespace ata {
namespace {

// Grabs the widget, saves it as a PNG in the build folder and returns it.
QImage Shot(QWidget& w, const char* strName) {
    QImage image = w.grab().toImage();
    image.save(QString::fromLatin1(ATA_BINARY_DIR) + "/controls-" + strName + ".png");
    return image;
}

int32_t At(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

bool HasDarkPixel(const QImage& image, int x0, int x1, int y0, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (image.pixelColor(x, y).lightness() < 60)
                return true;
    return false;
}

TEST(ControlsWidget, StatusLine) {
    ZelLabelWidget lbl;
    lbl.resize(537, 25);
    lbl.applyStatusLineProperties();
    lbl.setCaption(QStringLiteral("Backing up current config..."));
    lbl.show();
    QApplication::processEvents();
    const QImage img = Shot(lbl, "status-line");
    EXPECT_EQ(At(img, 3, 0), 0xFFFFC0);
    // Rows near the bottom approach the shade colour 0x808000 (red 0, green and blue 0x80).
    const QColor bottom = img.pixelColor(3, 24);
    EXPECT_LT(bottom.red(), 20);
    EXPECT_NEAR(bottom.green(), 0x80, 12);
    EXPECT_TRUE(HasDarkPixel(img, 150, 390, 5, 20));
    EXPECT_FALSE(HasDarkPixel(img, 0, 100, 0, 25)); // centred, so the left end is clear
}

TEST(ControlsWidget, LampsRedAndGrey) {
    LedWidget led(QStringLiteral("ledPower"));
    led.resize(73, 33);
    led.applyWindowProperties(QStringLiteral("Online"));
    led.show();
    QApplication::processEvents();
    struct Case {
        int32_t fill, bottom, top;
        const char* name;
    };
    for (const Case& c : {Case{0x0000FF, 0x000069, 0x0096FF, "led-red"},
                          Case{0xE0E0E0, 0x314A4A, 0xFFFFFF, "led-grey"}}) {
        led.setFillColor(c.fill);
        const QImage img = Shot(led, c.name);
        EXPECT_EQ(At(img, 30, 31), c.bottom) << c.name;
        EXPECT_EQ(At(img, 71, 16), c.bottom) << c.name;
        EXPECT_EQ(At(img, 30, 1), c.top) << c.name;
        EXPECT_EQ(At(img, 5, 5), c.fill) << c.name;
        EXPECT_TRUE(HasDarkPixel(img, 10, 63, 10, 23)) << c.name;
    }
}

} // namespace
} // namespace ata
