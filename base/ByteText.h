#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Text here is a byte string, one character per byte; letter case is that of ASCII.
namespace ata {

// What Trim removes unless told otherwise: the space alone (a tab stays).
inline constexpr std::string_view kSpace = " ";
// Space and tab.
inline constexpr std::string_view kBlanks = " \t";

// The text without the leading and trailing bytes that occur in strSet.
std::string_view Trim(std::string_view strText, std::string_view strSet = kSpace);

char LowerAscii(char chr);
bool EqualsIgnoreCase(std::string_view strA, std::string_view strB);
// Position of strNeedle in strHay at or after lngFrom (0-based), ignoring letter case; an empty
// needle is found at lngFrom.
size_t FindIgnoreCase(std::string_view strHay, std::string_view strNeedle, size_t lngFrom = 0);
bool ContainsIgnoreCase(std::string_view strHay, std::string_view strNeedle);

// The pieces between CR LF pairs. A CR or an LF alone stays inside its piece; a final CR LF
// gives a final empty piece, and an empty text one empty piece.
std::vector<std::string_view> SplitAtCrLf(std::string_view strText);
// Calls fnPiece for the same pieces in order, without keeping them (for texts of any length);
// stops early when fnPiece returns false.
template <typename Fn> void ForEachCrLfPiece(std::string_view strText, Fn&& fnPiece) {
    size_t lngPos = 0;
    while (true) {
        const size_t lngEnd = strText.find("\r\n", lngPos);
        if (!fnPiece(strText.substr(lngPos, lngEnd == std::string_view::npos
                                                ? std::string_view::npos
                                                : lngEnd - lngPos)) ||
            lngEnd == std::string_view::npos) {
            return;
        }
        lngPos = lngEnd + 2;
    }
}
// The lines of a text whose lines end in LF, with or without a CR before it (the CR is not part
// of the line). Text after the last LF is a last line; nothing follows a final LF.
std::vector<std::string_view> SplitAtLf(std::string_view strText);

} // namespace ata
