#include "workflow/modMiscText.h"

#include "base/ByteText.h"

namespace ata::modMisc {

namespace {

size_t Find(std::string_view strHay, std::string_view strNeedle, size_t lngFrom,
            bool blnCaseSensitive) {
    return blnCaseSensitive ? strHay.find(strNeedle, lngFrom)
                            : FindIgnoreCase(strHay, strNeedle, lngFrom);
}

// Non-overlapping occurrences, counted left to right.
int64_t CountOf(std::string_view strText, std::string_view strDelimiter) {
    if (strDelimiter.empty()) {
        return 0;
    }
    int64_t lngCount = 0;
    for (size_t pos = strText.find(strDelimiter); pos != std::string_view::npos;
         pos = strText.find(strDelimiter, pos + strDelimiter.size())) {
        ++lngCount;
    }
    return lngCount;
}

bool StartsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}
bool EndsWith(std::string_view s, std::string_view p) {
    return s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}

} // namespace

std::string TextBetween(const std::string& strStart, const std::string& strEnd,
                        const std::string& strText, int32_t& lngStart, bool blnCaseSensitive) {
    if (lngStart == 0) {
        lngStart = 1;
    }
    // Positions before the first character search from the first one.
    const size_t lngFrom = lngStart < 1 ? 0 : static_cast<size_t>(lngStart) - 1;
    const size_t lngMarker = Find(strText, strStart, lngFrom, blnCaseSensitive);
    if (lngMarker == std::string::npos) {
        return {};
    }
    const size_t lngContent = lngMarker + strStart.size();
    const size_t lngEnd = Find(strText, strEnd, lngContent, blnCaseSensitive);
    if (lngEnd == std::string::npos) {
        return {};
    }
    return strText.substr(lngContent, lngEnd - lngContent);
}

std::string StripWhitespace(const std::string& strText) {
    std::string strOut;
    strOut.reserve(strText.size());
    for (char chr : strText) {
        if (chr != '\t' && chr != '\r' && chr != '\n' && chr != ' ') {
            strOut.push_back(chr);
        }
    }
    return strOut;
}

std::string GetField(const std::string& strText, const std::string& strDelimiter, int32_t intN) {
    if (intN < 1) {
        return {};
    }
    if (strDelimiter.empty()) {
        return intN == 1 ? strText : std::string();
    }
    if (CountOf(strText, strDelimiter) < static_cast<int64_t>(intN) - 1) {
        return {};
    }
    // The text closed by one more delimiter, so that the last field ends like the others.
    const std::string strClosed = strText + strDelimiter;
    size_t lngPos = 0;
    size_t lngFieldStart = 0;
    size_t lngFieldEnd = 0;
    for (int32_t k = 1; k <= intN; ++k) {
        lngFieldStart = lngPos;
        lngFieldEnd = strClosed.find(strDelimiter, lngPos);
        lngPos = lngFieldEnd + strDelimiter.size();
    }
    return strClosed.substr(lngFieldStart, lngFieldEnd - lngFieldStart);
}

std::string CollapseDelimiters(const std::string& strText, const std::string& strDelimiter,
                               bool blnTrimEnds) {
    if (strDelimiter.empty()) {
        return strText;
    }
    const std::string strDouble = strDelimiter + strDelimiter;
    std::string strOut;
    if (strText.find(strDouble) == std::string::npos) {
        strOut = strText;
    } else {
        strOut.reserve(strText.size());
        size_t lngPos = 0;
        for (size_t lngRun = strText.find(strDouble, lngPos); lngRun != std::string::npos;
             lngRun = strText.find(strDouble, lngPos)) {
            strOut.append(strText, lngPos, lngRun - lngPos);
            strOut += strDelimiter;
            size_t lngAfter = lngRun;
            while (strText.compare(lngAfter, strDelimiter.size(), strDelimiter) == 0) {
                lngAfter += strDelimiter.size();
            }
            lngPos = lngAfter;
        }
        strOut.append(strText, lngPos, std::string::npos);
    }
    if (blnTrimEnds) {
        if (EndsWith(strOut, strDelimiter)) {
            strOut.erase(strOut.size() - strDelimiter.size());
        }
        if (StartsWith(strOut, strDelimiter)) {
            strOut.erase(0, strDelimiter.size());
        }
    }
    return strOut;
}

} // namespace ata::modMisc
