#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace ata::fuzz {

// A property that must hold for every input; a violation is a finding and stops the run.
#define ATA_FUZZ_CHECK(cond)                                                                       \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "property violated: %s (%s:%d)\n", #cond, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// The fuzz input split into fields at the byte 0x01, so that hand-made seeds stay readable
// ("first\x01second\x01third").
inline std::vector<std::string> SplitFields(const uint8_t* pData, size_t lngSize,
                                            size_t lngMaxFields = 16) {
    std::vector<std::string> vec(1);
    for (size_t k = 0; k < lngSize; ++k) {
        if (pData[k] == 0x01 && vec.size() < lngMaxFields)
            vec.emplace_back();
        else
            vec.back().push_back(static_cast<char>(pData[k]));
    }
    return vec;
}

inline std::string Field(const std::vector<std::string>& vec, size_t k) {
    return k < vec.size() ? vec[k] : std::string();
}

inline char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string LowerText(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = Lower(c);
    return out;
}

// Pieces of the text split at the delimiter; a final delimiter gives a final empty piece.
inline std::vector<std::string> SplitAll(const std::string& strText, const std::string& strDelim) {
    std::vector<std::string> vec;
    size_t lngPos = 0;
    while (true) {
        const size_t lngEnd = strText.find(strDelim, lngPos);
        if (lngEnd == std::string::npos) {
            vec.push_back(strText.substr(lngPos));
            return vec;
        }
        vec.push_back(strText.substr(lngPos, lngEnd - lngPos));
        lngPos = lngEnd + strDelim.size();
    }
}

// A private folder for targets that must touch files: tmpfs when there is one, so that the
// flushes of atomic replacements cost nothing.
std::string ScratchFolder();

} // namespace ata::fuzz
