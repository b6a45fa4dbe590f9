#include "base/ByteText.h"

namespace ata {

std::string_view Trim(std::string_view strText, std::string_view strSet) {
    const size_t lngFirst = strText.find_first_not_of(strSet);
    if (lngFirst == std::string_view::npos) {
        return {};
    }
    return strText.substr(lngFirst, strText.find_last_not_of(strSet) - lngFirst + 1);
}

char LowerAscii(char chr) {
    return (chr >= 'A' && chr <= 'Z') ? static_cast<char>(chr - 'A' + 'a') : chr;
}

bool EqualsIgnoreCase(std::string_view strA, std::string_view strB) {
    if (strA.size() != strB.size()) {
        return false;
    }
    for (size_t i = 0; i < strA.size(); ++i) {
        if (LowerAscii(strA[i]) != LowerAscii(strB[i])) {
            return false;
        }
    }
    return true;
}

size_t FindIgnoreCase(std::string_view strHay, std::string_view strNeedle, size_t lngFrom) {
    if (lngFrom > strHay.size()) {
        return std::string_view::npos;
    }
    if (strNeedle.empty()) {
        return lngFrom;
    }
    if (strNeedle.size() > strHay.size()) {
        return std::string_view::npos;
    }
    // Test the first character cheaply, the rest only where it matches.
    const char chrFirst = LowerAscii(strNeedle[0]);
    const std::string_view strRest = strNeedle.substr(1);
    const size_t lngLast = strHay.size() - strNeedle.size();
    for (size_t i = lngFrom; i <= lngLast; ++i) {
        if (LowerAscii(strHay[i]) == chrFirst &&
            EqualsIgnoreCase(strHay.substr(i + 1, strRest.size()), strRest)) {
            return i;
        }
    }
    return std::string_view::npos;
}

bool ContainsIgnoreCase(std::string_view strHay, std::string_view strNeedle) {
    return FindIgnoreCase(strHay, strNeedle) != std::string_view::npos;
}

std::vector<std::string_view> SplitAtCrLf(std::string_view strText) {
    std::vector<std::string_view> vecPieces;
    ForEachCrLfPiece(strText, [&vecPieces](std::string_view strPiece) {
        vecPieces.push_back(strPiece);
        return true;
    });
    return vecPieces;
}

std::vector<std::string_view> SplitAtLf(std::string_view strText) {
    std::vector<std::string_view> vecLines;
    size_t lngStart = 0;
    while (lngStart < strText.size()) {
        size_t lngEnd = strText.find('\n', lngStart);
        if (lngEnd == std::string_view::npos) {
            lngEnd = strText.size();
        }
        std::string_view strLine = strText.substr(lngStart, lngEnd - lngStart);
        if (!strLine.empty() && strLine.back() == '\r') {
            strLine.remove_suffix(1);
        }
        vecLines.push_back(strLine);
        lngStart = lngEnd + 1;
    }
    return vecLines;
}

} // namespace ata
