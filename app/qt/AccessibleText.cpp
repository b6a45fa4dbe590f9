#include "app/qt/AccessibleText.h"

namespace ata {

QString ShownCaption(const QString& caption) {
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        // The marker is dropped and the character after it kept as it is, "&" included.
        if (caption[i] == u'&' && ++i == caption.size())
            break;
        shown += caption[i];
    }
    return shown;
}

} // namespace ata
