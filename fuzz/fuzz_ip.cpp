// IsValidIp against a reference written from the rule itself: three dots, four parts, each
// part optional spaces, an optional sign, digits, an optional exponent, optional spaces, and
// not too large for a double.
#include "FuzzSupport.h"
#include "workflow/modMiscIp.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool ReferencePart(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    const size_t lngStart = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    const size_t lngDigits = i;
    while (i < s.size() && IsDigit(s[i]))
        ++i;
    if (i == lngDigits)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        const size_t lngExp = i;
        while (i < s.size() && IsDigit(s[i]))
            ++i;
        if (i == lngExp)
            return false;
    }
    const size_t lngEnd = i;
    while (i < s.size() && s[i] == ' ')
        ++i;
    if (i != s.size())
        return false;
    // Rounds to infinity as a double exactly when it reaches DBL_MAX plus half its last unit.
    const std::string strNumber = s.substr(lngStart, lngEnd - lngStart);
    const long double ldValue = std::fabs(std::strtold(strNumber.c_str(), nullptr));
    const long double ldLimit =
        static_cast<long double>(DBL_MAX) + std::ldexp(static_cast<long double>(1), 970);
    return ldValue < ldLimit;
}

bool ReferenceIsValidIp(const std::string& s) {
    const auto vecParts = ata::fuzz::SplitAll(s, ".");
    if (vecParts.size() != 4)
        return false;
    for (const auto& part : vecParts)
        if (!ReferencePart(part))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t lngSize) {
    if (lngSize > 4096)
        return 0;
    const std::string s(reinterpret_cast<const char*>(pData), lngSize);
    ATA_FUZZ_CHECK(ata::modMisc::IsValidIp(s) == ReferenceIsValidIp(s));
    // Every part that the address accepts is numeric on its own as well.
    for (const auto& part : ata::fuzz::SplitAll(s, "."))
        ATA_FUZZ_CHECK(ata::modMisc::IsNumeric(part) == ReferencePart(part));
    return 0;
}
