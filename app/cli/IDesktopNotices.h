#pragma once

#include <cstdint>
#include <string>

namespace ata::cli {

// One notice for the user's desktop.
struct DesktopNotice {
    std::string strSummary;
    std::string strBody;
    bool blnUrgent = false; // the line went down or a run failed
};

// The desktop's notification service as the command line needs it; the platform implements it
// on the session bus, tests may put a double in its place.
class IDesktopNotices {
public:
    virtual ~IDesktopNotices() = default;
    // Shows the notice, waiting at most lngWaitMs for the service to take it. False when it
    // could not be shown; strCause then says why.
    virtual bool Show(const DesktopNotice& objNotice, int32_t lngWaitMs, std::string& strCause) = 0;
};

} // namespace ata::cli
