#include "script/ScriptText.h"
#include "base/RaisedError.h"

#include <gtest/gtest.h>

using namespace ata::script;

TEST(ScriptFormat, LinesAreCleanedAndSplitIntoFields) {
    EXPECT_EQ(CleanLine("\t SEND \t\"x\"  "), "SEND  \"x\"");
    EXPECT_EQ(CleanLine(" \t "), "");
    EXPECT_EQ(GetField("HOST 1.2.3.4 21", " ", 3), "21");
    EXPECT_EQ(GetField("HOST 1.2.3.4", " ", 3), "");
    EXPECT_EQ(GetField("HOST  x", " ", 2), "");
    EXPECT_EQ(GetField("HOST  x", " ", 3), "x");
    EXPECT_EQ(GetField("a,,b", ",,", 2), "b");
    EXPECT_EQ(CountDelimiters("aaaa", "aa"), 2);
}

TEST(ScriptFormat, QuotedArgumentEscapesInOrder) {
    EXPECT_EQ(GetQuotedArgument("SEND \"USER admin\\n\""), "USER admin\r\n");
    EXPECT_EQ(GetQuotedArgument("SEND \"a\\Nb\""), "a\r\nb");
    EXPECT_EQ(GetQuotedArgument("ECHO \"say \\\"hi\\\"\""), "say \"hi\"");
    EXPECT_EQ(GetQuotedArgument("ECHO \"C:\\temp\""), "C:\\temp");
    EXPECT_EQ(GetQuotedArgument("ECHO \"a\" and \"b\""), "a\" and \"b");
    EXPECT_EQ(GetQuotedArgument("SEND plain"), "");
    EXPECT_THROW(GetQuotedArgument("SEND \"open"), ata::RaisedError);
}

TEST(ScriptFormat, ReceivedTextMatchingAndEchoes) {
    // Case-insensitive search is the base's; an empty reply matches nothing, not even "".
    EXPECT_TRUE(ReplyContains("x", ""));
    EXPECT_FALSE(ReplyContains("", ""));
    EXPECT_TRUE(IsReplyCode("226"));
    EXPECT_FALSE(IsReplyCode("/RFA/"));
    EXPECT_TRUE(IsFinalReplyLine("226 Done"));
    EXPECT_FALSE(IsFinalReplyLine("220-Welcome"));
    EXPECT_EQ(EchoLength("ls", "hello"), 4);
    EXPECT_EQ(EchoLength("ls", "xyz"), 4); // one past the end: nothing removed
    EXPECT_EQ(StripLineBreaks("\r\n\r\nword\r\n"), "word");
    EXPECT_EQ(RemoveCrLf("a\r\nb\rc\n"), "ab\rc\n");
}

TEST(ScriptFormat, ElapsedStampAndDelayRounding) {
    EXPECT_EQ(FormatElapsed(83.0456), "01:23:046");
    EXPECT_EQ(FormatElapsed(3600 + 5.5), "00:05:500");
    EXPECT_EQ(DelaySeconds("1.5"), 2);
    EXPECT_EQ(DelaySeconds("2.5"), 2);
    EXPECT_EQ(DelaySeconds("abc"), 0);
    EXPECT_EQ(DelaySeconds("3s"), 3);
}

TEST(PassiveReply, ReadsHostAndPortAndRefusesMalformedReplies) {
    auto r = ParsePassiveReply("227 Entering Passive Mode (10,0,0,99,4,1)");
    ASSERT_TRUE(r.blnValid);
    EXPECT_EQ(r.strHost, "10.0.0.99");
    EXPECT_EQ(r.lngPort, 1025);
    r = ParsePassiveReply("227 Entering Passive Mode (192,168,0,1,255,255).");
    ASSERT_TRUE(r.blnValid);
    EXPECT_EQ(r.lngPort, 65535);
    for (const char* sz : {"227 =127,0,0,1,195,80", "227 Entering Passive Mode", "227 (1,2,3,4,5)",
                           "227 (1,2,3,256,5,6)", "227 (1,2,3,4,5,99999)", "227 ("})
        EXPECT_FALSE(ParsePassiveReply(sz).blnValid) << sz;
}
