#include "workflow/StrBuilder.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace ata {

void StrBuilder::Append(std::string_view AppendString) {
    if (AppendString.size() >
        static_cast<size_t>(std::numeric_limits<int32_t>::max() - m_lngLength))
        throw std::length_error("StrBuilder: text longer than 2 GiB");
    const auto lngCount = static_cast<int32_t>(AppendString.size());
    if (lngCount == 0)
        return;
    if (lngCount > m_lngCapacity - m_lngLength) {
        // The growth is computed from the piece alone, so afterwards more than it is free.
        const int64_t lngGrowth = (int64_t{lngCount} / m_lngStep + 1) * m_lngStep;
        if (lngGrowth > std::numeric_limits<int32_t>::max() - int64_t{m_lngCapacity})
            throw std::length_error("StrBuilder: buffer larger than 2 GiB");
        m_lngCapacity += static_cast<int32_t>(lngGrowth);
        // Grown at least geometrically, so that appends cost amortised linear time however
        // small the step; a reservation the text never reaches is never touched.
        const auto lngWanted = static_cast<size_t>(m_lngCapacity);
        if (m_strBuffer.capacity() < lngWanted)
            m_strBuffer.reserve(
                std::max(lngWanted, std::min(m_strBuffer.capacity() * 2, lngWanted * 2)));
    }
    m_strBuffer.append(AppendString);
    m_lngLength += lngCount;
}

std::string StrBuilder::TakeValue() {
    std::string strText = std::move(m_strBuffer);
    m_strBuffer.clear();
    m_lngLength = 0;
    m_lngCapacity = 0;
    return strText;
}

void StrBuilder::SetValue(const std::string& NewValue) {
    m_strBuffer.clear();
    m_lngLength = 0;
    m_lngCapacity = 0;
    Append(NewValue);
}

void StrBuilder::SetBuffersize(int32_t NewBuffersize) {
    if (NewBuffersize == 0)
        m_lngStep = kDefaultStep;
    else if (NewBuffersize == std::numeric_limits<int32_t>::min())
        m_lngStep = std::numeric_limits<int32_t>::max();
    else
        m_lngStep = std::abs(NewBuffersize);
}

void StrBuilder::Reset() {
    *this = StrBuilder();
}

} // namespace ata
