#pragma once

#include "base/RaisedError.h"
#include "testing/PostQueue.h"
#include "workflow/IHttpReader.h"

#include <map>
#include <string>

namespace ata::test {

// Answers each read from a table of results by URL (unknown URLs fail) and posts the
// completion to a PostQueue, as the real reader posts to the UI loop.
class FakeHttpReader : public IHttpReader {
public:
    explicit FakeHttpReader(PostQueue& queue) : m_queue(queue) {}

    std::map<std::string, HttpReadResult> mapResults;
    bool blnFailToStart = false;

    void SetBody(const std::string& strUrl, const std::string& strBody) {
        mapResults[strUrl] = HttpReadResult{true, strBody, {}};
    }
    void SetFailure(const std::string& strUrl) {
        mapResults[strUrl] = HttpReadResult{false, {}, "failed"};
    }

    void BeginRead(const std::string& strUrl, Completion fnDone) override {
        if (blnFailToStart)
            throw RaisedError(1, "FakeHttpReader.BeginRead", "cannot start");
        auto it = mapResults.find(strUrl);
        HttpReadResult result =
            it != mapResults.end() ? it->second : HttpReadResult{false, {}, "no such page"};
        m_queue.Post([fnDone, result] { fnDone(result); });
    }

private:
    PostQueue& m_queue;
};

} // namespace ata::test
