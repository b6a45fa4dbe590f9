#pragma once

// The real window for the tests and benchmarks that drive it, with what they include alike.
#include "app/qt/AppRoot.h"
#include "app/qt/ZelLabelWidget.h"
#include "testing/FakeAtaFixture.h"
#include "testing/UnprivilegedRun.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace ata::test {

// Window tests and benchmarks run offscreen unless the caller chose a platform (xcb under Xvfb).
inline void UseOffscreenUnlessChosen() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Runs the event loop until the predicate, asked before each wait, holds or the time is up.
template <typename Predicate> bool RunEventsUntil(Predicate predicate, int intTimeoutMs) {
    if (predicate())
        return true;
    QEventLoop loop;
    QTimer::singleShot(intTimeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     &loop, [&] {
                         if (predicate())
                             loop.quit();
                     });
    loop.exec();
    return predicate();
}

inline QImage Grab(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Keeps a picture for a person to look at, in screenshots/ of the build folder.
inline void SaveScreenshot(const QImage& image, const QString& strName) {
    const QString dir = QString(ATA_BINARY_DIR) + "/screenshots";
    QDir().mkpath(dir);
    image.save(dir + "/" + strName);
}

struct ShownMessage {
    QMessageBox::Icon enmIcon;
    std::string strText;
};

// The application as main() builds it; each box is answered with Enter, as at the keyboard.
class RealWindow : public QObject {
public:
    explicit RealWindow(const std::filesystem::path& folder) : m_root(folder.string() + "/") {
        qApp->installEventFilter(this);
        m_root.Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_root.Window()));
        Window().activateWindow();
        QApplication::processEvents();
    }
    ~RealWindow() override { qApp->removeEventFilter(this); }

    MainWindow& Window() { return m_root.Window(); }
    const std::vector<ShownMessage>& Messages() const { return m_vecMessages; }
    const std::vector<std::string>& MessageTexts() const { return m_vecTexts; }
    std::string Status() { return Window().StatusText(); }

    // Clicks a drawn button; the network commands only ever with a loopback address.
    void Click(ControlId enmButton) {
        const std::string strIp = Window().GetIpText();
        ASSERT_TRUE(strIp.rfind("127.", 0) == 0 || enmButton == ControlId::cmdSaveLog ||
                    enmButton == ControlId::cmdSummarise)
            << "network command with address " << strIp;
        QWidget* button = Window().Control(enmButton);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        Settle();
    }
    // A key to whatever has the focus.
    void Key(Qt::Key enmKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr) << "no control has the focus";
        QTest::keyClick(focus, enmKey, modifiers);
        Answered();
    }
    // Until the last box is answered and its key has come up somewhere.
    void Settle() {
        EXPECT_TRUE(RunEventsUntil([this] { return m_intPending == 0; }, 10000));
    }
    // Settles, then activates the window as the window system does once a box has gone.
    void Answered() {
        Settle();
        Window().activateWindow();
        QApplication::processEvents();
    }
    // Until every input and command is enabled again and every box has been answered.
    bool WaitUntilIdle(int intTimeoutMs = 30000) {
        const ControlId ids[] = {
            ControlId::cboIp,        ControlId::cmdStatus, ControlId::cmdLog, ControlId::cmdSaveLog,
            ControlId::cmdSummarise, ControlId::cmdBackup, ControlId::txtLog};
        return RunEventsUntil(
            [&] {
                return m_intPending == 0 &&
                       std::all_of(std::begin(ids), std::end(ids),
                                   [&](ControlId id) { return Window().Control(id)->isEnabled(); });
            },
            intTimeoutMs);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (!box || event->type() != QEvent::Show)
            return false;
        m_vecMessages.push_back({box->icon(), box->text().toLatin1().toStdString()});
        m_vecTexts.push_back(m_vecMessages.back().strText);
        ++m_intPending;
        QTimer::singleShot(0, box, [this, box] {
            QTest::keyPress(box, Qt::Key_Enter);
            QTimer::singleShot(0, &m_root.Window(), [this] {
                if (QWidget* focus = Window().focusWidget())
                    QTest::keyRelease(focus, Qt::Key_Enter);
                --m_intPending;
            });
        });
        return false;
    }

private:
    AppRoot m_root;
    std::vector<ShownMessage> m_vecMessages;
    std::vector<std::string> m_vecTexts;
    int m_intPending = 0;
};

} // namespace ata::test
