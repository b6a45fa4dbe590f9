#include "script/ZelTelnet.h"
#include "testing/FakeScriptSocket.h"
#include "testing/ManualTimerService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <unistd.h>

using namespace ata::script;
using ata::script::test::FakeScriptSocket;

namespace {

// Records the engine's events in order as readable lines.
struct EventLog : IZelTelnetEvents {
    std::vector<std::string> vec;
    std::vector<std::string> vecLog; // log messages without time stamps
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
    FakeScriptSocket* main = nullptr;
    FakeScriptSocket* data = nullptr;
    EventLog events;
    ata::test::ManualTimerService timers;
    std::unique_ptr<ZelTelnet> engine;

    void SetUp() override {
        auto m = std::make_unique<FakeScriptSocket>();
        auto d = std::make_unique<FakeScriptSocket>();
        main = m.get();
        data = d.get();
        engine = std::make_unique<ZelTelnet>(std::move(m), std::move(d),
                                             ScriptHost{&timers, {}, [] { return 0.0; }});
        engine->SetEvents(&events);
    }

    std::string Sent() const { return main->vecSent.empty() ? "" : main->vecSent.back(); }
};

const char* kFtpScript = "HOST 127.0.0.1 21\r\nWAIT \"220\"\r\nSEND \"USER u\\n\"\r\n"
                         "WAIT \"331\"\r\nSEND \"PASS p\\n\"\r\nWAIT \"230\"\r\n"
                         "SEND \"PASV\\n\"\r\nWAIT \"227\"\r\nRETR \"CONFIG.REG\\n\"\r\n"
                         "WAIT \"226\"\r\nSEND \"QUIT\\n\"\r\nWAIT \"221\"\r\n";

} // namespace

TEST_F(ZelTelnetTest, ImmediateLinesProgressAndEndOnce) {
    engine->RunScript("ECHO \"x\""); // one line: nothing at all
    EXPECT_TRUE(events.vec.empty());
    EXPECT_TRUE(events.vecLog.empty());

    engine->RunScript("ECHO \"a\"\r\n# note\r\n\r\nDELAY 1.5\r\n");
    // The run waits for the pause's timer, with RunScript already returned.
    EXPECT_EQ(events.vec, (std::vector<std::string>{"Progress 25", "Progress 50", "Progress 75",
                                                    "Progress 100"}));
    timers.Advance(1999);
    EXPECT_TRUE(engine->IsRunning());
    timers.Advance(1);
    EXPECT_EQ(events.vec.back(), "Complete");
    EXPECT_EQ(events.Count("Complete"), 1u);
    EXPECT_EQ(events.vecLog,
              (std::vector<std::string>{"Running script", "a", "Delay for 2 second(s)",
                                        "End of script", "Closed connection."}));
    EXPECT_EQ(engine->ConsoleLog, "Running script\r\na\r\nDelay for 2 second(s)\r\nEnd of "
                                  "script\r\nClosed connection.\r\n");

    std::string s; // a long run of immediate lines, without deep recursion
    for (int i = 0; i < 200000; ++i)
        s += "#\r\n";
    engine->RunScript(s);
    EXPECT_EQ(events.Count("Complete"), 2u);
}

TEST_F(ZelTelnetTest, WhatArrivesDuringADelayIsHandledAfterTheNextLine) {
    engine->RunScript("HOST h\r\nWAIT \"login\"\r\nDELAY 1\r\nWAIT \"$\"\r\nSEND \"x\\n\"\r\n"
                      "DELAY 0\r\nWAIT \"bye\"\r\n");
    main->Connected();
    main->Receive("login: ");
    ASSERT_EQ(timers.ArmedCount(), 1u);
    // The prompt comes during the pause, before the WAIT that looks for it has been reached.
    main->Receive("$ ");
    EXPECT_TRUE(main->vecSent.empty());
    timers.Advance(1000);
    EXPECT_EQ(Sent(), "x\r\n");
    main->SendDone(); // on to a pause of none (no timer) and the last WAIT
    main->Receive("x\r\nbye");
    EXPECT_EQ(events.vec.back(), "Complete");
}

TEST_F(ZelTelnetTest, AnAbortedOrReplacedRunDoesNotGoOnAfterItsDelay) {
    const std::string strScript = "DELAY 1\r\nECHO \"after\"\r\n";
    engine->RunScript(strScript);
    engine->AbortScript();
    EXPECT_EQ(timers.ArmedCount(), 0u);
    engine->RunScript(strScript);
    engine->RunScript("DELAY 1\r\nECHO \"second\"\r\n");
    EXPECT_EQ(timers.ArmedCount(), 1u);
    timers.Advance(1000);
    EXPECT_EQ(events.vecLog.back(), "Closed connection.");
    EXPECT_EQ(events.Logged("after"), 0u);
    EXPECT_EQ(events.Logged("second"), 1u);
    EXPECT_EQ(events.Count("Complete"), 1u);

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
    std::vector<std::string> conv;
    engine->GetConversation(conv);
    // Text before the first command is filed in entry 0, ahead of the commands.
    EXPECT_EQ(conv, (std::vector<std::string>{"\r\nLogin: ", "ls\xA4word\r\n$", "x\xA4"}));
}

TEST_F(ZelTelnetTest, LoginFailureDetectedInModeOne) {
    engine->Mode = 1;
    engine->RunScript("HOST h\r\nWAIT \"$\"\r\n");
    main->Connected();
    main->Receive("LOGIN INCORRECT\r\n");
    EXPECT_EQ(events.vec.back(), "Error FT");
    const auto& l = events.vecLog;
    ASSERT_GE(l.size(), 3u);
    // The last two are the flush of the buffer and the close.
    EXPECT_EQ(std::vector<std::string>(l.end() - 3, l.end()),
              (std::vector<std::string>{"Incorrect username and/or password.", "LOGIN INCORRECT",
                                        "Closed connection."}));
}

// Replies ending in LF alone or in a bare code, and what follows RETR (a preliminary reply,
// a completion before the data has ended) run against servers in the integration tests.
TEST_F(ZelTelnetTest, FtpModeMatchesWholeReplyLines) {
    engine->Mode = 2;
    engine->RunScript(kFtpScript);
    main->Connected();
    main->Receive("220-Welcome\r\n220-more ");
    main->Receive("text\r\n22");
    EXPECT_TRUE(main->vecSent.empty()); // greeting not finished
    main->Receive("0 ready\r\n");
    ASSERT_EQ(Sent(), "USER u\r\n");
    EXPECT_EQ(events.vecLog.back(), ">USER u\r\n");
    main->Receive("33");
    main->Receive("1 need password\r\n");
    EXPECT_EQ(Sent(), "PASS p\r\n");
    main->Receive("230 ok\r\n");
    EXPECT_EQ(Sent(), "PASV\r\n");
    // Passive reply naming another host: only the port is used.
    main->Receive("227 Entering Passive Mode (10,9,8,7,4,1)\r\n");
    EXPECT_EQ(data->vecCalls.back(), "Connect 127.0.0.1:1025");
    EXPECT_EQ(events.Logged("Connecting to 127.0.0.1:1025"), 1u);
    EXPECT_EQ(Sent(), "RETR CONFIG.REG\r\n");
    std::vector<std::string> conv;
    engine->GetConversation(conv);
    EXPECT_EQ(conv, (std::vector<std::string>{"USER u\xA4", "PASS p\xA4", "PASV\xA4",
                                              "RETR CONFIG.REG\xA4"}));
}

TEST_F(ZelTelnetTest, FtpFailuresEndTheRunOnce) {
    const struct {
        std::string strScript;
        std::vector<std::string> vecReplies; // "" closes the connection from the server side
        const char* szEnd;
    } cases[] = {
        {kFtpScript,
         {"220 hi\r\n331 pw\r\n", "530 Login incorrect.\r\n", "530 again\r\n"},
         "Error FT"},
        {"HOST h 21\r\nWAIT \"220\"\r\nRETR \"X\\n\"\r\nWAIT \"226\"\r\n",
         {"220 hi\r\n", "550 No such file\r\n"},
         "Error FF"},
        {"HOST h 21\r\nWAIT \"220\"\r\nSEND \"PASV\\n\"\r\nWAIT \"227\"\r\n",
         {"220 hi\r\n227 Entering Passive Mode 1,2,3\r\n"},
         "Error FF"},
        {kFtpScript, {""}, "Error FF"},
        // A script waiting for the code on purpose still matches it.
        {"HOST h 21\r\nWAIT \"220\"\r\nRETR \"X\\n\"\r\nWAIT \"550\"\r\n",
         {"220 hi\r\n550 No such file\r\n"},
         "Complete"},
    };
    engine->Mode = 2;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vecReplies.back());
        events = {};
        engine->RunScript(c.strScript);
        main->Connected();
        for (const auto& s : c.vecReplies)
            s.empty() ? main->PeerClose() : main->Receive(s);
        EXPECT_EQ(events.vec.back(), c.szEnd);
        EXPECT_EQ(events.Count(c.szEnd), 1u);
        EXPECT_TRUE(data->vecCalls.empty() || data->vecCalls.back() == "CloseSck");
    }

    events = {};
    engine->RunScript(kFtpScript);
    main->Fail(10061, "Connection refused.");
    EXPECT_EQ(events.vecLog[2], "Winsock Control Error - 10061 : Connection refused.");
    EXPECT_EQ(events.vec.back(), "Error FF");
}

TEST_F(ZelTelnetTest, RefusedDataConnectionLogsFourMessages) {
    engine->Mode = 2;
    engine->RunScript(kFtpScript);
    main->Connected();
    main->Receive("220 a\r\n331 b\r\n");
    main->Receive("230 c\r\n");
    main->Receive("227 (127,0,0,1,4,1)\r\n");
    events.vecLog.clear();
    data->Fail(10061, "Connection refused.");
    EXPECT_EQ(events.vecLog,
              (std::vector<std::string>{"Winsock Data Error - 10061 : Connection refused.",
                                        "Unable to access the router via FTP.", "Aborting script",
                                        "Closed connection."}));
    EXPECT_EQ(events.vec.back(), "Error FF");
    main->Receive("226 done\r\n");
    EXPECT_EQ(events.Count("Complete"), 0u);
}

TEST_F(ZelTelnetTest, AbortDuringWaitRaisesNothingMore) {
    engine->Mode = 2;
    engine->RunScript(kFtpScript);
    main->Connected();
    engine->AbortScript();
    EXPECT_EQ(events.vecLog.back(), "Closed connection.");
    main->lngState = ata::script::sckConnected;
    main->Receive("220 hi\r\n");
    main->SendDone();
    EXPECT_EQ(events.Count("Complete"), 0u);
    EXPECT_EQ(events.Count("Error FF"), 0u);
    EXPECT_TRUE(main->vecSent.empty());
}

// A file's bytes are sent through the data connection in the integration tests.
TEST_F(ZelTelnetTest, PutOfAnEmptyFileEndsAtOnce) {
    const std::string empty = (std::filesystem::temp_directory_path() /
                               ("zeltelnet_put_empty_" + std::to_string(::getpid())))
                                  .string();
    std::ofstream(empty, std::ios::binary);
    engine->Mode = 2;
    engine->RunScript("HOST h 21\r\nWAIT \"220\"\r\nSTOR \"F\\n\"\r\nWAIT \"150\"\r\nPUT \"" +
                      empty + "\"\r\nWAIT \"226\"\r\n");
    main->Connected();
    main->Receive("220 hi\r\n");
    EXPECT_EQ(Sent(), "STOR F\r\n");
    main->Receive("150 go\r\n");
    EXPECT_EQ(events.vec.back(), "Sent " + empty);
    EXPECT_TRUE(data->vecSent.empty());
    main->Receive("226 ok\r\n");
    EXPECT_EQ(events.vec.back(), "Complete");
    std::filesystem::remove(empty);
}
