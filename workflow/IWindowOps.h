#pragma once

#include <cstdint>
#include <string>

namespace ata {

enum class MessageIcon { Warning, Information };

// The controls that the workflow enables, disables or colours.
enum class ControlId {
    cboIp,
    txtUser,
    txtPass,
    cmdStatus,
    cmdLog,
    cmdSaveLog,
    cmdSummarise,
    cmdBackup,
    chkAutoSum,
    txtLog,
    ledPower,
    ledVoIP,
    lblStatus,
};

// Colour words (0x00BBGGRR) of the two lamps.
inline constexpr int32_t kColourGreen = 0x00FF00;
inline constexpr int32_t kColourRed = 0x0000FF;
inline constexpr int32_t kColourLightGrey = 0xE0E0E0;

struct PaneGeometry {
    int32_t lngLeft = 0;
    int32_t lngTop = 0;
    int32_t lngWidth = 0;
    int32_t lngHeight = 0;
};

// Everything the workflow does to its window. Texts are byte strings, one character per byte.
// The Qt window implements this; tests use a recording double. Sizes are in twips.
class IWindowOps {
public:
    virtual ~IWindowOps() = default;

    virtual void SetStatus(const std::string& strText) = 0;
    // Lets pending window and network events run once.
    virtual void DoEvents() = 0;
    // Modal; returns when the user has pressed OK.
    virtual void ShowMessage(const std::string& strText, MessageIcon enmIcon) = 0;

    virtual std::string GetLogText() = 0;
    virtual void SetLogText(const std::string& strText) = 0;
    virtual void SetLogVisible(bool blnVisible) = 0;

    virtual void SetLedColour(ControlId enmLed, int32_t lngColour) = 0;
    virtual void SetEnabled(ControlId enmControl, bool blnEnabled) = 0;

    virtual std::string GetIpText() = 0;
    virtual void SetIpText(const std::string& strText) = 0;
    virtual void AddIpListItem(const std::string& strText) = 0;
    virtual void FocusIp() = 0;

    virtual std::string GetUserText() = 0;
    virtual void SetUserText(const std::string& strText) = 0;
    virtual std::string GetPassText() = 0;
    virtual void SetPassText(const std::string& strText) = 0;

    // 0 unchecked, 1 checked.
    virtual int32_t GetAutoSum() = 0;
    virtual void SetAutoSum(int32_t intValue) = 0;

    // Inner size of the window and the pane's geometry, in twips.
    virtual void GetClientSize(int32_t& lngWidth, int32_t& lngHeight) = 0;
    virtual PaneGeometry GetPaneGeometry() = 0;
    virtual void SetPaneWidth(int32_t lngWidth) = 0;
    virtual void SetPaneHeight(int32_t lngHeight) = 0;

    // Blocks the calling thread.
    virtual void Sleep(int32_t lngMilliseconds) = 0;

    // Lets window and network events run for up to the given time while the workflow waits
    // for something no event announces (a lock another process holds); the window stays
    // responsive. False when the wait should be given up: the window is closing, or the run
    // was asked to end.
    virtual bool WaitEvents(int32_t lngMilliseconds) = 0;
};

} // namespace ata
