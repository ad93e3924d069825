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
// with neither CR nor LF and has no byte after a CR but the LF; one call
// completes at most 20 lines, says whether it completed any, and takes
// nothing while the packet buffer is full; and the ring is emptied in the end.
// Against the bytes received, worked out here from the rules alone, the lines
// are the lines of those bytes, in order: every run of bytes up to a CR or LF
// gives the next line whole, ended as the run is (a CR alone gets its LF), or
// gives none only when it is a single byte; only a run that follows a CR of
// its line (bytes after the CR are lost when they come with it) or lies in a
// line too long for a packet may give just its end, or nothing. A NUL left
// alone in the ring at a line's start is dropped.
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

constexpr size_t kLongLine = 4095;  // bytes before an LF that can no longer all fit a packet

// A run of received bytes up to the CR or LF that ends it.
struct Run {
    std::string_view text;
    char chEnd = '\n';
    bool bAfterCR = false;     // a CR of its line comes before it
    bool bInLongLine = false;  // its line holds 4095 bytes or more before its LF
};

std::vector<Run> RunsOf(const std::string& strStream)
{
    std::vector<Run> runs;
    size_t nLineStart = 0;
    size_t nLineEnd = 0;
    size_t nRun = 0;
    bool bAfterCR = false;
    for (size_t n = 0; n < strStream.size(); ++n) {
        if (n == nLineStart) {
            nLineEnd = std::min(strStream.find('\n', n), strStream.size());
            bAfterCR = false;
        }
        const char ch = strStream[n];
        if (ch != '\r' && ch != '\n')
            continue;
        runs.push_back({std::string_view(strStream).substr(nRun, n - nRun), ch, bAfterCR,
                        nLineEnd - nLineStart >= kLongLine});
        bAfterCR = bAfterCR || ch == '\r';
        if (ch == '\n')
            nLineStart = n + 1;
        nRun = n + 1;
    }
    return runs;
}

// A run that may give no line: one byte (behind a NUL left alone in the ring,
// which is dropped), bytes after a CR (lost when they come with it), or part
// of a line too long for a packet.
bool MayBeLost(const Run& run)
{
    const size_t nLength = run.text.size() - (!run.text.empty() && run.text[0] == '\0' ? 1 : 0);
    return nLength <= 1 || run.bAfterCR || run.bInLongLine;
}

// Whether the run gives the line, ended as the run is (a CR alone gets its
// LF): its text whole (less a NUL left alone at its start), or the end of it
// when the run follows a CR (the bytes that came after those lost) or lies in
// a line too long (the rest after the overflow).
bool Gives(const Run& run, const std::string& line)
{
    const bool bEndsWithCR = line[line.size() - 2] == '\r';
    const std::string_view text(line.data(), line.size() - (bEndsWithCR ? 2 : 1));
    if (run.chEnd != (bEndsWithCR ? '\r' : '\n'))
        return false;
    return run.text == text || (!run.text.empty() && run.text[0] == '\0' && run.text.substr(1) == text) ||
           ((run.bAfterCR || run.bInLongLine) && run.text.ends_with(text));
}

// The lines delivered are the lines of the bytes received, in order: every
// run of bytes up to a CR or LF gives the next line or may give none. The
// runs are followed with every count of lines they can have given so far.
void CheckLinesAgainstTheBytes(const Receiver& receiver)
{
    const std::vector<std::string>& lines = receiver.lines;
    std::vector<size_t> counts{0};
    for (const Run& run : RunsOf(receiver.strStream)) {
        std::vector<size_t> next;
        for (const size_t nCount : counts) {
            if (MayBeLost(run))
                next.push_back(nCount);
            if (nCount < lines.size() && Gives(run, lines[nCount]))
                next.push_back(nCount + 1);
        }
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        if (next.empty() && std::getenv("HALYARD_FUZZ_SHOW"))
            halyard::fuzz::ShowBytes("run giving no line", run.text);
        Require(!next.empty(), "every line of the bytes received is delivered, whole and in order");
        counts.swap(next);
    }
    Require(counts.back() == lines.size(), "every line delivered is a line of the bytes received, in order");
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
    CheckLinesAgainstTheBytes(receiver);
    return 0;
}
