#pragma once

#include "app/platform/LinuxSocketService.h"
#include "app/platform/Reactor.h"
#include "app/platform/ReactorTimerService.h"
#include "net/modNetSocket.h"
#include "script/NetScriptSocket.h"
#include "script/ZelTelnet.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace ata::script::test {

// The engine on real sockets and the reactor, recording its events.
class EngineHarness : public IZelTelnetEvents {
public:
    Reactor reactor;
    LinuxSocketService service{reactor};
    ReactorTimerService timers{reactor};
    std::unique_ptr<ZelTelnet> engine;
    std::string strData;      // every ReceivedData chunk for a RETR command, in order
    std::string strOtherData; // chunks raised under any other command
    std::vector<std::string> vecEvents;
    std::vector<std::string> vecLog;
    bool blnEnded = false;
    bool blnKeepData = true; // false: only count the bytes (benchmarks)
    size_t lngDataBytes = 0;

    EngineHarness() {
        modNetSocket::InstallPlatform(&service);
        engine = MakeNetZelTelnet(ScriptHost{&timers, [this] { reactor.RunOnce(0); }, {}});
        engine->Mode = 2;
        engine->SetEvents(this);
    }
    ~EngineHarness() override {
        engine->SetEvents(nullptr);
        engine.reset();
        reactor.RunUntilIdle();
        modNetSocket::InstallPlatform(nullptr);
    }

    // Runs the script until it ends or the time is up; true when it ended.
    bool Run(const std::string& strScript, double dblSeconds = 30) {
        blnEnded = false;
        engine->RunScript(strScript);
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(dblSeconds);
        while (!blnEnded && std::chrono::steady_clock::now() < deadline)
            reactor.RunOnce(20);
        return blnEnded;
    }
    std::string Last() const { return vecEvents.empty() ? "" : vecEvents.back(); }
    bool Logged(const std::string& s) const {
        return std::find(vecLog.begin(), vecLog.end(), s) != vecLog.end();
    }

    void ScriptComplete() override {
        vecEvents.push_back("Complete");
        blnEnded = true;
    }
    void ScriptError(bool& u, bool& l) override {
        vecEvents.push_back(std::string("Error ") + (u ? "T" : "F") + (l ? "T" : "F"));
        blnEnded = true;
    }
    void FTPSendComplete(const std::string& f) override { vecEvents.push_back("Sent " + f); }
    void ReceivedData(const std::string& d, const std::string& c) override {
        lngDataBytes += d.size();
        if (blnKeepData)
            (c.rfind("RETR ", 0) == 0 ? strData : strOtherData) += d;
    }
    void LogUpdate(const std::string& m) override { vecLog.push_back(m.substr(10)); }
};

// The backup script of the window, on a chosen port.
inline std::string BackupScript(int lngPort, const std::string& strUser,
                                const std::string& strPass) {
    return "HOST 127.0.0.1 " + std::to_string(lngPort) + "\r\nWAIT \"220\"\r\nSEND \"USER " +
           strUser + "\\n\"\r\nWAIT \"331\"\r\nSEND \"PASS " + strPass +
           "\\n\"\r\nWAIT \"230\"\r\nSEND \"PWD\\n\"\r\nWAIT \"/RFA/\"\r\nSEND \"TYPE I\\n\"\r\n"
           "WAIT \"200\"\r\nSEND \"PASV\\n\"\r\nWAIT \"227\"\r\nRETR \"CONFIG.REG\\n\"\r\n"
           "WAIT \"226\"\r\nDELAY 1\r\nSEND \"QUIT\\n\"\r\nWAIT \"221\"\r\n";
}

} // namespace ata::script::test
