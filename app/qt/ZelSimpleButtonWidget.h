#pragma once

#include "app/qt/HostedControl.h"
#include "controls/ZelSimpleButton.h"

namespace ata {

// Hosts a ZelSimpleButton and forwards mouse, key, focus and access-key events to it.
// clicked() is the button's Click. In a caption "&" marks the access key (Alt plus the letter);
// "&&" shows one "&".
class ZelSimpleButtonWidget : public HostedControl<ZelSimpleButton> {
    Q_OBJECT
public:
    // timers serves the button's hover-release timer and must outlive the widget.
    explicit ZelSimpleButtonWidget(ITimerService& timers,
                                   const QString& caption = QStringLiteral("Button"),
                                   QWidget* parent = nullptr);

    // The window's buttons: their caption, hover colour 0xFFFF00 and focus colour 0x00FF00
    // stored as their properties, every other property at its default.
    void applyWindowProperties(const QString& caption);

signals:
    void clicked();

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
};

} // namespace ata
