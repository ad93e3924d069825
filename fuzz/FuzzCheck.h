#pragma once
// What every fuzz target shares: Require stops the run with the broken
// invariant's name (libFuzzer keeps the input that did it), and the input cut
// into pieces at a separator byte.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace halyard::fuzz {

inline void Require(bool bHolds, const char* szInvariant)
{
    if (bHolds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", szInvariant);
    std::abort();
}

// Shows bytes on stderr, escaped, before a Require that concerns them fails.
inline void ShowBytes(const char* szLabel, std::string_view bytes)
{
    std::fprintf(stderr, "%s (%zu bytes): \"", szLabel, bytes.size());
    for (const char ch : bytes) {
        const auto by = static_cast<unsigned char>(ch);
        if (by >= 0x20 && by < 0x7F && by != '\\' && by != '"')
            std::fputc(by, stderr);
        else
            std::fprintf(stderr, "\\x%02X", by);
    }
    std::fprintf(stderr, "\"\n");
}

// The rules as the sensor and the files have them, written out here rather
// than taken from the code under test.

// Printable in Latin-1: 0x20 to 0x7E and 0xA0 to 0xFE.
inline bool Printable(char ch)
{
    const auto by = static_cast<uint8_t>(ch);
    return (by >= 0x20 && by <= 0x7E) || (by >= 0xA0 && by <= 0xFE);
}

// A register's reply form: the high byte's bits, a comma, the low byte's, bit 15 first.
inline std::string BinaryReply(uint16_t wValue)
{
    std::string strText;
    for (int nBit = 15; nBit >= 0; --nBit) {
        strText += (wValue >> nBit) & 1 ? '1' : '0';
        if (nBit == 8)
            strText += ',';
    }
    return strText;
}

// The bytes split at every chSeparator (the separators dropped; empty pieces kept).
inline std::vector<std::string> SplitAt(std::string_view bytes, char chSeparator)
{
    std::vector<std::string> pieces;
    size_t nStart = 0;
    for (size_t nAt; (nAt = bytes.find(chSeparator, nStart)) != std::string_view::npos; nStart = nAt + 1)
        pieces.emplace_back(bytes.substr(nStart, nAt - nStart));
    pieces.emplace_back(bytes.substr(nStart));
    return pieces;
}

// The input as text, and its first byte taken off as the target's switches.
struct FuzzInput {
    uint8_t byFlags = 0;
    std::string_view rest;
};
inline FuzzInput TakeFlags(const uint8_t* pbyData, size_t nSize)
{
    if (nSize == 0)
        return {};
    return {pbyData[0], std::string_view(reinterpret_cast<const char*>(pbyData) + 1, nSize - 1)};
}

}  // namespace halyard::fuzz
