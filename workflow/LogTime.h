#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace ata {

// A log time stamp: the count of std::chrono::sys_seconds (seconds from 01/01/1970 00:00:00 of
// the proleptic calendar), no time zone (the stamps are the device's local clock). A plain
// count, so that the history's minute arithmetic and the sort compare it directly.
using LogTime = int64_t;
// The stamp of a line that does not begin with a date and a time: older than any real one.
inline constexpr LogTime kEarliestLogTime = std::numeric_limits<LogTime>::min();

// The stamp at the start of a line: "m/d/y hh:mm:ss..." when the time field is longer than 8
// characters (device form), "d/m/y hh:mm:ss" otherwise (tool form). Parts out of range roll
// over; years below 100 are two-digit years (0-29 -> 20xx, 30-99 -> 19xx). Empty when the
// line does not begin with a readable date and time, or when the result falls outside the
// years 100 to 9999, which the tool's own form cannot write back.
std::optional<LogTime> TryParseLogDate(std::string_view strLine);
// The same, kEarliestLogTime for a line without a readable stamp.
LogTime ParseLogDate(const std::string& strLine);

// "dd/mm/yyyy hh:nn:ss" of a stamp that TryParseLogDate can give; empty text for any other.
std::string FormatLogTime(LogTime lngWhen);

} // namespace ata
