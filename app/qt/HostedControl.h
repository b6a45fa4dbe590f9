#pragma once

#include "app/qt/QtControlSupport.h"
#include "app/qt/QtTextRenderer.h"

#include <QAccessible>
#include <QString>
#include <QWidget>

#include <utility>

namespace ata {

// A widget hosting one drawn control T: the control's text renderer, system colours and host
// services, the control set to its defaults at the widget's size, its surface painted, and
// resizing and showing passed on to it. Captions cross as Latin-1 so that every byte survives.
template <typename T> class HostedControl : public QWidget {
public:
    T& control() { return m_control; }
    const T& control() const { return m_control; }
    QString caption() const { return QString::fromLatin1(m_control.Caption().c_str()); }
    // Screen readers hear of every caption set.
    void setCaption(const QString& caption) {
        m_control.SetCaption(caption.toLatin1().toStdString());
        NameChanged();
    }

protected:
    // args are the control's own, given between its host and text and its system colours.
    template <typename... Args>
    explicit HostedControl(QWidget* parent, Args&&... args)
        : QWidget(parent), m_text(this), m_host(*this, m_text),
          m_control(m_host, m_text, std::forward<Args>(args)..., m_colours) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        m_control.UserControl_InitProperties();
        m_control.UserControl_Resize(width(), height());
    }

    void paintEvent(QPaintEvent*) override {
        // A repaint made for another device scale is made again before it is shown.
        if (m_text.ScaleChanged())
            m_control.UserControl_Resize(width(), height());
        PaintControl(*this, m_control.Surface(), m_text);
    }
    void resizeEvent(QResizeEvent*) override { m_control.UserControl_Resize(width(), height()); }
    void showEvent(QShowEvent*) override { m_control.UserControl_Show(); }

    void NameChanged() {
        QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameChanged);
    }

    QtTextRenderer m_text;
    QtSystemColours m_colours;
    QtWidgetHost m_host;
    T m_control;
};

} // namespace ata
