#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ata {

// A byte queue that appends at the back and consumes from the front by moving an offset;
// the consumed prefix is dropped only once it outweighs the live bytes, so draining a large
// queue in chunks costs linear time instead of one copy of the rest per chunk.
class ByteQueue {
public:
    std::size_t Size() const noexcept { return m_strData.size() - m_lngOffset; }
    bool Empty() const noexcept { return Size() == 0; }
    const char* Data() const noexcept { return m_strData.data() + m_lngOffset; }
    std::string_view View() const noexcept { return {Data(), Size()}; }

    void Append(std::string_view bytes);
    void Append(const char* pBytes, std::size_t lngCount) { Append({pBytes, lngCount}); }
    // Removes up to lngCount bytes from the front.
    void Consume(std::size_t lngCount);
    // Returns the first lngCount bytes (or all) and, unless blnPeek, removes them.
    std::string Take(std::size_t lngCount, bool blnPeek = false);
    void Clear() noexcept;

    // Growable room at the back for a direct read: returns a pointer to lngCount free bytes;
    // Commit(n) then keeps the first n of them.
    char* Reserve(std::size_t lngCount);
    void Commit(std::size_t lngUsed);

private:
    void Compact();

    std::string m_strData;
    std::size_t m_lngOffset = 0;
    std::size_t m_lngReserved = 0; // bytes of m_strData after the committed end (during Reserve)
};

} // namespace ata
