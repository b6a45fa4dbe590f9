#include "net/ByteQueue.h"

#include <algorithm>
#include <cstring>

namespace ata {

namespace {
constexpr std::size_t kCompactMinimum = 64 * 1024;
// Storage above this size is given back when the queue empties (a large upload's copy).
constexpr std::size_t kKeepCapacity = 1024 * 1024;
} // namespace

void ByteQueue::Append(std::string_view bytes) {
    if (bytes.empty()) {
        return;
    }
    MakeRoom(bytes.size());
    std::memcpy(m_strStore.data() + m_lngEnd, bytes.data(), bytes.size());
    m_lngEnd += bytes.size();
}

void ByteQueue::Adopt(std::string&& strBytes) {
    if (!Empty() || strBytes.size() < m_strStore.size()) {
        Append(std::string_view(strBytes));
        return;
    }
    m_strStore = std::move(strBytes);
    m_lngBegin = 0;
    m_lngEnd = m_strStore.size();
}

void ByteQueue::Consume(std::size_t lngCount) {
    if (lngCount >= Size()) {
        Clear();
        return;
    }
    m_lngBegin += lngCount;
}

std::string ByteQueue::Take(std::size_t lngCount, bool blnPeek) {
    lngCount = std::min(lngCount, Size());
    std::string strOut(Data(), lngCount);
    if (!blnPeek) {
        Consume(lngCount);
    }
    return strOut;
}

void ByteQueue::Clear() noexcept {
    m_lngBegin = 0;
    m_lngEnd = 0;
    if (m_strStore.size() > kKeepCapacity) {
        std::string().swap(m_strStore);
    }
}

char* ByteQueue::Reserve(std::size_t lngCount) {
    MakeRoom(lngCount);
    m_lngReserved = lngCount;
    return m_strStore.data() + m_lngEnd;
}

void ByteQueue::Commit(std::size_t lngUsed) {
    m_lngEnd += std::min(lngUsed, m_lngReserved);
    m_lngReserved = 0;
}

// Makes lngCount bytes free after the live ones: first by dropping a large consumed prefix
// (each byte is moved a bounded number of times), then by growing the storage geometrically.
// Only growth writes the new storage; room that exists already is handed out as it is.
void ByteQueue::MakeRoom(std::size_t lngCount) {
    if (Empty()) {
        m_lngBegin = 0;
        m_lngEnd = 0;
    }
    if (m_strStore.size() - m_lngEnd >= lngCount) {
        return;
    }
    if (m_lngBegin >= kCompactMinimum && m_lngBegin >= Size()) {
        std::memmove(m_strStore.data(), Data(), Size());
        m_lngEnd = Size();
        m_lngBegin = 0;
        if (m_strStore.size() - m_lngEnd >= lngCount) {
            return;
        }
    }
    m_strStore.resize(std::max(m_lngEnd + lngCount, m_strStore.size() * 2));
}

} // namespace ata
