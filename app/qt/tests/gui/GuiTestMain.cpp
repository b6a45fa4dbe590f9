#include "app/qt/DesignFonts.h"

#include <QApplication>

#include <gtest/gtest.h>

// The offscreen platform unless the caller chose another (xcb under Xvfb).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ata::InstallDesignFonts();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
