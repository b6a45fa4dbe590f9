#pragma once

#include "app/qt/AccessibleText.h"

#include <QAccessibleWidget>

namespace ata {

// A drawn control's widget W as a screen reader meets it: in its role, named by Name().
template <typename W> class AccessibleControl : public QAccessibleWidget {
public:
    QString text(QAccessible::Text enmText) const override {
        if (enmText == QAccessible::Name)
            return Name();
        return QAccessibleWidget::text(enmText);
    }

protected:
    AccessibleControl(W* control, QAccessible::Role enmRole)
        : QAccessibleWidget(control, enmRole) {}
    W* Control() const { return static_cast<W*>(widget()); }
    // The caption as a sighted user reads it.
    QString Shown() const { return ShownCaption(Control()->caption()); }
    virtual QString Name() const = 0;
};

} // namespace ata
