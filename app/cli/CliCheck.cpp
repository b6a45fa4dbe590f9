#include "app/cli/CliCheck.h"

#include "app/cli/CliDiagnosis.h"
#include "app/cli/CliMetrics.h"
#include "app/cli/CliNotices.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>

namespace ata::cli {

namespace {

using Clock = std::chrono::steady_clock;

// A notice may take this long at most, and at least the shorter time even when the check has
// used up its time-out.
constexpr int32_t kNoticeWaitMaxMs = 5000;
constexpr int32_t kNoticeWaitMinMs = 500;

// What a check found, from the outcomes of Get Status's steps.
struct Verdict {
    int intStatus = kCheckUnknown;
    std::string strText;
    std::optional<double> dblUp, dblRegistered, dblRttSeconds;
};

const char* StateWord(int intStatus) {
    switch (intStatus) {
    case kCheckOk:
        return "OK";
    case kCheckCritical:
        return "CRITICAL";
    default:
        return "UNKNOWN";
    }
}

Verdict Judge(const CheckParts& objParts, bool blnTimedOut, int32_t lngTimeoutSeconds) {
    Verdict v;
    const std::string strAddress = objParts.objWindow.GetIpText();
    const std::string& strWarning = objParts.objWindow.LastWarning();
    if (strWarning == kInvalidIpMessage) {
        v.strText = "the address '" + strAddress + "' is not valid";
        return v;
    }
    if (objParts.objEcho.OpenFailed()) {
        v.strText = PingCause(objParts.objEcho, strAddress);
        return v;
    }
    const int32_t lngPower = objParts.objWindow.LedColour(ControlId::ledPower);
    if (lngPower == kColourRed) {
        v.intStatus = kCheckCritical;
        v.dblUp = 0;
        v.strText = "offline: " + PingCause(objParts.objEcho, strAddress);
        return v;
    }
    if (lngPower != kColourGreen) {
        v.strText = "the check stopped: " + strWarning;
        return v;
    }
    v.intStatus = kCheckCritical;
    v.dblUp = 1;
    v.dblRttSeconds = static_cast<double>(objParts.objEcho.Reply().lngRoundTripMicros) / 1e6;
    v.dblRegistered = 0;
    const HttpReadResult& objFailure = objParts.objDownloader.LastFailure();
    if (objFailure.enmFailure != EnmHttpFailure::None) {
        v.strText = "online, but the status page could not be read: " +
                    (blnTimedOut ? "no answer within " + std::to_string(lngTimeoutSeconds) + " s"
                                 : FetchCause(objFailure));
        return v;
    }
    if (objParts.objWindow.LedColour(ControlId::ledVoIP) != kColourGreen) {
        v.strText = "online, line not registered";
        return v;
    }
    v.intStatus = kCheckOk;
    v.dblRegistered = 1;
    v.strText = "online, line registered";
    return v;
}

// label=value[UOM];warn;crit;min;max for what was measured.
std::string Perfdata(const Verdict& v) {
    std::string s;
    char buf[64];
    if (v.dblRttSeconds) {
        std::snprintf(buf, sizeof buf, "rtt=%.6fs;;;0", *v.dblRttSeconds);
        s += buf;
    }
    const std::pair<const char*, std::optional<double>> arrFlags[] = {
        {"online", v.dblUp}, {"registered", v.dblRegistered}};
    for (const auto& [strLabel, dblValue] : arrFlags) {
        if (!dblValue)
            continue;
        std::snprintf(buf, sizeof buf, "%s%s=%.0f;;;0;1", s.empty() ? "" : " ", strLabel,
                      *dblValue);
        s += buf;
    }
    return s;
}

void WriteMetrics(const CliOptions& objOptions, const Verdict& v, const std::string& strAddress,
                  ConsoleWindow& objWindow) {
    // A check that could not look at the line leaves the last values; their time stamp ages.
    if (objOptions.strMetricsFile.empty() || v.intStatus == kCheckUnknown)
        return;
    const MetricValues mapValues{{kMetricUp, v.dblUp},
                                 {kMetricRegistered, v.dblRegistered},
                                 {kMetricRtt, v.dblRttSeconds},
                                 {kMetricCheckTime, static_cast<double>(std::time(nullptr))}};
    std::string strCause;
    if (!UpdateMetricsFile(objOptions.strMetricsFile, strAddress, mapValues, strCause))
        objWindow.WriteErrLine("atatool-cli: the metrics file " + objOptions.strMetricsFile +
                               " was not updated: " + strCause + ".");
}

void SendNotice(const Verdict& v, const std::string& strFolder, const std::string& strAddress,
                Clock::time_point objDeadline, const CheckParts& objParts) {
    const LineStateMemory objMemory(strFolder, strAddress);
    const std::string strWas = objMemory.Recall();
    const std::string strNow = StateWord(v.intStatus);
    if (strWas == strNow)
        return;
    auto fnErr = [&](const std::string& strLine) { objParts.objWindow.WriteErrLine(strLine); };
    if (LineStateMemory::NoticeDue(strWas, strNow)) {
        const auto lngLeft =
            std::chrono::duration_cast<std::chrono::milliseconds>(objDeadline - Clock::now())
                .count();
        DesktopNotice objNotice;
        objNotice.strSummary = v.intStatus == kCheckOk         ? "ATA line working again"
                               : v.intStatus == kCheckCritical ? "ATA line down"
                                                               : "ATA line cannot be checked";
        objNotice.strBody = strAddress + ": " + v.strText;
        objNotice.blnUrgent = v.intStatus != kCheckOk;
        // Not remembered unless shown, so that the next check tries again.
        if (!NoticeSender(objParts.objNotices, fnErr)
                 .Send(objNotice, static_cast<int32_t>(std::clamp<int64_t>(
                                      lngLeft, kNoticeWaitMinMs, kNoticeWaitMaxMs))))
            return;
    }
    std::string strCause;
    if (!objMemory.Remember(strNow, strCause))
        fnErr("atatool-cli: the line's state could not be remembered: " + strCause + ".");
}

} // namespace

int RunCheck(const CliOptions& objOptions, const std::string& strSettingsTrouble,
             CheckParts objParts) {
    ConsoleWindow& objWindow = objParts.objWindow;
    objWindow.SetQuiet(true);
    const Clock::time_point objDeadline =
        Clock::now() + std::chrono::seconds(objOptions.lngTimeoutSeconds);
    bool blnTimedOut = false;
    objWindow.SetDeadline(objDeadline, [&] {
        blnTimedOut = true;
        objParts.objDownloader.Shutdown();
    });

    Verdict v;
    std::error_code ec;
    const std::string& strSettings = objParts.objLogic.SettingsFile();
    if (!strSettingsTrouble.empty()) {
        v.strText = strSettingsTrouble;
    } else if (!std::filesystem::exists(strSettings, ec)) {
        v.strText = "there is no " + strSettings;
    } else {
        // The address is checked as the IP field checks it when the user leaves it.
        if (objOptions.blnIpGiven)
            objWindow.SetIpText(objOptions.strIp);
        if (objOptions.blnIpGiven && objParts.objLogic.cboIp_Validate()) {
            v.strText = "the address '" + objOptions.strIp + "' is not valid";
        } else {
            objParts.objLogic.cmdStatus_Click();
            v = Judge(objParts, blnTimedOut, objOptions.lngTimeoutSeconds);
        }
    }
    const std::string strPerfdata = Perfdata(v);
    objWindow.WriteOut(std::string("ATA ") + StateWord(v.intStatus) + " - " + v.strText +
                       (strPerfdata.empty() ? "" : " | " + strPerfdata) + "\n");

    const std::string strAddress = objWindow.GetIpText();
    WriteMetrics(objOptions, v, strAddress, objWindow);
    if (objOptions.blnNotify)
        SendNotice(v, objParts.objLogic.AppFolder(), strAddress, objDeadline, objParts);
    return v.intStatus;
}

int WrongUse(const std::vector<std::string>& vecArgs, const std::string& strWrong,
             std::FILE* pOut) {
    if (std::find(vecArgs.begin(), vecArgs.end(), "--check") == vecArgs.end())
        return kExitWrongUse;
    std::fprintf(pOut, "ATA UNKNOWN - wrong use: %s\n", strWrong.c_str());
    std::fflush(pOut);
    return kCheckUnknown;
}

} // namespace ata::cli
