#include "IniText.h"

#include <cstdint>
#include <vector>

namespace halyard {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool IsPlainKeyChar(uint32_t cp)
{
    return (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9') || cp == '_' ||
           cp == '-' || cp == '.';
}

// The code point starting at s[i], i moved past it. A byte that starts no
// valid UTF-8 sequence stands for itself (as a Latin-1 character would).
uint32_t NextCodePoint(const std::string& s, size_t& i)
{
    const unsigned char lead = static_cast<unsigned char>(s[i]);
    const size_t nMore = lead >= 0xF0 && lead <= 0xF4   ? 3
                         : lead >= 0xE0 && lead <= 0xEF ? 2
                         : lead >= 0xC2 && lead <= 0xDF ? 1
                                                        : 0;
    if (nMore == 0 || i + nMore >= s.size()) {
        ++i;
        return lead;
    }
    uint32_t cp = lead & (0x3Fu >> nMore);
    for (size_t n = 1; n <= nMore; ++n) {
        const unsigned char next = static_cast<unsigned char>(s[i + n]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return lead;
        }
        cp = (cp << 6) | (next & 0x3Fu);
    }
    i += nMore + 1;
    return cp;
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendHex(std::string& out, uint32_t value, int nDigits)
{
    for (int n = nDigits - 1; n >= 0; --n)
        out += kHex[(value >> (4 * n)) & 0xF];
}

// nDigits hex digits at s[i]; -1 when they are not all there.
int32_t HexAt(const std::string& s, size_t i, int nDigits)
{
    if (i + static_cast<size_t>(nDigits) > s.size())
        return -1;
    int32_t value = 0;
    for (int n = 0; n < nDigits; ++n) {
        const char c = s[i + static_cast<size_t>(n)];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

std::string Trim(const std::string& s)
{
    const size_t nFirst = s.find_first_not_of(" \t");
    if (nFirst == std::string::npos)
        return {};
    return s.substr(nFirst, s.find_last_not_of(" \t") - nFirst + 1);
}

struct IniLine {
    std::string strRaw;      // as in the text, with its line end
    std::string strSection;  // unescaped name when the line is a group header
    bool bSection = false;
    std::string strKey;  // unescaped key when the line is key=value
    std::string strValue;
    bool bKey = false;
};

std::string Unquoted(const std::string& strValue)
{
    if (strValue.size() < 2 || strValue.front() != '"')
        return strValue;
    std::string out;
    for (size_t i = 1; i < strValue.size() && strValue[i] != '"'; ++i) {
        if (strValue[i] == '\\' && i + 1 < strValue.size())
            ++i;
        out += strValue[i];
    }
    return out;
}

std::string ValueText(const std::string& strValue)
{
    const bool bPlain =
        strValue.find_first_of("\"\\;,=\r\n\t") == std::string::npos && Trim(strValue) == strValue;
    if (bPlain)
        return strValue;
    std::string out = "\"";
    for (char c : strValue) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::vector<IniLine> SplitLines(const std::string& strText)
{
    std::vector<IniLine> lines;
    size_t nStart = 0;
    while (nStart < strText.size()) {
        size_t nEnd = strText.find('\n', nStart);
        nEnd = nEnd == std::string::npos ? strText.size() : nEnd + 1;
        IniLine line;
        line.strRaw = strText.substr(nStart, nEnd - nStart);
        std::string content = line.strRaw;
        while (!content.empty() && (content.back() == '\n' || content.back() == '\r'))
            content.pop_back();
        content = Trim(content);
        if (!content.empty() && content.front() == '[') {
            const size_t nClose = content.rfind(']');
            line.bSection = true;
            line.strSection = UnescapeIniKey(
                content.substr(1, (nClose == std::string::npos ? content.size() : nClose) - 1));
        } else if (const size_t nEq = content.find('=');
                   nEq != std::string::npos && content.front() != ';' && content.front() != '#') {
            line.bKey = true;
            line.strKey = UnescapeIniKey(Trim(content.substr(0, nEq)));
            line.strValue = Unquoted(Trim(content.substr(nEq + 1)));
        }
        lines.push_back(std::move(line));
        nStart = nEnd;
    }
    return lines;
}

}  // namespace

std::string EscapeIniKey(const std::string& strKey)
{
    std::string out;
    for (size_t i = 0; i < strKey.size();) {
        const uint32_t cp = NextCodePoint(strKey, i);
        if (cp == '/') {
            out += '\\';
        } else if (IsPlainKeyChar(cp)) {
            out += static_cast<char>(cp);
        } else if (cp <= 0xFF) {
            out += '%';
            AppendHex(out, cp, 2);
        } else if (cp < 0x10000) {
            out += "%U";
            AppendHex(out, cp, 4);
        } else {
            out += "%U";
            AppendHex(out, 0xD800 + ((cp - 0x10000) >> 10), 4);
            out += "%U";
            AppendHex(out, 0xDC00 + ((cp - 0x10000) & 0x3FF), 4);
        }
    }
    return out;
}

std::string UnescapeIniKey(const std::string& strEscaped)
{
    std::string out;
    for (size_t i = 0; i < strEscaped.size();) {
        const char c = strEscaped[i];
        if (c == '\\') {
            out += '/';
            ++i;
            continue;
        }
        if (c == '%' && i + 1 < strEscaped.size() && strEscaped[i + 1] == 'U') {
            const int32_t unit = HexAt(strEscaped, i + 2, 4);
            if (unit >= 0) {
                i += 6;
                uint32_t cp = static_cast<uint32_t>(unit);
                const bool bHigh = cp >= 0xD800 && cp < 0xDC00;
                const int32_t low =
                    bHigh && strEscaped.compare(i, 2, "%U") == 0 ? HexAt(strEscaped, i + 2, 4) : -1;
                if (low >= 0xDC00 && low < 0xE000) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<uint32_t>(low) - 0xDC00);
                    i += 6;
                } else if (cp >= 0xD800 && cp < 0xE000) {
                    cp = 0xFFFD;  // half of a pair
                }
                AppendUtf8(out, cp);
                continue;
            }
        } else if (c == '%') {
            const int32_t value = HexAt(strEscaped, i + 1, 2);
            if (value >= 0) {
                AppendUtf8(out, static_cast<uint32_t>(value));
                i += 3;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

std::map<std::string, std::string> ReadIniGroup(const std::string& strText, const std::string& strGroup)
{
    std::map<std::string, std::string> values;
    bool bInGroup = false;
    for (const IniLine& line : SplitLines(strText)) {
        if (line.bSection)
            bInGroup = line.strSection == strGroup;
        else if (bInGroup && line.bKey && line.strKey.find('/') == std::string::npos)
            values[line.strKey] = line.strValue;
    }
    return values;
}

std::string ReplaceIniGroup(const std::string& strText, const std::string& strGroup,
                            const std::map<std::string, std::string>& values)
{
    std::string strKeys;
    for (const auto& [strKey, strValue] : values)
        strKeys += EscapeIniKey(strKey) + "=" + ValueText(strValue) + "\n";

    std::string out;
    bool bInGroup = false;
    bool bWritten = false;
    for (const IniLine& line : SplitLines(strText)) {
        if (line.bSection) {
            bInGroup = line.strSection == strGroup;
            // A second [group] of the same name is merged into the first.
            if (bInGroup && bWritten)
                continue;
            out += line.strRaw;
            if (bInGroup) {
                if (out.back() != '\n')
                    out += '\n';
                out += strKeys;
                bWritten = true;
            }
            continue;
        }
        if (bInGroup && line.bKey && line.strKey.find('/') == std::string::npos)
            continue;
        out += line.strRaw;
    }
    if (!bWritten) {
        if (!out.empty() && out.back() != '\n')
            out += '\n';
        if (!out.empty())
            out += '\n';
        out += "[" + EscapeIniKey(strGroup) + "]\n" + strKeys;
    }
    return out;
}

}  // namespace halyard
