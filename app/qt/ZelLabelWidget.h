#pragma once

#include "app/qt/QtControlSupport.h"
#include "app/qt/QtTextRenderer.h"
#include "controls/ZelLabel.h"

#include <QWidget>

namespace ata {

// Hosts a ZelLabel and paints its surface.
class ZelLabelWidget : public QWidget {
    Q_OBJECT
public:
    explicit ZelLabelWidget(QWidget* parent = nullptr);

    // The status line's look: pale cyan to teal, Arial 8.25 points bold, centred.
    void applyStatusLineProperties();
    // Screen readers hear of every caption set, the same text again included.
    void setCaption(const QString& caption);
    QString caption() const;
    ZelLabel& control() { return m_label; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    QtTextRenderer m_text;
    QtSystemColours m_colours;
    QtWidgetHost m_host;
    ZelLabel m_label;
};

} // namespace ata
