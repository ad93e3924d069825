// The diagnostic dumps' capture: DumpAll and DumpALS with a sensor whose
// replies come from the input, each packet's last line going to
// CaptureDumpLine and so into the dump file.
//
// The input's first byte: bit 0 the ALS dump. The rest is the replies, split
// at NUL: the n-th command sent gets the n-th reply (an empty one is silence,
// an LF inside one makes several packets); commands past the last reply get
// what a sensor would answer. With automatic output on (bit 0 of the state it
// was last sent) the sensor also sends a data message every two seconds.
// Checked: the dump ends; its file is printable text in lines each ended by
// CR LF, opens with the capture's header and closes with its end; every
// operating state the dump writes keeps bits 2-15 of the last one, and that
// last one is a state the sensor gave in its reply to "V9?" (the state it
// has been left in is the state it said it had). With the sensor's own reply
// to "V9?", it is left exactly as it was. Texts, register forms and the
// printable range are written out here, not taken from the program.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzDocRig.h"
#include "FuzzMemFile.h"

using halyard::fuzz::BinaryReply;
using halyard::fuzz::Printable;
using halyard::fuzz::Require;

namespace {

constexpr int kMostTicks = 20000;
const std::string kDataMessage = "PW 00,0060,12345,12000,00,+012.5,0000.00,0000.00,0,0,000,0.123,0.456";
constexpr uint16_t kStartState = 0x0001;

// Whether a reply states the value: in a line of it, among the printable
// bytes, its binary reply form or its five decimal digits.
bool ReplyStates(const std::string& strReply, uint16_t wValue)
{
    char szDecimal[8];
    std::snprintf(szDecimal, sizeof szDecimal, "%05u", static_cast<unsigned>(wValue));
    for (const std::string& strLine : halyard::fuzz::SplitAt(strReply, '\n')) {
        std::string strText;
        std::copy_if(strLine.begin(), strLine.end(), std::back_inserter(strText), Printable);
        if (strText.find(BinaryReply(wValue)) != std::string::npos || strText.find(szDecimal) != std::string::npos)
            return true;
    }
    return false;
}

struct Sensor {
    std::vector<std::string> replies;
    size_t nHeard = 0;
    uint16_t wState = kStartState;
    std::vector<uint16_t> written;  // the operating states sent to it
    std::optional<std::string> stateReply;  // its reply to the first "V9?"
    bool bOwnStateReply = false;            // which was its own, not the input's

    std::vector<std::string> Answer(const std::string& strLine)
    {
        // "OS" and 16 binary digits, bit 15 first, set the state.
        const bool bOS = strLine.size() == 18 && strLine.rfind("OS", 0) == 0 &&
                         strLine.find_first_not_of("01", 2) == std::string::npos;
        if (bOS) {
            wState = static_cast<uint16_t>(std::stoul(strLine.substr(2), nullptr, 2));
            written.push_back(wState);
        }
        std::string strReply = Default(strLine);
        if (nHeard < replies.size())
            strReply = replies[nHeard];
        if (strLine == "V9?" && !stateReply) {
            stateReply = strReply;
            bOwnStateReply = nHeard >= replies.size();
        }
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
            return BinaryReply(wState);
        if (strLine == "OP?")
            return BinaryReply(0x0021);
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
    // Every LF has its CR before it, and every byte else is printable.
    for (size_t n = 0; n < strFile.size(); ++n) {
        const bool bLineEnd = (strFile[n] == '\r' && n + 1 < strFile.size() && strFile[n + 1] == '\n') ||
                              (strFile[n] == '\n' && n > 0 && strFile[n - 1] == '\r');
        Require(bLineEnd || Printable(strFile[n]), "the dump file is printable text in CR LF lines");
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
        const uint16_t wLeft = sensor.written.back();
        for (const uint16_t wState : sensor.written)
            Require((wState & 0xFFFC) == (wLeft & 0xFFFC), "a state written keeps bits 2-15 of the last one");
        Require(sensor.stateReply && ReplyStates(*sensor.stateReply, wLeft),
                "the sensor is left in the state its reply to \"V9?\" gave");
        Require(!sensor.bOwnStateReply || wLeft == kStartState, "the sensor is left as it was");
    }
    return 0;
}
