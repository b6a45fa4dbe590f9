#include "workflow/LogSaving.h"

#include "base/ByteText.h"
#include "base/RaisedError.h"
#include "workflow/LogTime.h"
#include "workflow/StrBuilder.h"
#include "workflow/modFileLock.h"
#include "workflow/modMiscFiles.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace ata {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kRegistration = "SIP Registration succeeded for";
// How long a save or summary waits for another process's (a timer run's) save to end.
constexpr int32_t kHistoryLockWaitMs = 10000;

// Hash and equality of lines that ignore letter case, so that lines can be
// looked up as they stand in the texts, without lower-cased copies.
struct CaseFoldHash {
    // ASCII letters folded to lower case eight bytes at a time; bytes above 127
    // unchanged.
    static uint64_t FoldWord(uint64_t x) {
        constexpr uint64_t kOnes = 0x0101010101010101ull;
        constexpr uint64_t kHigh = 0x8080808080808080ull;
        const uint64_t lngLow7 = x & ~kHigh;
        const uint64_t lngAboveZ = lngLow7 + (0x7F - 'Z') * kOnes;
        const uint64_t lngFromA = lngLow7 + (0x80 - 'A') * kOnes;
        const uint64_t lngUpper = (lngFromA ^ lngAboveZ) & ~x & kHigh;
        return x | (lngUpper >> 2);
    }
    static uint64_t Mix(uint64_t h, uint64_t w) {
        h ^= w;
        h *= 0x9E3779B97F4A7C15ull;
        return h ^ (h >> 29);
    }
    size_t operator()(std::string_view strText) const noexcept {
        uint64_t lngHash = strText.size();
        size_t k = 0;
        for (; k + 8 <= strText.size(); k += 8) {
            uint64_t w = 0;
            std::memcpy(&w, strText.data() + k, 8);
            lngHash = Mix(lngHash, FoldWord(w));
        }
        if (k < strText.size()) {
            uint64_t w = 0;
            std::memcpy(&w, strText.data() + k, strText.size() - k);
            lngHash = Mix(lngHash, FoldWord(w));
        }
        return static_cast<size_t>(lngHash);
    }
};
struct CaseFoldEqual {
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        return EqualsIgnoreCase(a, b);
    }
};

float MinutesBetweenStamps(std::optional<LogTime> a, std::optional<LogTime> b) {
    if (!a || !b) {
        return std::numeric_limits<float>::infinity();
    }
    auto Minute = [](LogTime t) { return t / 60 - ((t % 60 != 0) && (t < 0)); };
    const int64_t lngMinutes = Minute(*a) - Minute(*b);
    return static_cast<float>(lngMinutes < 0 ? -lngMinutes : lngMinutes);
}

bool FileExists(const std::string& strPath) {
    struct stat objStat {};
    return ::stat(strPath.c_str(), &objStat) == 0;
}

// The history's lock, waited for with the window responsive. Past the wait, or with no lock to
// be had at all, the save or summary fails rather than write unlocked.
modFileLock::CFileLock LockHistory(IWindowOps& objWindow, const std::string& strSysLogFile) {
    return modFileLock::LockForRewrite(strSysLogFile, kHistoryLockWaitMs,
                                       [&](int32_t lngMs) { return objWindow.WaitEvents(lngMs); });
}

// A builder step that makes the whole output fit in one growth.
int32_t StepFor(size_t lngExpected) {
    return static_cast<int32_t>(
        std::clamp<size_t>(lngExpected, 1024, std::numeric_limits<int32_t>::max() / 2));
}

} // namespace

float MinutesBetween(const std::string& strLineA, const std::string& strLineB) {
    return MinutesBetweenStamps(TryParseLogDate(strLineA), TryParseLogDate(strLineB));
}

size_t CountNewLogLines(std::string_view strPane, std::string_view strExisting) {
    // The first pane line found in the file ends the new lines. Instead of
    // comparing every pane line with every file line, index the pane lines (first
    // occurrence of each) and pass over the file once, keeping the smallest pane
    // index that any file line matches.
    std::unordered_map<std::string_view, size_t, CaseFoldHash, CaseFoldEqual> mapPane;
    size_t lngPaneLines = 0;
    ForEachCrLfPiece(strPane, [&](std::string_view strLine) {
        mapPane.emplace(strLine, lngPaneLines++);
        return true;
    });
    size_t lngFirstKnown = lngPaneLines;
    ForEachCrLfPiece(strExisting, [&](std::string_view strLine) {
        if (auto it = mapPane.find(strLine); it != mapPane.end()) {
            lngFirstKnown = std::min(lngFirstKnown, it->second);
        }
        return lngFirstKnown > 0;
    });
    return lngFirstKnown;
}

std::string SummariseLogText(std::string_view strText, size_t& lngTotal, size_t& lngKept) {
    // Where the last non-empty piece starts: its registration line always survives. Trailing
    // line breaks only add empty pieces.
    lngTotal = 0;
    ForEachCrLfPiece(strText, [&](std::string_view) {
        ++lngTotal;
        return true;
    });
    size_t lngEnd = strText.size();
    while (lngEnd >= kCrLf.size() && strText.substr(lngEnd - kCrLf.size(), kCrLf.size()) == kCrLf)
        lngEnd -= kCrLf.size();
    const size_t lngLastStart = lngEnd == 0 ? std::string_view::npos
                                : strText.rfind(kCrLf, lngEnd - 1) == std::string_view::npos
                                    ? 0
                                    : strText.rfind(kCrLf, lngEnd - 1) + kCrLf.size();

    StrBuilder objOut;
    objOut.SetBuffersize(StepFor(strText.size()));
    lngKept = 0;
    auto Output = [&](std::string_view strLine) {
        if (lngKept > 0) {
            objOut.Append(kCrLf);
        }
        objOut.Append(strLine);
        ++lngKept;
    };

    bool blnInRun = false;
    bool blnLastKept = false;
    // The line before, ignoring empty lines: an empty line inside a run has no
    // stamp, so the gap is measured from the last real line and the run's end is
    // never an empty line.
    std::string_view strPrevious;
    std::optional<LogTime> optPrevious;
    bool blnPreviousParsed = true;
    ForEachCrLfPiece(strText, [&](std::string_view strLine) {
        if (strLine.empty()) {
            return true;
        }
        bool blnParsed = false;
        std::optional<LogTime> optWhen;
        if (FindIgnoreCase(strLine, kRegistration) != std::string_view::npos) {
            const bool blnLast =
                static_cast<size_t>(strLine.data() - strText.data()) == lngLastStart;
            bool blnKeep = !blnInRun || blnLast;
            if (!blnKeep) {
                if (!blnPreviousParsed) {
                    optPrevious = TryParseLogDate(strPrevious);
                }
                optWhen = TryParseLogDate(strLine);
                blnParsed = true;
                blnKeep = MinutesBetweenStamps(optPrevious, optWhen) > 5.0f;
            }
            if (blnKeep) {
                Output(strLine);
            }
            blnInRun = true;
            blnLastKept = blnKeep;
        } else {
            if (blnInRun && !blnLastKept) {
                Output(strPrevious);
            }
            Output(strLine);
            blnInRun = false;
        }
        strPrevious = strLine;
        optPrevious = optWhen;
        blnPreviousParsed = blnParsed;
        return true;
    });
    return objOut.TakeValue();
}

void SummariseLog(IWindowOps& objWindow, const std::string& strSysLogFile) {
    objWindow.SetStatus("Summarising log...");
    objWindow.DoEvents();
    const std::string strFailed = "Could not save system log summary.";
    const std::string strNothing = "Log did not require any summarisation.";
    size_t lngTotal = 0;
    size_t lngKept = 0;
    bool blnFailed = false;
    try {
        // Read, summarise and write under the history's lock, so that a save by another
        // process lands either wholly before the summary or after it.
        const auto objLock = LockHistory(objWindow, strSysLogFile);
        // No history yet: nothing to summarise, and no file is created.
        if (!objLock.IsHeld()) {
            blnFailed = true;
        } else if (FileExists(strSysLogFile)) {
            const std::string strSummary =
                SummariseLogText(modMisc::ReadTextFile(strSysLogFile), lngTotal, lngKept);
            blnFailed = lngKept < lngTotal && !modMisc::WriteTextFile(strSummary, strSysLogFile);
        }
    } catch (const RaisedError&) {
        blnFailed = true;
    }
    if (blnFailed) {
        objWindow.SetStatus(strFailed);
        objWindow.ShowMessage(strFailed, MessageIcon::Warning);
    } else if (lngKept < lngTotal) {
        objWindow.SetStatus("Log summarised.");
        objWindow.ShowMessage("System log summarised from " + std::to_string(lngTotal) + " to " +
                                  std::to_string(lngKept) + " line(s)",
                              MessageIcon::Information);
    } else {
        objWindow.SetStatus(strNothing);
        objWindow.ShowMessage(strNothing, MessageIcon::Information);
    }
}

void SummariseLogAndShow(IWindowOps& objWindow, const std::string& strSysLogFile,
                         const std::function<void(bool)>& fnSetControlsEnabled) {
    fnSetControlsEnabled(false);
    SummariseLog(objWindow, strSysLogFile);
    try {
        objWindow.SetLogText(modMisc::ReadTextFile(strSysLogFile));
    } catch (const RaisedError&) {
        // Already reported by the summary; the pane keeps what it showed.
    }
    fnSetControlsEnabled(true);
}

void SaveLog(IWindowOps& objWindow, const std::string& strSysLogFile,
             const std::function<void(bool)>& fnSetControlsEnabled) {
    const std::string strPane = objWindow.GetLogText();
    if (strPane.empty()) {
        objWindow.ShowMessage("No log to save.", MessageIcon::Warning);
        return;
    }
    objWindow.SetStatus("Saving log...");
    objWindow.DoEvents();
    fnSetControlsEnabled(false);

    bool blnSaved = false;
    size_t lngAdded = 0;
    try {
        // Read, merge and write under the history's lock: a save or summary by another
        // process (a timer run beside the window) is either wholly in what is read here or
        // waits until this write is done, so neither loses the other's lines.
        const auto objLock = LockHistory(objWindow, strSysLogFile);
        if (!objLock.IsHeld()) {
            throw RaisedError(EWOULDBLOCK, "frmMain.SaveLog", "the history is locked");
        }
        // The history is read straight into the output, behind room for the new lines, so
        // that the save holds the history once. An unreadable file is a failed save, never
        // an empty history to overwrite.
        const size_t lngRoom = strPane.size() + kCrLf.size();
        std::string strOut(lngRoom, '\0');
        modMisc::AppendTextFile(strSysLogFile, strOut);
        lngAdded = CountNewLogLines(strPane, std::string_view(strOut).substr(lngRoom));
        // The new lines, each followed by CR LF, are the pane's text up to the end of the last
        // of them, and a CR LF.
        size_t lngLine = 0;
        size_t lngEnd = 0;
        ForEachCrLfPiece(strPane, [&](std::string_view strLine) {
            if (lngLine++ == lngAdded) {
                return false;
            }
            lngEnd = static_cast<size_t>(strLine.data() - strPane.data()) + strLine.size();
            return true;
        });
        const size_t lngNew = lngAdded > 0 ? lngEnd + kCrLf.size() : 0;
        const size_t lngStart = lngRoom - lngNew;
        if (lngAdded > 0) {
            std::copy_n(strPane.data(), lngEnd, strOut.begin() + static_cast<ptrdiff_t>(lngStart));
            std::copy_n(kCrLf.data(), kCrLf.size(),
                        strOut.begin() + static_cast<ptrdiff_t>(lngStart + lngEnd));
        }
        strOut.erase(0, lngStart);
        blnSaved = modMisc::WriteTextFile(strOut, strSysLogFile);
    } catch (const RaisedError&) {
        blnSaved = false;
    }

    if (blnSaved) {
        objWindow.SetStatus("System log saved.");
        objWindow.ShowMessage("System log saved, " + std::to_string(lngAdded) + " line(s) added.",
                              MessageIcon::Information);
        // The check box stays live during the save; its value counts once the file
        // is written.
        if (objWindow.GetAutoSum() == 1) {
            SummariseLog(objWindow, strSysLogFile);
        }
    } else {
        const std::string strFailed = "Could not save system log.";
        objWindow.SetStatus(strFailed);
        objWindow.ShowMessage(strFailed, MessageIcon::Warning);
    }
    fnSetControlsEnabled(true);
}

} // namespace ata
