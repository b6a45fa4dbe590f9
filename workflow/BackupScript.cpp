#include "workflow/BackupScript.h"

#include "workflow/modMiscIp.h"

namespace ata {

namespace {

bool UnsafeForScript(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const char ch = s[i];
        if (ch == '\r' || ch == '\n' || ch == '\t')
            return true;
        if (ch == '\\' && i + 1 < s.size() &&
            (s[i + 1] == 'n' || s[i + 1] == 'N' || s[i + 1] == '"'))
            return true;
    }
    return false;
}

} // namespace

std::string QuoteText(const std::string& strText) {
    return "\"" + strText + "\"";
}

std::string BuildBackupScriptText(const std::string& strAddress, const std::string& strUser,
                                  const std::string& strPass, int32_t lngPort) {
    std::string s;
    auto add = [&s](const std::string& strLine) { s += strLine + "\r\n"; };
    add("HOST " + strAddress + " " + std::to_string(lngPort));
    add("WAIT " + QuoteText("220"));
    add("SEND " + QuoteText("USER " + strUser + "\\n"));
    add("WAIT " + QuoteText("331"));
    add("SEND " + QuoteText("PASS " + strPass + "\\n"));
    add("WAIT " + QuoteText("230"));
    add("SEND " + QuoteText("PWD\\n"));
    add("WAIT " + QuoteText("/RFA/"));
    add("SEND " + QuoteText("TYPE I\\n"));
    add("WAIT " + QuoteText("200"));
    add("SEND " + QuoteText("PASV\\n"));
    add("WAIT " + QuoteText("227"));
    add("RETR " + QuoteText("CONFIG.REG\\n"));
    add("WAIT " + QuoteText("226"));
    add("DELAY 1");
    add("SEND " + QuoteText("QUIT\\n"));
    add("WAIT " + QuoteText("221"));
    return s;
}

std::string CheckBackupCredentials(const std::string& strUser, const std::string& strPass) {
    if (UnsafeForScript(strUser) || UnsafeForScript(strPass))
        return kBadCredentialsMessage;
    return {};
}

bool IsUsableBackupAddress(const std::string& strAddress) {
    if (strAddress.find_first_of(" \t\"\r\n") != std::string::npos)
        return false;
    return modMisc::IsValidIp(strAddress);
}

} // namespace ata
