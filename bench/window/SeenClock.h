#pragma once

#include "bench/window/Report.h"
#include "testing/RealWindow.h"

#include <QPlainTextEdit>

#include <algorithm>
#include <utility>
#include <vector>

namespace ata::bench {

using test::RunEventsUntil;

// What the user sees and when, from the real widgets' events: each new text of the status line
// when the label paints it (at the yield after every status change), the first message box
// when it is shown, each paint of the log pane, and the return of the click handlers (a slot
// connected after the window's own runs when the handler has returned).
class SeenClock : public QObject {
public:
    explicit SeenClock(MainWindow& window)
        : m_window(window), m_lblStatus(window.Control(ControlId::lblStatus)),
          m_paneView(window.txtLog()->viewport()) {
        qApp->installEventFilter(this);
        const auto returned = [this] { tReturn = Clock::now(); };
        connect(&window, &MainWindow::cmdLogClicked, this, returned);
        connect(&window, &MainWindow::cmdSummariseClicked, this, returned);
    }
    ~SeenClock() override { qApp->removeEventFilter(this); }

    void Reset() {
        m_vecStatus.clear();
        m_vecPanePaints.clear();
        tBox = tReturn = {};
    }
    // When the status line first showed the text, after the first showing of strAfter if given.
    Clock::time_point Status(const std::string& strText, const std::string& strAfter = "") const {
        auto it = m_vecStatus.begin();
        if (!strAfter.empty())
            it = std::find_if(it, m_vecStatus.end(), [&](auto& s) { return s.first == strAfter; });
        it = std::find_if(it, m_vecStatus.end(), [&](auto& s) { return s.first == strText; });
        Check(it != m_vecStatus.end(), "the status line never showed \"" + strText + "\"");
        return it->second;
    }
    // The first paint of the pane at or after t, waiting for it if need be.
    Clock::time_point PanePaintAfter(Clock::time_point t) const {
        const auto first = [&] {
            return std::find_if(m_vecPanePaints.begin(), m_vecPanePaints.end(),
                                [&](auto p) { return p >= t; });
        };
        Check(RunEventsUntil([&] { return first() != m_vecPanePaints.end(); }, 60000),
              "the pane was not painted");
        return *first();
    }

    Clock::time_point tBox, tReturn;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            if (watched == m_lblStatus) {
                std::string strText = m_window.StatusText();
                if (m_vecStatus.empty() || m_vecStatus.back().first != strText)
                    m_vecStatus.emplace_back(std::move(strText), Clock::now());
            } else if (watched == m_paneView) {
                m_vecPanePaints.push_back(Clock::now());
            }
        } else if (event->type() == QEvent::Show && tBox == Clock::time_point{} &&
                   qobject_cast<QMessageBox*>(watched)) {
            tBox = Clock::now();
        }
        return false;
    }

private:
    MainWindow& m_window;
    QObject* m_lblStatus;
    QObject* m_paneView;
    std::vector<std::pair<std::string, Clock::time_point>> m_vecStatus;
    std::vector<Clock::time_point> m_vecPanePaints;
};

} // namespace ata::bench
