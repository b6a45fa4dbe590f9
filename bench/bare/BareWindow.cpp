// The yardstick of the tool's start-up: a hello-world Qt Widgets window of the same size, built
// with the same compiler and flags in the same run.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Hello, world"));
    label.setWindowTitle(QStringLiteral("Bare window"));
    label.resize(548, 360);
    label.show();
    return app.exec();
}
