#include "workflow/ConfigHistory.h"

#include "base/RaisedError.h"
#include "workflow/LineDiff.h"
#include "workflow/modMiscFiles.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

namespace ata {

namespace {

bool AllDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

// The file's bytes; unlike ReadTextFile, a file that is gone is a failure, not an empty text.
std::string ReadBackup(const std::string& strPath) {
    std::string strBytes = modMisc::ReadTextFile(strPath);
    std::error_code ec;
    if (strBytes.empty() && !std::filesystem::exists(strPath, ec))
        throw RaisedError(ENOENT, "ConfigHistory.ReadBackup", strPath + ": No such file");
    return strBytes;
}

} // namespace

bool ParseBackupName(std::string_view strName, BackupOrder& objOrder) {
    constexpr std::string_view kPrefix = "Config", kSuffix = ".reg";
    constexpr size_t kStampLength = 15; // yyyymmdd-hhnnss
    if (strName.size() < kPrefix.size() + kStampLength + kSuffix.size() ||
        !strName.starts_with(kPrefix) || !strName.ends_with(kSuffix))
        return false;
    const std::string_view strStamp = strName.substr(kPrefix.size(), kStampLength);
    if (!AllDigits(strStamp.substr(0, 8)) || strStamp[8] != '-' || !AllDigits(strStamp.substr(9)))
        return false;
    std::string_view strRest = strName.substr(kPrefix.size() + kStampLength);
    strRest.remove_suffix(kSuffix.size());
    int32_t lngSequence = 1;
    if (!strRest.empty()) {
        // "-2" and up; nine digits at most keep the number in range.
        const std::string_view strNumber = strRest.substr(1);
        if (strRest[0] != '-' || !AllDigits(strNumber) || strNumber.size() > 9 ||
            strNumber[0] == '0')
            return false;
        lngSequence = std::stoi(std::string(strNumber));
        if (lngSequence < 2)
            return false;
    }
    objOrder.strStamp = std::string(strStamp);
    objOrder.lngSequence = lngSequence;
    return true;
}

std::vector<std::string> ListBackups(const std::string& strFolder) {
    std::vector<std::pair<BackupOrder, std::string>> vecFound;
    std::error_code ec;
    std::filesystem::directory_iterator it(strFolder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string strName = it->path().filename().string();
        BackupOrder objOrder;
        std::error_code ecType;
        if (ParseBackupName(strName, objOrder) && it->is_regular_file(ecType))
            vecFound.emplace_back(std::move(objOrder), strName);
    }
    if (ec)
        throw RaisedError(ec.value(), "ConfigHistory.ListBackups", strFolder + ": " + ec.message());
    std::sort(vecFound.begin(), vecFound.end());
    std::vector<std::string> vecNames;
    for (auto& [objOrder, strName] : vecFound)
        vecNames.push_back(std::move(strName));
    return vecNames;
}

ConfigComparison CompareWithPreviousBackup(const std::string& strFolder,
                                           const std::string& strNewName) {
    BackupOrder objNew;
    const bool blnNamed = ParseBackupName(strNewName, objNew);
    ConfigComparison objResult;
    for (const std::string& strName : ListBackups(strFolder)) {
        BackupOrder objOrder;
        ParseBackupName(strName, objOrder);
        if (strName != strNewName && (!blnNamed || objOrder < objNew))
            objResult.strPreviousName = strName; // the list runs oldest first
    }
    if (objResult.strPreviousName.empty())
        return objResult;
    const std::string strNew = ReadBackup(strFolder + strNewName);
    const std::string strPrevious = ReadBackup(strFolder + objResult.strPreviousName);
    if (strNew == strPrevious) {
        objResult.enmChange = EnmConfigChange::Unchanged;
        return objResult;
    }
    objResult.enmChange = EnmConfigChange::Changed;
    objResult.lngLinesDiffer = CountDifferingLines(CompareLines(strPrevious, strNew));
    return objResult;
}

std::string ConfigComparisonText(const ConfigComparison& objComparison) {
    switch (objComparison.enmChange) {
    case EnmConfigChange::Unchanged:
        return "Configuration unchanged since " + objComparison.strPreviousName + ".";
    case EnmConfigChange::Changed:
        return "Configuration changed since " + objComparison.strPreviousName + ": " +
               std::to_string(objComparison.lngLinesDiffer) + " lines differ.";
    case EnmConfigChange::First:
        break;
    }
    return "First backup.";
}

} // namespace ata
