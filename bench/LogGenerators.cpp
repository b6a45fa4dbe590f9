#include "bench/LogGenerators.h"

#include <cstdint>
#include <cstdio>

namespace ata::bench {

namespace {

std::tm Utc(std::time_t t) {
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    return tm;
}

} // namespace

std::vector<std::string> SplitLines(const std::string& strText) {
    std::vector<std::string> vec;
    size_t k = 0;
    for (size_t e; (e = strText.find("\r\n", k)) != std::string::npos; k = e + 2)
        vec.push_back(strText.substr(k, e - k));
    vec.push_back(strText.substr(k));
    return vec;
}

std::string JoinLines(const std::vector<std::string>& vecLines) {
    std::string s;
    for (const auto& line : vecLines)
        s += (s.empty() ? "" : "\r\n") + line;
    return s;
}

DeviceLog MakeDeviceLog(size_t lngLines, std::time_t t, bool blnLongMessages) {
    DeviceLog log;
    uint32_t lngSeed = 12345;
    int intLeft = 0;
    for (size_t i = 0; i < lngLines; ++i) {
        lngSeed = lngSeed * 1103515245 + 12345;
        if (intLeft-- == 0) {
            t += 1 + (lngSeed >> 8) % 90;
            intLeft = static_cast<int>((lngSeed >> 20) % 16);
        }
        const std::tm tm = Utc(t);
        const std::string strMsg =
            blnLongMessages ? "Call " + std::to_string(1000000 + i) + " from 0301234567 ended 27s"
                            : std::string(1, static_cast<char>('a' + i % 26));
        char buf[96];
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d.%03zu %s\r\n", tm.tm_mon + 1,
                      tm.tm_mday, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec, i % 1000,
                      strMsg.c_str());
        log.strText += buf;
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d %s", tm.tm_mday,
                      tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec,
                      strMsg.c_str());
        log.vecToolLines.emplace_back(buf);
    }
    return log;
}

History MakeHistory(size_t lngBlocks, std::time_t tNewest) {
    std::vector<std::string> vecAll, vecKept;
    for (size_t i = 0; i < lngBlocks * 10; ++i) {
        const std::tm tm = Utc(tNewest - static_cast<std::time_t>(i) * 60);
        char buf[96];
        const int n =
            std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d ", tm.tm_mday,
                          tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
        const size_t k = i % 10;
        std::snprintf(buf + n, sizeof buf - static_cast<size_t>(n), "%s",
                      k == 0  ? ("Call from 0" + std::to_string(100000 + i) + " ended").c_str()
                      : i % 3 ? "SIP Registration succeeded for 100@pbx"
                              : "sip registration succeeded for 100@pbx");
        vecAll.emplace_back(buf);
        if (k == 0 || k == 1 || k == 9)
            vecKept.emplace_back(buf);
    }
    return {JoinLines(vecAll), JoinLines(vecKept), vecAll.size(), vecKept.size()};
}

} // namespace ata::bench
