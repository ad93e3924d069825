// The diagnostic dumps' capture: DumpAll and DumpALS with a sensor whose
// replies come from the input, each packet's last line going to
// CaptureDumpLine and so into the dump file.
//
// The input's first byte: bit 0 the ALS dump. The rest is the replies, split
// at NUL: the n-th command sent gets the n-th reply (an empty one is silence,
// an LF inside one makes several packets); commands past the last reply get
// what a sensor would answer. With automatic output on (bit 0 of the state it
// was last sent) the sensor also sends a data message every two seconds.
// Checked: the dump ends; its file is printable text in CR LF lines, opens
// with the capture's header and closes with its end; every operating state
// the dump writes keeps bits 2-15 of the state it read, and the last one it
// writes is that state (the sensor is left as it was).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzDocRig.h"
#include "FuzzMemFile.h"
#include "document/Framing.h"
#include "document/Registers.h"

using halyard::fuzz::Require;

namespace {

constexpr int kMostTicks = 20000;
const std::string kDataMessage = "PW 00,0060,12345,12000,00,+012.5,0000.00,0000.00,0,0,000,0.123,0.456";

struct Sensor {
    std::vector<std::string> replies;
    size_t nHeard = 0;
    uint16_t wState = 0x0001;
    std::vector<uint16_t> written;  // the operating states sent to it

    std::vector<std::string> Answer(const std::string& strLine)
    {
        const bool bOS = strLine.size() == 18 && strLine.rfind("OS", 0) == 0 &&
                         strLine.find_first_not_of("01", 2) == std::string::npos;
        if (bOS) {
            halyard::ConvertBinaryStringtoData(strLine.substr(2, 8) + "," + strLine.substr(10), &wState);
            written.push_back(wState);
        }
        std::string strReply = Default(strLine);
        if (nHeard < replies.size())
            strReply = replies[nHeard];
        if (std::getenv("HALYARD_FUZZ_SHOW")) {
            halyard::fuzz::ShowBytes(("sent " + std::to_string(nHeard)).c_str(), strLine);
            halyard::fuzz::ShowBytes("reply", strReply);
        }
        ++nHeard;
        std::vector<std::string> packets;
        for (std::string& strPacket : halyard::fuzz::SplitAt(strReply, '\n'))
            if (!strPacket.empty())
                packets.push_back(strPacket + "\r\n");
        return packets;
    }

    std::string Default(const std::string& strLine) const
    {
        if (strLine == "V9?" || strLine == "OS?" || strLine.rfind("OS", 0) == 0)
            return halyard::BinaryDisplayForm(wState);
        if (strLine == "OP?")
            return halyard::BinaryDisplayForm(0x0021);
        if (strLine == "D?" || strLine == "R?")
            return kDataMessage;
        if (!strLine.empty() && strLine.back() == '?')
            return strLine.substr(0, strLine.size() - 1) + " 00123";
        return strLine + " OK";
    }
};

void CheckFile(const std::string& strFile, bool bAls, const std::string& strName)
{
    const std::string strHeader = std::string(bAls ? ":Orvan Diagnostic capture for ALS Serial Number "
                                                   : ":Orvan Diagnostic capture for sensor Serial Number ") +
                                  strName + "\r\n";
    const std::string strEnd = bAls ? "#\r\nALS Diagnostic Save Finished\r\n" : "#\r\nDiagnostic Save Finished\r\n";
    Require(strFile.rfind(strHeader, 0) == 0, "the dump file opens with its header");
    Require(strFile.size() >= strHeader.size() + strEnd.size() &&
                strFile.compare(strFile.size() - strEnd.size(), strEnd.size(), strEnd) == 0,
            "the dump file closes with its end");
    for (const std::string& strLine : halyard::fuzz::SplitAt(strFile, '\n')) {
        std::string_view text = strLine;
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        for (const char ch : text)
            Require(halyard::IsPrintableByte(static_cast<uint8_t>(ch)), "the dump file is printable text in CR LF lines");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pbyData, size_t nSize)
{
    static halyard::fuzz::CMemFile file("dump-file");
    const halyard::fuzz::FuzzInput input = halyard::fuzz::TakeFlags(pbyData, nSize);
    const bool bAls = input.byFlags & 0x01;
    file.Replace({});

    halyard::fuzz::CFuzzDocRig rig;
    rig.Connect();
    Sensor sensor;
    if (!input.rest.empty())
        sensor.replies = halyard::fuzz::SplitAt(input.rest, '\0');
    rig.Port().m_responder = [&sensor](const std::string& strLine) { return sensor.Answer(strLine); };
    halyard::CHalyardDoc& doc = rig.Doc();
    if (bAls)
        doc.DumpALS(file.Path());
    else
        doc.DumpAll(file.Path());
    Require(doc.SequenceRunning(), "the dump starts");
    rig.Deliver();
    for (int n = 0; n < kMostTicks && doc.SequenceRunning(); ++n) {
        if (n % 4 == 3 && (sensor.wState & 0x0001))
            rig.Port().SupplyLine(kDataMessage);
        rig.Tick();
    }
    Require(!doc.SequenceRunning(), "the dump ends");

    const std::string strPath = file.Path();
    CheckFile(file.Contents(), bAls, strPath.substr(strPath.rfind('/') + 1));
    if (!sensor.written.empty()) {
        Require(!bAls, "the ALS dump writes no operating state");
        for (const uint16_t wState : sensor.written)
            Require((wState & 0xFFFC) == (doc.m_wReadOpState & 0xFFFC), "a state written keeps bits 2-15 of the state read");
        Require(sensor.written.back() == doc.m_wReadOpState, "the last state written is the state read");
    }
    return 0;
}
