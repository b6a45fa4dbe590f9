#pragma once

#include "app/qt/QtControlSupport.h"
#include "app/qt/QtTextRenderer.h"
#include "controls/ZelSimpleButton.h"

#include <QWidget>

namespace ata {

// Hosts a ZelSimpleButton: forwards mouse, key, focus and access-key events to it and paints
// its surface. clicked() is the button's Click.
class ZelSimpleButtonWidget : public QWidget {
    Q_OBJECT
public:
    // timers serves the button's hover-release timer and must outlive the widget.
    explicit ZelSimpleButtonWidget(ITimerService& timers,
                                   const QString& caption = QStringLiteral("Button"),
                                   QWidget* parent = nullptr);

    // The window's buttons: their caption, hover colour 0xFFFF00 and focus colour 0x00FF00
    // stored as their properties, every other property at its default.
    void applyWindowProperties(const QString& caption);
    // "&" marks the access key (Alt plus the letter); "&&" shows one "&".
    void setCaption(const QString& caption);
    QString caption() const;
    ZelSimpleButton& control() { return m_button; }
    const ZelSimpleButton& control() const { return m_button; }

signals:
    void clicked();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    QtTextRenderer m_text;
    QtSystemColours m_colours;
    QtWidgetHost m_host;
    ZelSimpleButton m_button;
};

} // namespace ata
