#include "workflow/LogSort.h"

#include "workflow/modMiscText.h"

#include <cstdio>
#include <utility>

namespace ata {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days from 01/01/1970 of a proleptic Gregorian date (month 1..12).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
    z += 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = yoe + era * 400 + (m <= 2);
}

// The n-th field (from 1) of the text split at a one-character delimiter, with the rules of
// modMisc::GetField (empty when there are fewer than n-1 delimiters), without copying.
std::string_view Field(std::string_view strText, char chrDelimiter, int32_t intN) {
    size_t lngStart = 0;
    for (int32_t k = 1; k < intN; ++k) {
        const size_t lngDelimiter = strText.find(chrDelimiter, lngStart);
        if (lngDelimiter == std::string_view::npos) {
            return {};
        }
        lngStart = lngDelimiter + 1;
    }
    const size_t lngEnd = strText.find(chrDelimiter, lngStart);
    return strText.substr(lngStart, lngEnd == std::string_view::npos ? std::string_view::npos
                                                                     : lngEnd - lngStart);
}

// A whole number of 1 to 9 digits.
bool ReadNumber(std::string_view strPart, int64_t& lngValue) {
    if (strPart.empty() || strPart.size() > 9) {
        return false;
    }
    lngValue = 0;
    for (char chr : strPart) {
        if (chr < '0' || chr > '9') {
            return false;
        }
        lngValue = lngValue * 10 + (chr - '0');
    }
    return true;
}

bool ReadParts(std::string_view strText, char chrDelimiter, int64_t (&arrParts)[3]) {
    for (int32_t k = 0; k < 3; ++k) {
        if (!ReadNumber(Field(strText, chrDelimiter, k + 1), arrParts[k])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<LogTime> TryParseLogDate(std::string_view strLine) {
    const std::string_view strDate = Field(strLine, ' ', 1);
    std::string_view strTime = Field(strLine, ' ', 2);
    int64_t arrDate[3];
    const bool blnMonthFirst = strTime.size() > 8;
    if (blnMonthFirst) {
        strTime = strTime.substr(0, 8);
    }
    int64_t arrTime[3];
    if (!ReadParts(strDate, '/', arrDate) || !ReadParts(strTime, ':', arrTime)) {
        return std::nullopt;
    }
    const int64_t lngDay = blnMonthFirst ? arrDate[1] : arrDate[0];
    const int64_t lngMonth = blnMonthFirst ? arrDate[0] : arrDate[1];
    int64_t lngYear = arrDate[2];
    if (lngYear < 30) {
        lngYear += 2000;
    } else if (lngYear < 100) {
        lngYear += 1900;
    }
    // Month and day roll over into the year and month; so do hours, minutes and seconds.
    lngYear += FloorDiv(lngMonth - 1, 12);
    const int64_t lngMonthInYear = lngMonth - 1 - FloorDiv(lngMonth - 1, 12) * 12 + 1;
    const int64_t lngDays = DaysFromCivil(lngYear, lngMonthInYear, 1) + lngDay - 1;
    const LogTime lngWhen =
        lngDays * kSecondsPerDay + arrTime[0] * 3600 + arrTime[1] * 60 + arrTime[2];
    // Only years of four digits can be written back in the tool's own form.
    int64_t y = 0, m = 0, d = 0;
    CivilFromDays(FloorDiv(lngWhen, kSecondsPerDay), y, m, d);
    if (y < 100 || y > 9999) {
        return std::nullopt;
    }
    return lngWhen;
}

LogTime ParseLogDate(const std::string& strLine) {
    return TryParseLogDate(strLine).value_or(kEarliestLogTime);
}

std::string FormatLogTime(LogTime lngWhen) {
    const int64_t lngDays = FloorDiv(lngWhen, kSecondsPerDay);
    const int64_t lngSecs = lngWhen - lngDays * kSecondsPerDay;
    int64_t y = 0, m = 0, d = 0;
    CivilFromDays(lngDays, y, m, d);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02lld/%02lld/%04lld %02lld:%02lld:%02lld",
                  static_cast<long long>(d), static_cast<long long>(m), static_cast<long long>(y),
                  static_cast<long long>(lngSecs / 3600), static_cast<long long>(lngSecs / 60 % 60),
                  static_cast<long long>(lngSecs % 60));
    return buf;
}

void SortLogEntries(std::vector<LogEntry>& vecEntries) {
    // The exchange sort over all pairs, done on the stamps and line numbers only; the running
    // holder of position i is kept in a register. The lines are moved once at the end.
    const size_t n = vecEntries.size();
    if (n < 2) {
        return;
    }
    std::vector<LogTime> vecWhen(n);
    std::vector<size_t> vecIndex(n);
    for (size_t k = 0; k < n; ++k) {
        vecWhen[k] = vecEntries[k].When;
        vecIndex[k] = k;
    }
    for (size_t i = 0; i + 1 < n; ++i) {
        LogTime lngWhen = vecWhen[i];
        size_t lngIndex = vecIndex[i];
        for (size_t j = i + 1; j < n; ++j) {
            if (lngWhen < vecWhen[j]) {
                std::swap(lngWhen, vecWhen[j]);
                std::swap(lngIndex, vecIndex[j]);
            }
        }
        vecWhen[i] = lngWhen;
        vecIndex[i] = lngIndex;
    }
    std::vector<LogEntry> vecSorted;
    vecSorted.reserve(n);
    for (size_t k = 0; k < n; ++k) {
        vecSorted.push_back(std::move(vecEntries[vecIndex[k]]));
    }
    vecEntries = std::move(vecSorted);
}

void NormaliseLogDates(std::vector<LogEntry>& vecEntries) {
    for (LogEntry& objEntry : vecEntries) {
        if (!TryParseLogDate(objEntry.Text)) {
            continue;
        }
        const size_t lngFirst = modMisc::GetField(objEntry.Text, " ", 1).size();
        const size_t lngSecond = modMisc::GetField(objEntry.Text, " ", 2).size();
        std::string strStamp = FormatLogTime(objEntry.When);
        // A line of only a date and a time has no message to keep.
        if (objEntry.Text.size() >= lngFirst + lngSecond + 2) {
            strStamp += ' ';
            strStamp.append(objEntry.Text, lngFirst + lngSecond + 2, std::string::npos);
        }
        objEntry.Text = std::move(strStamp);
    }
}

std::string SortLog(const std::string& strText) {
    const std::string strCollapsed = modMisc::CollapseDelimiters(strText, "\r\n", true);
    if (strCollapsed.empty()) {
        return {};
    }
    std::vector<LogEntry> vecEntries;
    size_t lngPos = 0;
    while (true) {
        const size_t lngEnd = strCollapsed.find("\r\n", lngPos);
        std::string strLine = strCollapsed.substr(
            lngPos, lngEnd == std::string::npos ? std::string::npos : lngEnd - lngPos);
        // Only spaces are trimmed; tabs stay.
        const size_t lngFirst = strLine.find_first_not_of(' ');
        strLine = lngFirst == std::string::npos
                      ? std::string()
                      : strLine.substr(lngFirst, strLine.find_last_not_of(' ') - lngFirst + 1);
        LogEntry objEntry;
        objEntry.When = ParseLogDate(strLine);
        objEntry.Text = std::move(strLine);
        vecEntries.push_back(std::move(objEntry));
        if (lngEnd == std::string::npos) {
            break;
        }
        lngPos = lngEnd + 2;
    }
    SortLogEntries(vecEntries);
    NormaliseLogDates(vecEntries);
    std::string strOut;
    strOut.reserve(strCollapsed.size() + vecEntries.size() * 8);
    for (size_t k = 0; k < vecEntries.size(); ++k) {
        if (k > 0) {
            strOut += "\r\n";
        }
        strOut += vecEntries[k].Text;
    }
    return strOut;
}

std::string FetchSortedLog(IWindowOps& objWindow, FileDownloader& objDownloader,
                           const std::string& strIp) {
    const std::string strLog =
        BrowseTo(objWindow, objDownloader, BuildDeviceUrl(strIp, "cgi/syslog.txt"));
    objWindow.SetStatus("Sorting log...");
    objWindow.DoEvents();
    std::string strSorted = SortLog(strLog);
    objWindow.SetStatus("Log sorted.");
    objWindow.DoEvents();
    return strSorted;
}

} // namespace ata
