#include "controls/PropertyBag.h"

namespace ata {

std::optional<PropertyValue> CMemoryPropertyBag::Read(const std::string& strName) const {
    const auto it = m_values.find(strName);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

void CMemoryPropertyBag::Write(const std::string& strName, const PropertyValue& value) {
    m_values[strName] = value;
}

} // namespace ata
