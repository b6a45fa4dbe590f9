#pragma once

#include <QCheckBox>

namespace ata {

// A check box that shows its focus mark however the focus came to it. The style draws the mark
// only after Tab, but the window hands the focus on to the check box when a command disables
// the focused button, and the next Space would tick it unseen.
class MarkedCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ata
