#include "app/cli/CliDiff.h"

#include "base/RaisedError.h"
#include "workflow/ConfigHistory.h"
#include "workflow/LineDiff.h"
#include "workflow/modMiscFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace ata::cli {

namespace {

// What a failure says to the user: a raised error's description, or the exception's text.
std::string FailureText(const std::exception& e) {
    if (const auto* pRaised = dynamic_cast<const RaisedError*>(&e))
        return pRaised->Description();
    return e.what();
}

std::string PathOf(const std::string& strFolder, const std::string& strName) {
    return strName.find('/') == std::string::npos ? strFolder + strName : strName;
}

// "yyyy-mm-dd hh:nn:ss.nnnnnnnnn +zzzz" in local time, the header time of a unified diff.
std::string FileTimeText(const struct timespec& objTime) {
    std::tm tmLocal{};
    localtime_r(&objTime.tv_sec, &tmLocal);
    char strDate[64], strZone[16], strText[100];
    std::strftime(strDate, sizeof strDate, "%Y-%m-%d %H:%M:%S", &tmLocal);
    std::strftime(strZone, sizeof strZone, "%z", &tmLocal);
    std::snprintf(strText, sizeof strText, "%s.%09ld %s", strDate,
                  static_cast<long>(objTime.tv_nsec), strZone);
    return strText;
}

// One side of the comparison: its header line and its bytes. Raises RaisedError when the file
// cannot be read.
struct DiffSide {
    std::string strHeader, strBytes;
};

DiffSide ReadSide(const std::string& strPath, const char* strMark) {
    struct stat objStat {};
    if (::stat(strPath.c_str(), &objStat) != 0)
        throw RaisedError(errno, "CliDiff.ReadSide", strPath + ": " + std::strerror(errno));
    DiffSide objSide;
    objSide.strBytes = modMisc::ReadTextFile(strPath);
    objSide.strHeader =
        std::string(strMark) + " " + strPath + "\t" + FileTimeText(objStat.st_mtim) + "\n";
    return objSide;
}

} // namespace

int RunDiff(const std::string& strFolder, const std::vector<std::string>& vecNames,
            ConsoleWindow& window) {
    try {
        std::vector<std::string> vecPaths;
        for (const std::string& strName : vecNames)
            vecPaths.push_back(PathOf(strFolder, strName));
        if (vecPaths.size() < 2) {
            const std::vector<std::string> vecBackups = ListBackups(strFolder);
            const size_t lngNeeded = 2 - vecPaths.size();
            if (vecBackups.size() < lngNeeded) {
                window.WriteErrLine(
                    "atatool-cli: there " +
                    std::string(lngNeeded == 2 ? "are not two backups" : "is no backup") + " in " +
                    strFolder + " to compare.");
                return kExitDiffTrouble;
            }
            for (size_t k = vecBackups.size() - lngNeeded; k < vecBackups.size(); ++k)
                vecPaths.push_back(strFolder + vecBackups[k]);
        }
        const DiffSide objOld = ReadSide(vecPaths[0], "---");
        const DiffSide objNew = ReadSide(vecPaths[1], "+++");
        if (objOld.strBytes == objNew.strBytes)
            return kExitDiffSame;
        window.WriteOut(objOld.strHeader + objNew.strHeader +
                        UnifiedHunks(CompareLines(objOld.strBytes, objNew.strBytes)));
    } catch (const std::exception& e) {
        window.WriteErrLine("atatool-cli: " + FailureText(e));
        return kExitDiffTrouble;
    }
    if (window.OutError() != 0) {
        window.WriteErrLine(std::string("atatool-cli: cannot write to standard output: ") +
                            std::strerror(window.OutError()));
        return kExitDiffTrouble;
    }
    return kExitDiffDifferent;
}

bool ReportConfigChange(const std::string& strSavedFile, bool blnIfChanged, ConsoleWindow& window) {
    const size_t lngSlash = strSavedFile.find_last_of('/');
    const std::string strFolder =
        lngSlash == std::string::npos ? "./" : strSavedFile.substr(0, lngSlash + 1);
    const std::string strName =
        lngSlash == std::string::npos ? strSavedFile : strSavedFile.substr(lngSlash + 1);
    ConfigComparison objComparison;
    try {
        objComparison = CompareWithPreviousBackup(strFolder, strName);
    } catch (const std::exception& e) {
        window.WriteErrLine("atatool-cli: the new backup could not be compared with the one "
                            "before it: " +
                            FailureText(e));
        return false;
    }
    window.WriteOut(ConfigComparisonText(objComparison) + "\n");
    if (!blnIfChanged || objComparison.enmChange != EnmConfigChange::Unchanged)
        return true;
    std::error_code ec;
    std::filesystem::remove(strSavedFile, ec);
    if (ec) {
        window.WriteErrLine("atatool-cli: the unchanged new backup " + strSavedFile +
                            " could not be removed: " + ec.message());
        return false;
    }
    window.WriteOut("The new backup " + strName + " is the same and was removed.\n");
    return true;
}

} // namespace ata::cli
