#include "script/ScriptText.h"

#include "base/ByteText.h"
#include "base/RaisedError.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace ata::script {

namespace {

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

} // namespace

std::string CleanLine(const std::string& strLine) {
    std::string s = strLine;
    std::replace(s.begin(), s.end(), '\t', ' ');
    return std::string(Trim(s));
}

int32_t CountDelimiters(const std::string& strText, const std::string& strDelimiter) {
    if (strDelimiter.empty())
        return 0;
    int32_t count = 0;
    for (auto pos = strText.find(strDelimiter); pos != std::string::npos;
         pos = strText.find(strDelimiter, pos + strDelimiter.size()))
        ++count;
    return count;
}

std::string GetField(const std::string& strText, const std::string& strDelimiter,
                     int32_t lngField) {
    if (lngField < 1 || strDelimiter.empty())
        return {};
    if (CountDelimiters(strText, strDelimiter) < lngField - 1)
        return {};
    size_t start = 0;
    size_t pos = 0;
    for (int32_t n = 0; n < lngField; ++n) {
        start = pos;
        const auto found = strText.find(strDelimiter, pos);
        pos = (found == std::string::npos) ? strText.size() + strDelimiter.size()
                                           : found + strDelimiter.size();
    }
    return strText.substr(start, pos - start - strDelimiter.size());
}

std::string ReplaceNoCase(const std::string& strText, const std::string& strFind,
                          const std::string& strWith) {
    if (strFind.empty())
        return strText;
    std::string out;
    size_t i = 0;
    for (size_t found = FindIgnoreCase(strText, strFind); found != std::string::npos;
         found = FindIgnoreCase(strText, strFind, i)) {
        out.append(strText, i, found - i);
        out += strWith;
        i = found + strFind.size();
    }
    out.append(strText, i, std::string::npos);
    return out;
}

std::string GetQuotedArgument(const std::string& strLine) {
    const auto p = strLine.find(kQuote);
    if (p == std::string::npos)
        return {};
    const auto q = strLine.rfind(kQuote);
    if (q == p)
        throw RaisedError(5, "ZelTelnet.GetQuotedArgument",
                          "Invalid procedure call or argument: unmatched double quote");
    std::string s = strLine.substr(p + 1, q - p - 1);
    s = ReplaceNoCase(s, "\\n", kCrLf);
    s = ReplaceNoCase(s, "\\\"", "\"");
    return s;
}

std::string UpperCase(std::string strText) {
    for (char& ch : strText)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return strText;
}

std::string RemoveCrLf(const std::string& strText) {
    std::string out;
    out.reserve(strText.size());
    for (size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n') {
            ++i;
            continue;
        }
        out += strText[i];
    }
    return out;
}

bool ReplyContains(const std::string& strSubject, const std::string& strWanted) {
    return !strSubject.empty() && ContainsIgnoreCase(strSubject, strWanted);
}

std::string FormatElapsed(double dblSeconds) {
    if (!(dblSeconds >= 0))
        dblSeconds = 0;
    const double whole = std::floor(dblSeconds);
    const long long fraction = std::llround((dblSeconds - whole) * 1000.0);
    const long long secs = static_cast<long long>(whole);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%03lld", (secs / 60) % 60, secs % 60, fraction);
    return buf;
}

double LeadingNumber(const std::string& strText) {
    size_t i = 0;
    while (i < strText.size() && strText[i] == ' ')
        ++i;
    std::string num;
    if (i < strText.size() && (strText[i] == '-' || strText[i] == '+'))
        num += strText[i++];
    bool digits = false, point = false;
    for (; i < strText.size(); ++i) {
        const char ch = strText[i];
        if (IsDigit(ch)) {
            num += ch;
            digits = true;
        } else if (ch == '.' && !point) {
            num += ch;
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0;
    return std::strtod(num.c_str(), nullptr);
}

double DelaySeconds(const std::string& strField) {
    return std::nearbyint(LeadingNumber(strField)); // default rounding: halves to even
}

std::string StripLineBreaks(const std::string& strText) {
    size_t begin = 0, end = strText.size();
    while (end - begin >= 2 && strText[begin] == '\r' && strText[begin + 1] == '\n')
        begin += 2;
    while (end - begin >= 2 && strText[end - 2] == '\r' && strText[end - 1] == '\n')
        end -= 2;
    return strText.substr(begin, end - begin);
}

int64_t EchoLength(const std::string& strCommand, const std::string& strBuffer) {
    const int64_t lenCmd = static_cast<int64_t>(strCommand.size());
    const int64_t lenBuf = static_cast<int64_t>(strBuffer.size());
    int64_t i = 1, j = 1;
    while (true) {
        if (i >= lenCmd || j > lenBuf)
            return j;
        if (strCommand[i - 1] == strBuffer[j - 1]) {
            ++i;
            ++j;
        } else if (j + 1 <= lenBuf && strBuffer[j - 1] == '\r' && strBuffer[j] == '\n') {
            ++i;
            j += 2;
        } else {
            i = 1;
            ++j;
        }
    }
}

bool IsReplyCode(const std::string& strWait) {
    return strWait.size() == 3 && IsDigit(strWait[0]) && IsDigit(strWait[1]) && IsDigit(strWait[2]);
}

bool IsFinalReplyLine(const std::string& strLine) {
    return strLine.size() >= 3 && IsReplyCode(strLine.substr(0, 3)) &&
           (strLine.size() == 3 || strLine[3] == ' ');
}

PassiveReply ParsePassiveReply(const std::string& strLine) {
    PassiveReply reply;
    const auto open = strLine.find('(');
    if (open == std::string::npos) {
        reply.strProblem = "no \"(\"";
        return reply;
    }
    std::vector<long> numbers;
    size_t i = open + 1;
    while (numbers.size() < 6) {
        while (i < strLine.size() && strLine[i] == ' ')
            ++i;
        size_t start = i;
        while (i < strLine.size() && IsDigit(strLine[i]) && i - start < 4)
            ++i;
        if (i == start) {
            reply.strProblem = "too few numbers";
            return reply;
        }
        const long value = std::strtol(strLine.substr(start, i - start).c_str(), nullptr, 10);
        if (value > 255 || (i < strLine.size() && IsDigit(strLine[i]))) {
            reply.strProblem = "number out of range";
            return reply;
        }
        numbers.push_back(value);
        while (i < strLine.size() && strLine[i] == ' ')
            ++i;
        if (numbers.size() < 6) {
            if (i >= strLine.size() || strLine[i] != ',') {
                reply.strProblem = "too few numbers";
                return reply;
            }
            ++i;
        }
    }
    reply.strHost = std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
                    std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
    reply.lngPort = static_cast<int32_t>(numbers[4] * 256 + numbers[5]);
    reply.blnValid = true;
    return reply;
}

} // namespace ata::script
