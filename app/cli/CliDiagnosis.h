#pragma once

#include "app/cli/EchoRecorder.h"
#include "workflow/IHttpReader.h"

#include <string>

namespace ata::cli {

// The command line names the cause of a failure beside the window's texts, from what each step
// met rather than from the lamps alone.

// Why the echo step counted the ATA as powered off.
std::string PingCause(const EchoRecorder& objEcho, const std::string& strAddress);

// Why a fetch brought no page: "connection refused", "HTTP status 404", or the reader's words.
std::string FetchCause(const HttpReadResult& objFailure);

// Why a backup failed, from the engine's record of the run (strConsoleLog) and the warning the
// backup showed; empty when neither says more than the warning. The FTP port is 21.
std::string BackupCause(const std::string& strConsoleLog, const std::string& strWarning,
                        const std::string& strAddress);

} // namespace ata::cli
