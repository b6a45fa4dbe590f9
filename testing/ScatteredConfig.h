#pragma once

// A large configuration and a copy with changes spread all over, for the diff.
#include <cstddef>
#include <string>
#include <vector>

namespace ata::test {

// Sections of "name"="value" lines with CR LF and Latin-1 letters; at least lngBytes long.
inline std::string MakeConfig(size_t lngBytes) {
    std::string s;
    for (int intSection = 0; s.size() < lngBytes; ++intSection) {
        s += "[Settings\\Section" + std::to_string(intSection) + "]\r\n";
        for (int k = 0; k < 20; ++k)
            s += "\"Key" + std::to_string(intSection) + "_" + std::to_string(k) + "\"=\"" +
                 (k % 3 == 0 ? "R\xE9glage \xE0 l'\xE9t\xE9" : "value-0123456789") + "\"\r\n";
        s += "\r\n";
    }
    return s;
}

// strConfig with intChanges of its "name"="value" lines changed, evenly spread: every tenth
// removed, every tenth from the fifth on followed by a new line, the others given a new value.
inline std::string ChangeScattered(const std::string& strConfig, int intChanges) {
    std::vector<std::string> vecLines;
    std::vector<size_t> vecValueLines;
    for (size_t lngStart = 0; lngStart < strConfig.size();) {
        const size_t lngEnd = strConfig.find('\n', lngStart) + 1;
        vecLines.push_back(strConfig.substr(lngStart, lngEnd - lngStart));
        if (vecLines.back()[0] == '"')
            vecValueLines.push_back(vecLines.size() - 1);
        lngStart = lngEnd;
    }
    const size_t lngStep = vecValueLines.size() / static_cast<size_t>(intChanges);
    for (int k = 0; k < intChanges; ++k) {
        std::string& strLine = vecLines[vecValueLines[static_cast<size_t>(k) * lngStep + 3]];
        const std::string strChanged = "\"Changed" + std::to_string(k) + "\"=\"\xFF\"\r\n";
        if (k % 10 == 0)
            strLine.clear();
        else if (k % 10 == 5)
            strLine += strChanged;
        else
            strLine = strChanged;
    }
    std::string s;
    for (const std::string& strLine : vecLines)
        s += strLine;
    return s;
}

} // namespace ata::test
