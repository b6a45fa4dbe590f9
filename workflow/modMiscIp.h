#pragma once

#include <cstdint>
#include <string>

namespace ata::modMisc {

// Places where strPart occurs in strText, case-sensitive; each new match is looked for from
// one character after the start of the previous one, so overlapping matches count.
int32_t CountOccurrences(const std::string& strText, const std::string& strPart);

// The run-time library's general numeric test: optional surrounding spaces, an optional
// sign, digits with an optional decimal point (at least one digit) and an optional exponent.
// A number too large to represent is not numeric.
bool IsNumeric(const std::string& strText);

// Exactly three dots and four numeric parts. No range check, no trimming.
bool IsValidIp(const std::string& strText);

} // namespace ata::modMisc
