#include "base/RaisedError.h"

#include <utility>

namespace ata {

RaisedError::RaisedError(int32_t lngNumber, std::string strSource, std::string strDescription)
    : std::runtime_error(strSource + ": " + strDescription), m_lngNumber(lngNumber),
      m_strSource(std::move(strSource)), m_strDescription(std::move(strDescription)) {}

} // namespace ata
