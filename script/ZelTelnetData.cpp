// The FTP passive data connection: opening it from the "227" reply, raising what arrives on
// it, and sending a file for PUT.
#include "base/FileIo.h"
#include "base/RaisedError.h"
#include "script/ScriptText.h"
#include "script/ZelTelnet.h"

#include <cerrno>

namespace ata::script {

namespace {

// Bound on the event-loop passes spent waiting for the old data connection to close.
constexpr int kCloseWaitPasses = 200;

} // namespace

void ZelTelnet::OpenPassiveData(const std::string& strLine) {
    DrainData();
    wsTelnetData->CloseSck();
    const uint64_t lngRun = m_lngRun;
    for (int i = 0; i < kCloseWaitPasses && wsTelnetData->State() != sckClosed; ++i) {
        if (wsTelnetData->State() == sckError || !wsTelnetData->HasPlatformSocket())
            break;
        YieldOnce();
    }
    if (lngRun != m_lngRun || !m_blnRunActive)
        return; // the run was aborted or replaced while the old connection closed

    const std::string strReply = RemoveCrLf(strLine);
    const PassiveReply reply = ParsePassiveReply(strReply);
    if (!reply.blnValid) {
        AddLog("Unreadable passive reply (" + reply.strProblem + "): " + strReply);
        FailRun(false, false);
        return;
    }
    // Only the port is taken from the reply; the data connection goes to the control
    // connection's peer (NAT, and no connection to third hosts).
    std::string strPeer = wsTelnetMain->RemoteHostIP();
    if (strPeer.empty())
        strPeer = strHostName;
    if (reply.strHost != strPeer)
        AddLog("Passive reply names " + reply.strHost + "; using " + strPeer);

    m_blnDataOpened = true;
    m_blnDataEnded = false;
    m_blnTransferPending = false;
    m_strDataCommand.clear();
    wsTelnetData->SetRemoteHost(strPeer);
    wsTelnetData->SetRemotePort(reply.lngPort);
    AddLog("Connecting to " + wsTelnetData->RemoteHost() + ":" +
           std::to_string(wsTelnetData->RemotePort()));
    wsTelnetData->Connect();
}

void ZelTelnet::RaiseData(const std::string& strData) {
    const std::string strCommand = m_strDataCommand.empty() ? strArgument : m_strDataCommand;
    if (m_pEvents)
        m_pEvents->ReceivedData(strData, strCommand);
}

void ZelTelnet::DrainData() {
    const int32_t lngState = wsTelnetData->State();
    if (!wsTelnetData->HasPlatformSocket() ||
        !(lngState == sckConnected || lngState == sckClosing || lngState == sckOpen))
        return;
    const std::string strData = wsTelnetData->GetData();
    if (!strData.empty())
        RaiseData(strData);
}

void ZelTelnet::DataEnded() {
    m_blnDataEnded = true;
    if (m_blnReplyDeferred) {
        m_blnReplyDeferred = false;
        m_blnTransferPending = false;
        RunNextLine();
        HandleQueuedLines(); // the replies that came meanwhile, for the WAITs now armed
    }
}

void ZelTelnet::wsTelnetData_Connect() {
    if (MoveOnConnect) {
        AddLog("Winsock data connection started. Going to next line.");
        RunNextLine();
    }
}

void ZelTelnet::wsTelnetData_DataArrival(int32_t /*lngBytesTotal*/) {
    try {
        const int32_t lngState = wsTelnetData->State();
        if (!(lngState == sckOpen || lngState == sckListening || lngState == sckConnected ||
              lngState == sckClosing))
            return;
        const std::string strData = wsTelnetData->GetData();
        if (!strData.empty())
            RaiseData(strData);
    } catch (const RaisedError& e) {
        AddLog("Error " + std::to_string(e.Number()));
        AddLog(e.Description());
        FailRun(false, false);
    }
}

void ZelTelnet::wsTelnetData_Close() {
    try {
        DrainData();
        wsTelnetData->CloseSck();
    } catch (const RaisedError& e) {
        AddLog("Error " + std::to_string(e.Number()));
        AddLog(e.Description());
        FailRun(false, false);
        return;
    }
    DataEnded();
}

void ZelTelnet::wsTelnetData_SendComplete() {
    try {
        wsTelnetData->CloseSck();
    } catch (const RaisedError&) {
    }
    if (m_pEvents)
        m_pEvents->FTPSendComplete(strSendFile);
    AddLog("File sent via FTP.");
}

void ZelTelnet::wsTelnetData_Error(int32_t lngNumber, const std::string& strDescription) {
    AddLog("Winsock Data Error - " + std::to_string(lngNumber) + " : " + strDescription);
    if (lngNumber == 10061 && Mode == 2)
        AddLog("Unable to access the router via FTP.");
    AddLog("Aborting script");
    const bool wasActive = m_blnRunActive;
    AbortScript();
    if (wasActive && m_pEvents) {
        bool blnUnrecognised = false, blnLoginFailed = false;
        m_pEvents->ScriptError(blnUnrecognised, blnLoginFailed);
    }
}

void ZelTelnet::SendFile(const std::string& strPath) {
    strSendFile = strPath;
    // Read in one piece: the text becomes the send queue as it is.
    std::string strBytes;
    if (!modFileIo::AppendWholeFile(strPath, strBytes)) {
        // What cannot be opened is not found; a folder, a device or a failed read is an access
        // error.
        if (errno == EISDIR || errno == EINVAL || errno == EIO)
            throw RaisedError(75, "ZelTelnet.SendFile", "Path/File access error: " + strPath);
        throw RaisedError(53, "ZelTelnet.SendFile", "File not found: " + strPath);
    }
    AddLog("Sending file: " + strPath);
    if (strBytes.empty()) {
        // Nothing to queue means no send completion: end the file at once.
        wsTelnetData->CloseSck();
        if (m_pEvents)
            m_pEvents->FTPSendComplete(strSendFile);
        AddLog("File sent via FTP.");
        return;
    }
    wsTelnetData->SendData(std::move(strBytes));
}

} // namespace ata::script
