#include "LineAssembler.h"

namespace halyard {

namespace {

// The state of one ParseLines call.
struct Assembly {
    CCircularBuffer& rx;
    CPacketBuffer& packets;
    uint8_t byEndChar;
    bool bStop = false;
    bool bLineDone = false;
    bool bPastLimit = false;

    uint32_t Held()
    {
        uint32_t dwHeld = 0;
        rx.GetBuffSize(&dwHeld);
        return dwHeld;
    }

    uint32_t LineLength()
    {
        uint32_t dwCount = 0;
        packets.GetCurrentTotalWriteCount(&dwCount);
        return dwCount;
    }

    // Appends one byte to the current line; a line that would overflow is
    // discarded and parsing stops for this call.
    bool Append(uint8_t by)
    {
        if (packets.AddData(&by, 1))
            return true;
        packets.ClearInputPacket();
        bStop = true;
        return false;
    }

    // Lines of one character and the end byte (or less) are noise.
    void FinishLine()
    {
        uint32_t dwSize = 0;
        if (LineLength() > 2 && packets.FinalisePacket(dwSize))
            bLineDone = true;
        else
            packets.ClearInputPacket();
    }

    void Cycle(int nCycle);
    void TakeLoneByte();
};

void Assembly::Cycle(int nCycle)
{
    const uint32_t dwHeld = Held();
    if (dwHeld == 0)
        bStop = true;
    // The cycle past the limit still takes one byte into the current line.
    if (nCycle > MAX_LINES_PER_PARSE)
        bStop = bPastLimit = true;
    if (dwHeld == 0)
        return;

    bool bCrSeen = false;
    uint8_t by = 0;
    do {
        uint32_t dwTaken = 0;
        if (!rx.GetData(&by, &dwTaken, 1)) {
            bStop = true;
            by = 0;
            break;
        }
        if (LineLength() == 0 && (by == LINE_CR || by == byEndChar)) {
            // leading CR and end bytes are skipped
        } else if (!bCrSeen || by == byEndChar) {
            Append(by);
        }
        // any other byte after a CR is lost
        if (by == LINE_CR)
            bCrSeen = true;
    } while (Held() > 0 && by != byEndChar && !bStop);

    if (by == byEndChar) {
        FinishLine();
    } else if (bCrSeen) {
        // A CR ends the line even before its LF arrives; the late LF is then
        // skipped as a leading byte.
        if (Append(byEndChar))
            FinishLine();
    }
}

// A single byte left behind joins the current line as it is. Skipped while
// the packet buffer is full (it stays in the ring), and a lone CR or end byte
// is not allowed to open a line. Only the cycle past the limit leaves a line
// open with one byte behind; that byte waits in the ring for the next call,
// whose first cycle takes it by the usual rules (a CR or end byte taken here
// would join a line without ending it).
void Assembly::TakeLoneByte()
{
    if (bPastLimit || Held() != 1 || packets.IsBufferFull())
        return;
    uint8_t by = 0;
    uint32_t dwTaken = 0;
    if (!rx.GetData(&by, &dwTaken, 1) || by == 0)
        return;
    if (LineLength() == 0 && (by == LINE_CR || by == byEndChar))
        return;
    Append(by);
}

}  // namespace

bool ParseLines(CCircularBuffer& rx, CPacketBuffer& packets, uint8_t byEndChar)
{
    if (packets.IsBufferFull())
        return false;
    Assembly assembly{rx, packets, byEndChar};
    for (int nCycle = 1;; ++nCycle) {
        assembly.Cycle(nCycle);
        if (assembly.Held() == 0)
            assembly.bStop = true;
        else
            assembly.TakeLoneByte();
        if (assembly.Held() == 0)
            assembly.bStop = true;
        if (packets.IsBufferFull() || assembly.bStop)
            break;
    }
    return assembly.bLineDone;
}

}  // namespace halyard
