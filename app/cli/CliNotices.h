#pragma once

#include "app/cli/IDesktopNotices.h"

#include <functional>
#include <string>

namespace ata::cli {

// Sends the desktop notices of one run. When one cannot be shown the run goes on; standard
// error says so once.
class NoticeSender {
public:
    NoticeSender(IDesktopNotices& objNotices, std::function<void(const std::string&)> fnErrLine)
        : m_objNotices(objNotices), m_fnErrLine(std::move(fnErrLine)) {}

    // True when the notice was shown.
    bool Send(const DesktopNotice& objNotice, int32_t lngWaitMs);

private:
    IDesktopNotices& m_objNotices;
    std::function<void(const std::string&)> m_fnErrLine;
    bool m_blnToldFailure = false;
};

// The line's state as the last check with notices left it ("OK", "CRITICAL", "UNKNOWN"), kept
// in the user's state folder for one program folder and address.
class LineStateMemory {
public:
    LineStateMemory(const std::string& strProgramFolder, const std::string& strAddress);

    // Empty when no check has been remembered (or the memory cannot be read).
    std::string Recall() const;
    // False with strCause set when the state could not be kept.
    bool Remember(const std::string& strState, std::string& strCause) const;
    // A notice is due when the state changed, or when a first check is not OK.
    static bool NoticeDue(const std::string& strRemembered, const std::string& strNow) {
        return strRemembered != strNow && !(strRemembered.empty() && strNow == "OK");
    }

private:
    std::string m_strFile; // empty when there is no home folder
};

} // namespace ata::cli
