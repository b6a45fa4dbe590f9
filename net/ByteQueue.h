#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ata {

// A byte queue that appends at the back and consumes from the front by moving an offset.
// The storage is kept between uses and is only written where bytes go: a direct read into
// the room at the back costs nothing for the part of the room it does not fill, and the
// consumed prefix is dropped only once it outweighs the live bytes, so draining a large
// queue in chunks costs linear time. A whole string appended to an empty queue is adopted
// without a copy.
class ByteQueue {
public:
    std::size_t Size() const noexcept { return m_lngEnd - m_lngBegin; }
    bool Empty() const noexcept { return m_lngEnd == m_lngBegin; }
    const char* Data() const noexcept { return m_strStore.data() + m_lngBegin; }
    std::string_view View() const noexcept { return {Data(), Size()}; }

    void Append(std::string_view bytes);
    void Append(const char* pBytes, std::size_t lngCount) {
        Append(std::string_view(pBytes, lngCount));
    }
    // Appends a whole string; an empty queue takes it over without a copy.
    void Adopt(std::string&& strBytes);
    // Removes up to lngCount bytes from the front.
    void Consume(std::size_t lngCount);
    // Returns the first lngCount bytes (or all) and, unless blnPeek, removes them.
    std::string Take(std::size_t lngCount, bool blnPeek = false);
    void Clear() noexcept;

    // Room at the back for a direct read: returns a pointer to lngCount free bytes; Commit(n)
    // then keeps the first n of them.
    char* Reserve(std::size_t lngCount);
    void Commit(std::size_t lngUsed);

private:
    void MakeRoom(std::size_t lngCount);

    // m_strStore's size is the queue's capacity; the live bytes are [m_lngBegin, m_lngEnd).
    std::string m_strStore;
    std::size_t m_lngBegin = 0;
    std::size_t m_lngEnd = 0;
    std::size_t m_lngReserved = 0;
};

} // namespace ata
