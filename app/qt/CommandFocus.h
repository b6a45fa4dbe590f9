#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace ata {

// Gives the keyboard focus back to the button that started a command when the button is
// enabled again. Disabling the focused controls hands the focus on to the next live one (the
// check box, where the next Space would tick it); where the user moves the focus meanwhile, it
// stays.
class CommandFocus : public QObject {
public:
    explicit CommandFocus(QWidget& window);
    ~CommandFocus() override;
    CommandFocus(const CommandFocus&) = delete;
    CommandFocus& operator=(const CommandFocus&) = delete;

    // The button was pressed and starts its command.
    void Started(QWidget* button);
    // Runs a change of the window's own that may move the focus (enabling, hiding); a move it
    // makes is not the user's.
    template <typename Change> void WindowChange(Change change) {
        ++m_intOwnChanges;
        change();
        --m_intOwnChanges;
    }
    // The control was enabled; the button that started the command takes the focus back.
    void Enabled(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    QPointer<QWidget> m_button;
    bool m_blnUserMoved = false;
    int m_intOwnChanges = 0;
};

} // namespace ata
