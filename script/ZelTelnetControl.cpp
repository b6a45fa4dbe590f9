// Receiving side of the control connection: WAIT matching, login-failure detection, the
// conversation record and closing the connections.
#include "base/ByteText.h"
#include "base/RaisedError.h"
#include "script/ScriptText.h"
#include "script/ZelTelnet.h"

namespace ata::script {

namespace {

// Runs a receive handler; a failure inside it fails the run instead of escaping into the
// socket layer.
template <class F>
void Guarded(F&& f, const std::function<void(int32_t, const std::string&)>& fail) {
    try {
        f();
    } catch (const RaisedError& e) {
        fail(e.Number(), e.Description());
    } catch (const std::exception& e) {
        fail(0, e.what());
    }
}

bool IsReadableState(int32_t lngState) {
    return lngState == sckOpen || lngState == sckListening || lngState == sckConnected;
}

} // namespace

void ZelTelnet::wsTelnetMain_DataArrival(int32_t /*lngBytesTotal*/) {
    Guarded(
        [&] {
            if (!IsReadableState(wsTelnetMain->State()))
                return;
            const std::string strText = wsTelnetMain->GetData();
            if (!strText.empty())
                HandleControlText(strText);
        },
        [&](int32_t n, const std::string& d) {
            AddLog("Error " + std::to_string(n));
            AddLog(d);
            FailRun(false, false);
        });
}

void ZelTelnet::wsTelnetMain_SendComplete() {
    if (!blnWaiting && !m_blnReplyDeferred)
        RunNextLine();
}

void ZelTelnet::wsTelnetMain_Error(int32_t lngNumber, const std::string& strDescription) {
    AddLog("Winsock Control Error - " + std::to_string(lngNumber) + " : " + strDescription);
    FailRun(false, false);
}

void ZelTelnet::wsTelnetMain_Close() {
    Guarded(
        [&] {
            // A reply line the server did not end before closing still counts.
            if (Mode == 2 && !m_strLineBuffer.empty()) {
                SplitReplyLines("\n");
                HandleQueuedLines();
            }
            if (m_blnRunActive && (blnWaiting || m_blnReplyDeferred)) {
                AddLog("Connection closed by the remote host.");
                FailRun(false, false);
            }
        },
        [&](int32_t n, const std::string& d) {
            AddLog("Error " + std::to_string(n));
            AddLog(d);
            FailRun(false, false);
        });
}

void ZelTelnet::HandleControlText(const std::string& strText) {
    if (Mode == 2) {
        AddLog(strText);
        SplitReplyLines(strText);
        HandleQueuedLines();
        return;
    }

    BufferControlText(strText);
    if (Mode == 1 && ReplyContains(strText, "Login incorrect")) {
        AddLog("Incorrect username and/or password.");
        if (m_blnRunActive)
            FailRun(false, true);
        else
            CloseConnection();
    }
    if (blnWaiting && ReplyContains(strBuffer, strWaitFor))
        WaitSatisfied();
}

// Replies end in LF, with or without a CR before it. Only the new text is searched for line
// ends, so a long line arriving in many pieces costs time linear in its length.
void ZelTelnet::SplitReplyLines(const std::string& strText) {
    size_t lngStart = 0;
    for (size_t lngEnd = strText.find('\n'); lngEnd != std::string::npos;
         lngEnd = strText.find('\n', lngStart)) {
        std::string strLine = std::move(m_strLineBuffer);
        m_strLineBuffer.clear();
        strLine.append(strText, lngStart, lngEnd - lngStart);
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        m_queLines.push_back(std::move(strLine));
        lngStart = lngEnd + 1;
    }
    m_strLineBuffer.append(strText, lngStart, std::string::npos);
}

void ZelTelnet::HandleQueuedLines() {
    // Lines are handled in arrival order; a chunk arriving while an earlier line is being
    // handled (the runner yields) is queued behind it. While a completion reply waits for the
    // end of the data connection, the lines after it stay queued for the WAITs that follow.
    if (m_blnHandlingLines)
        return;
    m_blnHandlingLines = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_blnHandlingLines};
    while (!m_queLines.empty() && !m_blnReplyDeferred) {
        const std::string strLine = m_queLines.front();
        m_queLines.pop_front();
        HandleFtpLine(strLine);
    }
}

bool ZelTelnet::WaitMatchesFtpLine(const std::string& strLine) {
    if (IsReplyCode(strWaitFor))
        return IsFinalReplyLine(strLine) && strLine.compare(0, 3, strWaitFor) == 0;
    return ReplyContains(strLine, strWaitFor);
}

void ZelTelnet::HandleFtpLine(const std::string& strLine) {
    const bool blnFinal = IsFinalReplyLine(strLine);
    if (blnFinal && strLine.compare(0, 3, "227") == 0 && m_blnRunActive)
        OpenPassiveData(strLine);
    if (!m_blnRunActive)
        return;
    if (blnWaiting && WaitMatchesFtpLine(strLine)) {
        WaitSatisfied(IsReplyCode(strLine.substr(0, 3)) && strLine[0] == '2');
        return;
    }
    if (blnFinal && (strLine[0] == '4' || strLine[0] == '5'))
        FailRun(false, strLine.compare(0, 3, "530") == 0);
}

void ZelTelnet::WaitSatisfied(bool blnCompletionReply) {
    blnWaiting = false;
    strWaitFor.clear();
    if (Mode == 2 && m_blnTransferPending && !m_blnDataEnded) {
        // A completion reply that came before the data connection ended goes on once it has;
        // a preliminary one goes on at once, and the transfer stays pending.
        if (blnCompletionReply)
            m_blnReplyDeferred = true;
        else
            RunNextLine();
        return;
    }
    m_blnTransferPending = false;
    RunNextLine();
}

void ZelTelnet::BufferControlText(const std::string& strText) {
    strBuffer += strText;
    if (!strLastCommand.empty()) {
        const int64_t k = EchoLength(strLastCommand, strBuffer);
        if (k <= static_cast<int64_t>(strBuffer.size()))
            strBuffer.erase(0, static_cast<size_t>(k));
    }
}

void ZelTelnet::FlushReceiveBuffer() {
    const std::string t = StripLineBreaks(strBuffer);
    if (!t.empty()) {
        AppendToConversation(t);
        AddLog(std::string(Trim(t)));
    }
    strBuffer.clear();
}

void ZelTelnet::BeginConversationEntry(const std::string& strCommand) {
    FlushReceiveBuffer();
    strLastCommand = strCommand;
    if (!strConversation[0].empty()) {
        strConversation.emplace_back();
        lngEntry = static_cast<int32_t>(strConversation.size()) - 1;
    }
    strConversation[static_cast<size_t>(lngEntry)] = strCommand + kEntryMarker;
}

void ZelTelnet::AppendToConversation(const std::string& strText) {
    std::string& e = strConversation[static_cast<size_t>(lngEntry)];
    const std::string strMarker = kEntryMarker;
    const bool endsCrLf = e.size() >= 2 && e.compare(e.size() - 2, 2, kCrLf) == 0;
    const bool endsMarker =
        e.size() >= strMarker.size() &&
        e.compare(e.size() - strMarker.size(), strMarker.size(), strMarker) == 0;
    if (endsCrLf || endsMarker)
        e += strText;
    else
        e += kCrLf + strText;
}

void ZelTelnet::CloseConnection() {
    try {
        FlushReceiveBuffer();
    } catch (...) {
    }
    try {
        if (wsTelnetMain->State() != sckClosed)
            wsTelnetMain->CloseSck();
    } catch (...) {
    }
    try {
        DrainData();
        if (wsTelnetData->State() != sckClosed)
            wsTelnetData->CloseSck();
    } catch (...) {
    }
    AddLog("Closed connection.");
}

} // namespace ata::script
