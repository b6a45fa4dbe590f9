#pragma once

#include <cstdint>
#include <string>

namespace ata::script {

inline constexpr char kQuote = '"';
inline constexpr const char* kCrLf = "\r\n";
// Marker between a command and its replies in a conversation entry (one byte, code 0xA4).
inline constexpr const char* kEntryMarker = "\xA4";

// TAB becomes a space, then leading and trailing spaces are removed.
std::string CleanLine(const std::string& strLine);

// Number of non-overlapping occurrences of strDelimiter in strText, left to right.
int32_t CountDelimiters(const std::string& strText, const std::string& strDelimiter);

// Field lngField (from 1) of strText split at strDelimiter; empty when there are fewer
// than lngField - 1 delimiters.
std::string GetField(const std::string& strText, const std::string& strDelimiter, int32_t lngField);

// Text between the first and the last double quote, with backslash-n (either case) turned
// into CR LF and then backslash-quote into a quote. No quote gives an empty text; a single
// quote raises RaisedError.
std::string GetQuotedArgument(const std::string& strLine);

// Replaces every occurrence of strFind (compared without regard to case) by strWith.
std::string ReplaceNoCase(const std::string& strText, const std::string& strFind,
                          const std::string& strWith);

std::string UpperCase(std::string strText);
std::string RemoveCrLf(const std::string& strText);

// True when strSubject is not empty and holds strWanted, ignoring case.
bool ReplyContains(const std::string& strSubject, const std::string& strWanted);

// "mm:ss:fff" of the elapsed seconds; minutes wrap every hour.
std::string FormatElapsed(double dblSeconds);

// The leading decimal number of the text (sign, digits, one decimal point); 0 when none.
double LeadingNumber(const std::string& strText);

// Whole seconds of a DELAY argument, halves to the even neighbour.
double DelaySeconds(const std::string& strField);

// Removes CR LF pairs repeatedly from the start, then from the end.
std::string StripLineBreaks(const std::string& strText);

// Number of leading buffer characters taken to be the echo of strCommand (1-based result,
// one past the end of the buffer when there is none).
int64_t EchoLength(const std::string& strCommand, const std::string& strBuffer);

// A line that is a final FTP reply: three digits followed by a space or by the line's end.
bool IsFinalReplyLine(const std::string& strLine);
// A WAIT text that is a bare three-digit reply code.
bool IsReplyCode(const std::string& strWait);

struct PassiveReply {
    bool blnValid = false;
    std::string strHost; // h1.h2.h3.h4 as the reply names it
    int32_t lngPort = 0;
    std::string strProblem; // why the reply could not be read
};

// Reads the six numbers h1,h2,h3,h4,p1,p2 after the first "(" of a "227" reply line.
PassiveReply ParsePassiveReply(const std::string& strLine);

} // namespace ata::script
