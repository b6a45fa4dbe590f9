#pragma once

#include <QString>

namespace ata {

// A caption as the drawn controls show it: "&" marks the access key and is not shown, "&&"
// shows one "&". What a screen reader says must be what a sighted user reads.
QString ShownCaption(const QString& caption);

} // namespace ata
