#pragma once

#include "controls/ITextRenderer.h"
#include "controls/RasterSurface.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace ata {

// A picture is a shared, read-only raster.
using CPicture = std::shared_ptr<const CRasterSurface>;

using PropertyValue = std::variant<bool, int32_t, std::string, CFontSpec, CPicture>;

// Stored design-time properties of a control, by name.
class IPropertyBag {
public:
    virtual ~IPropertyBag() = default;
    virtual std::optional<PropertyValue> Read(const std::string& strName) const = 0;
    virtual void Write(const std::string& strName, const PropertyValue& value) = 0;
};

// Reads a property of the given kind; the default when it is missing or of another kind.
template <typename T>
T ReadProperty(const IPropertyBag& bag, const std::string& strName, const T& defaultValue) {
    const auto v = bag.Read(strName);
    if (!v)
        return defaultValue;
    if (const T* p = std::get_if<T>(&*v))
        return *p;
    return defaultValue;
}

class CMemoryPropertyBag final : public IPropertyBag {
public:
    std::optional<PropertyValue> Read(const std::string& strName) const override;
    void Write(const std::string& strName, const PropertyValue& value) override;
    bool Has(const std::string& strName) const { return m_values.count(strName) != 0; }
    size_t Size() const { return m_values.size(); }

private:
    std::map<std::string, PropertyValue> m_values;
};

} // namespace ata
