#pragma once

#include "workflow/IWindowOps.h"

#include <functional>
#include <string>
#include <string_view>

namespace ata {

// Absolute difference in minute boundaries crossed between the stamps of two log lines
// (seconds are ignored: 10:00:59 and 10:01:00 are 1 minute apart). When either line has no
// readable stamp the distance is unknown and reads as infinity.
float MinutesBetween(const std::string& strLineA, const std::string& strLineB);

// Number of leading pane lines that a save puts on top of the file: the pane lines before the
// first one that is already in the file (whole lines, letter case ignored). Both texts are
// split at CR LF. Linear in the sizes of both.
size_t CountNewLogLines(std::string_view strPane, std::string_view strExisting);

// The summarised form of a log file's text: empty lines dropped, runs of
// "SIP Registration succeeded for" lines reduced to their first and last lines and every line
// more than 5 minutes from the one before it. lngTotal receives the number of pieces the text
// splits into at CR LF, lngKept the number of lines of the result.
std::string SummariseLogText(std::string_view strText, size_t& lngTotal, size_t& lngKept);

// Save System Log: merges the pane into the log file, reports, and summarises afterwards when
// the check box is ticked. fnSetControlsEnabled is the window's command gating.
void SaveLog(IWindowOps& objWindow, const std::string& strSysLogFile,
             const std::function<void(bool)>& fnSetControlsEnabled);

// Summarise Log: rewrites the log file in summarised form when that drops any line, and
// reports. The caller gates the controls.
void SummariseLog(IWindowOps& objWindow, const std::string& strSysLogFile);

// The Summarise Log command: gates the controls, summarises, loads the whole log file into
// the pane (an unreadable file leaves the pane as it was) and enables the controls again.
void SummariseLogAndShow(IWindowOps& objWindow, const std::string& strSysLogFile,
                         const std::function<void(bool)>& fnSetControlsEnabled);

} // namespace ata
