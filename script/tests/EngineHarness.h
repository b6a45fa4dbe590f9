#pragma once

#include "PosixScriptSocket.h"
#include "app/platform/LinuxSocketService.h"
#include "app/platform/Reactor.h"
#include "net/modNetSocket.h"
#include "script/NetScriptSocket.h"
#include "script/ZelTelnet.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace ata::script::test {

// The engine on real sockets and the reactor, recording its events.
class EngineHarness : public IZelTelnetEvents {
public:
    Reactor reactor;
    LinuxSocketService service{reactor};
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
        ScriptHost host;
        host.DoEvents = [this] { reactor.RunOnce(0); };
        host.Sleep = [](int32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
#ifdef ATA_ENGINE_ON_POSIX_SOCKETS
        engine = std::make_unique<ZelTelnet>(std::make_unique<PosixScriptSocket>(reactor),
                                             std::make_unique<PosixScriptSocket>(reactor), host);
#else
        engine = MakeNetZelTelnet(host);
#endif
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
    std::string Last() const {
        return vecEvents.empty() ? "" : vecEvents.back();
    }

    void ScriptComplete() override {
        vecEvents.push_back("Complete");
        blnEnded = true;
    }
    void ScriptError(bool& u, bool& l) override {
        vecEvents.push_back(std::string("Error ") + (u ? "T" : "F") + (l ? "T" : "F"));
        blnEnded = true;
    }
    void FTPSendComplete(const std::string& f) override {
        vecEvents.push_back("Sent " + f);
    }
    void ReceivedData(const std::string& d, const std::string& c) override {
        lngDataBytes += d.size();
        if (blnKeepData)
            (c.rfind("RETR ", 0) == 0 ? strData : strOtherData) += d;
    }
    void LogUpdate(const std::string& m) override {
        vecLog.push_back(m.substr(10));
    }
    bool Logged(const std::string& s) const {
        for (const auto& l : vecLog)
            if (l == s)
                return true;
        return false;
    }
};

// The backup script of the window, on a chosen port.
inline std::string BackupScript(int lngPort, const std::string& strUser, const std::string& strPass,
                                const std::string& strFile = "CONFIG.REG") {
    const std::string q = "\"";
    std::string s;
    for (const std::string& line :
         {"HOST 127.0.0.1 " + std::to_string(lngPort), "WAIT " + q + "220" + q,
          "SEND " + q + "USER " + strUser + "\\n" + q, "WAIT " + q + "331" + q,
          "SEND " + q + "PASS " + strPass + "\\n" + q, "WAIT " + q + "230" + q,
          "SEND " + q + "PWD\\n" + q, "WAIT " + q + "/RFA/" + q, "SEND " + q + "TYPE I\\n" + q,
          "WAIT " + q + "200" + q, "SEND " + q + "PASV\\n" + q, "WAIT " + q + "227" + q,
          "RETR " + q + strFile + "\\n" + q, "WAIT " + q + "226" + q, std::string("DELAY 1"),
          "SEND " + q + "QUIT\\n" + q, "WAIT " + q + "221" + q})
        s += line + "\r\n";
    return s;
}

} // namespace ata::script::test
