#include "app/qt/MarkedCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace ata {

void MarkedCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (hasFocus())
        option.state |= QStyle::State_KeyboardFocusChange;
    painter.drawControl(QStyle::CE_CheckBox, option);
}

} // namespace ata
