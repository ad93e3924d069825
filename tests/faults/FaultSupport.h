#pragma once
// Shared parts of the fault runs: the figure each run prints (a property of
// the test's XML record and a plain "[  FIGURE  ]" line that scripts/faults.sh
// collects), waiting for a log to grow, and reading a log back record by
// record.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "TempFolder.h"

namespace halyard::test {

inline void Figure(const std::string& strKey, std::string strValue)
{
    // One line: the lines of a message joined.
    while (!strValue.empty() && strValue.back() == '\n')
        strValue.pop_back();
    for (size_t pos; (pos = strValue.find('\n')) != std::string::npos;)
        strValue.replace(pos, 1, " | ");
    ::testing::Test::RecordProperty(strKey, strValue);
    const auto* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
    std::printf("[  FIGURE  ] %s.%s: %s = %s\n", pInfo->test_suite_name(), pInfo->name(), strKey.c_str(),
                strValue.c_str());
    std::fflush(stdout);
}

// An environment variable as a whole number, or the default.
inline long EnvNumber(const char* szName, long nDefault)
{
    const char* szValue = std::getenv(szName);
    return szValue != nullptr && *szValue != '\0' ? std::atol(szValue) : nDefault;
}

// Records ended by CR LF so far; a piece without its CR LF is not counted.
inline size_t WholeRecords(const std::string& strPath)
{
    const std::string strText = ReadWholeFile(strPath);
    size_t nRecords = 0;
    for (size_t pos = 0; (pos = strText.find("\r\n", pos)) != std::string::npos; pos += 2)
        ++nRecords;
    return nRecords;
}

template <typename Condition>
bool AwaitCondition(Condition condition, std::chrono::seconds timeout = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

inline bool AwaitWholeRecords(const std::string& strPath, size_t nRecords,
                              std::chrono::seconds timeout = std::chrono::seconds(30))
{
    return AwaitCondition([&] { return WholeRecords(strPath) >= nRecords; }, timeout);
}

// A log read back: the whole records, and what follows the last CR LF (a
// record torn by the fault; empty when there is none).
struct LogContents {
    std::vector<std::string> records;
    std::string strTorn;
};

inline LogContents ReadLog(const std::string& strPath)
{
    const std::string strText = ReadWholeFile(strPath);
    LogContents log;
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = strText.find("\r\n", nStart)) != std::string::npos; nStart = nEnd + 2)
        log.records.push_back(strText.substr(nStart, nEnd - nStart));
    log.strTorn = strText.substr(nStart);
    return log;
}

// Whether a record is strLine with the log's stamp ",dd/mm/yyyy,HH:MM:SS".
inline bool IsStampedRecordOf(const std::string& strRecord, const std::string& strLine)
{
    static constexpr char kShape[] = ",99/99/9999,99:99:99";
    constexpr size_t kStamp = sizeof kShape - 1;
    if (strRecord.size() != strLine.size() + kStamp || strRecord.compare(0, strLine.size(), strLine) != 0)
        return false;
    for (size_t n = 0; n < kStamp; ++n) {
        const char c = strRecord[strLine.size() + n];
        if (kShape[n] == '9' ? (c < '0' || c > '9') : c != kShape[n])
            return false;
    }
    return true;
}

}  // namespace halyard::test
