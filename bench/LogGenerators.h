#pragma once

// Generated logs for the benchmarks of the log operations and of the window: the device's log as
// it is fetched, and a saved history with its summary, each with its lines as the tool writes
// them.
#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

namespace ata::bench {

// The lines joined by CR LF, with no line end after the last; and split again.
std::string JoinLines(const std::vector<std::string>& vecLines);
std::vector<std::string> SplitLines(const std::string& strText);

// The device's log, oldest first, in lines of 27 bytes ("mm/dd/yyyy hh:mm:ss.fff x" CR LF): runs
// of 1 to 16 lines share a second (their fractions differ), the seconds advance irregularly
// across days and months. Also the lines as the tool writes them ("dd/mm/yyyy hh:nn:ss x").
// Long messages are call records of 38 bytes (lines of 64 bytes as a busy device writes).
struct DeviceLog {
    std::string strText;
    std::vector<std::string> vecToolLines;
};
DeviceLog MakeDeviceLog(size_t lngLines, std::time_t t = 1764370200, // 28/11/2025 22:50:00
                        bool blnLongMessages = false);

// A saved history, newest first, one line a minute from tNewest back, in blocks of ten: an
// ordinary line, then nine registrations (every third in small letters, which counts the same).
// A summary keeps of each block the ordinary line, the first registration and the last one (the
// others lie within 5 minutes of the line before them): 3 lines of 10.
struct History {
    std::string strText;
    std::string strSummary;
    size_t lngLines = 0;
    size_t lngKept = 0;
};
History MakeHistory(size_t lngBlocks, std::time_t tNewest = 1782820800); // 30/06/2026 12:00:00

} // namespace ata::bench
