#include "script/ZelTelnet.h"
#include "testing/FakeScriptSocket.h"
#include "testing/FileBytes.h"
#include "testing/ManualTimerService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace ata::script;
using ata::script::test::FakeScriptSocket;
using Lines = std::vector<std::string>;

namespace {

// Records the engine's events in order as readable lines.
struct EventLog : IZelTelnetEvents {
    Lines vec;
    Lines vecLog; // log messages without time stamps
    void ScriptProgress(int16_t n) override { vec.push_back("Progress " + std::to_string(n)); }
    void ScriptComplete() override { vec.push_back("Complete"); }
    void ScriptError(bool& u, bool& l) override {
        vec.push_back(std::string("Error ") + (u ? "T" : "F") + (l ? "T" : "F"));
    }
    void FTPSendComplete(const std::string& f) override { vec.push_back("Sent " + f); }
    void ReceivedData(const std::string& d, const std::string& c) override {
        vec.push_back("Data " + d + " @" + c);
    }
    void LogUpdate(const std::string& m) override { vecLog.push_back(m.substr(10)); }
    size_t Count(const std::string& s) const { return std::count(vec.begin(), vec.end(), s); }
    size_t Logged(const std::string& s) const {
        return std::count(vecLog.begin(), vecLog.end(), s);
    }
};

class ZelTelnetTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto m = std::make_unique<FakeScriptSocket>(), d = std::make_unique<FakeScriptSocket>();
        main = m.get();
        data = d.get();
        engine = std::make_unique<ZelTelnet>(std::move(m), std::move(d),
                                             ScriptHost{&timers, {}, [] { return 0.0; }});
        engine->SetEvents(&events);
    }
    std::string Sent() const { return main->vecSent.empty() ? "" : main->vecSent.back(); }

    FakeScriptSocket* main = nullptr;
    FakeScriptSocket* data = nullptr;
    EventLog events;
    ata::test::ManualTimerService timers;
    std::unique_ptr<ZelTelnet> engine;
};

const char* kFtpScript = "HOST 127.0.0.1 21\r\nWAIT \"220\"\r\nSEND \"USER u\\n\"\r\n"
                         "WAIT \"331\"\r\nSEND \"PASS p\\n\"\r\nWAIT \"230\"\r\n"
                         "SEND \"PASV\\n\"\r\nWAIT \"227\"\r\nRETR \"CONFIG.REG\\n\"\r\n"
                         "WAIT \"226\"\r\nSEND \"QUIT\\n\"\r\nWAIT \"221\"\r\n";

} // namespace

TEST_F(ZelTelnetTest, ImmediateLinesProgressAndEndOnce) {
    engine->RunScript("ECHO \"x\""); // one line: nothing at all
    EXPECT_TRUE(events.vec.empty() && events.vecLog.empty());

    engine->RunScript("ECHO \"a\"\r\n# note\r\n\r\nDELAY 1.5\r\n");
    // The run waits for the pause's timer, with RunScript already returned.
    EXPECT_EQ(events.vec, (Lines{"Progress 25", "Progress 50", "Progress 75", "Progress 100"}));
    timers.Advance(1999);
    EXPECT_TRUE(engine->IsRunning());
    timers.Advance(1);
    EXPECT_EQ(events.vec.back(), "Complete");
    EXPECT_EQ(events.Count("Complete"), 1u);
    EXPECT_EQ(events.vecLog, (Lines{"Running script", "a", "Delay for 2 second(s)", "End of script",
                                    "Closed connection."}));

    std::string s; // a long run of immediate lines, without deep recursion
    for (int i = 0; i < 200000; ++i)
        s += "#\r\n";
    engine->RunScript(s);
    EXPECT_EQ(events.Count("Complete"), 2u);
}

// Input during a pause waits for the next line; an aborted or replaced run raises no more.
TEST_F(ZelTelnetTest, DelaysHoldWhatArrivesAndAnAbortedRunGoesNoFurther) {
    engine->RunScript("HOST h\r\nWAIT \"login\"\r\nDELAY 1\r\nWAIT \"$\"\r\nSEND \"x\\n\"\r\n"
                      "DELAY 0\r\nWAIT \"bye\"\r\n");
    main->Connected();
    main->Receive("login: ");
    ASSERT_EQ(timers.ArmedCount(), 1u);
    main->Receive("$ "); // before the WAIT that looks for it has been reached
    EXPECT_TRUE(main->vecSent.empty());
    timers.Advance(1000);
    EXPECT_EQ(Sent(), "x\r\n");
    main->SendDone(); // on to a pause of none (no timer) and the last WAIT
    main->Receive("x\r\nbye");
    EXPECT_EQ(events.vec.back(), "Complete");

    events = {};
    const std::string strScript = "DELAY 1\r\nECHO \"after\"\r\n";
    engine->RunScript(strScript);
    engine->AbortScript();
    EXPECT_EQ(timers.ArmedCount(), 0u);
    engine->RunScript(strScript);
    engine->RunScript("DELAY 1\r\nECHO \"second\"\r\n");
    EXPECT_EQ(timers.ArmedCount(), 1u);
    timers.Advance(1000);
    EXPECT_EQ(events.Logged("after"), 0u);
    EXPECT_EQ(events.Logged("second"), 1u);
    EXPECT_EQ(events.Count("Complete"), 1u);

    engine->Mode = 2;
    engine->RunScript(kFtpScript);
    main->Connected();
    engine->AbortScript();
    main->lngState = ata::sckConnected;
    main->Receive("220 hi\r\n");
    EXPECT_NE(Sent(), "USER u\r\n");
    EXPECT_EQ(events.Count("Complete") + events.Count("Error FF"), 1u); // the run before's

    engine->RunScript(strScript);
    engine.reset();
    EXPECT_EQ(timers.ArmedCount(), 0u);
}

TEST_F(ZelTelnetTest, LinesThatCannotRunFailTheRun) {
    const struct {
        const char* szScript;
        size_t lngAt; // index of the message in the log
        const char* szMessage;
        const char* szEvent;
    } cases[] = {
        {"ECHO \"a\"\r\n#note\r\nECHO \"b\"\r\n", 2, "Unrecognised command on line 2", "Error TF"},
        {"ECHO \"a\r\nECHO \"b\"\r\n", 1, "Error 5", "Error FF"},
        {"PUT \"/nonexistent/zz\"\r\nECHO \"x\"\r\n", 1, "Error 53", "Error FF"},
        {"SEND \"x\"\r\nECHO \"y\"\r\n", 1, "Cannot SEND - connection is closed.", "Error FF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szScript);
        events = {};
        engine->RunScript(c.szScript);
        ASSERT_GT(events.vecLog.size(), c.lngAt);
        EXPECT_EQ(events.vecLog[c.lngAt], c.szMessage);
        EXPECT_EQ(events.vecLog.back(), "Closed connection.");
        EXPECT_EQ(events.vec.back(), c.szEvent);
        EXPECT_EQ(events.Count("Complete"), 0u);
    }
}

TEST_F(ZelTelnetTest, TelnetModeMatchesAcrossChunksAndStripsEcho) {
    engine->RunScript("HOST 10.1.1.1 21 extra\r\nWAIT \"220\"\r\n");
    EXPECT_EQ(main->vecCalls.back(), "Connect 10.1.1.1:21");
    engine->Mode = 0;
    engine->RunScript("host h\r\nWAIT \"login:\"\r\nSEND \"ls\\n\"\r\nWAIT \"$\"\r\n"
                      "SEND \"x\\n\"\r\n");
    EXPECT_EQ(main->vecCalls.back(), "Connect h:23"); // lower case; the telnet port
    main->Connected();
    main->Receive("Log");
    EXPECT_TRUE(main->vecSent.empty());
    main->Receive("in: ");
    ASSERT_EQ(Sent(), "ls\r\n");
    main->Receive("ls\r\nword\r\n$");
    EXPECT_EQ(Sent(), "x\r\n");
    Lines conv;
    engine->GetConversation(conv);
    // Text before the first command is filed in entry 0, ahead of the commands.
    EXPECT_EQ(conv, (Lines{"\r\nLogin: ", "ls\xA4word\r\n$", "x\xA4"}));
}

TEST_F(ZelTelnetTest, LoginFailureDetectedInModeOne) {
    engine->Mode = 1;
    engine->RunScript("HOST h\r\nWAIT \"$\"\r\n");
    main->Connected();
    main->Receive("LOGIN INCORRECT\r\n");
    EXPECT_EQ(events.vec.back(), "Error FT");
    // The last two are the flush of the buffer and the close.
    ASSERT_GE(events.vecLog.size(), 3u);
    EXPECT_EQ(
        Lines(events.vecLog.end() - 3, events.vecLog.end()),
        (Lines{"Incorrect username and/or password.", "LOGIN INCORRECT", "Closed connection."}));
}

// An unexpected reply or a refused data connection ends the run once, saying why.
TEST_F(ZelTelnetTest, FtpFailuresEndTheRunOnce) {
    engine->Mode = 2;
    for (const auto& [strWait, strEnd] :
         {std::pair<std::string, std::string>{"226", "Error FF"}, {"550", "Complete"}}) {
        events = {};
        engine->RunScript("HOST h 21\r\nWAIT \"220\"\r\nRETR \"X\\n\"\r\nWAIT \"" + strWait +
                          "\"\r\n");
        main->Connected();
        main->Receive("220 hi\r\n");
        main->Receive("550 No such file\r\n");
        main->Receive("226 late\r\n");
        EXPECT_EQ(events.vec.back(), strEnd);
        EXPECT_EQ(events.Count(strEnd), 1u);
        EXPECT_TRUE(data->vecCalls.empty() || data->vecCalls.back() == "CloseSck");
    }

    engine->RunScript(kFtpScript);
    main->Connected();
    main->Receive("220 a\r\n331 b\r\n");
    main->Receive("230 c\r\n");
    main->Receive("227 (127,0,0,1,4,1)\r\n");
    events = {};
    data->Fail(10061, "Connection refused.");
    EXPECT_EQ(events.vecLog, (Lines{"Winsock Data Error - 10061 : Connection refused.",
                                    "Unable to access the router via FTP.", "Aborting script",
                                    "Closed connection."}));
    EXPECT_EQ(events.vec, Lines{"Error FF"});
    main->Receive("226 done\r\n");
    EXPECT_EQ(events.vec, Lines{"Error FF"});
}

// A file's bytes are sent through the data connection in the integration tests.
TEST_F(ZelTelnetTest, PutOfAnEmptyFileEndsAtOnce) {
    const ata::test::ScratchFolder folder;
    const std::string strEmpty = folder.File("empty");
    ata::test::WriteBytes(strEmpty, "");
    engine->Mode = 2;
    engine->RunScript("HOST h 21\r\nWAIT \"220\"\r\nSTOR \"F\\n\"\r\nWAIT \"150\"\r\nPUT \"" +
                      strEmpty + "\"\r\nWAIT \"226\"\r\n");
    main->Connected();
    main->Receive("220 hi\r\n");
    EXPECT_EQ(Sent(), "STOR F\r\n");
    main->Receive("150 go\r\n");
    EXPECT_EQ(events.vec.back(), "Sent " + strEmpty);
    EXPECT_TRUE(data->vecSent.empty());
    main->Receive("226 ok\r\n");
    EXPECT_EQ(events.vec.back(), "Complete");
}
