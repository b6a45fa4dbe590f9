#include "workflow/LineDiff.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace ata {

namespace {

// Myers' search on two sequences of line numbers (equal lines, equal numbers): marks the entries
// that a shortest edit removes from a and adds from b. The middle snake of each range splits it
// in two until a range is a plain removal or addition, so memory stays linear.
class CMyersSearch {
public:
    CMyersSearch(const std::vector<int32_t>& a, const std::vector<int32_t>& b,
                 std::vector<char>& vecRemoved, std::vector<char>& vecAdded)
        : m_a(a), m_b(b), m_vecRemoved(vecRemoved), m_vecAdded(vecAdded),
          m_vecForward(a.size() + b.size() + 3), m_vecBackward(a.size() + b.size() + 3),
          m_lngOffset(static_cast<int32_t>(b.size()) + 1) {
        // About the square root of the size and at least 4096 steps: only ranges that differ
        // almost everywhere fall back to a guess.
        int32_t lngBound = 1;
        for (size_t lngDiagonals = a.size() + b.size() + 3; lngDiagonals != 0; lngDiagonals >>= 2)
            lngBound <<= 1;
        m_lngTooExpensive = std::max(4096, lngBound);
    }

    void Run() {
        struct Range {
            int32_t xLo, xHi, yLo, yHi;
        };
        // A stack rather than recursion: a guessed split need not halve a range.
        std::vector<Range> vecTodo{
            {0, static_cast<int32_t>(m_a.size()), 0, static_cast<int32_t>(m_b.size())}};
        while (!vecTodo.empty()) {
            Range r = vecTodo.back();
            vecTodo.pop_back();
            while (r.xLo < r.xHi && r.yLo < r.yHi && m_a[r.xLo] == m_b[r.yLo]) {
                ++r.xLo;
                ++r.yLo;
            }
            while (r.xLo < r.xHi && r.yLo < r.yHi && m_a[r.xHi - 1] == m_b[r.yHi - 1]) {
                --r.xHi;
                --r.yHi;
            }
            if (r.xLo == r.xHi || r.yLo == r.yHi) {
                MarkAll(r.xLo, r.xHi, r.yLo, r.yHi);
                continue;
            }
            const auto [x, y] = MiddleSnake(r.xLo, r.xHi, r.yLo, r.yHi);
            // A true middle snake lies strictly inside; a guess on the corner would not shrink.
            if ((x == r.xLo && y == r.yLo) || (x == r.xHi && y == r.yHi)) {
                MarkAll(r.xLo, r.xHi, r.yLo, r.yHi);
                continue;
            }
            vecTodo.push_back({r.xLo, x, r.yLo, y});
            vecTodo.push_back({x, r.xHi, y, r.yHi});
        }
    }

private:
    void MarkAll(int32_t xLo, int32_t xHi, int32_t yLo, int32_t yHi) {
        std::fill(m_vecRemoved.begin() + xLo, m_vecRemoved.begin() + xHi, 1);
        std::fill(m_vecAdded.begin() + yLo, m_vecAdded.begin() + yHi, 1);
    }

    // A point on a shortest path through the range, found by searching from both corners at
    // once along the diagonals k = x - y until the two searches meet.
    std::pair<int32_t, int32_t> MiddleSnake(int32_t xLo, int32_t xHi, int32_t yLo, int32_t yHi) {
        int32_t* fd = m_vecForward.data() + m_lngOffset;
        int32_t* bd = m_vecBackward.data() + m_lngOffset;
        const int32_t dmin = xLo - yHi, dmax = xHi - yLo;
        const int32_t fmid = xLo - yLo, bmid = xHi - yHi;
        const bool odd = ((fmid - bmid) & 1) != 0;
        int32_t fmin = fmid, fmax = fmid, bmin = bmid, bmax = bmid;
        fd[fmid] = xLo;
        bd[bmid] = xHi;
        for (int32_t c = 1;; ++c) {
            // One more step forward on every second diagonal; the outer neighbours are unset.
            if (fmin > dmin)
                fd[--fmin - 1] = -1;
            else
                ++fmin;
            if (fmax < dmax)
                fd[++fmax + 1] = -1;
            else
                --fmax;
            for (int32_t d = fmax; d >= fmin; d -= 2) {
                const int32_t tlo = fd[d - 1], thi = fd[d + 1];
                int32_t x = tlo >= thi ? tlo + 1 : thi;
                int32_t y = x - d;
                while (x < xHi && y < yHi && m_a[x] == m_b[y]) {
                    ++x;
                    ++y;
                }
                fd[d] = x;
                if (odd && bmin <= d && d <= bmax && bd[d] <= x)
                    return {x, y};
            }
            if (bmin > dmin)
                bd[--bmin - 1] = INT32_MAX;
            else
                ++bmin;
            if (bmax < dmax)
                bd[++bmax + 1] = INT32_MAX;
            else
                --bmax;
            for (int32_t d = bmax; d >= bmin; d -= 2) {
                const int32_t tlo = bd[d - 1], thi = bd[d + 1];
                int32_t x = tlo < thi ? tlo : thi - 1;
                int32_t y = x - d;
                while (x > xLo && y > yLo && m_a[x - 1] == m_b[y - 1]) {
                    --x;
                    --y;
                }
                bd[d] = x;
                if (!odd && fmin <= d && d <= fmax && x <= fd[d])
                    return {x, y};
            }
            if (c >= m_lngTooExpensive)
                return BestGuess(xLo, xHi, yLo, yHi, fmin, fmax, bmin, bmax);
        }
    }

    // The search has gone on too long: split where one of the searches got furthest.
    std::pair<int32_t, int32_t> BestGuess(int32_t xLo, int32_t xHi, int32_t yLo, int32_t yHi,
                                          int32_t fmin, int32_t fmax, int32_t bmin,
                                          int32_t bmax) const {
        const int32_t* fd = m_vecForward.data() + m_lngOffset;
        const int32_t* bd = m_vecBackward.data() + m_lngOffset;
        int32_t fxybest = -1, fxbest = xLo;
        for (int32_t d = fmax; d >= fmin; d -= 2) {
            int32_t x = std::min(fd[d], xHi), y = x - d;
            if (y > yHi) {
                x = yHi + d;
                y = yHi;
            }
            if (x + y > fxybest) {
                fxybest = x + y;
                fxbest = x;
            }
        }
        int32_t bxybest = INT32_MAX, bxbest = xHi;
        for (int32_t d = bmax; d >= bmin; d -= 2) {
            int32_t x = std::max(xLo, bd[d]), y = x - d;
            if (y < yLo) {
                x = yLo + d;
                y = yLo;
            }
            if (x + y < bxybest) {
                bxybest = x + y;
                bxbest = x;
            }
        }
        if ((xHi + yHi) - bxybest < fxybest - (xLo + yLo))
            return {fxbest, fxybest - fxbest};
        return {bxbest, bxybest - bxbest};
    }

    const std::vector<int32_t>& m_a;
    const std::vector<int32_t>& m_b;
    std::vector<char>& m_vecRemoved;
    std::vector<char>& m_vecAdded;
    std::vector<int32_t> m_vecForward, m_vecBackward; // furthest x per diagonal
    int32_t m_lngOffset;                              // index of diagonal 0
    int32_t m_lngTooExpensive = 4096;
};

// One run of changed lines: lngRemoved old lines from lngOld on replaced by lngAdded new lines
// from lngNew on.
struct Change {
    int32_t lngOld, lngRemoved, lngNew, lngAdded;
};

std::vector<Change> FindChanges(const LineEdits& e) {
    std::vector<Change> vec;
    const auto n = static_cast<int32_t>(e.vecOldLines.size());
    const auto m = static_cast<int32_t>(e.vecNewLines.size());
    for (int32_t i = 0, j = 0; i < n || j < m; ++i, ++j) {
        if ((i < n && e.vecRemoved[i]) || (j < m && e.vecAdded[j])) {
            Change c{i, 0, j, 0};
            while (i < n && e.vecRemoved[i])
                ++i;
            while (j < m && e.vecAdded[j])
                ++j;
            c.lngRemoved = i - c.lngOld;
            c.lngAdded = j - c.lngNew;
            vec.push_back(c);
        }
    }
    return vec;
}

// "start,count" of a hunk's range; a single line is its number alone, an empty range names the
// line before it.
std::string RangeText(int32_t lngStart, int32_t lngCount) {
    if (lngCount == 0)
        return std::to_string(lngStart) + ",0";
    if (lngCount == 1)
        return std::to_string(lngStart + 1);
    return std::to_string(lngStart + 1) + "," + std::to_string(lngCount);
}

void AppendLine(std::string& s, char chMark, std::string_view strLine) {
    s += chMark;
    s.append(strLine);
    if (strLine.empty() || strLine.back() != '\n')
        s += "\n\\ No newline at end of file\n";
}

} // namespace

std::vector<std::string_view> SplitLines(std::string_view strText) {
    std::vector<std::string_view> vec;
    size_t lngStart = 0;
    while (lngStart < strText.size()) {
        const void* pLf = std::memchr(strText.data() + lngStart, '\n', strText.size() - lngStart);
        const size_t lngEnd =
            pLf ? static_cast<size_t>(static_cast<const char*>(pLf) - strText.data()) + 1
                : strText.size();
        vec.push_back(strText.substr(lngStart, lngEnd - lngStart));
        lngStart = lngEnd;
    }
    return vec;
}

LineEdits CompareLines(std::string_view strOld, std::string_view strNew) {
    LineEdits e;
    e.vecOldLines = SplitLines(strOld);
    e.vecNewLines = SplitLines(strNew);
    const size_t n = e.vecOldLines.size(), m = e.vecNewLines.size();
    if (n + m > static_cast<size_t>(INT32_MAX / 4))
        throw std::length_error("too many lines to compare");
    e.vecRemoved.assign(n, 0);
    e.vecAdded.assign(m, 0);

    // Equal lines get equal numbers; a line found in one text only cannot pair with anything,
    // so it is removed or added at once and left out of the search.
    std::unordered_map<std::string_view, int32_t> mapNumbers;
    mapNumbers.reserve(n + m);
    std::vector<int32_t> vecOldIds(n), vecNewIds(m), vecInOld, vecInNew;
    auto Number = [&](std::string_view strLine) {
        const auto [it, blnNew] =
            mapNumbers.try_emplace(strLine, static_cast<int32_t>(mapNumbers.size()));
        if (blnNew) {
            vecInOld.push_back(0);
            vecInNew.push_back(0);
        }
        return it->second;
    };
    for (size_t i = 0; i < n; ++i) {
        vecOldIds[i] = Number(e.vecOldLines[i]);
        vecInOld[vecOldIds[i]] = 1;
    }
    for (size_t j = 0; j < m; ++j) {
        vecNewIds[j] = Number(e.vecNewLines[j]);
        vecInNew[vecNewIds[j]] = 1;
    }

    std::vector<int32_t> a, b, vecOldAt, vecNewAt;
    for (size_t i = 0; i < n; ++i) {
        if (vecInNew[vecOldIds[i]]) {
            a.push_back(vecOldIds[i]);
            vecOldAt.push_back(static_cast<int32_t>(i));
        } else {
            e.vecRemoved[i] = 1;
        }
    }
    for (size_t j = 0; j < m; ++j) {
        if (vecInOld[vecNewIds[j]]) {
            b.push_back(vecNewIds[j]);
            vecNewAt.push_back(static_cast<int32_t>(j));
        } else {
            e.vecAdded[j] = 1;
        }
    }
    std::vector<char> vecRemoved(a.size(), 0), vecAdded(b.size(), 0);
    CMyersSearch(a, b, vecRemoved, vecAdded).Run();
    for (size_t x = 0; x < a.size(); ++x)
        if (vecRemoved[x])
            e.vecRemoved[vecOldAt[x]] = 1;
    for (size_t y = 0; y < b.size(); ++y)
        if (vecAdded[y])
            e.vecAdded[vecNewAt[y]] = 1;
    return e;
}

int64_t CountDifferingLines(const LineEdits& objEdits) {
    int64_t lngCount = 0;
    for (const Change& c : FindChanges(objEdits))
        lngCount += std::max(c.lngRemoved, c.lngAdded);
    return lngCount;
}

std::string UnifiedHunks(const LineEdits& objEdits, int32_t lngContext) {
    const std::vector<Change> vecChanges = FindChanges(objEdits);
    const auto& vecOld = objEdits.vecOldLines;
    const auto& vecNew = objEdits.vecNewLines;
    const auto n = static_cast<int32_t>(vecOld.size());
    lngContext = std::max(lngContext, 0);
    std::string s;
    for (size_t k = 0; k < vecChanges.size();) {
        // The hunk takes every following change whose gap is too short for two contexts.
        size_t kEnd = k + 1;
        while (kEnd < vecChanges.size() &&
               vecChanges[kEnd].lngOld -
                       (vecChanges[kEnd - 1].lngOld + vecChanges[kEnd - 1].lngRemoved) <=
                   2 * lngContext)
            ++kEnd;
        const Change& first = vecChanges[k];
        const Change& last = vecChanges[kEnd - 1];
        const int32_t lngBefore = std::min(lngContext, first.lngOld);
        const int32_t lngOldEnd = last.lngOld + last.lngRemoved;
        const int32_t lngAfter = std::min(lngContext, n - lngOldEnd);
        const int32_t lngOldStart = first.lngOld - lngBefore;
        const int32_t lngNewStart = first.lngNew - lngBefore;
        const int32_t lngOldCount = lngOldEnd + lngAfter - lngOldStart;
        const int32_t lngNewCount = last.lngNew + last.lngAdded + lngAfter - lngNewStart;
        s += "@@ -" + RangeText(lngOldStart, lngOldCount) + " +" +
             RangeText(lngNewStart, lngNewCount) + " @@\n";
        int32_t i = lngOldStart;
        for (; k < kEnd; ++k) {
            const Change& c = vecChanges[k];
            for (; i < c.lngOld; ++i)
                AppendLine(s, ' ', vecOld[i]);
            for (int32_t r = 0; r < c.lngRemoved; ++r)
                AppendLine(s, '-', vecOld[c.lngOld + r]);
            for (int32_t a = 0; a < c.lngAdded; ++a)
                AppendLine(s, '+', vecNew[c.lngNew + a]);
            i = c.lngOld + c.lngRemoved;
        }
        for (; i < lngOldEnd + lngAfter; ++i)
            AppendLine(s, ' ', vecOld[i]);
    }
    return s;
}

} // namespace ata
