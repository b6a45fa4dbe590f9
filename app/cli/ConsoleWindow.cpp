#include "app/cli/ConsoleWindow.h"

#include <utility>

namespace ata::cli {

namespace {

void WriteBytes(std::FILE* pStream, const std::string& strBytes) {
    std::fwrite(strBytes.data(), 1, strBytes.size(), pStream);
    std::fflush(pStream);
}

} // namespace

ConsoleWindow::ConsoleWindow(RunEvents fnRunEvents, std::FILE* pOut, std::FILE* pErr)
    : m_fnRunEvents(std::move(fnRunEvents)), m_pOut(pOut), m_pErr(pErr) {}

void ConsoleWindow::SetStatus(const std::string& strText) {
    WriteErrLine(strText);
}

void ConsoleWindow::DoEvents() {
    m_fnRunEvents(0);
}

void ConsoleWindow::ShowMessage(const std::string& strText, MessageIcon enmIcon) {
    if (enmIcon == MessageIcon::Warning)
        ++m_lngWarnings;
    WriteOut(strText + "\n");
}

void ConsoleWindow::SetLedColour(ControlId enmLed, int32_t lngColour) {
    (enmLed == ControlId::ledPower ? m_lngPowerColour : m_lngVoIPColour) = lngColour;
}

void ConsoleWindow::Sleep(int32_t lngMilliseconds) {
    m_fnRunEvents(lngMilliseconds);
}

int32_t ConsoleWindow::LedColour(ControlId enmLed) const {
    return enmLed == ControlId::ledPower ? m_lngPowerColour : m_lngVoIPColour;
}

void ConsoleWindow::WriteOut(const std::string& strBytes) {
    WriteBytes(m_pOut, strBytes);
}

void ConsoleWindow::WriteErrLine(const std::string& strText) {
    WriteBytes(m_pErr, strText + "\n");
}

} // namespace ata::cli
