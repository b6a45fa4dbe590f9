#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ata::modMisc {

// Text between the first start marker at or after lngStart (1-based, 0 counts as 1 and is
// written back as 1) and the first end marker after it; empty text when either is missing.
std::string TextBetween(const std::string& strStart, const std::string& strEnd,
                        const std::string& strText, int32_t& lngStart, bool blnCaseSensitive);

// The text without any tab, carriage return, line feed or space.
std::string StripWhitespace(const std::string& strText);

// The n-th field (from 1) of the text split at the delimiter; empty when there are fewer
// than n-1 delimiters. Case-sensitive; adjacent delimiters enclose an empty field.
std::string GetField(const std::string& strText, const std::string& strDelimiter, int32_t intN);

// Replaces each run of two or more delimiters by one; with blnTrimEnds one delimiter is then
// removed from the end and one from the start, where present.
std::string CollapseDelimiters(const std::string& strText, const std::string& strDelimiter,
                               bool blnTrimEnds);

// ASCII case folding helpers shared by the log operations (text is one byte per character).
char LowerAscii(char chr);
bool EqualsIgnoreCase(std::string_view strA, std::string_view strB);
// Position of strNeedle in strHay at or after lngFrom (0-based), ignoring letter case.
size_t FindIgnoreCase(std::string_view strHay, std::string_view strNeedle, size_t lngFrom = 0);

} // namespace ata::modMisc
