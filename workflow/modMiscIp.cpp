#include "workflow/modMiscIp.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace ata::modMisc {

int32_t CountOccurrences(const std::string& strText, const std::string& strPart) {
    if (strText.empty() || strPart.empty())
        return 0;
    int32_t lngCount = 0;
    for (size_t pos = strText.find(strPart); pos != std::string::npos;
         pos = strText.find(strPart, pos + 1))
        ++lngCount;
    return lngCount;
}

bool IsNumeric(const std::string& strText) {
    size_t i = 0;
    const size_t n = strText.size();
    auto isDigit = [&](size_t k) {
        return k < n && std::isdigit(static_cast<unsigned char>(strText[k]));
    };
    while (i < n && strText[i] == ' ')
        ++i;
    const size_t start = i;
    if (i < n && (strText[i] == '+' || strText[i] == '-'))
        ++i;
    bool blnDigits = false;
    while (isDigit(i)) {
        ++i;
        blnDigits = true;
    }
    if (i < n && strText[i] == '.') {
        ++i;
        while (isDigit(i)) {
            ++i;
            blnDigits = true;
        }
    }
    if (!blnDigits)
        return false;
    if (i < n && (strText[i] == 'e' || strText[i] == 'E')) {
        ++i;
        if (i < n && (strText[i] == '+' || strText[i] == '-'))
            ++i;
        if (!isDigit(i))
            return false;
        while (isDigit(i))
            ++i;
    }
    const size_t end = i;
    while (i < n && strText[i] == ' ')
        ++i;
    if (i != n)
        return false;
    // Reject what overflows a double, as the numeric conversion would.
    const std::string strNumber = strText.substr(start, end - start);
    errno = 0;
    const double dblValue = std::strtod(strNumber.c_str(), nullptr);
    return !(errno == ERANGE && std::isinf(dblValue));
}

bool IsValidIp(const std::string& strText) {
    if (CountOccurrences(strText, ".") != 3)
        return false;
    size_t begin = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t dot = strText.find('.', begin);
        const size_t end = dot == std::string::npos ? strText.size() : dot;
        if (!IsNumeric(strText.substr(begin, end - begin)))
            return false;
        begin = end + 1;
    }
    return true;
}

} // namespace ata::modMisc
