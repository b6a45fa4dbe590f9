#include "workflow/FileDownloader.h"
#include "FakeHttpReader.h"
#include "RecordingWindow.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ata;
using ata::test::FakeHttpReader;
using ata::test::PostQueue;
using ata::test::RecordingWindow;

namespace {

const std::string kUrl = "http://127.0.0.1/page";

struct FileDownloaderTest : ::testing::Test {
    PostQueue queue;
    FakeHttpReader reader{queue};
    FileDownloader downloader{reader};
    RecordingWindow window;
    FileDownloaderTest() {
        window.OnYield = [this] { queue.Drain(); };
    }
};

} // namespace

TEST_F(FileDownloaderTest, CompletionWaitsForTheWindowToYield) {
    reader.SetBody(kUrl, "hello");
    ASSERT_TRUE(downloader.BeginDownload(kUrl, kUrl));
    // The reader has finished and posted, but nothing runs until the UI loop does.
    EXPECT_EQ(queue.Size(), 1u);
    EXPECT_FALSE(downloader.blnDownloadComplete());
    EXPECT_EQ(downloader.strFileContents(), "");
    queue.Drain();
    EXPECT_TRUE(downloader.blnDownloadComplete());
    EXPECT_FALSE(downloader.blnDownloadError());
    EXPECT_EQ(downloader.strFileContents(), "hello");
}

TEST_F(FileDownloaderTest, NulBecomesLineFeedOtherBytesUnchanged) {
    std::string strBody("a\0b\r\n\xff\x80", 7);
    strBody.push_back('\0');
    reader.SetBody(kUrl, strBody);
    downloader.BeginDownload(kUrl, kUrl);
    queue.Drain();
    EXPECT_EQ(downloader.strFileContents(), std::string("a\nb\r\n\xff\x80\n"));
}

TEST_F(FileDownloaderTest, BodiesShorterThanTwoBytesAreErrors) {
    for (const std::string& strBody : {std::string(), std::string("x")}) {
        reader.SetBody(kUrl, strBody);
        downloader.BeginDownload(kUrl, kUrl);
        queue.Drain();
        EXPECT_TRUE(downloader.blnDownloadComplete());
        EXPECT_TRUE(downloader.blnDownloadError());
        EXPECT_EQ(downloader.strFileContents(), "");
    }
    reader.SetBody(kUrl, "xy");
    downloader.BeginDownload(kUrl, kUrl);
    queue.Drain();
    EXPECT_FALSE(downloader.blnDownloadError());
    EXPECT_EQ(downloader.strFileContents(), "xy");
}

TEST_F(FileDownloaderTest, FailureSetsOnlyErrorAndNextFetchStartsClean) {
    reader.SetFailure(kUrl);
    downloader.BeginDownload(kUrl, kUrl);
    queue.Drain();
    EXPECT_TRUE(downloader.blnDownloadError());
    EXPECT_FALSE(downloader.blnDownloadComplete());
    reader.SetBody(kUrl, "ok page");
    downloader.BeginDownload(kUrl, kUrl);
    EXPECT_FALSE(downloader.blnDownloadError());
    queue.Drain();
    EXPECT_TRUE(downloader.blnDownloadComplete());
    EXPECT_FALSE(downloader.blnDownloadError());
    EXPECT_EQ(downloader.strFileContents(), "ok page");
}

TEST_F(FileDownloaderTest, LateCompletionOfEarlierFetchIsIgnored) {
    reader.SetBody(kUrl, "old");
    downloader.BeginDownload(kUrl, kUrl);
    reader.SetFailure(kUrl);
    downloader.BeginDownload(kUrl, kUrl);
    queue.Drain();
    EXPECT_TRUE(downloader.blnDownloadError());
    EXPECT_EQ(downloader.strFileContents(), "");
}

TEST_F(FileDownloaderTest, CompletionAfterDownloaderIsGoneDoesNothing) {
    auto ptrOther = std::make_unique<FileDownloader>(reader);
    reader.SetBody(kUrl, "late");
    ptrOther->BeginDownload(kUrl, kUrl);
    ptrOther.reset();
    queue.Drain(); // must not touch the freed downloader (ASan build)
    SUCCEED();
}

TEST_F(FileDownloaderTest, BrowseToWaitsOneSecondEvenForAnImmediateAnswer) {
    reader.SetBody(kUrl, "page text");
    EXPECT_EQ(BrowseTo(window, downloader, kUrl), "page text");
    EXPECT_EQ(window.vecOps, (std::vector<std::string>{"SetStatus(Browsing to " + kUrl + ")",
                                                       "DoEvents", "Sleep(1000)", "DoEvents"}));
    EXPECT_EQ(reader.vecUrls, std::vector<std::string>{kUrl});
}

TEST_F(FileDownloaderTest, BrowseToKeepsPollingOncePerSecondUntilDone) {
    reader.SetBody(kUrl, "slow page");
    // Deliver only at the third yield after the fetch started.
    int intYields = 0;
    window.OnYield = [&] {
        if (++intYields == 4) {
            queue.Drain();
        }
    };
    EXPECT_EQ(BrowseTo(window, downloader, kUrl), "slow page");
    EXPECT_EQ(window.OpsStartingWith("Sleep").size(), 2u);
    EXPECT_EQ(window.lngSleptMilliseconds, 2000);
}

TEST_F(FileDownloaderTest, BrowseToFailureGivesEmptyText) {
    reader.SetFailure(kUrl);
    EXPECT_EQ(BrowseTo(window, downloader, kUrl), "");
    EXPECT_EQ(window.lngSleptMilliseconds, 1000);
}

TEST_F(FileDownloaderTest, BrowseToEndsAtOnceWhenTheReadCannotStart) {
    reader.blnFailToStart = true;
    EXPECT_EQ(BrowseTo(window, downloader, kUrl), "");
    EXPECT_EQ(window.lngSleptMilliseconds, 0);
}

TEST(BuildDeviceUrl, JoinsAddressAndPage) {
    EXPECT_EQ(BuildDeviceUrl("192.168.0.1", "doc/m_set.htm"), "http://192.168.0.1/doc/m_set.htm");
    RecordingWindow window;
    window.strIp = "127.0.0.1:8080";
    EXPECT_EQ(BuildDeviceUrl(window, "cgi/syslog.txt"), "http://127.0.0.1:8080/cgi/syslog.txt");
}
