#pragma once

#include "workflow/FileDownloader.h"
#include "workflow/IWindowOps.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ata {

// A log time stamp: seconds from 01/01/1970 00:00:00 of the proleptic calendar, one-second
// resolution, no time zone (the stamps are the device's local clock).
using LogTime = int64_t;
// The stamp of a line that does not begin with a date and a time: older than any real one.
inline constexpr LogTime kEarliestLogTime = std::numeric_limits<LogTime>::min();

struct LogEntry {
    LogTime When = kEarliestLogTime;
    std::string Text;
};

// The stamp at the start of a line: "m/d/y hh:mm:ss..." when the time field is longer than 8
// characters (device form), "d/m/y hh:mm:ss" otherwise (tool form). Parts out of range roll
// over; years below 100 are two-digit years (0-29 -> 20xx, 30-99 -> 19xx). Empty when the
// line does not begin with a readable date and time.
std::optional<LogTime> TryParseLogDate(std::string_view strLine);
// The same, kEarliestLogTime for a line without a readable stamp.
LogTime ParseLogDate(const std::string& strLine);

// "dd/mm/yyyy hh:nn:ss".
std::string FormatLogTime(LogTime lngWhen);

// Newest first, in exactly the order of the exchange sort over all pairs (i < j, swap when
// entry i is earlier than entry j), which is not stable for equal stamps; computed in
// O(n log n), each entry moved once.
void SortLogEntries(std::vector<LogEntry>& vecEntries);
// Rewrites each line's stamp as "dd/mm/yyyy hh:nn:ss" from its When; lines without a readable
// stamp stay as they are.
void NormaliseLogDates(std::vector<LogEntry>& vecEntries);

// Drops empty lines, sorts newest first and normalises the stamps; lines joined by CR LF with
// no final line break. Empty text gives empty text.
std::string SortLog(const std::string& strText);

// Get System Log, step 3: fetches "cgi/syslog.txt" from the address, shows "Sorting log...",
// yields, sorts, shows "Log sorted.", yields, and returns the sorted text.
std::string FetchSortedLog(IWindowOps& objWindow, FileDownloader& objDownloader,
                           const std::string& strIp);

} // namespace ata
