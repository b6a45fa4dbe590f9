#pragma once

#include "workflow/IIcmpFacility.h"

#include <string>

namespace ata::cli {

// Passes the window logic's echoes to the platform's ICMP facility and keeps what the last one
// met, so that a report can say why the ATA counted as powered off and how fast it answered.
class EchoRecorder : public IIcmpFacility {
public:
    explicit EchoRecorder(IIcmpFacility& objIcmp) : m_objIcmp(objIcmp) {}

    bool Open(std::string& strCause) override {
        m_blnOpenFailed = !m_objIcmp.Open(strCause);
        m_strOpenCause = m_blnOpenFailed ? strCause : std::string();
        return !m_blnOpenFailed;
    }
    void Close() override { m_objIcmp.Close(); }
    IcmpEchoResult SendEcho(uint32_t lngAddress, const std::string& strPayload,
                            int32_t lngTimeout) override {
        m_objReply = m_objIcmp.SendEcho(lngAddress, strPayload, lngTimeout);
        m_blnSent = true;
        return m_objReply;
    }

    // No echo could be sent at all; OpenCause says why.
    bool OpenFailed() const { return m_blnOpenFailed; }
    const std::string& OpenCause() const { return m_strOpenCause; }
    // An echo request went out; Reply is its outcome. Without one, the address was not one
    // that can be pinged (or the check never came that far).
    bool Sent() const { return m_blnSent; }
    const IcmpEchoResult& Reply() const { return m_objReply; }

private:
    IIcmpFacility& m_objIcmp;
    bool m_blnOpenFailed = false;
    bool m_blnSent = false;
    std::string m_strOpenCause;
    IcmpEchoResult m_objReply;
};

} // namespace ata::cli
