#include "net/ByteQueue.h"

namespace ata {

namespace {
constexpr std::size_t kCompactMinimum = 64 * 1024;
}

void ByteQueue::Append(std::string_view bytes) {
    Compact();
    m_strData.append(bytes.data(), bytes.size());
}

void ByteQueue::Consume(std::size_t lngCount) {
    if (lngCount >= Size()) {
        Clear();
        return;
    }
    m_lngOffset += lngCount;
}

std::string ByteQueue::Take(std::size_t lngCount, bool blnPeek) {
    if (lngCount > Size()) {
        lngCount = Size();
    }
    std::string strOut(Data(), lngCount);
    if (!blnPeek) {
        Consume(lngCount);
    }
    return strOut;
}

void ByteQueue::Clear() noexcept {
    m_strData.clear();
    m_lngOffset = 0;
}

char* ByteQueue::Reserve(std::size_t lngCount) {
    Compact();
    const std::size_t lngEnd = m_strData.size();
    m_strData.resize(lngEnd + lngCount);
    m_lngReserved = lngCount;
    return m_strData.data() + lngEnd;
}

void ByteQueue::Commit(std::size_t lngUsed) {
    if (lngUsed > m_lngReserved) {
        lngUsed = m_lngReserved;
    }
    m_strData.resize(m_strData.size() - (m_lngReserved - lngUsed));
    m_lngReserved = 0;
}

// Drops the consumed prefix once it is large and at least as big as the live bytes, so each
// byte is moved at most a bounded number of times.
void ByteQueue::Compact() {
    if (m_lngOffset == 0) {
        return;
    }
    if (m_lngOffset == m_strData.size()) {
        Clear();
        return;
    }
    if (m_lngOffset >= kCompactMinimum && m_lngOffset >= Size()) {
        m_strData.erase(0, m_lngOffset);
        m_lngOffset = 0;
    }
}

} // namespace ata
