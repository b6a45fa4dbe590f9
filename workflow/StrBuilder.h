#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ata {

// Assembles a long text from many pieces. The buffer is kept larger than the text and grows
// only when an append does not fit, by whole steps, so the text is not copied on every append.
// The free part of the buffer is reserved, not filled, so memory the text has not reached yet
// is never touched.
class StrBuilder {
public:
    static constexpr int32_t kDefaultStep = 1024;

    void Append(std::string_view AppendString);
    const std::string& Value() const { return m_strBuffer; }
    // Hands the text over without copying it and empties the builder (the step stays).
    std::string TakeValue();
    // Empties the builder (the step stays) and appends NewValue.
    void SetValue(const std::string& NewValue);
    int32_t Buffersize() const { return m_lngStep; }
    // The step becomes the absolute value; 0 means the default step.
    void SetBuffersize(int32_t NewBuffersize);
    // Back to the state of a new builder, default step included.
    void Reset();

    int32_t Length() const { return m_lngLength; }
    int32_t Capacity() const { return m_lngCapacity; }

private:
    std::string m_strBuffer;
    int32_t m_lngStep = kDefaultStep;
    int32_t m_lngLength = 0;
    int32_t m_lngCapacity = 0;
};

} // namespace ata
