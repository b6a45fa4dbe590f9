#include "app/platform/SdBusNotices.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <memory>

namespace ata {

namespace {

struct BusCloser {
    void operator()(sd_bus* pBus) const { sd_bus_flush_close_unref(pBus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* pMessage) const { sd_bus_message_unref(pMessage); }
};
struct ErrorFree {
    sd_bus_error objError{}; // SD_BUS_ERROR_NULL, without its C compound literal
    ~ErrorFree() { sd_bus_error_free(&objError); }
};

// Urgency levels of the notification service.
constexpr uint8_t kUrgencyNormal = 1;
constexpr uint8_t kUrgencyCritical = 2;
// Let the server choose how long a notice stays.
constexpr int32_t kServerDefaultExpiry = -1;

} // namespace

bool SdBusNotices::Show(const cli::DesktopNotice& objNotice, int32_t lngWaitMs,
                        std::string& strCause) {
    sd_bus* pBus = nullptr;
    int intResult = sd_bus_open_user(&pBus);
    const std::unique_ptr<sd_bus, BusCloser> ptrBus(pBus);
    if (intResult < 0) {
        strCause = std::string("no session bus (") + std::strerror(-intResult) + ")";
        return false;
    }
    sd_bus_message* pCall = nullptr;
    intResult = sd_bus_message_new_method_call(pBus, &pCall, "org.freedesktop.Notifications",
                                               "/org/freedesktop/Notifications",
                                               "org.freedesktop.Notifications", "Notify");
    const std::unique_ptr<sd_bus_message, MessageUnref> ptrCall(pCall);
    // Notify(app name, replaces id, icon, summary, body, actions, hints, expiry)
    if (intResult >= 0)
        intResult = sd_bus_message_append(
            pCall, "susssasa{sv}i", "ATA Maintenance Tool", 0u, m_strAppId.c_str(),
            objNotice.strSummary.c_str(), objNotice.strBody.c_str(), 0, 2, "desktop-entry", "s",
            m_strAppId.c_str(), "urgency", "y",
            objNotice.blnUrgent ? kUrgencyCritical : kUrgencyNormal, kServerDefaultExpiry);
    if (intResult < 0) {
        strCause = std::string("the notice could not be built (") + std::strerror(-intResult) + ")";
        return false;
    }
    ErrorFree objError;
    sd_bus_message* pReply = nullptr;
    intResult =
        sd_bus_call(pBus, pCall, static_cast<uint64_t>(lngWaitMs > 0 ? lngWaitMs : 1) * 1000,
                    &objError.objError, &pReply);
    const std::unique_ptr<sd_bus_message, MessageUnref> ptrReply(pReply);
    if (intResult < 0) {
        strCause = objError.objError.message != nullptr ? objError.objError.message
                                                        : std::strerror(-intResult);
        return false;
    }
    return true;
}

} // namespace ata
