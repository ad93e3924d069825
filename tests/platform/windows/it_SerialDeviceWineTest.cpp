// The Windows serial device and the link over it, under Wine, against a Linux
// pseudo-terminal made a COM port (the test holds the other end): the line
// settings and time-outs, writing, reading what waits without blocking, a
// line cut over several reads, a port that does not exist, a port already
// open, and the other end hanging up.
#include <gtest/gtest.h>

#include <cctype>

// The program's own names for the Win32 constants come before <windows.h>,
// whose macros would take their place.
#include "WaitUntil.h"
#include "platform/PortTable.h"
#include "platform/SerialDevice.h"
#include "platform/WaitSet.h"
#include "serial/CSerial_IF.h"
// clang-format off
#include "WineComPort.h"
// clang-format on

namespace halyard::test {
namespace {

// COM numbers well above the system's own, one per helper of this process.
int FreshComNumber()
{
    static int s_nNext = 0;
    return 200 + static_cast<int>((::GetCurrentProcessId() / 4 + s_nNext++) % 56);
}

SysResult OpenLine(CSerialDevice& port, const CWineComPort& line, uint32_t dwBaud = 9600)
{
    return port.Open(line.DeviceName(), dwBaud, 8, NOPARITY, ONESTOPBIT);
}

std::string Bytes(const uint8_t* pData, size_t nLength)
{
    return std::string(reinterpret_cast<const char*>(pData), nLength);
}

// What the device reads within a generous deadline, until nBytes came.
std::string ReadUntil(CSerialDevice& port, size_t nBytes)
{
    std::string strGot;
    WaitUntil([&] {
        uint8_t buffer[64];
        size_t nRead = 0;
        if (port.Read(buffer, sizeof buffer, nRead))
            strGot += Bytes(buffer, nRead);
        return strGot.size() >= nBytes || port.HungUp();
    });
    return strGot;
}

TEST(WineSerialDevice, OpensWithTheLineSettingsAndWrites)
{
    CWineComPort line(FreshComNumber());
    ASSERT_TRUE(line.IsReady());
    CSerialDevice port;
    const SysResult opened = OpenLine(port, line, 57600);
    ASSERT_TRUE(opened) << opened.Message();

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(::GetCommState(port.Fd(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 57600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_FALSE(dcb.fOutxCtsFlow);
    EXPECT_FALSE(dcb.fOutX);
    EXPECT_FALSE(dcb.fInX);
    ::COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(::GetCommTimeouts(port.Fd(), &timeouts));
    EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD) << "a read returns at once";
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
    EXPECT_TRUE(port.SetDtr(true)) << "a modem-line call the driver refuses is tolerated";
    EXPECT_TRUE(port.Purge());

    size_t nWritten = 0;
    const std::string strCommand = "PW 1234\r\n";
    const SysResult written =
        port.Write(reinterpret_cast<const uint8_t*>(strCommand.data()), strCommand.size(), nWritten, 1000);
    ASSERT_TRUE(written) << written.Message();
    EXPECT_EQ(nWritten, strCommand.size());
    EXPECT_EQ(line.Receive(strCommand.size()), strCommand);
}

TEST(WineSerialDevice, ReadsWhatWaitsWithoutBlocking)
{
    CWineComPort line(FreshComNumber());
    ASSERT_TRUE(line.IsReady());
    CSerialDevice port;
    ASSERT_TRUE(OpenLine(port, line));
    uint8_t buffer[16];
    size_t nRead = 99;
    ASSERT_TRUE(port.Read(buffer, sizeof buffer, nRead)) << "nothing waiting is no failure";
    EXPECT_EQ(nRead, 0u);

    ASSERT_TRUE(line.Send("OK\r"));
    uint32_t dwWaiting = 0;
    EXPECT_TRUE(WaitUntil([&] { return port.BytesWaiting(dwWaiting).Ok() && dwWaiting == 3; }));
    ASSERT_TRUE(port.Read(buffer, 2, nRead));
    EXPECT_EQ(Bytes(buffer, nRead), "OK") << "no more than asked for";
    ASSERT_TRUE(line.Send("\n"));
    EXPECT_EQ(ReadUntil(port, 2), "\r\n") << "the rest of the line comes with a later read";
    EXPECT_FALSE(port.HungUp());
}

TEST(WineSerialDevice, APortThatDoesNotExistGivesTheSystemsReason)
{
    CSerialDevice port;
    const SysResult missing = port.Open("\\\\.\\COM199", 9600, 8, NOPARITY, ONESTOPBIT);
    ASSERT_FALSE(missing);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(missing.Error() == ERROR_FILE_NOT_FOUND || missing.Error() == ERROR_PATH_NOT_FOUND)
        << missing.Error() << ": " << missing.Message();
    EXPECT_EQ(missing.Message(), SystemErrorText(missing.Error()));
    EXPECT_EQ(PortOpenErrorText(missing.Error()), missing.Message()) << "no word of another program";
}

TEST(WineSerialDevice, APortAlreadyOpenIsRefusedAndTheFirstOpenerKeepsIt)
{
    CWineComPort line(FreshComNumber());
    ASSERT_TRUE(line.IsReady());
    CSerialDevice first;
    ASSERT_TRUE(OpenLine(first, line));
    CSerialDevice second;
    const SysResult refused = OpenLine(second, line);
    ASSERT_FALSE(refused) << "the port is opened exclusively";
    EXPECT_FALSE(second.IsOpen());
    EXPECT_NE(PortOpenErrorText(refused.Error()).find("open in another program"), std::string::npos)
        << PortOpenErrorText(refused.Error());
    std::string strLower = line.DeviceName();
    for (char& c : strLower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_FALSE(second.Open(strLower, 9600, 8, NOPARITY, ONESTOPBIT)) << "the same port by another spelling";

    size_t nWritten = 0;
    ASSERT_TRUE(first.Write(reinterpret_cast<const uint8_t*>("X\n"), 2, nWritten, 1000));
    EXPECT_EQ(line.Receive(2), "X\n");
    first.Close();
    EXPECT_TRUE(OpenLine(second, line)) << "closed, the port is free again";
}

// The link with its comm watch thread, which asks the driver for input on
// every 50 ms pass.
class WineSerialLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_line.IsReady());
        CPortTable::Instance().Pin(m_nPort, m_line.DeviceName());
        ASSERT_TRUE(m_serial.Initialise("\\\\.\\COM" + std::to_string(m_nPort), m_nPort, "", LINE_END_CHAR))
            << SystemErrorText(m_serial.GetLastError());
        m_serial.EnableCommThread(true);
    }
    void TearDown() override
    {
        m_serial.EnableCommThread(false);
        m_serial.Close();
        CPortTable::Instance().Clear();
    }

    // The next line the link delivers, "" when none comes.
    std::string NextLine()
    {
        uint8_t buffer[SERIAL_CHUNK_SIZE];
        uint32_t dwLength = 0;
        if (!WaitUntil([&] { return m_serial.ReceiveData(buffer, &dwLength, sizeof buffer) != 0; }))
            return {};
        return Bytes(buffer, dwLength);
    }

    int m_nPort = FreshComNumber();
    CWineComPort m_line{m_nPort};
    CSerial_IF m_serial;
};

TEST_F(WineSerialLink, ALineCutOverSeveralReadsArrivesWhole)
{
    const std::string strCommand = "A?\r\n";
    ASSERT_TRUE(m_serial.SendData(reinterpret_cast<const uint8_t*>(strCommand.data()), 4));
    EXPECT_EQ(m_line.Receive(4), strCommand);

    ASSERT_TRUE(m_line.Send("0012.50\r\nPW 12"));
    EXPECT_EQ(NextLine(), "0012.50\r\n");
    uint8_t buffer[SERIAL_CHUNK_SIZE];
    uint32_t dwLength = 0;
    EXPECT_EQ(m_serial.ReceiveData(buffer, &dwLength, sizeof buffer), 0u) << "half a line is no line";
    // The rest goes out only now, so the thread reads it on a later pass.
    ASSERT_TRUE(m_line.Send("34\r\n"));
    EXPECT_EQ(NextLine(), "PW 1234\r\n");
    EXPECT_FALSE(m_serial.IsHungUp());
}

TEST_F(WineSerialLink, TheOtherEndHangingUpEndsTheConnection)
{
    ASSERT_TRUE(m_line.Send("PW 1\r\n"));
    EXPECT_EQ(NextLine(), "PW 1\r\n");
    EventHandle hangUp = m_serial.HangUpEvent();
    ASSERT_TRUE(hangUp);
    m_line.HangUp();
    EXPECT_TRUE(WaitForEvent(*hangUp, 20000)) << "the hang-up is told";
    EXPECT_TRUE(m_serial.IsHungUp());
}

}  // namespace
}  // namespace halyard::test
