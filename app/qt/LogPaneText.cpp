#include "app/qt/LogPaneText.h"

#include <QTextBlock>
#include <QTextDocument>

namespace ata {

namespace {

// Visible stand-ins outside Latin-1, so that no byte of the text maps to them, drawn by the
// pane's monospaced face: a carriage return goes back (left arrow), a line feed goes down.
constexpr char16_t kSymbolNul = u'\u2205';
constexpr char16_t kSymbolLf = u'\u2193';
constexpr char16_t kSymbolCr = u'\u2190';

} // namespace

QString PaneDisplayText(std::string_view strText) {
    QString display;
    display.reserve(static_cast<qsizetype>(strText.size()));
    for (size_t k = 0; k < strText.size(); ++k) {
        const auto byte = static_cast<unsigned char>(strText[k]);
        if (byte == '\r' && k + 1 < strText.size() && strText[k + 1] == '\n') {
            display += QChar(u'\n');
            ++k;
        } else if (byte == '\r') {
            display += QChar(kSymbolCr);
        } else if (byte == '\n') {
            display += QChar(kSymbolLf);
        } else if (byte == 0) {
            display += QChar(kSymbolNul);
        } else {
            display += QChar(static_cast<char16_t>(byte));
        }
    }
    return display;
}

std::string PaneBytes(const QTextDocument& objDocument) {
    std::string strText;
    // Every character gives one byte, and every block break two.
    strText.reserve(static_cast<size_t>(objDocument.characterCount()) +
                    static_cast<size_t>(objDocument.blockCount()));
    for (QTextBlock block = objDocument.begin(); block.isValid(); block = block.next()) {
        if (block != objDocument.begin())
            strText += "\r\n";
        // The block's own characters: unlike the document's plain text, a no-break space stays.
        for (const QChar ch : block.text()) {
            switch (ch.unicode()) {
            case kSymbolCr:
                strText += '\r';
                break;
            case kSymbolLf:
                strText += '\n';
                break;
            case kSymbolNul:
                strText += '\0';
                break;
            default:
                strText += ch.unicode() <= 0xFF ? static_cast<char>(ch.unicode()) : '?';
            }
        }
    }
    return strText;
}

} // namespace ata
