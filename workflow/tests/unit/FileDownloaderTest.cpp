#include "workflow/FileDownloader.h"
#include "base/RaisedError.h"
#include "testing/PostQueue.h"
#include "testing/RecordingWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace ata;

namespace {

const std::string kUrl = "http://127.0.0.1/page";

// Answers kUrl with the body (none: fails), posted as the real reader posts to the UI loop.
struct FakeReader : IHttpReader {
    test::PostQueue& queue;
    std::optional<std::string> optBody;
    bool blnFailToStart = false;
    explicit FakeReader(test::PostQueue& q) : queue(q) {}
    void BeginRead(const std::string& strUrl, Completion fnDone) override {
        if (blnFailToStart)
            throw RaisedError(1, "FakeReader.BeginRead", "cannot start");
        const bool blnOk = optBody && strUrl == kUrl;
        HttpReadResult result{blnOk, optBody.value_or(""), blnOk ? "" : "failed"};
        queue.Post([fnDone, result] { fnDone(result); });
    }
};

struct FileDownloaderTest : ::testing::Test {
    test::PostQueue queue;
    FakeReader reader{queue};
    FileDownloader downloader{reader};
    test::RecordingWindow window;
};

} // namespace

// Each fetch starts clean; late completions of an earlier fetch or a gone downloader are ignored.
TEST_F(FileDownloaderTest, BodiesShorterThanTwoBytesFailedReadsAndLateCompletions) {
    // {body (none: the read fails), error}: bodies shorter than two bytes are errors.
    const std::pair<std::optional<std::string>, bool> cases[] = {
        {"", true}, {"x", true}, {"xy", false}, {std::nullopt, true}, {"ok page", false}};
    for (const auto& [optBody, blnError] : cases) {
        reader.optBody = optBody;
        ASSERT_TRUE(downloader.BeginDownload(kUrl, kUrl));
        // The completion waits until the window yields.
        EXPECT_FALSE(downloader.blnDownloadComplete() || downloader.blnDownloadError());
        EXPECT_EQ(downloader.strFileContents(), "");
        queue.Drain();
        EXPECT_EQ(downloader.blnDownloadComplete(), optBody.has_value()) << optBody.value_or("-");
        EXPECT_EQ(downloader.blnDownloadError(), blnError) << optBody.value_or("-");
        EXPECT_EQ(downloader.strFileContents(), blnError ? "" : *optBody);
    }
    reader.optBody = "old";
    downloader.BeginDownload(kUrl, kUrl);
    reader.optBody.reset();
    downloader.BeginDownload(kUrl, kUrl);
    auto ptrOther = std::make_unique<FileDownloader>(reader);
    ptrOther->BeginDownload(kUrl, kUrl);
    ptrOther.reset();
    queue.Drain(); // must not touch the freed downloader (ASan build)
    EXPECT_TRUE(downloader.blnDownloadError());
    EXPECT_EQ(downloader.strFileContents(), "");
}

// Each second of waiting is a sleep and a yield; the slow page comes from the fourth yield on.
TEST_F(FileDownloaderTest, BrowseToPollsOncePerSecondAndGivesEmptyTextOnFailure) {
    int intYields = 0, intDeliverAt = 1;
    window.OnYield = [&] {
        if (++intYields >= intDeliverAt)
            queue.Drain();
    };
    const struct {
        std::optional<std::string> optBody;
        int intDeliverAt, lngSleptMs;
    } cases[] = {{"page text", 1, 1000}, {"slow page", 4, 2000}, {std::nullopt, 1, 1000}};
    for (const auto& c : cases) {
        reader.optBody = c.optBody;
        intYields = 0;
        intDeliverAt = c.intDeliverAt;
        window.vecOps.clear();
        EXPECT_EQ(BrowseTo(window, downloader, kUrl), c.optBody.value_or(""));
        std::vector<std::string> vecOps{"SetStatus(Browsing to " + kUrl + ")", "DoEvents"};
        for (int lngMs = 0; lngMs < c.lngSleptMs; lngMs += 1000)
            vecOps.insert(vecOps.end(), {"Sleep(1000)", "DoEvents"});
        EXPECT_EQ(window.vecOps, vecOps);
    }
    // A read that cannot start ends at once.
    reader.blnFailToStart = true;
    window.vecOps.clear();
    EXPECT_EQ(BrowseTo(window, downloader, kUrl), "");
    EXPECT_EQ(window.OpsStartingWith("Sleep("), std::vector<std::string>{});
}
