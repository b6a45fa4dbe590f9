#pragma once

#include <QApplication>

#include <memory>

namespace ata::test {

// The one QApplication of the GUI test binary, on the offscreen platform unless the caller
// chose another (for example xcb under Xvfb).
inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "ata_gui_tests";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *app;
}

} // namespace ata::test
