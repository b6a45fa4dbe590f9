#include "app/cli/ConsoleWindow.h"

#include <algorithm>
#include <utility>

namespace ata::cli {

namespace {

// Writes and flushes; the error when the bytes did not all reach the stream, otherwise 0.
int WriteBytes(std::FILE* pStream, const std::string& strBytes) {
    errno = 0;
    if (std::fwrite(strBytes.data(), 1, strBytes.size(), pStream) != strBytes.size() ||
        std::fflush(pStream) != 0) {
        const int intError = errno != 0 ? errno : EIO;
        std::clearerr(pStream);
        return intError;
    }
    return 0;
}

} // namespace

ConsoleWindow::ConsoleWindow(RunEvents fnRunEvents, std::function<bool()> fnStopping,
                             std::FILE* pOut, std::FILE* pErr)
    : m_fnRunEvents(std::move(fnRunEvents)), m_fnStopping(std::move(fnStopping)), m_pOut(pOut),
      m_pErr(pErr) {}

void ConsoleWindow::SetStatus(const std::string& strText) {
    if (!m_blnQuiet)
        WriteErrLine(strText);
}

void ConsoleWindow::DoEvents() {
    m_fnRunEvents(0);
}

void ConsoleWindow::ShowMessage(const std::string& strText, MessageIcon enmIcon) {
    if (enmIcon == MessageIcon::Warning) {
        ++m_lngWarnings;
        m_strLastWarning = strText;
    }
    if (!m_blnQuiet)
        WriteOut(strText + "\n");
}

void ConsoleWindow::SetLedColour(ControlId enmLed, int32_t lngColour) {
    (enmLed == ControlId::ledPower ? m_lngPowerColour : m_lngVoIPColour) = lngColour;
}

void ConsoleWindow::SetDeadline(std::chrono::steady_clock::time_point objDeadline,
                                std::function<void()> fnReached) {
    m_objDeadline = objDeadline;
    m_fnDeadlineReached = std::move(fnReached);
}

void ConsoleWindow::Sleep(int32_t lngMilliseconds) {
    if (!m_objDeadline) {
        m_fnRunEvents(lngMilliseconds);
        return;
    }
    const auto lngLeft = std::chrono::ceil<std::chrono::milliseconds>(
                             *m_objDeadline - std::chrono::steady_clock::now())
                             .count();
    m_fnRunEvents(static_cast<int32_t>(std::clamp<int64_t>(lngLeft, 0, lngMilliseconds)));
    if (lngLeft <= lngMilliseconds && m_fnDeadlineReached)
        std::exchange(m_fnDeadlineReached, nullptr)();
}

bool ConsoleWindow::WaitEvents(int32_t lngMilliseconds) {
    if (!m_fnStopping())
        m_fnRunEvents(lngMilliseconds);
    return !m_fnStopping();
}

int32_t ConsoleWindow::LedColour(ControlId enmLed) const {
    return enmLed == ControlId::ledPower ? m_lngPowerColour : m_lngVoIPColour;
}

void ConsoleWindow::WriteOut(const std::string& strBytes) {
    if (m_intOutError != 0)
        return;
    m_intOutError = WriteBytes(m_pOut, strBytes);
}

void ConsoleWindow::WriteErrLine(const std::string& strText) {
    m_strLastErrLine = strText;
    // Where even the error stream fails there is nobody left to tell; the exit status still
    // says how the run went.
    (void)WriteBytes(m_pErr, strText + "\n");
}

} // namespace ata::cli
