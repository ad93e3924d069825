#pragma once
// The GUI's edge for text: the core keeps 8-bit characters in std::string,
// Qt keeps QString. Each byte is one Latin-1 character; going back, each
// character keeps its low 8 bits. That holds for text on the wire and inside
// files only: a path goes to and from the system in the file system's own
// encoding (ToFileSystemPath, FromFileSystemPath).

#include <QFile>
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

// A path as the bytes the system's file calls take (UTF-8 on Linux), and
// back. Byte-per-character conversion would lose every name with an accent.
inline std::string ToFileSystemPath(const QString& strPath)
{
    return QFile::encodeName(strPath).toStdString();
}

inline QString FromFileSystemPath(const std::string& strPath)
{
    return QFile::decodeName(QByteArray(strPath.data(), static_cast<qsizetype>(strPath.size())));
}

}  // namespace halyard
