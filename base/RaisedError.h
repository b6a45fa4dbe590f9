#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ata {

// The one exception type of the system: a failure raised to a caller carries a number,
// the source ("Class.Procedure") and a description, so that each level can turn it into a
// log message, an event or a message box.
class RaisedError : public std::runtime_error {
public:
    RaisedError(int32_t lngNumber, std::string strSource, std::string strDescription);

    int32_t Number() const noexcept { return m_lngNumber; }
    const std::string& Source() const noexcept { return m_strSource; }
    const std::string& Description() const noexcept { return m_strDescription; }

private:
    int32_t m_lngNumber;
    std::string m_strSource;
    std::string m_strDescription;
};

} // namespace ata
