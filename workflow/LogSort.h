#pragma once

#include "workflow/LogTime.h"

#include <string>
#include <vector>

namespace ata {

struct LogEntry {
    LogTime When = kEarliestLogTime;
    std::string Text;
};

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

} // namespace ata
