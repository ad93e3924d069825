// The identification of the connect dialog: CConnectLogic on a fake port that
// answers what it sends ("OK", then "JM?" on every tick) with the input's
// replies.
//
// The input's first byte: bit 0 RS485 framing (the address in bits 1-7,
// modulo 100), and the second byte, bit 0, a port that cannot be opened. The
// rest is the replies, split at NUL: the n-th line sent gets the n-th reply
// (an empty one is silence; an LF inside one makes several packets). Checked:
// the logic finishes within the ticks its countdown allows and has closed the
// port it opened, once; it sent "OK" first and "JM?" after, framed as set up
// and each ended by CR LF, never more than the tries allow; a sensor found
// carries the name and PQD flag that the model table (written out here) gives
// its code, and the status says so.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FakeSerial.h"
#include "FuzzCheck.h"
#include "document/CConnectLogic.h"

using halyard::fuzz::Require;

namespace {

constexpr int kMostTicks = 10;  // 5 ticks of countdown, and 3 more after a find at the 5th

// An identification line as it goes out (without its CR LF): plain, the text;
// on the bus ":", the address in two digits, the text and "FF" for the LRC.
std::string IdentificationLine(const std::string& strText, bool bRS485, uint16_t wAddress)
{
    if (!bRS485)
        return strText;
    return ":" + std::string(1, static_cast<char>('0' + wAddress / 10)) +
           static_cast<char>('0' + wAddress % 10) + strText + "FF";
}

// The model table: the code "JM?" answers, the model's name, whether it is of
// the PQD family. Any other code is "NOT SET".
struct Model {
    int nCode;
    const char* szName;
    bool bPQD;
};
constexpr Model kModels[] = {{40, "LMW-40", true},   {15, "PQD-015", true},  {25, "PQD-025", true},
                             {35, "PQD-035", true},  {45, "PQD-045", true},  {310, "KV-310", false},
                             {610, "ZRT-610", false}, {630, "ZRT-630", false}, {650, "ZRT-650", false}};

Model ModelOf(int nCode)
{
    for (const Model& model : kModels)
        if (model.nCode == nCode)
            return model;
    return {nCode, "NOT SET", false};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pbyData, size_t nSize)
{
    const halyard::fuzz::FuzzInput input = halyard::fuzz::TakeFlags(pbyData, nSize);
    const bool bRS485 = input.byFlags & 0x01;
    const auto wAddress = static_cast<uint16_t>((input.byFlags >> 1) % 100);
    std::string_view rest = input.rest;
    bool bPortFails = false;
    if (!rest.empty()) {
        bPortFails = rest.front() & 0x01;
        rest.remove_prefix(1);
    }
    const std::vector<std::string> replies = halyard::fuzz::SplitAt(rest, '\0');

    auto pFake = std::make_unique<halyard::test::CFakeSerial>();
    halyard::test::CFakeSerial& port = *pFake;
    port.m_bOpenSucceeds = !bPortFails;
    size_t nReply = 0;
    port.m_responder = [&replies, &nReply](const std::string&) {
        std::vector<std::string> packets;
        if (nReply < replies.size())
            for (std::string& strPacket : halyard::fuzz::SplitAt(replies[nReply++], '\n'))
                if (!strPacket.empty())
                    packets.push_back(strPacket + "\r\n");
        return packets;
    };

    halyard::CConnectLogic logic(std::move(pFake));
    logic.SetUp(3, 9600, bRS485, wAddress);
    Require(logic.OnInitDialog(), "the dialog always starts");
    int nTicks = 0;
    while (!logic.IsFinished() && nTicks <= kMostTicks) {
        logic.OnTimer(halyard::TIMER_CONNECT_DLG);
        ++nTicks;
        Require(logic.Timeout() >= 0, "the countdown never shows below 0");
    }
    Require(logic.IsFinished(), "the identification finishes when its countdown runs out");
    Require(port.m_nCloseCalls == (bPortFails ? 0 : 1), "the port opened is closed once it finishes");
    Require(logic.PortFailed() == bPortFails, "a port that does not open is reported");

    const std::vector<std::string> sent = port.SentLines();
    Require(sent.size() <= 7, "\"OK\" and at most six \"JM?\"");
    std::string strExpected;
    for (size_t n = 0; n < sent.size(); ++n)
        strExpected += IdentificationLine(n == 0 ? "OK" : "JM?", bRS485, wAddress) + "\r\n";
    Require(port.Sent() == strExpected, "\"OK\" first, then \"JM?\", framed as set up, each with CR LF");

    if (logic.IsIdentified()) {
        Require(!bPortFails, "nothing is found on a port that did not open");
        const Model model = ModelOf(logic.ModelNumber());
        Require(logic.ModelName() == model.szName && logic.IsPQDSensor() == model.bPQD,
                "a sensor found carries the model table's name and flag for its code");
        Require(logic.Status() == "Found " + logic.ModelName(), "the status names the sensor found");
    } else {
        Require(logic.Status().empty() || logic.Status() == "Port Not Connected", "no status but the port's");
    }
    return 0;
}
