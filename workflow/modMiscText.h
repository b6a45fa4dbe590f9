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

} // namespace ata::modMisc
