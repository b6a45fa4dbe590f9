#pragma once

#include "workflow/IWindowOps.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace ata::cli {

// The window operations on a console: each status-line text is a progress line on the error
// stream, each message box's text a line on the output stream; the inputs, the pane, the check
// box and the lamps are plain fields. Yielding and sleeping run the event loop, so the sockets
// and timers are served while the workflow waits.
class ConsoleWindow : public IWindowOps {
public:
    // Runs the event loop: one pass without waiting for 0, otherwise events until the given
    // number of milliseconds has passed.
    using RunEvents = std::function<void(int32_t lngMilliseconds)>;

    // fnStopping tells whether the run was asked to end (a signal); waits are then given up.
    ConsoleWindow(RunEvents fnRunEvents, std::function<bool()> fnStopping, std::FILE* pOut,
                  std::FILE* pErr);

    void SetStatus(const std::string& strText) override;
    void DoEvents() override;
    void ShowMessage(const std::string& strText, MessageIcon enmIcon) override;

    std::string GetLogText() override { return m_strLog; }
    void SetLogText(const std::string& strText) override { m_strLog = strText; }
    void SetLogVisible(bool) override {}

    void SetLedColour(ControlId enmLed, int32_t lngColour) override;
    void SetEnabled(ControlId, bool) override {}

    std::string GetIpText() override { return m_strIp; }
    void SetIpText(const std::string& strText) override { m_strIp = strText; }
    void AddIpListItem(const std::string&) override {}
    void FocusIp() override {}

    std::string GetUserText() override { return m_strUser; }
    void SetUserText(const std::string& strText) override { m_strUser = strText; }
    std::string GetPassText() override { return m_strPass; }
    void SetPassText(const std::string& strText) override { m_strPass = strText; }

    int32_t GetAutoSum() override { return m_intAutoSum; }
    void SetAutoSum(int32_t intValue) override { m_intAutoSum = intValue; }

    // There is no pane to lay out.
    void GetClientSize(int32_t& lngWidth, int32_t& lngHeight) override { lngWidth = lngHeight = 0; }
    PaneGeometry GetPaneGeometry() override { return {}; }
    void SetPaneWidth(int32_t) override {}
    void SetPaneHeight(int32_t) override {}

    // Runs the event loop for the time given instead of blocking the thread.
    void Sleep(int32_t lngMilliseconds) override;
    bool WaitEvents(int32_t lngMilliseconds) override;

    int32_t LedColour(ControlId enmLed) const;
    // Warnings shown so far: every failure the workflow reports shows one.
    int32_t WarningCount() const { return m_lngWarnings; }
    // The text of the last warning shown, empty when none was.
    const std::string& LastWarning() const { return m_strLastWarning; }
    // A check prints one line of its own: status texts and messages are kept, not written.
    void SetQuiet(bool blnQuiet) { m_blnQuiet = blnQuiet; }
    // No wait runs past the deadline; the first wait that reaches it calls fnReached (which
    // gives up what is being waited for) and the waits after it return at once.
    void SetDeadline(std::chrono::steady_clock::time_point objDeadline,
                     std::function<void()> fnReached);
    // Writes bytes to the output stream as they are.
    void WriteOut(const std::string& strBytes);
    // Writes one line to the error stream.
    void WriteErrLine(const std::string& strText);
    // The last line written there, empty when none was.
    const std::string& LastErrLine() const { return m_strLastErrLine; }
    // The output stream cannot be used (it was closed when the process started): every write
    // to it fails.
    void SetOutUnusable() { m_intOutError = EBADF; }
    // The error of the first write to the output stream that failed, or 0. A command whose
    // output was lost has failed, whatever else it did.
    int OutError() const { return m_intOutError; }

private:
    RunEvents m_fnRunEvents;
    std::function<bool()> m_fnStopping;
    int m_intOutError = 0;
    std::FILE* m_pOut;
    std::FILE* m_pErr;
    std::string m_strLog, m_strIp, m_strUser, m_strPass;
    int32_t m_intAutoSum = 0;
    int32_t m_lngPowerColour = kColourLightGrey;
    int32_t m_lngVoIPColour = kColourLightGrey;
    int32_t m_lngWarnings = 0;
    std::string m_strLastWarning;
    std::string m_strLastErrLine;
    bool m_blnQuiet = false;
    std::optional<std::chrono::steady_clock::time_point> m_objDeadline;
    std::function<void()> m_fnDeadlineReached;
};

} // namespace ata::cli
