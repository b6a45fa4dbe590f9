#include "workflow/StatusRead.h"

#include <gtest/gtest.h>

using namespace ata;

namespace {
std::string Page(const std::string& strAfterComment) {
    return "<html><body><table><tr><td>Other</td></tr></table>"
           "<!--SIP Registration Information!-->" +
           strAfterComment + "</body></html>";
}
} // namespace

TEST(IsSipRegistered, FirstCellAfterTheCommentWithWhitespaceAndAnyCase) {
    EXPECT_TRUE(IsSipRegistered(Page("<table><tr><th>State</th><td>\r\n  Registered \t</td>"
                                     "</tr></table>")));
    EXPECT_TRUE(IsSipRegistered(Page("<TABLE><TR><TD>REGISTERED</TD></TR></TABLE>")));
    EXPECT_TRUE(IsSipRegistered("<!--SIP REGISTRATION INFORMATION!--><table><td>registered"
                                "</td></table>"));

    EXPECT_FALSE(IsSipRegistered(Page("<table><td>NOT REGISTERED</td></table>")));
    EXPECT_FALSE(IsSipRegistered(Page("<table><td>REGISTERED</td>"))); // no </table>
    EXPECT_FALSE(IsSipRegistered(Page("<table><td>Idle</td><td>REGISTERED</td></table>")));
    EXPECT_FALSE(IsSipRegistered(Page("<table><td class=\"x\">REGISTERED</td></table>")));
    EXPECT_FALSE(IsSipRegistered("<table><td>REGISTERED</td></table>")); // no comment
    EXPECT_FALSE(IsSipRegistered(""));
}
