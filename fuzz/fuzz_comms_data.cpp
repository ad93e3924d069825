// The document's received packets: CommsDataReceived takes them from the
// link and GetCommsData turns each into the lines the received-data list
// shows, with RS485 framing, register replies and the address reply.
//
// The input's first byte is a set of switches: bit 0 RS485 on (the address in
// the second byte), bit 1 the packets come through the line assembler as on a
// real port (else they are the pieces between NUL bytes, any bytes at all),
// bits 2-4 "V9?", "OP?" and "ADR?" asked before, bit 5 the decimal operating
// state off. Checked for every packet: the length reported is the packet's;
// each line (text before an LF, and text after the last one) is listed as its
// printable bytes, followed only by the notices the rules give ("Bad Checksum"
// and "Bad Data Format" for addressed lines); the address stays 0 to 99, RS485
// once on stays on, the first data message is announced once; an operating
// state taken as a value converts back to the reply it came from.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "DocTestAccess.h"
#include "FuzzDocRig.h"
#include "serial/CCircularBuffer.h"
#include "serial/CPacketBuffer.h"
#include "serial/LineAssembler.h"

using halyard::fuzz::BinaryReply;
using halyard::fuzz::Printable;
using halyard::fuzz::Require;

namespace {

const std::string kBadChecksum = "Bad Checksum\n";
const std::string kBadFormat = "Bad Data Format\n";

// The packets a real port would give for the bytes.
std::vector<std::string> AssembledPackets(std::string_view bytes)
{
    halyard::CCircularBuffer rx;
    halyard::CPacketBuffer packets;
    Require(rx.Initialise(40960) && packets.Initialise(40), "buffers made");
    std::vector<std::string> out;
    std::vector<uint8_t> buffer(halyard::PACKET_SLOT_SIZE);
    rx.AddData(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
    for (int n = 0; n < 5000; ++n) {
        halyard::ParseLines(rx, packets, '\n');
        uint32_t dwLength = 0;
        while (packets.GetData(buffer.data(), &dwLength))
            out.emplace_back(reinterpret_cast<const char*>(buffer.data()), dwLength);
        uint32_t dwHeld = 0;
        rx.GetBuffSize(&dwHeld);
        if (dwHeld == 0)
            break;
    }
    return out;
}

// The text of a received line: the bytes printable in Latin-1 (0x20 to 0x7E
// and 0xA0 to 0xFE; 0xFF never), everything else dropped.
std::string PrintableBytes(std::string_view bytes)
{
    std::string strText;
    for (const char ch : bytes) {
        if (Printable(ch))
            strText += ch;
    }
    return strText;
}

// The entries GetCommsData appended for one packet, against the packet.
void CheckPacketLines(const std::string& strPacket, bool bAddressed, const std::vector<std::string>& entries)
{
    size_t nEntry = 0;
    size_t nLineStart = 0;
    for (size_t n = 0; n <= strPacket.size(); ++n) {
        const bool bEnd = n == strPacket.size();
        if (!bEnd && strPacket[n] != '\n')
            continue;
        const std::string strText = PrintableBytes(std::string_view(strPacket).substr(nLineStart, n - nLineStart));
        nLineStart = n + 1;
        if (bEnd && strText.empty())
            break;
        Require(nEntry < entries.size() && entries[nEntry] == strText, "a line is listed as its printable bytes");
        ++nEntry;
        if (bEnd)
            break;
        if (nEntry < entries.size() && (entries[nEntry] == kBadChecksum || entries[nEntry] == kBadFormat)) {
            Require(bAddressed, "notices follow addressed lines only");
            ++nEntry;
        }
    }
    Require(nEntry == entries.size(), "nothing but the packet's lines and their notices is listed");
}

void CheckRegisters(halyard::CHalyardDoc& doc)
{
    if (!doc.IsOpStateValue())
        return;
    const std::string& strReply = doc.GetOpStateReply();
    if (strReply.size() == 17) {
        Require(BinaryReply(doc.GetOpState()) == strReply, "a binary state converts back to its reply");
    } else {
        char sz[8];
        std::snprintf(sz, sizeof sz, "%05u", static_cast<unsigned>(doc.GetOpState()));
        Require(strReply == sz, "a decimal state converts back to its reply");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pbyData, size_t nSize)
{
    const halyard::fuzz::FuzzInput input = halyard::fuzz::TakeFlags(pbyData, nSize);
    std::string_view stream = input.rest;
    uint16_t wAddress = 0;
    if (!stream.empty()) {
        wAddress = static_cast<uint8_t>(stream.front()) % 100;
        stream.remove_prefix(1);
    }
    const std::vector<std::string> packets =
        (input.byFlags & 0x02) ? AssembledPackets(stream) : halyard::fuzz::SplitAt(stream, '\0');

    halyard::fuzz::CFuzzDocRig rig;
    rig.Connect();
    halyard::CHalyardDoc& doc = rig.Doc();
    doc.SetAddress(wAddress);
    if (input.byFlags & 0x01)
        doc.EnableRS485(true);
    if (input.byFlags & 0x20)
        halyard::DocTestAccess::SetOSDecimal(doc, false);
    for (const auto& [nBit, szCommand] : {std::pair{0x04, "V9?"}, std::pair{0x08, "OP?"}, std::pair{0x10, "ADR?"}})
        if (input.byFlags & nBit)
            doc.SendCommand(szCommand, true);

    for (const std::string& strPacket : packets) {
        if (strPacket.empty())
            continue;
        const std::string strTaken = strPacket.substr(0, halyard::PACKET_SLOT_SIZE - 1);
        const bool bWasRS485 = doc.IsRS485();
        const bool bAddressed = bWasRS485 || strTaken[0] == ':';
        rig.Port().Supply(strTaken);
        doc.CommsDataReceived(true);
        std::vector<std::string> entries;
        uint32_t dwBytes = 0;
        Require(doc.GetCommsData(entries, dwBytes), "a packet handed in is handed out");
        Require(dwBytes == strTaken.size(), "the length reported is the packet's");
        CheckPacketLines(strTaken, bAddressed, entries);
        Require(!doc.GetCommsData(entries, dwBytes), "one packet in, one packet out");
        Require(doc.GetAddress() <= 99, "the address stays 0 to 99");
        Require(!bWasRS485 || doc.IsRS485(), "RS485 once on stays on");
        CheckRegisters(doc);
        rig.Pump();
    }
    Require(rig.Host().ViewCount(halyard::WM_FIRST_DATA_MSG) <= 1, "the first data message is announced once");
    return 0;
}
