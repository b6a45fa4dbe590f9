#pragma once

#include <QString>

#include <string>
#include <string_view>

class QTextDocument;

namespace ata {

// The log pane shows byte text one line per CR LF. Bytes that a text document would turn into
// line breaks of its own (a CR or LF inside a line) or cannot hold (NUL) are shown as visible
// symbols instead; every other byte is its Latin-1 character. The mapping is one to one, so the
// lines a user edits come back with the same bytes.
QString PaneDisplayText(std::string_view strText);

// The document's lines joined by CR LF, with the symbols turned back into their bytes. A
// character outside Latin-1 that the user typed becomes "?".
std::string PaneBytes(const QTextDocument& objDocument);

} // namespace ata
