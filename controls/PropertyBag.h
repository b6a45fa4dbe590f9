#pragma once

#include "controls/ITextRenderer.h"
#include "controls/RasterSurface.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
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

// A control lists its stored properties once, in VisitProperties(self, visit), which calls
// visit(name, field, default) for each; the three visitors below set the fields to their
// defaults, read them from a bag or write them to one. A 16-bit field is stored as a 32-bit
// number, and an optional field is written only when it holds a value.
template <typename T> inline constexpr bool kIsOptional = false;
template <typename T> inline constexpr bool kIsOptional<std::optional<T>> = true;

struct CSetDefaults {
    template <typename T, typename D>
    void operator()(const char*, T& field, const D& defaultValue) const {
        field = static_cast<T>(defaultValue);
    }
};

struct CReadFrom {
    const IPropertyBag& bag;
    template <typename T, typename D>
    void operator()(const char* strName, T& field, const D& defaultValue) const {
        if constexpr (std::is_same_v<T, int16_t>)
            field = static_cast<int16_t>(
                ReadProperty<int32_t>(bag, strName, static_cast<int32_t>(defaultValue)));
        else if constexpr (kIsOptional<T>)
            field = ReadProperty<typename T::value_type>(bag, strName, defaultValue);
        else
            field = ReadProperty<T>(bag, strName, static_cast<T>(defaultValue));
    }
};

struct CWriteTo {
    IPropertyBag& bag;
    template <typename T, typename D>
    void operator()(const char* strName, const T& field, const D&) const {
        if constexpr (std::is_same_v<T, int16_t>)
            bag.Write(strName, int32_t{field});
        else if constexpr (kIsOptional<T>) {
            if (field)
                bag.Write(strName, *field);
        } else
            bag.Write(strName, field);
    }
};

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
