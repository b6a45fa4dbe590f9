#include "workflow/modMiscSettings.h"

#include "base/ByteText.h"
#include "base/RaisedError.h"
#include "workflow/modMiscFiles.h"

#include <string_view>
#include <vector>

namespace ata::modMisc {

namespace {

// Names and values lose the spaces and tabs around them.
std::string TrimBlanks(std::string_view strText) {
    return std::string(Trim(strText, kBlanks));
}

// Lines without their CR LF or LF ends. A missing file has no lines; an unreadable one raises
// RaisedError, so that a write never rebuilds the file from nothing.
std::vector<std::string> ReadLines(const std::string& strFile) {
    const std::string strText = ReadTextFile(strFile);
    std::vector<std::string> lines;
    for (std::string_view strLine : SplitAtLf(strText))
        lines.emplace_back(strLine);
    return lines;
}

// The section name of a "[name]" line, or false when the line is no section header.
bool SectionName(const std::string& strLine, std::string& strName) {
    const std::string trimmed = TrimBlanks(strLine);
    if (trimmed.size() < 2 || trimmed.front() != '[')
        return false;
    const size_t close = trimmed.find(']');
    if (close == std::string::npos)
        return false;
    strName = TrimBlanks(trimmed.substr(1, close - 1));
    return true;
}

// The key of a "key=value" line and the raw value after the first "=".
bool KeyValue(const std::string& strLine, std::string& strKey, std::string& strValue) {
    const size_t eq = strLine.find('=');
    if (eq == std::string::npos)
        return false;
    strKey = TrimBlanks(strLine.substr(0, eq));
    strValue = strLine.substr(eq + 1);
    return !strKey.empty();
}

} // namespace

std::string ReadIniValue(const std::string& strSection, const std::string& strKey,
                         const std::string& strFile) {
    std::vector<std::string> lines;
    try {
        lines = ReadLines(strFile);
    } catch (const RaisedError&) {
        return {}; // an unreadable file gives nothing, as a missing one does
    }
    bool blnInSection = false;
    for (const std::string& line : lines) {
        std::string name, key, value;
        if (SectionName(line, name)) {
            blnInSection = EqualsIgnoreCase(name, strSection);
        } else if (blnInSection && KeyValue(line, key, value) && EqualsIgnoreCase(key, strKey)) {
            value = TrimBlanks(value);
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return value.substr(0, kMaxIniValueLength);
        }
    }
    return {};
}

bool WriteIniValue(const std::string& strSection, const std::string& strKey,
                   const std::string& strValue, const std::string& strFile) {
    std::vector<std::string> lines;
    try {
        lines = ReadLines(strFile);
    } catch (const RaisedError&) {
        return false; // rewriting a file that cannot be read would lose its other lines
    }
    const std::string strNewLine = strKey + "=" + strValue;

    bool blnInSection = false, blnDone = false;
    // Where a missing key goes: after the last non-empty line of the section.
    size_t lngInsertAt = std::string::npos;
    for (size_t i = 0; i < lines.size() && !blnDone; ++i) {
        std::string name, key, value;
        if (SectionName(lines[i], name)) {
            if (blnInSection)
                break;
            blnInSection = EqualsIgnoreCase(name, strSection);
            if (blnInSection)
                lngInsertAt = i + 1;
        } else if (blnInSection) {
            if (KeyValue(lines[i], key, value) && EqualsIgnoreCase(key, strKey)) {
                lines[i] = strNewLine;
                blnDone = true;
            } else if (!TrimBlanks(lines[i]).empty()) {
                lngInsertAt = i + 1;
            }
        }
    }
    if (!blnDone) {
        if (lngInsertAt == std::string::npos) {
            lines.push_back("[" + strSection + "]");
            lines.push_back(strNewLine);
        } else {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lngInsertAt), strNewLine);
        }
    }

    std::string strText;
    for (const std::string& line : lines)
        strText += line + "\r\n";
    return ReplaceFileContent(strFile, strText, 0600);
}

} // namespace ata::modMisc
