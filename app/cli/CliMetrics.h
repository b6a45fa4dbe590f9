#pragma once

#include <map>
#include <optional>
#include <string>

namespace ata::cli {

// The metric families of the Prometheus text file that --metrics keeps.
inline constexpr const char* kMetricUp = "ata_up";
inline constexpr const char* kMetricRegistered = "ata_registered";
inline constexpr const char* kMetricRtt = "ata_ping_rtt_seconds";
inline constexpr const char* kMetricCheckTime = "ata_check_timestamp_seconds";
inline constexpr const char* kMetricBackupTime = "ata_last_backup_timestamp_seconds";
inline constexpr const char* kMetricBackupSuccess = "ata_last_backup_success";
inline constexpr const char* kMetricHistoryLines = "ata_history_lines";

// The new values of one run for the address: a family mapped to a value gets that sample, one
// mapped to nothing loses the address's sample (not measured this time); families not named
// keep what the file held (another command writes them).
using MetricValues = std::map<std::string, std::optional<double>>;

// Rewrites the file in the text exposition format: every family with # HELP and # TYPE, the
// samples of the other addresses and commands kept from the file as it was. The file is
// replaced at once, never seen half written. False with strCause set when it could not be.
bool UpdateMetricsFile(const std::string& strFile, const std::string& strAddress,
                       const MetricValues& mapValues, std::string& strCause);

} // namespace ata::cli
