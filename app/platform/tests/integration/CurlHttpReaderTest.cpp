#include "app/platform/CurlHttpReader.h"
#include "testing/FakeAtaHttpServer.h"
#include "testing/PostQueue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <thread>

namespace ata::test {
namespace {

using Clock = std::chrono::steady_clock;

TEST(CurlHttpReaderTest, ReadsDirectlyByteForByteUpToTheCapCompletesOnTheLoopAndJoinsAtTheEnd) {
    FakeAtaHttpServer server;
    PostQueue queue;
    std::thread::id idPoster;
    auto reader = std::make_unique<CurlHttpReader>([&](std::function<void()> fn) {
        idPoster = std::this_thread::get_id();
        queue.Post(std::move(fn));
    });
    const std::string strBody("line one\r\n\0\xff\x80\n", 15);
    server.SetPage("/cgi/syslog.txt", strBody);
    std::optional<HttpReadResult> result;
    std::thread::id idCompletion;
    reader->BeginRead(server.Url("/cgi/syslog.txt"), [&](HttpReadResult r) {
        idCompletion = std::this_thread::get_id();
        result = std::move(r);
    });
    queue.WaitForPost(Clock::now() + std::chrono::seconds(30));
    ASSERT_EQ(queue.Size(), 1u);
    EXPECT_FALSE(result); // finished and posted, not yet run
    EXPECT_NE(idPoster, std::this_thread::get_id());
    queue.Drain();
    ASSERT_TRUE(result);
    EXPECT_EQ(idCompletion, std::this_thread::get_id());
    EXPECT_TRUE(result->blnOk) << result->strError;
    EXPECT_EQ(result->strBody, strBody);

    // The environment names the server itself as the proxy: a proxied request would ask for
    // the whole address and find no page. A body at the cap and a slow answer within the
    // time-out arrive; anything but HTTP is refused.
    const std::string strAtCap(CurlHttpReader::Options{}.lngMaxBodyBytes, 'a');
    server.SetPage("/at-cap", strAtCap);
    server.SetRoute("/slow", {200, "late but fine", FakeAtaHttpServer::Fault::None, 1200});
    ::setenv("http_proxy", server.Url("").c_str(), 1);
    ::setenv("HTTP_PROXY", server.Url("").c_str(), 1);
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {server.Url("/at-cap"), strAtCap},
        {server.Url("/slow"), "late but fine"},
        {"file:///etc/hostname", std::nullopt}};
    for (const auto& [strUrl, body] : cases) {
        SCOPED_TRACE(strUrl);
        result.reset();
        reader->BeginRead(strUrl, [&](HttpReadResult r) { result = std::move(r); });
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (!result && queue.WaitForPost(deadline))
            queue.Drain();
        ASSERT_TRUE(result);
        EXPECT_EQ(result->blnOk, body.has_value()) << result->strError;
        EXPECT_TRUE(!body || result->strBody == *body);
    }
    ::unsetenv("http_proxy");
    ::unsetenv("HTTP_PROXY");
    EXPECT_EQ(server.RequestLines(),
              (std::vector<std::string>{"GET /cgi/syslog.txt HTTP/1.1", "GET /at-cap HTTP/1.1",
                                        "GET /slow HTTP/1.1"}));

    // Destroyed with a transfer in flight: it joins at once and posts nothing.
    server.SetRoute("/hang", {200, "", FakeAtaHttpServer::Fault::Hang});
    reader->BeginRead(server.Url("/hang"), [&](HttpReadResult) { ADD_FAILURE() << "posted"; });
    ASSERT_TRUE(server.WaitForRequests(4, std::chrono::seconds(30)));
    const auto start = Clock::now();
    reader.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    queue.Drain();
}

} // namespace
} // namespace ata::test
