#include "workflow/modMiscSettings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ata::modMisc {

namespace {

std::string Trim(const std::string& strText) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    size_t begin = 0, end = strText.size();
    while (begin < end && isSpace(strText[begin]))
        ++begin;
    while (end > begin && isSpace(strText[end - 1]))
        --end;
    return strText.substr(begin, end - begin);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Lines without their CR LF or LF ends; an unreadable file gives no lines.
std::vector<std::string> ReadLines(const std::string& strFile, bool& blnExists) {
    std::ifstream in(strFile, std::ios::binary);
    blnExists = static_cast<bool>(in);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The section name of a "[name]" line, or false when the line is no section header.
bool SectionName(const std::string& strLine, std::string& strName) {
    const std::string trimmed = Trim(strLine);
    if (trimmed.size() < 2 || trimmed.front() != '[')
        return false;
    const size_t close = trimmed.find(']');
    if (close == std::string::npos)
        return false;
    strName = Trim(trimmed.substr(1, close - 1));
    return true;
}

// The key of a "key=value" line and the raw value after the first "=".
bool KeyValue(const std::string& strLine, std::string& strKey, std::string& strValue) {
    const size_t eq = strLine.find('=');
    if (eq == std::string::npos)
        return false;
    strKey = Trim(strLine.substr(0, eq));
    strValue = strLine.substr(eq + 1);
    return !strKey.empty();
}

bool WriteAll(int fd, const std::string& strData) {
    size_t done = 0;
    while (done < strData.size()) {
        const ssize_t n = ::write(fd, strData.data() + done, strData.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes the text to a temporary file beside the target and renames it over the target.
bool ReplaceFile(const std::string& strFile, const std::string& strText) {
    mode_t mode = 0600;
    struct stat st {};
    if (::stat(strFile.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    std::string strTemp = strFile + ".XXXXXX";
    const int fd = ::mkstemp(strTemp.data());
    if (fd < 0)
        return false;
    bool blnOk = ::fchmod(fd, mode) == 0 && WriteAll(fd, strText) && ::fsync(fd) == 0;
    blnOk = (::close(fd) == 0) && blnOk;
    if (blnOk && ::rename(strTemp.c_str(), strFile.c_str()) == 0)
        return true;
    ::unlink(strTemp.c_str());
    return false;
}

} // namespace

std::string ReadIniValue(const std::string& strSection, const std::string& strKey,
                         const std::string& strFile) {
    bool blnExists = false;
    bool blnInSection = false;
    for (const std::string& line : ReadLines(strFile, blnExists)) {
        std::string name, key, value;
        if (SectionName(line, name)) {
            blnInSection = SameName(name, strSection);
        } else if (blnInSection && KeyValue(line, key, value) && SameName(key, strKey)) {
            value = Trim(value);
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
    bool blnExists = false;
    std::vector<std::string> lines = ReadLines(strFile, blnExists);
    const std::string strNewLine = strKey + "=" + strValue;

    bool blnInSection = false, blnDone = false;
    // Where a missing key goes: after the last non-empty line of the section.
    size_t lngInsertAt = std::string::npos;
    for (size_t i = 0; i < lines.size() && !blnDone; ++i) {
        std::string name, key, value;
        if (SectionName(lines[i], name)) {
            if (blnInSection)
                break;
            blnInSection = SameName(name, strSection);
            if (blnInSection)
                lngInsertAt = i + 1;
        } else if (blnInSection) {
            if (KeyValue(lines[i], key, value) && SameName(key, strKey)) {
                lines[i] = strNewLine;
                blnDone = true;
            } else if (!Trim(lines[i]).empty()) {
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
    return ReplaceFile(strFile, strText);
}

} // namespace ata::modMisc
