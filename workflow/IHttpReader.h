#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ata {

// Why a read brought no page, for reports that name the cause.
enum class EnmHttpFailure {
    None,
    Refused,    // nothing accepts connections at the address and port
    TimedOut,   // no connection or no complete answer within the reader's limits
    HttpStatus, // the server answered with an error status (lngHttpStatus)
    Other,      // anything else; strError says what
};

// Outcome of one HTTP GET: the body bytes, or a failure (no connection, HTTP error status,
// time-out, body too large) with a short reason for diagnostics.
struct HttpReadResult {
    bool blnOk = false;
    std::string strBody;
    std::string strError;
    EnmHttpFailure enmFailure = EnmHttpFailure::None;
    int32_t lngHttpStatus = 0; // the answer's status, 0 when none came
};

// The asynchronous HTTP GET of the platform. BeginRead returns at once; the completion runs
// later, always on the user-interface thread and only while that thread yields (the
// implementation posts it to the UI loop). A read that cannot be started raises RaisedError
// and never calls the completion.
class IHttpReader {
public:
    using Completion = std::function<void(HttpReadResult)>;

    virtual ~IHttpReader() = default;
    virtual void BeginRead(const std::string& strUrl, Completion fnDone) = 0;
    // Abandons every read in flight: their completions never run and their connections are
    // closed promptly. A reader without early cancellation may rely on its caller ignoring
    // late completions.
    virtual void CancelAll() {}
};

} // namespace ata
