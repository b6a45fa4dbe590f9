#pragma once

#include "base/ITimerService.h"
#include "script/IScriptSocket.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ata::script {

// The engine's events, raised on the UI thread. Default handlers ignore the event.
class IZelTelnetEvents {
public:
    virtual ~IZelTelnetEvents() = default;
    virtual void ScriptProgress(int16_t /*intProgress*/) {}
    virtual void ScriptComplete() {}
    virtual void ScriptError(bool& /*blnUnrecognised*/, bool& /*blnLoginFailed*/) {}
    virtual void FTPSendComplete(const std::string& /*strFile*/) {}
    virtual void ReceivedData(const std::string& /*strData*/, const std::string& /*strCommand*/) {}
    virtual void LogUpdate(const std::string& /*strMessage*/) {}
};

// What the engine needs of its host: the timers of the event loop, one pass of that loop, and
// a monotonic clock in seconds. DELAY waits on a timer, so the event loop keeps running during
// a pause; the timer service is required and must outlive the engine. An empty DoEvents yields
// nothing; an empty Clock falls back to std::chrono::steady_clock.
struct ScriptHost {
    ITimerService* Timers = nullptr;
    std::function<void()> DoEvents;
    std::function<double()> Clock;
};

// Runs a line-oriented script (HOST, SEND, STOR, RETR, PUT, WAIT, DELAY, ECHO, #) over a
// control connection and, for FTP, a passive data connection.
class ZelTelnet {
public:
    ZelTelnet(std::unique_ptr<IScriptSocket> pMain, std::unique_ptr<IScriptSocket> pData,
              ScriptHost host);
    ~ZelTelnet();
    ZelTelnet(const ZelTelnet&) = delete;
    ZelTelnet& operator=(const ZelTelnet&) = delete;

    void SetEvents(IZelTelnetEvents* pEvents) { m_pEvents = pEvents; }

    void RunScript(const std::string& strScript);
    void AbortScript();
    void GetConversation(std::vector<std::string>& strCommandArray) const;

    // True while a run has started and has not ended (completed, failed or aborted).
    bool IsRunning() const { return m_blnRunActive; }

    std::string ConsoleLog;
    int32_t Mode = 0;
    bool WaitForReboot = false;
    bool MoveOnConnect = false;

    // Socket event handlers (called through the sockets' event sinks; public for tests).
    void wsTelnetMain_DataArrival(int32_t lngBytesTotal);
    void wsTelnetMain_SendComplete();
    void wsTelnetMain_Error(int32_t lngNumber, const std::string& strDescription);
    void wsTelnetMain_Close();
    void wsTelnetData_Connect();
    void wsTelnetData_DataArrival(int32_t lngBytesTotal);
    void wsTelnetData_SendComplete();
    void wsTelnetData_Error(int32_t lngNumber, const std::string& strDescription);
    void wsTelnetData_Close();

private:
    class SocketSink;
    // A socket event that reached the engine during a DELAY; it is handled when the pause
    // has ended and the line after it has run, as if the thread had been blocked meanwhile.
    struct HeldEvent {
        enum class Kind { Connect, Close, DataArrival, SendComplete, Error };
        bool blnData;
        Kind enmKind;
        int32_t lngNumber;
        std::string strDescription;
    };

    // Runner
    void RunNextLine();
    bool RunOneStep(); // true when the line ran at once and the next one follows
    void ArmNextWait();
    void SendControl(const std::string& strText);
    void SendFile(const std::string& strPath);
    void AddLog(const std::string& strMessage);
    void FailRun(bool blnUnrecognised, bool blnLoginFailed);
    void YieldOnce();
    double Now();

    // DELAY
    bool StartDelay(int32_t lngMilliseconds); // true when the pause is over already
    void DelayElapsed(uint64_t lngRun);
    void EndDelay(); // forgets a pending pause and the events held during it
    bool HoldsEvent(bool blnData, HeldEvent::Kind enmKind) const;
    void HoldEvent(HeldEvent event);
    void ReleaseHeldEvents();
    void DeliverEvent(const HeldEvent& event);

    // Control connection
    void HandleControlText(const std::string& strText);
    void HandleQueuedLines();
    void SplitReplyLines(const std::string& strText);
    void HandleFtpLine(const std::string& strLine);
    bool WaitMatchesFtpLine(const std::string& strLine);
    void WaitSatisfied(bool blnCompletionReply = false);
    void BufferControlText(const std::string& strText);
    void FlushReceiveBuffer();
    void BeginConversationEntry(const std::string& strCommand);
    void AppendToConversation(const std::string& strText);
    void CloseConnection();

    // Data connection
    void OpenPassiveData(const std::string& strLine);
    void DrainData();
    void RaiseData(const std::string& strData);
    void DataEnded();

    std::unique_ptr<IScriptSocket> wsTelnetMain;
    std::unique_ptr<IScriptSocket> wsTelnetData;
    std::unique_ptr<SocketSink> m_pMainSink;
    std::unique_ptr<SocketSink> m_pDataSink;
    ScriptHost m_host;
    IZelTelnetEvents* m_pEvents = nullptr;

    std::string strScriptText;
    std::vector<std::string> strLines;
    int32_t lngLine = -1;
    int32_t lngLastLine = 0;
    bool blnFinished = false;
    int16_t intPercent = 0;
    std::string strHostName, strHostPort;
    std::string strArgument;
    std::string strWaitFor;
    bool blnWaiting = false;
    std::string strCurrentLine;
    double dblStartTime = 0;

    bool m_blnRunActive = false; // a run is on and has not ended
    uint64_t m_lngRun = 0;       // counts RunScript and AbortScript calls: a late trigger of an
                                 // earlier run finds another number and does nothing

    // DELAY
    TimerHandle m_objDelayTimer;
    bool m_blnDelaying = false;
    std::deque<HeldEvent> m_queHeld;

    // Control connection
    std::string strBuffer;
    std::string strLastCommand;
    std::vector<std::string> strConversation{std::string()};
    int32_t lngEntry = 0;
    std::string m_strLineBuffer;        // Mode 2: text of an unfinished reply line
    std::deque<std::string> m_queLines; // Mode 2: complete lines not yet handled; they wait
                                        // while a completion reply waits for the data's end
    bool m_blnHandlingLines = false;

    // Data connection
    std::string strSendFile;
    std::string m_strDataCommand;      // RETR/STOR under which the data connection was opened
    bool m_blnDataOpened = false;      // a passive connection was opened for the run
    bool m_blnDataEnded = false;       // that connection has ended (closed or failed)
    bool m_blnTransferPending = false; // a RETR went out on the open connection
    bool m_blnReplyDeferred = false;   // a completion reply after RETR matched its WAIT
                                       // before the data connection ended
};

} // namespace ata::script
