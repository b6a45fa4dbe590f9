#pragma once

#include "app/qt/HostedControl.h"
#include "controls/ZelLabel.h"

namespace ata {

// Hosts a ZelLabel.
class ZelLabelWidget : public HostedControl<ZelLabel> {
    Q_OBJECT
public:
    explicit ZelLabelWidget(QWidget* parent = nullptr);

    // The status line's look: pale cyan to teal, Arial 8.25 points bold, centred.
    void applyStatusLineProperties();
    // Screen readers hear of every caption set, the same text again included, with the text.
    void setCaption(const QString& caption);
};

} // namespace ata
