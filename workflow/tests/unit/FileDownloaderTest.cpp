#include "workflow/FileDownloader.h"
#include "testing/FakeHttpReader.h"
#include "testing/RecordingWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace ata;

namespace {

const std::string kUrl = "http://127.0.0.1/page";

struct FileDownloaderTest : ::testing::Test {
    test::PostQueue queue;
    test::FakeHttpReader reader{queue};
    FileDownloader downloader{reader};
    test::RecordingWindow window;
    FileDownloaderTest() {
        window.OnYield = [this] { queue.Drain(); };
    }
};

} // namespace

// NUL bytes read as line feeds are covered through the real window.
TEST_F(FileDownloaderTest, BodiesShorterThanTwoBytesAndFailedReadsAreErrors) {
    struct Case {
        std::optional<std::string> optBody; // none: the read fails
        bool blnComplete, blnError;
        std::string strContents;
    };
    // Each fetch starts clean, whatever the one before left.
    const Case cases[] = {{"", true, true, ""},
                          {"x", true, true, ""},
                          {"xy", true, false, "xy"},
                          {std::nullopt, false, true, ""},
                          {"ok page", true, false, "ok page"}};
    for (const Case& c : cases) {
        c.optBody ? reader.SetBody(kUrl, *c.optBody) : reader.SetFailure(kUrl);
        ASSERT_TRUE(downloader.BeginDownload(kUrl, kUrl));
        // The completion waits until the window yields.
        EXPECT_FALSE(downloader.blnDownloadComplete() || downloader.blnDownloadError());
        EXPECT_EQ(downloader.strFileContents(), "");
        queue.Drain();
        EXPECT_EQ(downloader.blnDownloadComplete(), c.blnComplete) << c.strContents;
        EXPECT_EQ(downloader.blnDownloadError(), c.blnError) << c.strContents;
        EXPECT_EQ(downloader.strFileContents(), c.strContents);
    }
}

TEST_F(FileDownloaderTest, LateCompletionsOfAnEarlierFetchOrAGoneDownloaderAreIgnored) {
    reader.SetBody(kUrl, "old");
    downloader.BeginDownload(kUrl, kUrl);
    reader.SetFailure(kUrl);
    downloader.BeginDownload(kUrl, kUrl);
    auto ptrOther = std::make_unique<FileDownloader>(reader);
    ptrOther->BeginDownload(kUrl, kUrl);
    ptrOther.reset();
    queue.Drain(); // must not touch the freed downloader (ASan build)
    EXPECT_TRUE(downloader.blnDownloadError());
    EXPECT_EQ(downloader.strFileContents(), "");
}

TEST_F(FileDownloaderTest, BrowseToPollsOncePerSecondAndGivesEmptyTextOnFailure) {
    reader.SetBody(kUrl, "page text");
    EXPECT_EQ(BrowseTo(window, downloader, kUrl), "page text");
    EXPECT_EQ(window.vecOps, (std::vector<std::string>{"SetStatus(Browsing to " + kUrl + ")",
                                                       "DoEvents", "Sleep(1000)", "DoEvents"}));
    // Delivered only at the third yield after the fetch started.
    window.lngSleptMilliseconds = 0;
    reader.SetBody(kUrl, "slow page");
    int intYields = 0;
    window.OnYield = [&] {
        if (++intYields == 4)
            queue.Drain();
    };
    EXPECT_EQ(BrowseTo(window, downloader, kUrl), "slow page");
    EXPECT_EQ(window.lngSleptMilliseconds, 2000);

    window.OnYield = [this] { queue.Drain(); };
    window.lngSleptMilliseconds = 0;
    reader.SetFailure(kUrl);
    EXPECT_EQ(BrowseTo(window, downloader, kUrl), "");
    EXPECT_EQ(window.lngSleptMilliseconds, 1000);
    // A read that cannot start ends at once.
    reader.blnFailToStart = true;
    EXPECT_EQ(BrowseTo(window, downloader, kUrl), "");
    EXPECT_EQ(window.lngSleptMilliseconds, 1000);
}
