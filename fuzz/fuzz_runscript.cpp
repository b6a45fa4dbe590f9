// A whole script run against a peer whose replies and connection events come from the fuzz
// input. The peer behaves like a real network: it only raises events a socket in its current
// state can raise. Every run that stops must have said so exactly once, and nothing may be
// reported after that.
#include "FuzzSupport.h"
#include "script/ScriptText.h"
#include "script/ZelTelnet.h"
#include "testing/FakeScriptSocket.h"
#include "testing/ManualTimerService.h"

#include <fstream>
#include <functional>
#include <memory>
#include <vector>

using namespace ata::script;
using ata::script::test::FakeScriptSocket;

namespace {

const std::string& UploadFile() {
    static const std::string strPath = [] {
        std::string p = ata::fuzz::ScratchFolder() + "/upload.bin";
        std::ofstream(p, std::ios::binary) << "uploaded bytes";
        return p;
    }();
    return strPath;
}

// Scripts a fuzzed one may be replaced by; PUT is kept to the scratch file, because a fuzzed
// path could name a device that never ends.
std::string ScriptFor(uint8_t bytChoice, const std::string& strFuzzed) {
    const std::string q = "\"";
    switch (bytChoice % 4) {
    case 0:
        return "HOST 127.0.0.1 21\r\nWAIT \"220\"\r\nSEND \"USER u\\n\"\r\nWAIT \"331\"\r\n"
               "SEND \"PASS p\\n\"\r\nWAIT \"230\"\r\nSEND \"PWD\\n\"\r\nWAIT \"/RFA/\"\r\n"
               "SEND \"PASV\\n\"\r\nWAIT \"227\"\r\nRETR \"CONFIG.REG\\n\"\r\nWAIT \"226\"\r\n"
               "DELAY 1\r\nSEND \"QUIT\\n\"\r\nWAIT \"221\"\r\n";
    case 1:
        return "HOST 127.0.0.1 21\r\nWAIT \"220\"\r\nSEND \"PASV\\n\"\r\nWAIT \"227\"\r\n"
               "STOR \"up.bin\\n\"\r\nWAIT \"125\"\r\nPUT " +
               q + UploadFile() + q + "\r\nWAIT \"226\"\r\nSEND \"QUIT\\n\"\r\n";
    case 2:
        return "HOST 127.0.0.1 23\r\nWAIT \"login:\"\r\nSEND \"admin\\n\"\r\nWAIT \"#\"\r\n"
               "ECHO \"in\"\r\nSEND \"exit\\n\"\r\n";
    default: {
        std::string strSafe;
        for (const std::string& strLine : ata::fuzz::SplitAll(strFuzzed, "\r\n")) {
            const std::string strClean = CleanLine(strLine);
            if (ata::fuzz::LowerText(GetField(strClean, " ", 1)) != "put")
                strSafe += strLine + "\r\n";
        }
        return strSafe;
    }
    }
}

struct Recorder : IZelTelnetEvents {
    int lngEnds = 0;
    bool blnLateEvent = false;
    void ScriptProgress(int16_t n) override {
        ATA_FUZZ_CHECK(n >= 0 && n <= 100);
        blnLateEvent |= lngEnds > 0;
    }
    void ScriptComplete() override { ++lngEnds; }
    void ScriptError(bool&, bool&) override { ++lngEnds; }
    void FTPSendComplete(const std::string&) override { blnLateEvent |= lngEnds > 0; }
    void ReceivedData(const std::string& d, const std::string&) override {
        ATA_FUZZ_CHECK(!d.empty());
        blnLateEvent |= lngEnds > 0;
    }
};

// Reads the peer's next action from the input.
class Actions {
public:
    Actions(const std::string& s) : m_str(s) {}
    bool More() const { return m_lngPos < m_str.size(); }
    uint8_t Byte() { return More() ? static_cast<uint8_t>(m_str[m_lngPos++]) : 0; }
    std::string Chunk() {
        const size_t lngLen = Byte();
        const std::string s = m_str.substr(m_lngPos, lngLen);
        m_lngPos += s.size();
        return s;
    }

private:
    std::string m_str;
    size_t m_lngPos = 0;
};

// One event on a connection, if the connection's state allows it.
void Act(FakeScriptSocket& sck, uint8_t bytOp, Actions& actions) {
    switch (bytOp) {
    case 0:
        if (sck.lngState != ata::sckConnecting)
            return;
        sck.Connected();
        return;
    case 1: {
        if (sck.lngState != ata::sckConnected)
            return;
        std::string s = actions.Chunk();
        if (s.empty())
            return;
        sck.Receive(s);
        return;
    }
    case 2:
        if (sck.lngState != ata::sckConnected)
            return;
        sck.PeerClose();
        return;
    case 3:
        if (sck.lngState != ata::sckConnected || sck.vecSent.empty())
            return;
        sck.SendDone();
        return;
    case 4:
        if (sck.lngState == ata::sckClosed)
            return;
        sck.Fail(10054, "Connection reset by peer");
        return;
    default:
        return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t lngSize) {
    const auto vec = ata::fuzz::SplitFields(pData, lngSize, 3);
    const std::string strHeader = ata::fuzz::Field(vec, 0);
    const uint8_t bytChoice = strHeader.empty() ? 0 : static_cast<uint8_t>(strHeader[0]);
    const std::string strScript = ScriptFor(bytChoice, ata::fuzz::Field(vec, 1));
    Actions actions(ata::fuzz::Field(vec, 2));

    auto pMain = std::make_unique<FakeScriptSocket>();
    auto pDataSck = std::make_unique<FakeScriptSocket>();
    FakeScriptSocket& main = *pMain;
    FakeScriptSocket& data = *pDataSck;
    double dblClock = 0;
    // The pauses of DELAY end when the input says so.
    ata::test::ManualTimerService timers;
    Recorder events;
    ZelTelnet engine(std::move(pMain), std::move(pDataSck),
                     ScriptHost{&timers, {}, [&dblClock] { return dblClock += 0.001; }});
    engine.Mode = strHeader.size() > 1 ? static_cast<uint8_t>(strHeader[1]) % 3 : 2;
    engine.SetEvents(&events);

    bool blnAborted = false;
    engine.RunScript(strScript);
    const bool blnStarted = engine.IsRunning() || events.lngEnds > 0;
    for (int lngStep = 0; actions.More() && lngStep < 4096; ++lngStep) {
        const uint8_t bytOp = actions.Byte();
        if (bytOp == 0xFF) {
            engine.AbortScript();
            blnAborted = true;
            continue;
        }
        if (bytOp == 0xFE) {
            timers.AdvanceToNext();
            continue;
        }
        Act((bytOp & 0x10) ? data : main, bytOp & 0x0F, actions);
        ATA_FUZZ_CHECK(events.lngEnds <= 1);
        ATA_FUZZ_CHECK(!events.blnLateEvent);
        if (events.lngEnds == 1)
            ATA_FUZZ_CHECK(!engine.IsRunning());
    }
    // A run that is no longer going has reported its end, unless the caller aborted it.
    if (blnStarted && !blnAborted && !engine.IsRunning())
        ATA_FUZZ_CHECK(events.lngEnds == 1);
    engine.SetEvents(nullptr);
    return 0;
}
