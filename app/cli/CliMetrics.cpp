#include "app/cli/CliMetrics.h"

#include "workflow/modMiscFiles.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

namespace ata::cli {

namespace {

struct Family {
    const char* strName;
    const char* strHelp;
};

constexpr Family kFamilies[] = {
    {kMetricUp, "Whether the ATA answered the last check's ping (1) or not (0)."},
    {kMetricRegistered, "Whether the ATA's SIP line was registered at the last check (1) or not "
                        "(0); no sample when the ATA did not answer."},
    {kMetricRtt, "Round-trip time of the last check's ping in seconds."},
    {kMetricCheckTime, "When the last check ran, in seconds since the epoch."},
    {kMetricBackupTime,
     "When the last successful configuration backup ended, in seconds since the epoch."},
    {kMetricBackupSuccess, "Whether the last configuration backup succeeded (1) or not (0)."},
    {kMetricHistoryLines, "Lines in the local system log history after the last save."},
};

std::string EscapeLabel(const std::string& strValue) {
    std::string s;
    for (const char c : strValue) {
        if (c == '\\' || c == '"')
            s += '\\';
        if (c == '\n')
            s += "\\n";
        else
            s += c;
    }
    return s;
}

std::string FormatValue(double dblValue) {
    char buf[64];
    if (std::nearbyint(dblValue) == dblValue && std::fabs(dblValue) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", dblValue);
    else
        std::snprintf(buf, sizeof buf, "%.9g", dblValue);
    return buf;
}

// The family a sample line belongs to and its address label as written; false for any other
// line (comments, blank lines, text this program did not write).
bool ReadSample(const std::string& strLine, std::string& strFamily, std::string& strAddress) {
    const size_t lngBrace = strLine.find('{');
    if (strLine.empty() || strLine[0] == '#' || lngBrace == std::string::npos)
        return false;
    strFamily = strLine.substr(0, lngBrace);
    const std::string strKey = "address=\"";
    const size_t lngKey = strLine.find(strKey, lngBrace);
    if (lngKey == std::string::npos)
        return false;
    size_t lngEnd = lngKey + strKey.size();
    while (lngEnd < strLine.size() && strLine[lngEnd] != '"')
        lngEnd += strLine[lngEnd] == '\\' ? 2 : 1;
    strAddress = strLine.substr(lngKey + strKey.size(), lngEnd - lngKey - strKey.size());
    return true;
}

} // namespace

bool UpdateMetricsFile(const std::string& strFile, const std::string& strAddress,
                       const MetricValues& mapValues, std::string& strCause) {
    std::string strOld;
    try {
        strOld = modMisc::ReadTextFile(strFile);
    } catch (const std::exception& e) {
        strCause = e.what();
        return false;
    }
    const std::string strLabel = EscapeLabel(strAddress);
    std::map<std::string, std::vector<std::string>> mapKept;
    size_t lngStart = 0;
    while (lngStart < strOld.size()) {
        size_t lngEnd = strOld.find('\n', lngStart);
        if (lngEnd == std::string::npos)
            lngEnd = strOld.size();
        const std::string strLine = strOld.substr(lngStart, lngEnd - lngStart);
        lngStart = lngEnd + 1;
        std::string strFamily, strSampleAddress;
        if (ReadSample(strLine, strFamily, strSampleAddress) &&
            !(mapValues.count(strFamily) != 0 && strSampleAddress == strLabel))
            mapKept[strFamily].push_back(strLine);
    }
    std::string strText;
    for (const Family& objFamily : kFamilies) {
        const std::string strName = objFamily.strName;
        strText +=
            "# HELP " + strName + " " + objFamily.strHelp + "\n# TYPE " + strName + " gauge\n";
        for (const std::string& strLine : mapKept[strName])
            strText += strLine + "\n";
        const auto it = mapValues.find(strName);
        if (it != mapValues.end() && it->second)
            strText +=
                strName + "{address=\"" + strLabel + "\"} " + FormatValue(*it->second) + "\n";
    }
    // Read by the metrics collector, which runs as another user.
    errno = 0;
    if (!modMisc::ReplaceFileContent(strFile, strText, 0644)) {
        strCause = errno != 0 ? std::strerror(errno) : "it could not be written";
        return false;
    }
    return true;
}

} // namespace ata::cli
