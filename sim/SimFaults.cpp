#include "SimFaults.h"

namespace halyard::sim {

namespace {

// Bytes a noisy line picks up: control characters (never CR or LF), DEL,
// C1 controls and 0xFF, which the receiving side never takes as printable.
char NoiseByte(std::minstd_rand& rng)
{
    static constexpr unsigned char kNoise[] = {0x00, 0x01, 0x07, 0x08, 0x11, 0x13,
                                               0x1B, 0x7F, 0x81, 0x9F, 0xFF};
    return static_cast<char>(kNoise[rng() % sizeof kNoise]);
}

}  // namespace

std::vector<std::string> ShapeLine(const std::string& strText, const LineShape& shape, std::minstd_rand& rng)
{
    std::string strLine = strText;
    if (shape.bNoise) {
        const unsigned nCount = 1 + rng() % 3;
        for (unsigned n = 0; n < nCount; ++n)
            strLine.insert(strLine.begin() + static_cast<std::ptrdiff_t>(rng() % (strLine.size() + 1)),
                           NoiseByte(rng));
        strLine.insert(strLine.begin() + static_cast<std::ptrdiff_t>(rng() % (strLine.size() + 1)), '\xFF');
    }
    strLine += shape.bCrOnly ? "\r" : "\r\n";
    if (!shape.bSplit)
        return {strLine};

    // Last byte alone; the rest in one or two pieces.
    std::vector<std::string> pieces;
    const std::string strHead = strLine.substr(0, strLine.size() - 1);
    if (strHead.size() >= 4 && rng() % 2 == 0) {
        const size_t nCut = strHead.size() / 2;
        pieces.push_back(strHead.substr(0, nCut));
        pieces.push_back(strHead.substr(nCut));
    } else if (!strHead.empty()) {
        pieces.push_back(strHead);
    }
    pieces.push_back(strLine.substr(strLine.size() - 1));
    return pieces;
}

std::string OverlongText(size_t nLength)
{
    std::string strText;
    strText.reserve(nLength);
    for (size_t n = 0; n < nLength; ++n)
        strText += static_cast<char>('0' + n % 10);
    return strText;
}

}  // namespace halyard::sim
