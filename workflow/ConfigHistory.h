#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ata {

// The order of a backup among the others, from its file name: "Config" + "yyyymmdd-hhnnss" +
// ".reg", or with "-2", "-3" ... before ".reg" for a further backup in the same second.
struct BackupOrder {
    std::string strStamp;    // "yyyymmdd-hhnnss"
    int32_t lngSequence = 1; // 1 without a suffix
    auto operator<=>(const BackupOrder&) const = default;
};

// True, with the order, for a backup's file name (no folder).
bool ParseBackupName(std::string_view strName, BackupOrder& objOrder);

// The file names of the backups in a folder (ending in "/"), oldest first by the stamp in the
// name. Raises RaisedError when the folder cannot be read.
std::vector<std::string> ListBackups(const std::string& strFolder);

enum class EnmConfigChange { First, Unchanged, Changed };

struct ConfigComparison {
    EnmConfigChange enmChange = EnmConfigChange::First;
    std::string strPreviousName; // the backup compared with (file name only)
    int64_t lngLinesDiffer = 0;  // CountDifferingLines, when changed
};

// Compares a new backup byte for byte with the newest backup before it (by the stamp in the
// name) in its folder. Raises RaisedError when a file cannot be read.
ConfigComparison CompareWithPreviousBackup(const std::string& strFolder,
                                           const std::string& strNewName);

// "Configuration unchanged since <name>.", "Configuration changed since <name>: N lines
// differ." or "First backup."
std::string ConfigComparisonText(const ConfigComparison& objComparison);

} // namespace ata
