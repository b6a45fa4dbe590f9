#include "workflow/LogSort.h"

#include "base/ByteText.h"
#include "workflow/modMiscText.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace ata {

namespace {

// Counts of marked positions 0..size-1 (a binary indexed tree): mark, unmark, count the marks
// below a position and find the position of the n-th mark, each in O(log size).
class CFenwick {
public:
    explicit CFenwick(size_t lngSize) : m_vecTree(lngSize + 1, 0) {}

    // All positions 0..lngSize-1 marked, built in O(lngSize).
    void FillOnes(size_t lngSize) {
        m_vecTree.assign(lngSize + 1, 0);
        for (size_t i = 1; i <= lngSize; ++i) {
            m_vecTree[i] += 1;
            const size_t lngParent = i + (i & (~i + 1));
            if (lngParent <= lngSize) {
                m_vecTree[lngParent] += m_vecTree[i];
            }
        }
    }
    void Add(size_t lngPos) { Change(lngPos, 1); }
    void Remove(size_t lngPos) { Change(lngPos, -1); }
    // Marks at positions below lngPos.
    size_t CountBelow(size_t lngPos) const {
        int64_t lngSum = 0;
        for (size_t i = lngPos; i > 0; i &= i - 1) {
            lngSum += m_vecTree[i];
        }
        return static_cast<size_t>(lngSum);
    }
    // Position of the mark with lngN marks below it; there must be more than lngN marks.
    size_t FindNth(size_t lngN) const {
        const size_t lngSize = m_vecTree.size() - 1;
        size_t lngPos = 0;
        auto lngLeft = static_cast<int64_t>(lngN);
        for (size_t lngStep = std::bit_floor(lngSize); lngStep > 0; lngStep >>= 1) {
            if (lngPos + lngStep <= lngSize && m_vecTree[lngPos + lngStep] <= lngLeft) {
                lngPos += lngStep;
                lngLeft -= m_vecTree[lngPos];
            }
        }
        return lngPos;
    }

private:
    void Change(size_t lngPos, int64_t lngBy) {
        for (size_t i = lngPos + 1; i < m_vecTree.size(); i += i & (~i + 1)) {
            m_vecTree[i] += lngBy;
        }
    }
    std::vector<int64_t> m_vecTree;
};

} // namespace

void SortLogEntries(std::vector<LogEntry>& vecEntries) {
    // Stamps come out in descending order, so only the order inside each group of equal stamps
    // needs work. For a stamp v, the exchange sort seen on the entries of stamp >= v is the
    // exchange sort of that subsequence. In it a pass that starts on a v entry carries the
    // entry to the slot of the first greater one after it, and a greater one takes its place;
    // a pass that starts on a greater entry leaves the v entries where they are. The v entries
    // therefore form one block that travels right: each greater entry met behind the block
    // turns it left by one, and each v entry met joins it at the back. With v's entries
    // v1..vm in line order and c[t] the number of greater entries between v[t] and v[t+1]
    // (after vm for the last), the group's final order is: start empty; for each t append
    // v[t], then turn left by c[t] modulo the block's size.
    const size_t n = vecEntries.size();
    if (n < 2) {
        return;
    }
    // Stamp and line number, newest first and in line order within a stamp.
    std::vector<std::pair<LogTime, size_t>> vecKeys(n);
    for (size_t k = 0; k < n; ++k) {
        vecKeys[k] = {vecEntries[k].When, k};
    }
    std::sort(vecKeys.begin(), vecKeys.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::vector<size_t> vecOrder(n);
    for (size_t k = 0; k < n; ++k) {
        vecOrder[k] = vecKeys[k].second;
    }
    // Positions of the entries of greater stamps seen so far.
    CFenwick objGreater(n);
    size_t lngGreater = 0;
    std::vector<size_t> vecInsertAt;
    std::vector<size_t> vecCycle;
    CFenwick objFree(0);
    for (size_t lngFirst = 0; lngFirst < n;) {
        size_t lngEnd = lngFirst + 1;
        while (lngEnd < n && vecKeys[lngEnd].first == vecKeys[lngFirst].first) {
            ++lngEnd;
        }
        const size_t m = lngEnd - lngFirst;
        if (m > 1) {
            // The block is kept as a cycle plus the offset of its first entry: a turn moves
            // the offset, and appending inserts into the cycle just before the offset.
            vecInsertAt.resize(m);
            size_t lngOffset = 0;
            for (size_t t = 0; t < m; ++t) {
                const size_t lngPos = vecOrder[lngFirst + t];
                const size_t lngBefore = objGreater.CountBelow(lngPos + 1);
                const size_t lngUpTo =
                    t + 1 < m ? objGreater.CountBelow(vecOrder[lngFirst + t + 1]) : lngGreater;
                vecInsertAt[t] = lngOffset;
                lngOffset = (lngOffset + 1 + (lngUpTo - lngBefore)) % (t + 1);
            }
            // Resolve the insertions backwards: the last inserted entry takes the free slot at
            // its insertion index, and so on.
            vecCycle.resize(m);
            objFree.FillOnes(m);
            for (size_t t = m; t-- > 0;) {
                const size_t lngSlot = objFree.FindNth(vecInsertAt[t]);
                objFree.Remove(lngSlot);
                vecCycle[lngSlot] = vecOrder[lngFirst + t];
            }
            for (size_t k = 0; k < m; ++k) {
                vecOrder[lngFirst + k] = vecCycle[(lngOffset + k) % m];
                objGreater.Add(vecCycle[k]);
            }
        } else {
            objGreater.Add(vecOrder[lngFirst]);
        }
        lngGreater += m;
        lngFirst = lngEnd;
    }
    std::vector<LogEntry> vecSorted;
    vecSorted.reserve(n);
    for (size_t k = 0; k < n; ++k) {
        vecSorted.push_back(std::move(vecEntries[vecOrder[k]]));
    }
    vecEntries = std::move(vecSorted);
}

void NormaliseLogDates(std::vector<LogEntry>& vecEntries) {
    for (LogEntry& objEntry : vecEntries) {
        if (!TryParseLogDate(objEntry.Text)) {
            continue;
        }
        const size_t lngFirst = modMisc::GetField(objEntry.Text, " ", 1).size();
        const size_t lngSecond = modMisc::GetField(objEntry.Text, " ", 2).size();
        std::string strStamp = FormatLogTime(objEntry.When);
        // A line of only a date and a time has no message to keep.
        if (objEntry.Text.size() >= lngFirst + lngSecond + 2) {
            strStamp += ' ';
            strStamp.append(objEntry.Text, lngFirst + lngSecond + 2, std::string::npos);
        }
        objEntry.Text = std::move(strStamp);
    }
}

std::string SortLog(const std::string& strText) {
    const std::string strCollapsed = modMisc::CollapseDelimiters(strText, "\r\n", true);
    if (strCollapsed.empty()) {
        return {};
    }
    std::vector<LogEntry> vecEntries;
    // One entry per CR LF and one more; a bare line feed only makes the guess larger.
    vecEntries.reserve(
        static_cast<size_t>(std::count(strCollapsed.begin(), strCollapsed.end(), '\n')) + 1);
    ForEachCrLfPiece(strCollapsed, [&](std::string_view strPiece) {
        // Only spaces are trimmed; tabs stay.
        const std::string_view strLine = Trim(strPiece, kSpace);
        vecEntries.push_back(
            {TryParseLogDate(strLine).value_or(kEarliestLogTime), std::string(strLine)});
        return true;
    });
    SortLogEntries(vecEntries);
    NormaliseLogDates(vecEntries);
    std::string strOut;
    strOut.reserve(strCollapsed.size() + vecEntries.size() * 8);
    for (size_t k = 0; k < vecEntries.size(); ++k) {
        if (k > 0) {
            strOut += "\r\n";
        }
        strOut += vecEntries[k].Text;
    }
    return strOut;
}

} // namespace ata
