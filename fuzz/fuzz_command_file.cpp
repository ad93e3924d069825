// The command-file reader of the NVRAM loads and of the parameter upload:
// the input is the file, read by the document through ReadCommandLine while
// a scripted sensor answers every line.
//
// The input's first byte: bits 0-1 the sequence (0 and 3 the NVRAM load, 1
// the ALS NVRAM load, 2 the parameter upload), bits 2-7 which of the file's
// lines the sensor refuses with "BAD CMD" (line k when bit k % 6 is set). The
// rest is the file. Checked against a reading of the file of its own (lines
// end at LF, a CR before it goes; ':' lines are comments, '#' ends the file;
// empty lines and lines longer than a command are not sent): the sequence
// ends; it sent exactly the file's lines in order, each refused line once more
// in the NVRAM load, no more than a load's limit, between its own opening and
// closing commands (a parameter upload that failed while its file had left
// NVRAM writing on closes with "OSNVW0"); it counted what it did not send; the
// sensor's operating state is as it was before; the end message says failed
// exactly when a line was refused twice, too long or not sent.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzDocRig.h"
#include "FuzzMemFile.h"
#include "document/Framing.h"
#include "document/Registers.h"
#include "document/Sequences.h"

using halyard::fuzz::Require;

namespace {

enum class Kind { Load, AlsLoad, ParamUpload };

constexpr uint16_t kSensorState = 0x0001;

// The file as the loads are meant to read it.
struct FileModel {
    std::vector<std::string> steps;  // the lines that take a step, in order
    int nLinesLeft = 0;              // lines beyond the limit, before the end
};

FileModel ReadModel(std::string_view file, size_t nLimit)
{
    FileModel model;
    // Every piece but the last ended at an LF and loses a CR before it; the
    // last, without LF, is a line when it is not empty.
    std::vector<std::string> lines = halyard::fuzz::SplitAt(file, '\n');
    for (size_t n = 0; n + 1 < lines.size(); ++n)
        if (!lines[n].empty() && lines[n].back() == '\r')
            lines[n].pop_back();
    if (lines.back().empty())
        lines.pop_back();
    for (const std::string& strLine : lines) {
        if (!strLine.empty() && strLine[0] == ':')
            continue;
        if (!strLine.empty() && strLine[0] == '#')
            break;
        if (model.steps.size() < nLimit)
            model.steps.push_back(strLine);
        else
            ++model.nLinesLeft;
    }
    return model;
}

bool IsSent(const std::string& strLine)
{
    return !strLine.empty() && strLine.size() <= halyard::MAX_COMMAND_TEXT;
}

// The file's lines leave NVRAM writing on: an "OSNVW5" not followed by "OSNVW0".
bool LeavesWritingOn(const FileModel& model)
{
    bool bOn = false;
    for (const std::string& strLine : model.steps) {
        const std::string strCommand = halyard::UpperCaseCommand(strLine);
        bOn = strCommand == "OSNVW5" || (bOn && strCommand != "OSNVW0");
    }
    return bOn;
}

// A sensor that keeps its operating state and refuses the lines it is told to.
struct Sensor {
    uint8_t byRefusals = 0;
    uint16_t wState = kSensorState;
    std::vector<std::pair<std::string, bool>> heard;  // each line, and whether it was refused
    int nFileLines = 0;

    std::vector<std::string> Answer(const std::string& strLine)
    {
        bool bRefused = false;
        std::string strReply = "OK";
        if (strLine == "V9?") {
            strReply = halyard::BinaryDisplayForm(wState);
        } else if (strLine.size() == 18 && strLine.rfind("OS", 0) == 0 &&
                   strLine.find_first_not_of("01", 2) == std::string::npos) {
            halyard::ConvertBinaryStringtoData(strLine.substr(2, 8) + "," + strLine.substr(10), &wState);
            strReply = halyard::BinaryDisplayForm(wState);
        } else if (strLine.rfind("ALS-OSNVW", 0) != 0) {
            bRefused = (byRefusals >> (nFileLines++ % 6)) & 1;
            if (bRefused)
                strReply = "BAD CMD";
        }
        heard.emplace_back(strLine, bRefused);
        return {strReply + "\r\n"};
    }
};

Kind KindOf(uint8_t byFlags)
{
    switch (byFlags & 0x03) {
    case 1:
        return Kind::AlsLoad;
    case 2:
        return Kind::ParamUpload;
    default:
        return Kind::Load;
    }
}

// The file's lines among what the sensor heard from nFirst on; the NVRAM load
// sends a refused line once more.
void CheckLinesSent(const Sensor& sensor, size_t nFirst, size_t nEnd, const FileModel& model, bool bRetries,
                    int& nRefusedTwice)
{
    size_t nAt = nFirst;
    for (const std::string& strLine : model.steps) {
        if (!IsSent(strLine))
            continue;
        Require(nAt < nEnd && sensor.heard[nAt].first == strLine, "the file's lines are sent in order");
        if (bRetries && sensor.heard[nAt].second) {
            ++nAt;
            Require(nAt < nEnd && sensor.heard[nAt].first == strLine, "a refused line is sent once more");
            nRefusedTwice += sensor.heard[nAt].second ? 1 : 0;
        }
        ++nAt;
    }
    Require(nAt == nEnd, "nothing but the file's lines is sent between the load's own commands");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pbyData, size_t nSize)
{
    static halyard::fuzz::CMemFile file("command-file");
    const halyard::fuzz::FuzzInput input = halyard::fuzz::TakeFlags(pbyData, nSize);
    const Kind kind = KindOf(input.byFlags);
    file.Replace(input.rest);
    const size_t nLimit = kind == Kind::Load      ? halyard::NVRAM_LOAD_LINES
                          : kind == Kind::AlsLoad ? halyard::ALS_NVRAM_LOAD_LINES
                                                  : SIZE_MAX;
    const FileModel model = ReadModel(input.rest, nLimit);

    halyard::fuzz::CFuzzDocRig rig;
    rig.Connect();
    Sensor sensor;
    sensor.byRefusals = static_cast<uint8_t>(input.byFlags >> 2);
    rig.Port().m_responder = [&sensor](const std::string& strLine) { return sensor.Answer(strLine); };
    halyard::CHalyardDoc& doc = rig.Doc();
    if (kind == Kind::Load)
        doc.LoadNVRAM(file.Path());
    else if (kind == Kind::AlsLoad)
        doc.LoadALSNVRAM(file.Path());
    else
        doc.LoadParamFile(file.Path());
    rig.Deliver();
    const size_t nMostTicks = 8 * model.steps.size() + 50;
    for (size_t n = 0; n < nMostTicks && doc.SequenceRunning(); ++n)
        rig.Tick();
    Require(!doc.SequenceRunning(), "the sequence ends");
    Require(rig.Host().m_messageBoxes.empty(), "a readable file raises no message");

    const halyard::SequenceOutcome& outcome = doc.GetSeqOutcome();
    Require(outcome.nEnd == halyard::SEQ_DONE, "a readable file is loaded to its end");
    int nTooLong = 0;
    for (const std::string& strLine : model.steps)
        nTooLong += strLine.size() > halyard::MAX_COMMAND_TEXT ? 1 : 0;
    Require(outcome.nLinesTooLong == nTooLong, "every line too long is counted");

    const auto& heard = sensor.heard;
    int nRefusedTwice = 0;
    if (kind == Kind::ParamUpload) {
        const size_t nClosing = nTooLong > 0 && LeavesWritingOn(model) ? 1 : 0;
        Require(heard.size() >= nClosing && (nClosing == 0 || heard.back().first == "OSNVW0"),
                "a failed upload does not leave NVRAM writing on");
        CheckLinesSent(sensor, 0, heard.size() - nClosing, model, false, nRefusedTwice);
    } else {
        const bool bAls = kind == Kind::AlsLoad;
        const std::vector<std::string> opening =
            bAls ? std::vector<std::string>{"ALS-OSNVW5"}
                 : std::vector<std::string>{"V9?", "V9?", "OS" + halyard::BinaryCommandForm(0xA000)};
        const std::string strClosing = bAls ? "ALS-OSNVW0" : "OS" + halyard::BinaryCommandForm(kSensorState);
        Require(heard.size() >= opening.size() + 1, "a load opens and closes");
        for (size_t n = 0; n < opening.size(); ++n)
            Require(heard[n].first == opening[n], "a load reads the state and enables writing first");
        Require(heard.back().first == strClosing, "a load closes with its own last command");
        CheckLinesSent(sensor, opening.size(), heard.size() - 1, model, !bAls, nRefusedTwice);
        Require(outcome.nLinesNotSent == model.nLinesLeft, "the lines beyond the limit are counted");
        Require(!bAls || nRefusedTwice == 0, "refusals count in the NVRAM load only");
        Require(outcome.nLinesRefused == nRefusedTwice, "the lines refused twice are counted");
        Require(sensor.wState == kSensorState, "the load leaves the operating state as it was");
    }
    const bool bFailed = nTooLong > 0 || model.nLinesLeft > 0 || nRefusedTwice > 0;
    const uint32_t nEndMessage = kind == Kind::ParamUpload ? halyard::WM_PARAM_LOAD : halyard::WM_INIT_START;
    Require(rig.Host().ViewMessages().Count(nEndMessage, bFailed ? 2 : 0) == 1,
            "the end message says failed exactly when a line was not loaded");
    return 0;
}
