#pragma once

#include "app/qt/AccessibleControl.h"
#include "app/qt/ZelLabelWidget.h"

namespace ata {

// The drawn status line as a screen reader meets it: a status bar named by its caption, whose
// text is the caption too, so that each new progress text reaches the reader with its change
// event.
class AccessibleStatusLine : public AccessibleControl<ZelLabelWidget>,
                             public QAccessibleTextInterface {
public:
    explicit AccessibleStatusLine(ZelLabelWidget* label);

    using AccessibleControl::text;
    void* interface_cast(QAccessible::InterfaceType enmType) override;

    // QAccessibleTextInterface: the caption as read-only text without a caret.
    void selection(int intIndex, int* intStart, int* intEnd) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int intStart, int intEnd) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int intOffset, int* intStart, int* intEnd) const override;

private:
    QString Name() const override { return Shown(); }
};

} // namespace ata
