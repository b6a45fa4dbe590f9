#pragma once

#include <cstdint>
#include <string>

namespace ata {

// A double quote, the text, a double quote.
std::string QuoteText(const std::string& strText);

// The 17-line FTP script of a configuration backup, each line followed by CR LF. The window
// always uses port 21; other ports are for tests against local servers.
std::string BuildBackupScriptText(const std::string& strAddress, const std::string& strUser,
                                  const std::string& strPass, int32_t lngPort = 21);

// Empty when the user name and password can go into the script unchanged; otherwise the
// warning to show (a CR, LF or TAB, or a backslash before n, N or a double quote would change
// the commands sent to the device).
std::string CheckBackupCredentials(const std::string& strUser, const std::string& strPass);

// True for an address that can go into the HOST line: a valid dotted address with no space,
// tab, quote, CR or LF.
bool IsUsableBackupAddress(const std::string& strAddress);

inline constexpr const char* kBadCredentialsMessage =
    "The user name or password contains a line break, a tab, or a backslash followed by n or "
    "a double quote, which would change the commands sent to the ATA. Nothing was sent.";

} // namespace ata
