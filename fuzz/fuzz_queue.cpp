// The receive queue against a plain string: appends, reads, peeks and direct reads in
// fuzzed sizes must hand out exactly the bytes that went in, in order.
#include "FuzzSupport.h"
#include "net/ByteQueue.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t lngSize) {
    ata::ByteQueue queue;
    std::string strReference;
    size_t k = 0;
    uint32_t lngFill = 0;
    while (k + 2 <= lngSize) {
        const uint8_t op = pData[k] % 5;
        const size_t lngCount = static_cast<size_t>(pData[k + 1]) * 613; // up to ~156 KiB
        k += 2;
        std::string strBytes(lngCount, '\0');
        for (char& c : strBytes)
            c = static_cast<char>(lngFill++ * 2654435761u >> 24);
        switch (op) {
        case 0:
            queue.Append(strBytes);
            strReference += strBytes;
            break;
        case 1: {
            const std::string strTaken = queue.Take(lngCount);
            ATA_FUZZ_CHECK(strTaken == strReference.substr(0, lngCount));
            strReference.erase(0, strTaken.size());
            break;
        }
        case 2:
            ATA_FUZZ_CHECK(queue.Take(lngCount, true) == strReference.substr(0, lngCount));
            break;
        case 3: {
            char* pRoom = queue.Reserve(lngCount);
            const size_t lngUsed = lngCount / 2;
            std::memcpy(pRoom, strBytes.data(), lngUsed);
            queue.Commit(lngUsed);
            strReference.append(strBytes, 0, lngUsed);
            break;
        }
        default:
            queue.Consume(lngCount);
            strReference.erase(0, std::min(lngCount, strReference.size()));
        }
        ATA_FUZZ_CHECK(queue.Size() == strReference.size());
        ATA_FUZZ_CHECK(queue.View() == strReference);
    }
    return 0;
}
