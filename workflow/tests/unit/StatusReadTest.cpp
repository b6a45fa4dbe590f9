#include "workflow/StatusRead.h"
#include "FakeHttpReader.h"
#include "RecordingWindow.h"

#include <gtest/gtest.h>

using namespace ata;
using ata::test::FakeHttpReader;
using ata::test::PostQueue;
using ata::test::RecordingWindow;

namespace {
std::string Page(const std::string& strAfterComment) {
    return "<html><body><table><tr><td>Other</td></tr></table>"
           "<!--SIP Registration Information!-->" +
           strAfterComment + "</body></html>";
}
} // namespace

TEST(IsSipRegistered, FirstCellWithWhitespaceAndAnyCase) {
    EXPECT_TRUE(IsSipRegistered(Page("<table><tr><th>State</th><td>\r\n  Registered \t</td>"
                                     "</tr></table>")));
    EXPECT_TRUE(IsSipRegistered(Page("<TABLE><TR><TD>REGISTERED</TD></TR></TABLE>")));
}

TEST(IsSipRegistered, CommentInCapitalsMatches) {
    EXPECT_TRUE(IsSipRegistered("<!--SIP REGISTRATION INFORMATION!--><table><td>registered"
                                "</td></table>"));
}

TEST(IsSipRegistered, NotRegisteredCases) {
    EXPECT_FALSE(IsSipRegistered(Page("<table><td>NOT REGISTERED</td></table>")));
    EXPECT_FALSE(IsSipRegistered(Page("<table><td>REGISTERED</td>"))); // no </table>
    EXPECT_FALSE(IsSipRegistered(Page("<table><td>Idle</td><td>REGISTERED</td></table>")));
    EXPECT_FALSE(IsSipRegistered(Page("<table><td class=\"x\">REGISTERED</td></table>")));
    EXPECT_FALSE(IsSipRegistered("<table><td>REGISTERED</td></table>")); // no comment
    EXPECT_FALSE(IsSipRegistered(""));
}

TEST(ReadAtaStatus, SetsLampAndStatusFromPage) {
    PostQueue queue;
    FakeHttpReader reader(queue);
    FileDownloader downloader(reader);
    RecordingWindow window;
    window.OnYield = [&] { queue.Drain(); };
    reader.SetBody("http://127.0.0.1/doc/m_set.htm", Page("<table><td>Registered</td></table>"));
    ReadAtaStatus(window, downloader, "127.0.0.1");
    EXPECT_EQ(window.lngVoIPColour, kColourGreen);
    EXPECT_EQ(window.OpsStartingWith("SetStatus"),
              (std::vector<std::string>{"SetStatus(Browsing to http://127.0.0.1/doc/m_set.htm)",
                                        "SetStatus(ATA status read.)"}));
    EXPECT_TRUE(window.OpsStartingWith("SetLogText").empty());
}

TEST(ReadAtaStatus, FailedFetchGivesRedAndSameStatus) {
    PostQueue queue;
    FakeHttpReader reader(queue);
    FileDownloader downloader(reader);
    RecordingWindow window;
    window.OnYield = [&] { queue.Drain(); };
    ReadAtaStatus(window, downloader, "127.0.0.1");
    EXPECT_EQ(window.lngVoIPColour, kColourRed);
    EXPECT_EQ(window.strStatus, "ATA status read.");
}
