#pragma once

#include "workflow/IWindowOps.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace ata::test {

// Records each window operation as a line, e.g. "SetEnabled(cmdLog,0)", and keeps the fields.
class RecordingWindow : public IWindowOps {
public:
    std::vector<std::string> vecOps;
    std::string strStatus, strLog, strIp, strUser, strPass;
    int32_t intAutoSum = 0;
    bool blnLogVisible = true;
    int32_t lngPowerColour = kColourLightGrey, lngVoIPColour = kColourLightGrey;
    int32_t lngClientWidth = 8220, lngClientHeight = 5400;
    PaneGeometry pane{120, 2280, 8055, 3015};
    // Runs at every yield, so that a test can deliver events while the window yields.
    std::function<void()> OnYield;

    // Control names in the order of ControlId.
    static constexpr const char* kNames[] = {
        "cboIp",     "txtUser",    "txtPass", "cmdStatus", "cmdLog",  "cmdSaveLog", "cmdSummarise",
        "cmdBackup", "chkAutoSum", "txtLog",  "ledPower",  "ledVoIP", "lblStatus"};
    static_assert(std::size(kNames) == static_cast<size_t>(ControlId::lblStatus) + 1);
    static const char* Name(ControlId e) { return kNames[static_cast<int>(e)]; }

    void SetStatus(const std::string& s) override { Set(strStatus, s, "SetStatus(" + s + ")"); }
    void DoEvents() override { Yield("DoEvents"); }
    void ShowMessage(const std::string& s, MessageIcon e) override {
        Log(std::string(e == MessageIcon::Warning ? "Warning(" : "Information(") + s + ")");
    }
    std::string GetLogText() override { return strLog; }
    void SetLogText(const std::string& s) override { Set(strLog, s, "SetLogText"); }
    void SetLogVisible(bool b) override { Set(blnLogVisible, b, b ? "ShowLog" : "HideLog"); }
    void SetLedColour(ControlId e, int32_t c) override {
        (e == ControlId::ledPower ? lngPowerColour : lngVoIPColour) = c;
        char buf[16];
        std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c));
        Log(std::string("SetLed(") + Name(e) + "," + buf + ")");
    }
    void SetEnabled(ControlId e, bool b) override {
        Log(std::string("SetEnabled(") + Name(e) + "," + (b ? "1" : "0") + ")");
    }
    std::string GetIpText() override { return strIp; }
    void SetIpText(const std::string& s) override { Set(strIp, s, "SetIpText(" + s + ")"); }
    void AddIpListItem(const std::string& s) override { Log("AddIpItem(" + s + ")"); }
    void FocusIp() override { Log("FocusIp"); }
    std::string GetUserText() override { return strUser; }
    void SetUserText(const std::string& s) override { Set(strUser, s, "SetUserText(" + s + ")"); }
    std::string GetPassText() override { return strPass; }
    void SetPassText(const std::string& s) override { Set(strPass, s, "SetPassText(" + s + ")"); }
    int32_t GetAutoSum() override { return intAutoSum; }
    void SetAutoSum(int32_t v) override { SetNumber(intAutoSum, v, "SetAutoSum"); }
    void GetClientSize(int32_t& w, int32_t& h) override {
        w = lngClientWidth;
        h = lngClientHeight;
    }
    PaneGeometry GetPaneGeometry() override { return pane; }
    void SetPaneWidth(int32_t w) override { SetNumber(pane.lngWidth, w, "SetPaneWidth"); }
    void SetPaneHeight(int32_t h) override { SetNumber(pane.lngHeight, h, "SetPaneHeight"); }
    void Sleep(int32_t ms) override { Yield("Sleep(" + std::to_string(ms) + ")"); }
    // Waits in earnest, so that another process can let go of a lock meanwhile.
    bool WaitEvents(int32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        if (OnYield)
            OnYield();
        return true;
    }

    std::vector<std::string> OpsStartingWith(const std::string& strPrefix) const {
        std::vector<std::string> out;
        std::ranges::copy_if(vecOps, std::back_inserter(out),
                             [&](const std::string& op) { return op.starts_with(strPrefix); });
        return out;
    }
    // True when every input and command a running command disables (all controls before the
    // lamps but the check box) was last enabled.
    bool AllGatedEnabled() const {
        return std::all_of(kNames, kNames + 10, [this](const std::string& strName) {
            const auto ops = OpsStartingWith("SetEnabled(" + strName + ",");
            return strName == "chkAutoSum" || (!ops.empty() && ops.back().ends_with(",1)"));
        });
    }

private:
    void Log(std::string s) { vecOps.push_back(std::move(s)); }
    void Yield(std::string s) {
        Log(std::move(s));
        if (OnYield)
            OnYield();
    }
    template <class T> void Set(T& field, const T& value, std::string strOp) {
        field = value;
        Log(std::move(strOp));
    }
    void SetNumber(int32_t& field, int32_t value, const std::string& strOp) {
        Set(field, value, strOp + "(" + std::to_string(value) + ")");
    }
};

} // namespace ata::test
