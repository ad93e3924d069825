// The line assembler of the receive path fed as the comm watch thread feeds
// it: reads of any size appended to the receive ring, each followed by a
// ParseLines call, with the owner taking the complete lines out now and then.
//
// The input is a list of reads, each a control byte and its bytes. The
// control byte's bit 7 says that the owner takes every complete line out
// before the read; bits 0-6 give its length: 0 to 119 bytes, and 120 to 127
// for 512 to 4096 bytes (what a full read from the driver gives). A length of
// 0 is a pass of the thread that finds no new bytes.
//
// Checked: every line delivered ends with LF, holds 3 to 4095 bytes, starts
// with neither CR nor LF and has no byte after a CR but the LF; the lines are
// made of the bytes received, in order (an LF after a CR may be added); one
// call completes at most 20 lines, says whether it completed any, and takes
// nothing while the packet buffer is full; and the ring is emptied in the end.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "serial/CCircularBuffer.h"
#include "serial/CPacketBuffer.h"
#include "serial/LineAssembler.h"

using halyard::fuzz::Require;

namespace {

constexpr uint32_t kRingSize = 40960;
constexpr uint32_t kPacketSlots = 40;
constexpr uint8_t kLF = 10;

uint32_t ReadLength(uint8_t byControl)
{
    const uint32_t n = byControl & 0x7Fu;
    return n < 120 ? n : (n - 119) * 512;
}

uint32_t Held(halyard::CCircularBuffer& rx)
{
    uint32_t dw = 0;
    rx.GetBuffSize(&dw);
    return dw;
}

uint32_t Complete(halyard::CPacketBuffer& packets)
{
    uint32_t dw = 0;
    packets.GetBuffSize(&dw);
    return dw;
}

void CheckLine(std::string_view line)
{
    Require(line.size() > 2, "a delivered line is longer than 2 bytes");
    Require(line.size() <= 4095, "a delivered line is at most 4095 bytes");
    Require(static_cast<uint8_t>(line.back()) == kLF, "a delivered line ends with LF");
    Require(line.find('\n') == line.size() - 1, "a packet holds one line: its LF is its only one");
    Require(line.front() != '\r' && line.front() != '\n', "leading CR and LF are skipped");
    const size_t nCR = line.find('\r');
    Require(nCR == std::string_view::npos || nCR == line.size() - 2, "no byte between a CR and the LF");
}

struct Receiver {
    halyard::CCircularBuffer rx;
    halyard::CPacketBuffer packets;
    std::string strStream;  // every byte the ring accepted, in order
    std::vector<std::string> lines;

    void TakeLines()
    {
        std::vector<uint8_t> buffer(halyard::PACKET_SLOT_SIZE);
        uint32_t dwLength = 0;
        while (packets.GetData(buffer.data(), &dwLength)) {
            lines.emplace_back(reinterpret_cast<const char*>(buffer.data()), dwLength);
            if (std::getenv("HALYARD_FUZZ_SHOW"))
                halyard::fuzz::ShowBytes("line", lines.back());
            CheckLine(lines.back());
        }
    }

    void Parse()
    {
        const bool bFull = packets.IsBufferFull();
        const uint32_t dwHeld = Held(rx);
        const uint32_t dwBefore = Complete(packets);
        const bool bDone = halyard::ParseLines(rx, packets, kLF);
        const uint32_t dwCompleted = Complete(packets) - dwBefore;
        Require(dwCompleted <= static_cast<uint32_t>(halyard::MAX_LINES_PER_PARSE),
                "one call completes at most 20 lines");
        Require(bDone == (dwCompleted > 0), "ParseLines says whether it completed a line");
        if (bFull)
            Require(Held(rx) == dwHeld && !bDone, "nothing is taken while the packet buffer is full");
    }
};

// The lines, less an LF that follows a CR (it may have been added), are a
// subsequence of the received bytes.
void CheckMadeOfTheBytes(const Receiver& receiver)
{
    size_t nAt = 0;
    for (const std::string& line : receiver.lines) {
        const size_t nLength = line.size() >= 2 && line[line.size() - 2] == '\r' ? line.size() - 1 : line.size();
        for (size_t n = 0; n < nLength; ++n) {
            nAt = receiver.strStream.find(line[n], nAt);
            Require(nAt != std::string::npos, "a delivered line is made of the bytes received, in order");
            ++nAt;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pbyData, size_t nSize)
{
    Receiver receiver;
    Require(receiver.rx.Initialise(kRingSize) && receiver.packets.Initialise(kPacketSlots), "buffers made");
    size_t nAt = 0;
    while (nAt < nSize) {
        const uint8_t byControl = pbyData[nAt++];
        const uint32_t dwLength = static_cast<uint32_t>(std::min<size_t>(ReadLength(byControl), nSize - nAt));
        if (byControl & 0x80)
            receiver.TakeLines();
        if (dwLength > 0 && receiver.rx.AddData(pbyData + nAt, dwLength))
            receiver.strStream.append(reinterpret_cast<const char*>(pbyData + nAt), dwLength);
        nAt += dwLength;
        receiver.Parse();
    }
    // The thread's later passes with the owner keeping up: every byte is taken.
    for (uint32_t n = 0; n <= kRingSize && Held(receiver.rx) > 0; ++n) {
        receiver.TakeLines();
        receiver.Parse();
    }
    Require(Held(receiver.rx) == 0, "with the owner keeping up the ring is emptied");
    receiver.TakeLines();
    CheckMadeOfTheBytes(receiver);
    return 0;
}
