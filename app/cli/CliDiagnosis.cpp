#include "app/cli/CliDiagnosis.h"

#include "base/ByteText.h"

#include <cctype>
#include <string_view>

namespace ata::cli {

namespace {

constexpr const char* kConnectionError = "Winsock Control Error - ";

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
    for (std::string_view strPiece : SplitAtLf(strConsoleLog)) {
        const std::string strLine(Trim(strPiece, " \t\r"));
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
    if (strLastReply.rfind("257", 0) == 0 && !ContainsIgnoreCase(strLastReply, "/RFA/"))
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
