#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ata {

// A shortest line edit from one text to another. A line runs to and including its LF, so a CR
// before the LF is part of the line and a last line without a LF differs from the same text
// with one; every byte is compared and kept as it is. The views point into the texts compared,
// which must outlive the result.
struct LineEdits {
    std::vector<std::string_view> vecOldLines, vecNewLines;
    // Per line: removed from the old text, added in the new one. The lines left over pair up in
    // order and are equal.
    std::vector<char> vecRemoved, vecAdded;
};

// The text split into lines as above; an empty text has none.
std::vector<std::string_view> SplitLines(std::string_view strText);

// A shortest edit (Myers' O(ND) difference algorithm, in linear space). Only when a part of
// the texts differs so much that the search passes a bound that grows with the texts' size is
// a good edit rather than a shortest one taken there, so that no input takes quadratic time.
LineEdits CompareLines(std::string_view strOld, std::string_view strNew);

// How many lines differ: for each run of changed lines, the larger of the number removed and
// the number added (a line edited in place counts once).
int64_t CountDifferingLines(const LineEdits& objEdits);

// The hunks of a unified diff (what follows the "---" and "+++" lines): each hunk "@@ -a,b
// +c,d @@", lngContext unchanged lines around the changes, hunks closer than twice that
// joined, removed lines before added ones, "\ No newline at end of file" after a last line
// without a LF. Empty when the texts are equal.
std::string UnifiedHunks(const LineEdits& objEdits, int32_t lngContext = 3);

} // namespace ata
