#include "workflow/LogTime.h"

#include <chrono>

namespace ata {

namespace {

using namespace std::chrono;

// The stamps the tool's form "dd/mm/yyyy" can hold.
constexpr sys_days kFirstDay = year{100} / January / 1;
constexpr sys_days kEndDay = year{10000} / January / 1;

// The n-th field (from 1) of the text split at a one-character delimiter, with the rules of
// modMisc::GetField (empty when there are fewer than n-1 delimiters), without copying: it runs
// on every line of a long log.
std::string_view GetField(std::string_view strText, char chrDelimiter, int32_t intN) {
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
        if (!ReadNumber(GetField(strText, chrDelimiter, k + 1), arrParts[k])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<LogTime> TryParseLogDate(std::string_view strLine) {
    const std::string_view strDate = GetField(strLine, ' ', 1);
    std::string_view strTime = GetField(strLine, ' ', 2);
    const bool blnMonthFirst = strTime.size() > 8;
    if (blnMonthFirst) {
        strTime = strTime.substr(0, 8);
    }
    int64_t arrDate[3];
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
    // Months roll over into years (month 0 is December of the year before). Days, hours,
    // minutes and seconds only move the stamp later, and a day 0 at most one day earlier, so
    // a month beyond January 10000 can never be written back.
    const int64_t lngMonths = lngYear * 12 + lngMonth - 1;
    if (lngMonths > 10000 * 12) {
        return std::nullopt;
    }
    const year_month ymMonth =
        year{static_cast<int>(lngMonths / 12)} / January + months{static_cast<int>(lngMonths % 12)};
    const sys_seconds tmWhen = sys_days{ymMonth / 1} + days{lngDay - 1} + hours{arrTime[0]} +
                               minutes{arrTime[1]} + seconds{arrTime[2]};
    if (tmWhen < kFirstDay || tmWhen >= kEndDay) {
        return std::nullopt;
    }
    return tmWhen.time_since_epoch().count();
}

LogTime ParseLogDate(const std::string& strLine) {
    return TryParseLogDate(strLine).value_or(kEarliestLogTime);
}

std::string FormatLogTime(LogTime lngWhen) {
    const sys_seconds tmWhen{seconds{lngWhen}};
    if (tmWhen < kFirstDay || tmWhen >= kEndDay) {
        return {};
    }
    const sys_days tmDay = floor<days>(tmWhen);
    const year_month_day ymdDate{tmDay};
    const hh_mm_ss hmsTime{tmWhen - tmDay};
    // Written digit by digit: this runs once per line of a log of a hundred thousand lines.
    std::string strOut = "dd/mm/yyyy hh:nn:ss";
    auto Put = [&strOut](size_t lngAt, int64_t lngValue, size_t lngDigits) {
        for (size_t k = lngDigits; k-- > 0; lngValue /= 10) {
            strOut[lngAt + k] = static_cast<char>('0' + lngValue % 10);
        }
    };
    Put(0, static_cast<unsigned>(ymdDate.day()), 2);
    Put(3, static_cast<unsigned>(ymdDate.month()), 2);
    Put(6, static_cast<int>(ymdDate.year()), 4);
    Put(11, hmsTime.hours().count(), 2);
    Put(14, hmsTime.minutes().count(), 2);
    Put(17, hmsTime.seconds().count(), 2);
    return strOut;
}

} // namespace ata
