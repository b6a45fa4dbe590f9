#include "app/platform/CurlHttpReader.h"
#include "testing/FakeAtaHttpServer.h"
#include "testing/PostQueue.h"
#include "testing/SocketTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

using namespace ata;
using ata::test::FakeAtaHttpServer;
using ata::test::PostQueue;
using Clock = std::chrono::steady_clock;

namespace {

struct CurlHttpReaderTest : ::testing::Test {
    FakeAtaHttpServer server;
    PostQueue queue;

    // Starts a read and runs the posted queue, as the UI loop would, until the completion ran.
    std::optional<HttpReadResult> Fetch(CurlHttpReader& reader, const std::string& strUrl) {
        std::optional<HttpReadResult> result;
        reader.BeginRead(strUrl, [&](HttpReadResult r) { result = std::move(r); });
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (!result && queue.WaitForPost(deadline))
            queue.Drain();
        return result;
    }
    CurlHttpReader::Poster Poster() {
        return [this](std::function<void()> fn) { queue.Post(std::move(fn)); };
    }
};

} // namespace

TEST_F(CurlHttpReaderTest, BodyArrivesByteForByteAndCompletesOnlyFromThePostedQueue) {
    const std::string strBody("line one\r\n\0\xff\x80\n", 15);
    server.SetPage("/cgi/syslog.txt", strBody);
    std::thread::id idPoster;
    CurlHttpReader reader([&](std::function<void()> fn) {
        idPoster = std::this_thread::get_id();
        queue.Post(std::move(fn));
    });
    std::optional<HttpReadResult> result;
    std::thread::id idCompletion;
    reader.BeginRead(server.Url("/cgi/syslog.txt"), [&](HttpReadResult r) {
        idCompletion = std::this_thread::get_id();
        result = std::move(r);
    });
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    queue.WaitForPost(deadline);
    ASSERT_EQ(queue.Size(), 1u);
    EXPECT_FALSE(result); // finished and posted, not yet run
    EXPECT_NE(idPoster, std::this_thread::get_id());
    queue.Drain();
    ASSERT_TRUE(result);
    EXPECT_EQ(idCompletion, std::this_thread::get_id());
    EXPECT_TRUE(result->blnOk) << result->strError;
    EXPECT_EQ(result->strBody, strBody);
    EXPECT_EQ(server.RequestLines(), std::vector<std::string>{"GET /cgi/syslog.txt HTTP/1.1"});
}

TEST_F(CurlHttpReaderTest, ABodyAtTheCapAndASlowAnswerWithinTheTimeOutSucceed) {
    const size_t lngCap = CurlHttpReader::Options{}.lngMaxBodyBytes;
    server.SetPage("/at-cap", std::string(lngCap, 'a'));
    server.SetRoute("/slow", {200, "late but fine", FakeAtaHttpServer::Fault::None, 1200});
    CurlHttpReader reader(Poster());
    auto atCap = Fetch(reader, server.Url("/at-cap"));
    ASSERT_TRUE(atCap);
    EXPECT_TRUE(atCap->blnOk);
    EXPECT_EQ(atCap->strBody.size(), lngCap);
    auto slow = Fetch(reader, server.Url("/slow"));
    ASSERT_TRUE(slow);
    EXPECT_TRUE(slow->blnOk);
    EXPECT_EQ(slow->strBody, "late but fine");
}

TEST_F(CurlHttpReaderTest, ProxiesOfTheEnvironmentAreIgnoredAndOnlyHttpIsRead) {
    server.SetPage("/doc/m_set.htm", "direct");
    const ata::test::RefusingPort refusing;
    const std::string strDeadProxy = "http://127.0.0.1:" + std::to_string(refusing.lngPort);
    ::setenv("http_proxy", strDeadProxy.c_str(), 1);
    ::setenv("HTTP_PROXY", strDeadProxy.c_str(), 1);
    CurlHttpReader reader(Poster());
    auto result = Fetch(reader, server.Url("/doc/m_set.htm"));
    ::unsetenv("http_proxy");
    ::unsetenv("HTTP_PROXY");
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->blnOk) << result->strError;
    EXPECT_EQ(result->strBody, "direct");

    auto file = Fetch(reader, "file:///etc/hostname");
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->blnOk);
}

TEST_F(CurlHttpReaderTest, DestroyingWithTransferInFlightJoinsAndPostsNothing) {
    server.SetRoute("/hang", {200, "", FakeAtaHttpServer::Fault::Hang});
    bool blnCalled = false;
    const auto start = Clock::now();
    {
        CurlHttpReader reader(Poster());
        reader.BeginRead(server.Url("/hang"), [&](HttpReadResult) { blnCalled = true; });
        ASSERT_TRUE(server.WaitForRequests(1, std::chrono::seconds(30)));
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    queue.Drain();
    EXPECT_FALSE(blnCalled);
}
