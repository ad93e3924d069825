#pragma once
// The GUI's edge for text: the core keeps 8-bit characters in std::string,
// Qt keeps QString. Each byte is one Latin-1 character; going back, each
// character keeps its low 8 bits.

#include <QString>

#include <string>

namespace halyard {

inline QString FromDocText(const std::string& strText)
{
    return QString::fromLatin1(strText.data(), static_cast<qsizetype>(strText.size()));
}

inline std::string ToDocText(const QString& strText)
{
    std::string result;
    result.reserve(static_cast<size_t>(strText.size()));
    for (const QChar ch : strText)
        result.push_back(static_cast<char>(ch.unicode() & 0xFF));
    return result;
}

}  // namespace halyard
