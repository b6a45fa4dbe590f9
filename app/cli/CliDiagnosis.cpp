#include "app/cli/CliDiagnosis.h"

#include <algorithm>
#include <cctype>

namespace ata::cli {

namespace {

constexpr const char* kConnectionError = "Winsock Control Error - ";

bool ContainsNoCase(std::string strText, std::string strPart) {
    for (std::string* p : {&strText, &strPart})
        std::transform(p->begin(), p->end(), p->begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return strText.find(strPart) != std::string::npos;
}

std::string Trimmed(const std::string& strLine) {
    const auto first = strLine.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return strLine.substr(first, strLine.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::string PingCause(const EchoRecorder& objEcho, const std::string& strAddress) {
    if (objEcho.OpenFailed())
        return "no ping can be sent from this computer (" + objEcho.OpenCause() + ")";
    if (!objEcho.Sent())
        return strAddress + " is not an address a ping can be sent to";
    if (objEcho.Reply().lngStatus == kIcmpDestinationHostUnreachable)
        return strAddress + " cannot be reached (no route to it)";
    return "no answer to ping from " + strAddress + " within 500 ms";
}

std::string FetchCause(const HttpReadResult& objFailure) {
    switch (objFailure.enmFailure) {
    case EnmHttpFailure::Refused:
        return "connection refused";
    case EnmHttpFailure::HttpStatus:
        return "HTTP status " + std::to_string(objFailure.lngHttpStatus);
    case EnmHttpFailure::TimedOut:
        return "no answer in time (" + objFailure.strError + ")";
    case EnmHttpFailure::None:
    case EnmHttpFailure::Other:
        break;
    }
    return objFailure.strError.empty() ? std::string("no page") : objFailure.strError;
}

std::string BackupCause(const std::string& strConsoleLog, const std::string& strWarning,
                        const std::string& strAddress) {
    const std::string strConnection = "the FTP connection to port 21 of " + strAddress;
    std::string strLastReply;
    bool blnClosed = false;
    size_t lngStart = 0;
    while (lngStart < strConsoleLog.size()) {
        size_t lngEnd = strConsoleLog.find('\n', lngStart);
        if (lngEnd == std::string::npos)
            lngEnd = strConsoleLog.size();
        const std::string strLine = Trimmed(strConsoleLog.substr(lngStart, lngEnd - lngStart));
        lngStart = lngEnd + 1;
        if (strLine.rfind(kConnectionError, 0) == 0) {
            const std::string strError = strLine.substr(std::string(kConnectionError).size());
            if (strError.rfind("10061 ", 0) == 0)
                return strConnection + " was refused (nothing listens there)";
            return strConnection + " failed: " + strError;
        }
        if (strLine == "Connection closed by the remote host.")
            blnClosed = true;
        if (strLine.empty() || !std::isdigit(static_cast<unsigned char>(strLine[0])))
            continue;
        if (strLine.rfind("530", 0) == 0)
            return "the FTP server refused the login: " + strLine;
        strLastReply = strLine;
    }
    const std::string strReply = strLastReply.empty() ? "none" : strLastReply;
    // The reply to PWD must name the configuration's folder.
    if (strLastReply.rfind("257", 0) == 0 && !ContainsNoCase(strLastReply, "/RFA/"))
        return "the FTP server's current folder is not \"/RFA/\": " + strLastReply;
    if (strWarning.rfind("The backup did not finish", 0) == 0)
        return "the time limit passed without progress; the last reply was: " + strReply;
    if (blnClosed)
        return "the FTP server closed the connection; the last reply was: " + strReply;
    if (!strLastReply.empty() && (strLastReply[0] == '4' || strLastReply[0] == '5'))
        return "the FTP server refused: " + strLastReply;
    return {};
}

} // namespace ata::cli
