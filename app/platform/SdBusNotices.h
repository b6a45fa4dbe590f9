#pragma once

#include "app/cli/IDesktopNotices.h"

#include <string>

namespace ata {

// Desktop notices through the freedesktop notification service on the user's session bus
// (sd-bus): one Notify call per notice on a connection of its own, so that a run that shows
// none never touches the bus.
class SdBusNotices : public cli::IDesktopNotices {
public:
    // strAppId names the desktop entry and the icon of the notices.
    explicit SdBusNotices(std::string strAppId) : m_strAppId(std::move(strAppId)) {}

    bool Show(const cli::DesktopNotice& objNotice, int32_t lngWaitMs,
              std::string& strCause) override;

private:
    std::string m_strAppId;
};

} // namespace ata
