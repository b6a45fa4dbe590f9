#include "script/ZelTelnet.h"

#include "base/ByteText.h"
#include "base/RaisedError.h"
#include "script/ScriptText.h"

#include <chrono>
#include <climits>
#include <cmath>
#include <stdexcept>

namespace ata::script {

// Forwards one socket's events to the engine's handlers of that connection. During a DELAY
// the events that move the runner are held back (see HeldEvent); the data connection's data,
// close and errors go on, so a transfer is not buffered up during a pause.
class ZelTelnet::SocketSink : public IScriptSocketEvents {
public:
    SocketSink(ZelTelnet& owner, bool blnData) : m_owner(owner), m_blnData(blnData) {}
    void OnConnect() override { Raise(HeldEvent::Kind::Connect); }
    void OnClose() override { Raise(HeldEvent::Kind::Close); }
    void OnDataArrival(int32_t lngBytesTotal) override {
        Raise(HeldEvent::Kind::DataArrival, lngBytesTotal);
    }
    void OnSendComplete() override { Raise(HeldEvent::Kind::SendComplete); }
    void OnError(int32_t lngNumber, const std::string& strDescription) override {
        Raise(HeldEvent::Kind::Error, lngNumber, strDescription);
    }

private:
    void Raise(HeldEvent::Kind enmKind, int32_t lngNumber = 0, const std::string& strText = {}) {
        HeldEvent event{m_blnData, enmKind, lngNumber, strText};
        if (m_owner.HoldsEvent(m_blnData, enmKind))
            m_owner.HoldEvent(std::move(event));
        else
            m_owner.DeliverEvent(event);
    }

    ZelTelnet& m_owner;
    bool m_blnData;
};

void ZelTelnet::DeliverEvent(const HeldEvent& event) {
    using Kind = HeldEvent::Kind;
    if (event.blnData) {
        switch (event.enmKind) {
        case Kind::Connect:
            wsTelnetData_Connect();
            break;
        case Kind::Close:
            wsTelnetData_Close();
            break;
        case Kind::DataArrival:
            wsTelnetData_DataArrival(event.lngNumber);
            break;
        case Kind::SendComplete:
            wsTelnetData_SendComplete();
            break;
        case Kind::Error:
            wsTelnetData_Error(event.lngNumber, event.strDescription);
            break;
        }
        return;
    }
    switch (event.enmKind) {
    case Kind::Connect:
        break; // the control connection's completion is not observed
    case Kind::Close:
        wsTelnetMain_Close();
        break;
    case Kind::DataArrival:
        wsTelnetMain_DataArrival(event.lngNumber);
        break;
    case Kind::SendComplete:
        wsTelnetMain_SendComplete();
        break;
    case Kind::Error:
        wsTelnetMain_Error(event.lngNumber, event.strDescription);
        break;
    }
}

ZelTelnet::ZelTelnet(std::unique_ptr<IScriptSocket> pMain, std::unique_ptr<IScriptSocket> pData,
                     ScriptHost host)
    : wsTelnetMain(std::move(pMain)), wsTelnetData(std::move(pData)),
      m_pMainSink(std::make_unique<SocketSink>(*this, false)),
      m_pDataSink(std::make_unique<SocketSink>(*this, true)), m_host(std::move(host)) {
    if (!m_host.Timers)
        throw std::invalid_argument("ZelTelnet: no timer service for DELAY");
    wsTelnetMain->SetEvents(m_pMainSink.get());
    wsTelnetData->SetEvents(m_pDataSink.get());
}

ZelTelnet::~ZelTelnet() {
    m_blnRunActive = false;
    EndDelay();
    try {
        if (wsTelnetMain->State() != sckClosed)
            CloseConnection();
    } catch (...) {
    }
    wsTelnetMain->SetEvents(nullptr);
    wsTelnetData->SetEvents(nullptr);
}

double ZelTelnet::Now() {
    if (m_host.Clock)
        return m_host.Clock();
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void ZelTelnet::YieldOnce() {
    if (m_host.DoEvents)
        m_host.DoEvents();
}

void ZelTelnet::AddLog(const std::string& strMessage) {
    ConsoleLog += strMessage + kCrLf;
    if (m_pEvents)
        m_pEvents->LogUpdate(FormatElapsed(Now() - dblStartTime) + " " + strMessage);
}

void ZelTelnet::RunScript(const std::string& strScript) {
    ConsoleLog.clear();
    strConversation.assign(1, std::string());
    lngEntry = 0;
    if (!strScript.empty())
        strScriptText = strScript;
    dblStartTime = Now();
    try {
        const auto vecPieces = SplitAtCrLf(strScriptText);
        strLines.assign(vecPieces.begin(), vecPieces.end());
        lngLastLine = static_cast<int32_t>(strLines.size()) - 1;
        intPercent = 0;
        if (lngLastLine > 0) {
            // A new run forgets everything of the previous one, also an armed WAIT and a pause.
            m_blnRunActive = false;
            ++m_lngRun;
            EndDelay();
            wsTelnetMain->CloseSck();
            blnWaiting = false;
            strWaitFor.clear();
            m_strLineBuffer.clear();
            m_queLines.clear();
            m_strDataCommand.clear();
            m_blnDataOpened = m_blnDataEnded = m_blnTransferPending = m_blnReplyDeferred = false;
            AddLog("Running script");
            lngLine = -1;
            blnFinished = false;
            m_blnRunActive = true;
            RunNextLine();
        }
    } catch (const RaisedError& e) {
        AddLog("Error " + std::to_string(e.Number()));
        AddLog(e.Description());
        AddLog("Socket state: " + std::to_string(wsTelnetMain->State()));
        m_blnRunActive = false;
        CloseConnection();
    }
}

void ZelTelnet::AbortScript() {
    const bool wasActive = m_blnRunActive;
    m_blnRunActive = false; // the aborted run reports nothing more
    ++m_lngRun;
    EndDelay();
    blnWaiting = false;
    m_blnReplyDeferred = false;
    CloseConnection();
    lngLastLine = 0;
    if (wasActive)
        blnFinished = true;
}

void ZelTelnet::GetConversation(std::vector<std::string>& strCommandArray) const {
    strCommandArray = strConversation;
}

void ZelTelnet::FailRun(bool blnUnrecognised, bool blnLoginFailed) {
    if (!m_blnRunActive)
        return;
    m_blnRunActive = false;
    blnFinished = true;
    blnWaiting = false;
    m_blnReplyDeferred = false;
    EndDelay();
    CloseConnection();
    if (m_pEvents)
        m_pEvents->ScriptError(blnUnrecognised, blnLoginFailed);
}

void ZelTelnet::RunNextLine() {
    // Lines that run at once are looped over here rather than by recursion. A handler that
    // yields may end this run and start another; the loop then stops.
    const uint64_t lngRun = m_lngRun;
    while (m_blnRunActive && lngRun == m_lngRun) {
        bool blnMore = false;
        try {
            blnMore = RunOneStep();
        } catch (const RaisedError& e) {
            AddLog("Error " + std::to_string(e.Number()));
            AddLog(e.Description());
            FailRun(false, false);
            return;
        } catch (const std::exception& e) {
            AddLog("Error 0");
            AddLog(e.what());
            FailRun(false, false);
            return;
        }
        if (!blnMore)
            return;
    }
}

namespace {

int32_t ParsePort(const std::string& strPort) {
    bool ok = !strPort.empty() && strPort.size() <= 5;
    for (char ch : strPort)
        ok = ok && ch >= '0' && ch <= '9';
    if (ok) {
        const long value = std::stol(strPort);
        if (value <= 65535)
            return static_cast<int32_t>(value);
    }
    throw RaisedError(40014, "ZelTelnet.RunNextLine",
                      "The argument passed to a function was not in the correct format or in "
                      "the specified range.");
}

} // namespace

bool ZelTelnet::RunOneStep() {
    ++lngLine;
    if (lngLine < lngLastLine) {
        intPercent = static_cast<int16_t>(
            std::nearbyint((static_cast<double>(lngLine) + 1.0) / lngLastLine * 100.0));
        if (m_pEvents)
            m_pEvents->ScriptProgress(intPercent);
        if (!m_blnRunActive)
            return false;
    }
    if (lngLine > lngLastLine) {
        if (!blnFinished) {
            AddLog("End of script");
            if (!WaitForReboot)
                CloseConnection();
            blnFinished = true;
            m_blnRunActive = false;
            if (m_pEvents)
                m_pEvents->ScriptComplete();
        }
        return false;
    }

    strCurrentLine = CleanLine(strLines[static_cast<size_t>(lngLine)]);
    const std::string strCommand = UpperCase(GetField(strCurrentLine, " ", 1));
    strArgument.clear();
    strWaitFor.clear();

    if (strCommand == "HOST") {
        AddLog("Opening connection");
        strHostName = GetField(strCurrentLine, " ", 2);
        strHostPort = GetField(strCurrentLine, " ", 3);
        if (strHostPort.empty())
            strHostPort = "23";
        ArmNextWait();
        wsTelnetMain->Connect(strHostName, ParsePort(strHostPort));
        return false;
    }
    if (strCommand == "SEND") {
        strArgument = GetQuotedArgument(strCurrentLine);
        ArmNextWait();
        BeginConversationEntry(RemoveCrLf(strArgument));
        if (wsTelnetMain->State() != sckClosed) {
            const std::string strSent = strArgument;
            SendControl(strSent);
            if (Mode == 2)
                AddLog(">" + strSent);
            YieldOnce();
        } else {
            AddLog("Cannot SEND - connection is closed.");
            FailRun(false, false);
        }
        return false;
    }
    if (strCommand == "STOR" || strCommand == "RETR") {
        strArgument = strCommand + " " + GetQuotedArgument(strCurrentLine);
        BeginConversationEntry(RemoveCrLf(strArgument));
        ArmNextWait();
        if (m_blnDataOpened && m_strDataCommand.empty())
            m_strDataCommand = strArgument;
        if (Mode == 2 && strCommand == "RETR" && m_blnDataOpened && !m_blnDataEnded)
            m_blnTransferPending = true;
        SendControl(strArgument);
        YieldOnce();
        return false;
    }
    if (strCommand == "PUT") {
        strArgument = GetQuotedArgument(strCurrentLine);
        ArmNextWait();
        SendFile(strArgument);
        YieldOnce();
        return false;
    }
    if (strCommand == "WAIT") {
        const std::string strText = GetQuotedArgument(strCurrentLine);
        if (wsTelnetMain->State() != sckClosed) {
            blnWaiting = true;
            strWaitFor = strText;
        } else {
            AddLog("Cannot WAIT - connection is closed.");
            FailRun(false, false);
        }
        return false;
    }
    if (strCommand == "DELAY") {
        double dblSeconds = DelaySeconds(GetField(strCurrentLine, " ", 2));
        if (!(dblSeconds > 0))
            dblSeconds = 0; // a negative pause does not block
        if (dblSeconds * 1000.0 > static_cast<double>(INT32_MAX))
            throw RaisedError(6, "ZelTelnet.RunNextLine", "Overflow");
        AddLog("Delay for " + std::to_string(static_cast<long long>(dblSeconds)) + " second(s)");
        return StartDelay(static_cast<int32_t>(dblSeconds * 1000.0));
    }
    if (strCommand == "ECHO") {
        AddLog(GetQuotedArgument(strCurrentLine));
        return true;
    }
    if (strCommand == "#" || strCommand.empty())
        return true;

    AddLog("Unrecognised command on line " + std::to_string(lngLine + 1));
    FailRun(true, false);
    return false;
}

bool ZelTelnet::StartDelay(int32_t lngMilliseconds) {
    if (lngMilliseconds <= 0)
        return true;
    // The run goes on from the timer; meanwhile the event loop runs, but the events that
    // would move the run are held until the line after the DELAY has run.
    m_blnDelaying = true;
    const uint64_t lngRun = m_lngRun;
    m_objDelayTimer =
        m_host.Timers->Start(lngMilliseconds, [this, lngRun] { DelayElapsed(lngRun); });
    return false;
}

void ZelTelnet::DelayElapsed(uint64_t lngRun) {
    if (lngRun != m_lngRun || !m_blnDelaying)
        return; // the pause of a run that has been aborted or replaced
    m_blnDelaying = false;
    RunNextLine();
    ReleaseHeldEvents();
}

void ZelTelnet::EndDelay() {
    m_blnDelaying = false;
    m_objDelayTimer.Cancel();
    m_queHeld.clear();
}

bool ZelTelnet::HoldsEvent(bool blnData, HeldEvent::Kind enmKind) const {
    if (!m_blnDelaying && m_queHeld.empty())
        return false;
    // Of the data connection only the completion of its connect can move the run.
    return !blnData || enmKind == HeldEvent::Kind::Connect;
}

void ZelTelnet::HoldEvent(HeldEvent event) {
    // The socket keeps what arrives; one held notice of it is enough.
    if (event.enmKind == HeldEvent::Kind::DataArrival && !m_queHeld.empty() &&
        m_queHeld.back().enmKind == HeldEvent::Kind::DataArrival &&
        m_queHeld.back().blnData == event.blnData)
        return;
    m_queHeld.push_back(std::move(event));
}

void ZelTelnet::ReleaseHeldEvents() {
    // In arrival order; events that come meanwhile queue up behind them. A handler that starts
    // another DELAY leaves the rest for the end of that one.
    while (!m_blnDelaying && !m_queHeld.empty()) {
        const HeldEvent event = std::move(m_queHeld.front());
        m_queHeld.pop_front();
        DeliverEvent(event);
    }
}

void ZelTelnet::ArmNextWait() {
    if (lngLine + 1 > lngLastLine)
        return;
    strCurrentLine = CleanLine(strLines[static_cast<size_t>(lngLine + 1)]);
    if (UpperCase(GetField(strCurrentLine, " ", 1)) == "WAIT") {
        const std::string strText = GetQuotedArgument(strCurrentLine);
        blnWaiting = true;
        strWaitFor = strText;
        ++lngLine;
    }
}

void ZelTelnet::SendControl(const std::string& strText) {
    wsTelnetMain->SendData(strText);
}

} // namespace ata::script
