#pragma once

#include <QApplication>

namespace ata::test {

// The one QApplication of the GUI test binary, made by the binary's main (GuiTestMain.cpp)
// so that it is gone before the toolkit's own statics are destroyed at exit.
inline QApplication& TestApplication() {
    return *static_cast<QApplication*>(QCoreApplication::instance());
}

} // namespace ata::test
