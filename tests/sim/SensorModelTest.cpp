// The simulated sensor's answers, driven directly without a terminal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <sstream>

#include "GermanLocale.h"
#include "SensorModel.h"
#include "SensorTexts.h"
#include "SimProtocol.h"

namespace halyard::sim {
namespace {

using namespace std::chrono_literals;
using halyard::test::CGermanLocale;
const CSensorModel::TimePoint kT0{};

std::string Reply(CSensorModel& model, const std::string& strCommand, CSensorModel::TimePoint now = kT0)
{
    const std::vector<std::string> replies = model.Execute(strCommand, now);
    EXPECT_EQ(replies.size(), 1U) << strCommand;
    return replies.empty() ? std::string() : replies.front();
}

// The receiving side's reading of the temperature in the "R?" line: 6
// characters from 64 after the first blank (at most at index 4), or from 63.
double ReadRemTemperature(const std::string& strLine)
{
    size_t nBlank = strLine.find(' ');
    EXPECT_TRUE(nBlank == std::string::npos || nBlank <= 4);
    const size_t nAt = nBlank == std::string::npos ? 63 : nBlank + 64;
    return std::atof(strLine.substr(nAt, 6).c_str());
}

TEST(SimSensorModel, IdentifiesItsModel)
{
    CSensorModel zrt("ZRT-630", 0, false);
    EXPECT_EQ(Reply(zrt, "JM?"), "00630");
    CSensorModel pqd("PQD-025", 0, false);
    EXPECT_EQ(Reply(pqd, "JM?"), "00025");
    CSensorModel kv("KV-310", 0, false);
    EXPECT_EQ(Reply(kv, "JM?"), "00310");
    CSensorModel unset("NOT SET", 0, false);
    EXPECT_EQ(Reply(unset, "JM?"), "BAD CMD");
    EXPECT_NE(Reply(zrt, "OK").find("Orvan"), std::string::npos) << "the wake-up answer names the maker";
    EXPECT_TRUE(CSensorModel::IsKnownModel("NOT SET"));
    EXPECT_FALSE(CSensorModel::IsKnownModel("ZRT-999"));
}

TEST(SimSensorModel, RefusesWhatItDoesNotKnow)
{
    CSensorModel model("ZRT-630", 0, false);
    for (const char* szCommand :
         {"XYZ", "jm?", "V150?", "V-1?", "OS10100000", "V12,abc", "TEST,1,2", "ALS-FOO", "CE"})
        EXPECT_EQ(Reply(model, szCommand), "BAD CMD") << szCommand;
}

TEST(SimSensorModel, RegistersReadAndWrite)
{
    CSensorModel model("ZRT-630", 0, false);
    EXPECT_EQ(Reply(model, "OS?"), "00000000,00000000");
    EXPECT_EQ(Reply(model, "OS0000000001000001"), "00000000,01000001");
    EXPECT_EQ(model.GetOpState(), 0x0041);
    EXPECT_TRUE(model.AutoSend());
    EXPECT_EQ(Reply(model, "OP0000000000100001"), "00000000,00100001") << "the options word is not protected";
    EXPECT_EQ(Reply(model, "OP?"), "00000000,00100001");
    EXPECT_EQ(Reply(model, "V9?"), "00000000,01000001");
    model.SetDecimalOpState(true);
    EXPECT_EQ(Reply(model, "V9?"), "00065");
    EXPECT_EQ(Reply(model, "OS?"), "00000000,01000001") << "OS? keeps the binary form";
}

TEST(SimSensorModel, NvramWritesNeedTheWriteEnableBits)
{
    CSensorModel model("PQD-025", 0, false);
    EXPECT_FALSE(model.NvramWriteEnabled());
    EXPECT_EQ(Reply(model, "V63,18"), "BAD CMD");
    EXPECT_EQ(Reply(model, "V63?"), "00005");

    EXPECT_EQ(Reply(model, "OSNVW5"), "NVRAM WRITE ON");
    EXPECT_TRUE(model.NvramWriteEnabled());
    EXPECT_EQ(Reply(model, "V63,-12"), "V63,-12");
    EXPECT_EQ(Reply(model, "V63?"), "-0012");
    EXPECT_EQ(Reply(model, "OSNVW0"), "NVRAM WRITE OFF");
    EXPECT_EQ(Reply(model, "V63,18"), "BAD CMD");
    EXPECT_EQ(model.GetNvram(63), -12);

    // "OS" lifts the protection itself: bits 15-13 = 101, other bits kept as written.
    Reply(model, "OS1010000000000000");
    EXPECT_EQ(Reply(model, "V12,123"), "V12,123");
    EXPECT_EQ(Reply(model, "V12?"), "00123");
    Reply(model, "OS1000000000000000");  // 100 is not 101
    EXPECT_EQ(Reply(model, "V12,124"), "BAD CMD");
    Reply(model, "OS1110000000000000");
    EXPECT_EQ(Reply(model, "V12,124"), "BAD CMD");
}

TEST(SimSensorModel, NvramVariableNineIsTheOperatingState)
{
    CSensorModel model("ZRT-650", 0, false);
    model.SetOpState(0xA000);
    EXPECT_EQ(Reply(model, "V9,40961"), "V9,40961");
    EXPECT_EQ(model.GetOpState(), 0xA001);
    EXPECT_EQ(Reply(model, "V9,70000"), "BAD CMD");
    EXPECT_FALSE(model.SetNvram(150, 1));
    EXPECT_FALSE(model.SetNvram(-1, 1));
    EXPECT_EQ(model.GetNvram(150), 0);
}

TEST(SimSensorModel, RemoteMaintenanceLineCarriesTheTemperature)
{
    CSensorModel model("PQD-025", 0, false);
    model.SetRawTemperature(21.8);  // offset 0.5 in V63 -> reports 21.3
    const std::string strLine = Reply(model, "R?");
    EXPECT_GE(strLine.size(), 75U);
    EXPECT_DOUBLE_EQ(ReadRemTemperature(strLine), 21.3);
    EXPECT_FALSE(ContainsDataCode(strLine));

    model.SetNvram(63, 18);
    model.SetRawTemperature(-5.25);
    EXPECT_DOUBLE_EQ(ReadRemTemperature(Reply(model, "R?")), -7.0);
    model.SetRawTemperature(999.0);
    EXPECT_DOUBLE_EQ(ReadRemTemperature(Reply(model, "R?")), 997.2);
    EXPECT_EQ(Reply(model, "R?").size(), strLine.size()) << "fixed-width fields keep the position";
}

TEST(SimSensorModel, DataMessagesCarryTheModelCode)
{
    const std::pair<const char*, const char*> kModels[] = {
        {"ZRT-650", "ZRT650"}, {"PQD-025", "PQD025"}, {"LMW-40", "LMW-40"}, {"ZRT-630", "PW"},
        {"ZRT-610", "VS"},     {"KV-310", "QRM310"},  {"PQD-045", "PQD045"}};
    for (const auto& [szModel, szCode] : kModels) {
        CSensorModel model(szModel, 3, false);
        const std::string strData = Reply(model, "D?");
        EXPECT_EQ(strData.rfind(std::string(szCode) + " 03,", 0), 0U) << strData;
        EXPECT_GE(strData.size(), 60U);
        EXPECT_LE(strData.size(), 90U);
    }
}

TEST(SimSensorModel, OptionsChangeTheDataMessage)
{
    CSensorModel model("ZRT-650", 0, false);
    const std::string strPlain = model.DataMessage();
    model.SetOptions(0x0021);  // date/time and checksum
    const std::string strFull = model.DataMessage();
    EXPECT_EQ(strFull[2], '/');
    EXPECT_EQ(strFull[5], '/');
    EXPECT_NE(strFull.find("ZRT650"), std::string::npos);
    EXPECT_GT(strFull.size(), strPlain.size() + 20);
    // The checksum is the byte sum of everything before it, as four hex digits.
    const size_t nComma = strFull.rfind(',');
    unsigned nSum = 0;
    for (size_t n = 0; n < nComma; ++n)
        nSum += static_cast<unsigned char>(strFull[n]);
    EXPECT_EQ(std::strtoul(strFull.substr(nComma + 1).c_str(), nullptr, 16), nSum & 0xFFFFU);
    EXPECT_EQ(strFull.size() - nComma, 5U);
}

TEST(SimSensorModel, TestModeSendsTheTestForm)
{
    CSensorModel model("ZRT-650", 0, false);
    EXPECT_EQ(Reply(model, "TEST,05,4.50,1,2,62,", kT0), "TEST MODE ON");
    EXPECT_TRUE(model.InTestMode());
    const std::string strTest = model.DataMessage();
    EXPECT_EQ(strTest.rfind("TZRT650 ", 0), 0U) << strTest;
    EXPECT_NE(strTest.find(",04500,04500,62,"), std::string::npos) << strTest;
    EXPECT_EQ(Reply(model, "TEST,0"), "TEST MODE OFF");
    EXPECT_EQ(model.DataMessage().rfind("ZRT650 ", 0), 0U);

    // A timed test mode ends by itself after its minutes; 00 lasts until TEST,0.
    Reply(model, "TEST,05,1.50,0,0,00", kT0);
    EXPECT_TRUE(model.UpdateTestMode(kT0 + 4min).has_value());
    EXPECT_TRUE(model.InTestMode());
    model.UpdateTestMode(kT0 + 5min);
    EXPECT_FALSE(model.InTestMode());
    Reply(model, "TEST,00,1.50,0,0,00,", kT0);
    model.UpdateTestMode(kT0 + 600min);
    EXPECT_TRUE(model.InTestMode());
    EXPECT_EQ(Reply(model, "RST"), StartupText());
    EXPECT_FALSE(model.InTestMode()) << "a restart ends test mode";
    EXPECT_NE(StartupText().find("Sensor Startup"), std::string::npos);

    for (const char* szBad : {"TEST,05,4.50,2,0,00,", "TEST,05,4.50,0,3,00,", "TEST,05,x,0,0,00,",
                              "TEST,05,4.50,0,0,00,7,", "TEST,-1,4.50,0,0,00,", "TEST,"})
        EXPECT_EQ(Reply(model, szBad), "BAD CMD") << szBad;
}

// The test page sends each field with its comma behind it. The simulator
// runs inside the GUI, whose process takes the user's locale: a comma locale
// must not stop the visibility at its point.
TEST(SimSensorModel, TestModeFromTheTestPageInAnyLocale)
{
    CSensorModel model("ZRT-630", 0, false);
    {
        CGermanLocale german;
        ASSERT_TRUE(german.IsActive()) << "localedef (package locales) is needed for this test";
        EXPECT_EQ(Reply(model, "TEST,05,4.50,0,0,00,"), "TEST MODE ON");
    }
    ASSERT_TRUE(model.InTestMode());
    const std::string strTest = model.DataMessage();
    EXPECT_EQ(strTest.rfind("TPW ", 0), 0U) << strTest;
    EXPECT_NE(strTest.find(",04500,04500,00,"), std::string::npos) << strTest;
    EXPECT_EQ(Reply(model, "TEST,0"), "TEST MODE OFF");
    EXPECT_FALSE(model.InTestMode());
    EXPECT_EQ(model.DataMessage().rfind("PW ", 0), 0U);
}

// Replies that are not data messages must never look like one to the
// receiving side, or a query would be taken for a measurement.
TEST(SimSensorModel, QueryRepliesNeverLookLikeDataMessages)
{
    const char* kCommands[] = {
        "OK",      "JM?",     "OS?",      "V9?",      "OP?",        "ADR?",     "R?",
        "A?",      "AC",      "M?",       "XW?",      "RST",        "PV?",      "P?",
        "BT?",     "BB?",     "T?",       "C?",       "WT?",        "XF?",      "SN?",
        "JRO?",    "JAO?",    "JAI?",     "JAL?",     "JCC?",       "XS?",      "TR?",
        "XR?",     "DHO",     "DHX",      "TM30",     "TM60",       "CO",       "CE",
        "CT",      "CA",      "CX",       "OSNVW5",   "V63,18",     "V5?",      "TEST,05,4.50,0,0,00,",
        "TEST,0",  "ALS-R?",  "ALS-PV?",  "ALS-S?",   "ALS-SN?",    "ALS-OS?",  "ALS-C?",
        "ALS-XF?", "ALS-V5?", "ALS-VF1?", "ALS-ADR?", "ALS-OSNVW5", "ALS-V5,3", "ALS-OSNVW0",
        "ALS-RST", "OSNVW0"};
    for (const char* szModel : {"LMW-40", "PQD-015", "PQD-025", "PQD-035", "PQD-045", "KV-310", "ZRT-610",
                                "ZRT-630", "ZRT-650", "NOT SET"}) {
        CSensorModel model(szModel, 42, false);
        for (const char* szCommand : kCommands) {
            const std::vector<std::string> replies = model.Execute(szCommand, kT0);
            EXPECT_FALSE(replies.empty()) << szModel << " " << szCommand << " is answered";
            for (const std::string& strReply : replies)
                EXPECT_FALSE(ContainsDataCode(strReply)) << szModel << " " << szCommand << " -> " << strReply;
        }
    }
}

TEST(SimSensorModel, AttachedAls)
{
    CSensorModel model("ZRT-630", 7, false);
    EXPECT_EQ(Reply(model, "ALS-D?").rfind("ALS-DATA 07,", 0), 0U);
    EXPECT_EQ(Reply(model, "ALS-ADR?"), "07");
    const int nOld = model.Als().GetVariable(5);
    EXPECT_EQ(Reply(model, "ALS-V5?"), NvramValueText(nOld));
    EXPECT_EQ(Reply(model, "ALS-V5,123"), "BAD CMD") << "the ALS has its own write enable";
    EXPECT_EQ(Reply(model, "OSNVW5"), "NVRAM WRITE ON");
    EXPECT_EQ(Reply(model, "ALS-V5,123"), "BAD CMD");
    EXPECT_EQ(Reply(model, "ALS-OSNVW5"), "ALS NVRAM WRITE ON");
    EXPECT_EQ(Reply(model, "ALS-V5,123"), "ALS-V5,123");
    EXPECT_EQ(Reply(model, "ALS-V5?"), "00123");
    EXPECT_EQ(Reply(model, "ALS-VF1,2.5"), "ALS-VF1,2.5000");
    EXPECT_EQ(Reply(model, "ALS-VF1?"), "2.5000");
    EXPECT_EQ(Reply(model, "ALS-V42?"), "BAD CMD");
    EXPECT_EQ(Reply(model, "ALS-OSNVW0"), "ALS NVRAM WRITE OFF");
    EXPECT_EQ(Reply(model, "ALS-V5,1"), "BAD CMD");
    EXPECT_EQ(model.Als().GetVariable(5), 123);
    EXPECT_EQ(model.GetNvram(5), CSensorModel("ZRT-630", 7, false).GetNvram(5))
        << "ALS writes stay in the ALS";
}

// The document's diagnostic dumps read every one of these; a missing entry
// would show as BAD CMD in the dump.
TEST(SimSensorModel, AnswersEveryQueryOfTheDiagnosticDumps)
{
    std::istringstream fixed("R? V9? OS0000000001000001 PV? P? BT? BB? OP? T? C? WT? XF? SN? JM? JRO? JAO? "
                             "JAI? JAL? JCC? XS? TR? XR? D? ALS-D? ALS-R? ALS-PV? ALS-S? ALS-OS? ALS-C? "
                             "ALS-XF? ALS-VF1?");
    std::vector<std::string> commands{std::istream_iterator<std::string>(fixed), {}};
    for (int n = 0; n < 150; ++n)
        commands.push_back("V" + std::to_string(n) + "?");
    for (int n = 0; n < 42; ++n)
        commands.push_back("ALS-V" + std::to_string(n) + "?");
    CSensorModel model("ZRT-630", 0, false);
    for (const std::string& strCommand : commands)
        EXPECT_NE(Reply(model, strCommand), "BAD CMD") << strCommand;
}

// An ALS NVRAM load: write enable, every variable, write disable.
TEST(SimSensorModel, AlsKeepsEveryVariableOfALoad)
{
    CSensorModel model("ZRT-630", 0, false);
    EXPECT_EQ(Reply(model, "ALS-OSNVW5"), "ALS NVRAM WRITE ON");
    EXPECT_TRUE(model.Als().NvramWriteEnabled());
    for (int n = 0; n < 42; ++n) {
        const std::string strWrite = "ALS-V" + std::to_string(n) + "," + std::to_string(900 - n);
        EXPECT_EQ(Reply(model, strWrite), strWrite);
    }
    EXPECT_EQ(Reply(model, "ALS-VF1,0.75"), "ALS-VF1,0.7500");
    EXPECT_EQ(Reply(model, "ALS-OSNVW0"), "ALS NVRAM WRITE OFF");
    EXPECT_FALSE(model.Als().NvramWriteEnabled());
    for (int n = 0; n < 42; ++n)
        EXPECT_EQ(Reply(model, "ALS-V" + std::to_string(n) + "?"), NvramValueText(900 - n)) << n;
    EXPECT_EQ(Reply(model, "ALS-VF1?"), "0.7500");
    EXPECT_EQ(Reply(model, "ALS-V41,1"), "BAD CMD");
    EXPECT_EQ(Reply(model, "ALS-VF1,1.5"), "BAD CMD");
    EXPECT_EQ(model.Als().GetVariable(41), 859);
}

TEST(SimSensorModel, CalibrationCommandsNeedInitialising)
{
    CSensorModel model("ZRT-630", 0, false);
    EXPECT_EQ(Reply(model, "CT"), "BAD CMD");
    Reply(model, "CO");
    EXPECT_NE(Reply(model, "CT"), "BAD CMD");
    Reply(model, "CX");
    EXPECT_EQ(Reply(model, "CE"), "BAD CMD");
    Reply(model, "DHX");
    EXPECT_EQ(model.GetOpState() & 0x0008, 0x0008);
    Reply(model, "DHO");
    EXPECT_EQ(model.GetOpState() & 0x0008, 0);
}

}  // namespace
}  // namespace halyard::sim
