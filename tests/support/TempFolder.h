#pragma once
// A folder of its own for a test, removed with everything in it at the end,
// and reading a file back whole or by lines.

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/FileCalls.h"

namespace halyard::test {

class CTempFolder {
public:
    CTempFolder()
    {
        // A name nobody has taken: creating the folder is what claims it.
        std::error_code ec;
        const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
        std::random_device random;
        for (int nTry = 0; nTry < 100 && !ec && m_path.empty(); ++nTry) {
            const std::filesystem::path path = temp / ("halyard-" + std::to_string(random()));
            if (std::filesystem::create_directory(path, ec))
                m_path = path;
        }
    }
    ~CTempFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    bool IsValid() const { return !m_path.empty(); }
    // The path of strName inside the folder ("" gives the folder with a final "/").
    std::string Path(const std::string& strName = {}) const { return m_path.string() + "/" + strName; }

private:
    std::filesystem::path m_path;
};

// The file's bytes, or "" when it cannot be read.
inline std::string ReadWholeFile(const std::string& strPath)
{
    std::ifstream in(SystemPath(strPath), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The lines of a text whose line ends are strEnd; a last piece without its
// line end is a line too.
inline std::vector<std::string> SplitOn(const std::string& strText, const std::string& strEnd)
{
    std::vector<std::string> lines;
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = strText.find(strEnd, nStart)) != std::string::npos; nStart = nEnd + strEnd.size())
        lines.push_back(strText.substr(nStart, nEnd - nStart));
    if (nStart < strText.size())
        lines.push_back(strText.substr(nStart));
    return lines;
}

inline std::vector<std::string> SplitCrLf(const std::string& strText)
{
    return SplitOn(strText, "\r\n");
}

inline std::vector<std::string> SplitLf(const std::string& strText)
{
    return SplitOn(strText, "\n");
}

inline std::vector<std::string> ReadLines(const std::string& strPath)
{
    return SplitCrLf(ReadWholeFile(strPath));
}

}  // namespace halyard::test
