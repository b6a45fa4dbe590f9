// The settings file: reading any file content never fails, and a value written is the value
// read back, with every other readable key of the file unchanged.
//
// Input fields: file content, section, key, value, then a list of other keys to compare.
#include "FuzzSupport.h"
#include "workflow/modMiscSettings.h"

#include <fstream>

namespace {

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

bool HasAny(const std::string& s, const char* pChars) {
    return s.find_first_of(pChars) != std::string::npos;
}

// What a read returns for a stored value: spaces around it and one pair of quotes dropped,
// cut to the longest value a read returns.
std::string Expected(const std::string& strValue) {
    std::string v = Trim(strValue);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v.substr(0, ata::modMisc::kMaxIniValueLength);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t lngSize) {
    if (lngSize > 16384)
        return 0;
    const auto vec = ata::fuzz::SplitFields(pData, lngSize);
    const std::string strContent = ata::fuzz::Field(vec, 0);
    const std::string strSection = ata::fuzz::Field(vec, 1);
    const std::string strKey = ata::fuzz::Field(vec, 2);
    const std::string strValue = ata::fuzz::Field(vec, 3);
    const std::string strFile = ata::fuzz::ScratchFolder() + "settings.ini";
    {
        std::ofstream out(strFile, std::ios::binary | std::ios::trunc);
        out << strContent;
    }

    // Reads of whatever is there.
    std::vector<std::pair<std::string, std::string>> vecOthers;
    for (size_t k = 4; k + 1 < vec.size(); k += 2)
        vecOthers.emplace_back(vec[k], vec[k + 1]);
    std::vector<std::string> vecBefore;
    for (const auto& [strS, strK] : vecOthers) {
        vecBefore.push_back(ata::modMisc::ReadIniValue(strS, strK, strFile));
        ATA_FUZZ_CHECK(vecBefore.back().size() <= ata::modMisc::kMaxIniValueLength);
    }
    (void)ata::modMisc::ReadIniValue(strSection, strKey, strFile);

    // Names and values that the line format can carry: one line each, the section name
    // without "]", the key without "=" and not read as a section header, both without spaces
    // around them (they are trimmed when read).
    const bool blnWritable = !strSection.empty() && !strKey.empty() &&
                             !HasAny(strSection, "]\r\n") && Trim(strSection) == strSection &&
                             !HasAny(strKey, "=\r\n") && strKey.front() != '[' &&
                             Trim(strKey) == strKey && !HasAny(strValue, "\r\n");
    if (!blnWritable)
        return 0;
    ATA_FUZZ_CHECK(ata::modMisc::WriteIniValue(strSection, strKey, strValue, strFile));
    ATA_FUZZ_CHECK(ata::modMisc::ReadIniValue(strSection, strKey, strFile) == Expected(strValue));
    for (size_t k = 0; k < vecOthers.size(); ++k) {
        const auto& [strS, strK] = vecOthers[k];
        if (ata::fuzz::LowerText(strS) == ata::fuzz::LowerText(strSection) &&
            ata::fuzz::LowerText(Trim(strK)) == ata::fuzz::LowerText(strKey))
            continue;
        ATA_FUZZ_CHECK(ata::modMisc::ReadIniValue(strS, strK, strFile) == vecBefore[k]);
    }
    return 0;
}
