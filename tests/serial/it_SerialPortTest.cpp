#include <gtest/gtest.h>

#include <termios.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "CommsWatcher.h"
#include "MessageRecorder.h"
#include "TestPty.h"
#include "WaitUntil.h"
#include "platform/PortTable.h"
#include "serial/CSerial_IF.h"

using namespace halyard;
using namespace halyard::test;

namespace {

// The port name the program's callers build for a port number.
std::string PortName(int nPort)
{
    char szName[32];
    std::snprintf(szName, sizeof szName, nPort < 10 ? "COM%d:" : "\\\\.\\COM%d", nPort);
    return szName;
}

std::string DataLine(int n)
{
    char szLine[96];
    std::snprintf(szLine, sizeof szLine,
                  "DM 00 %04d 00123 01234 +12.5 0000 0  1.23  0.00 000 0000 00 %04d\r\n", n, n);
    return szLine;
}

// Shows the line settings the port was opened with.
class CInspectableSerial : public CSerial_IF {
public:
    speed_t OutputSpeed() const
    {
        termios tio{};
        if (::tcgetattr(m_hPort.Fd(), &tio) != 0)
            return B0;
        return ::cfgetospeed(&tio);
    }
};

// The test holds the master side of a pseudo-terminal and plays the sensor.
class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_pty.IsValid()); }

    bool Open(int nPort)
    {
        if (!m_serial.Initialise(m_pty.SlavePath(), nPort, "", 10))
            return false;
        m_serial.EnableCommThread(true);
        return true;
    }

    bool Send(const std::string& text)
    {
        return m_serial.SendData(reinterpret_cast<const uint8_t*>(text.data()),
                                 static_cast<uint32_t>(text.size())) == 1;
    }

    // The next complete line, or "<none>" after the deadline.
    std::string ReceiveLine()
    {
        std::string strLine = "<none>";
        WaitUntil([&] {
            uint8_t buffer[4096];
            uint32_t n = 0;
            if (!m_serial.ReceiveData(buffer, &n, sizeof buffer))
                return false;
            strLine.assign(reinterpret_cast<char*>(buffer), n);
            return true;
        });
        return strLine;
    }

    bool NothingReceived()
    {
        uint8_t buffer[4096];
        uint32_t n = 0;
        return m_serial.ReceiveData(buffer, &n, sizeof buffer) == 0;
    }

    PtyPair m_pty;
    CInspectableSerial m_serial;
};

}  // namespace

TEST_F(SerialPortTest, ExchangesCommandAndReplyThroughThePortTable)
{
    const int nPort = CPortTable::Instance().RegisterSimulated(m_pty.SlavePath(), "test sensor");
    ASSERT_TRUE(m_serial.Initialise(PortName(nPort), nPort, "", 10)) << m_serial.GetLastError();
    m_serial.EnableCommThread(true);
    EXPECT_TRUE(m_serial.IsPortOpen());
    EXPECT_EQ(m_serial.GetDataInEventName(), DataInEventName(nPort));

    ASSERT_TRUE(Send("JM?\r\n"));
    EXPECT_EQ(m_pty.ReadUntil("\r\n"), "JM?\r\n");
    ASSERT_TRUE(m_pty.Write("JM 0A 02\r\n"));
    EXPECT_EQ(ReceiveLine(), "JM 0A 02\r\n");
    EXPECT_TRUE(NothingReceived());

    m_serial.Close();
    EXPECT_FALSE(m_serial.IsPortOpen());
    EXPECT_FALSE(Send("OK\r\n"));
    CPortTable::Instance().Unregister(nPort);
}

TEST_F(SerialPortTest, BaudRateTakesEffectAtTheNextInitialise)
{
    ASSERT_TRUE(Open(51));
    EXPECT_EQ(m_serial.OutputSpeed(), static_cast<speed_t>(B9600));
    m_serial.SetBaudRate(19200);
    EXPECT_EQ(m_serial.OutputSpeed(), static_cast<speed_t>(B9600));
    ASSERT_TRUE(Open(51));
    EXPECT_EQ(m_serial.OutputSpeed(), static_cast<speed_t>(B19200));
    // An unsupported rate fails the open with the error and leaves it closed.
    m_serial.SetBaudRate(12345);
    EXPECT_FALSE(Open(51));
    EXPECT_EQ(m_serial.GetLastError(), static_cast<uint32_t>(EINVAL));
    EXPECT_FALSE(m_serial.IsPortOpen());
}

TEST_F(SerialPortTest, DeviceNamespaceNameOpensPortsFromTenUp)
{
    CPortTable::Instance().Pin(47, m_pty.SlavePath());
    ASSERT_TRUE(m_serial.Initialise("\\\\.\\COM47", 47, "", 10)) << m_serial.GetLastError();
    ASSERT_TRUE(Send("OK\r\n"));
    EXPECT_EQ(m_pty.ReadUntil("\r\n"), "OK\r\n");
    m_serial.Close();
    CPortTable::Instance().Unregister(47);
}

TEST_F(SerialPortTest, PortInUseIsRefused)
{
    ASSERT_TRUE(Open(42));
    CSerial_IF second;
    EXPECT_FALSE(second.Initialise(m_pty.SlavePath(), 42, "", 10));
    EXPECT_NE(second.GetLastError(), 0u);
    EXPECT_FALSE(second.IsPortOpen());
    // The first object is unharmed.
    ASSERT_TRUE(m_pty.Write("OK\r\n"));
    EXPECT_EQ(ReceiveLine(), "OK\r\n");
}

TEST_F(SerialPortTest, DataInEventWakesTheWatcher)
{
    ASSERT_TRUE(Open(43));
    CMessageRecorder frame;
    CCommsWatcher watcher;
    watcher.Start(frame, m_serial.GetDataInEventName(), HangUpEventName(43), 1000000);

    ASSERT_TRUE(m_pty.Write("DM 01 0123\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return frame.Count(WM_COMMS_EVENT, 1) >= 1; }));
    EXPECT_EQ(ReceiveLine(), "DM 01 0123\r\n");
    EXPECT_TRUE(watcher.Stop());
    EXPECT_EQ(frame.Count(WM_THREAD_END, 0), 1u);
    EXPECT_EQ(frame.Count(WM_COMMS_EVENT, 0), 0u);
}

TEST_F(SerialPortTest, BurstOfTwentyFiveLinesArrivesCompleteAndInOrder)
{
    ASSERT_TRUE(Open(44));
    std::string burst;
    std::vector<std::string> expected;
    for (int i = 0; i < 25; ++i) {
        burst += DataLine(i);
        expected.push_back(DataLine(i));
    }
    ASSERT_TRUE(m_pty.Write(burst));
    std::vector<std::string> got;
    for (int i = 0; i < 25; ++i)
        got.push_back(ReceiveLine());
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(NothingReceived());
}

TEST_F(SerialPortTest, SilenceIsReportedOncePerSilenceAndALineRearmsIt)
{
    ASSERT_TRUE(Open(45));
    CMessageRecorder frame;
    CCommsWatcher watcher;
    watcher.Start(frame, m_serial.GetDataInEventName(), HangUpEventName(45), 3);

    ASSERT_TRUE(WaitUntil([&] { return frame.Count(WM_COMMS_EVENT, 0) == 1; }));
    // Four more silences' worth of ticks pass: still one report.
    ASSERT_TRUE(WaitOutSilentTicks(12));
    EXPECT_EQ(frame.Count(WM_COMMS_EVENT, 0), 1u);

    ASSERT_TRUE(m_pty.Write("DM 02\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return frame.Count(WM_COMMS_EVENT, 1) == 1; }));
    EXPECT_EQ(ReceiveLine(), "DM 02\r\n");
    ASSERT_TRUE(WaitUntil([&] { return frame.Count(WM_COMMS_EVENT, 0) == 2; }));
    // Bytes that never make a line are not traffic: the silence goes on. The
    // comm watch thread wakes for them and reads them, then the watcher has
    // its ticks.
    const uint64_t nPasses = m_serial.GetPassCount();
    ASSERT_TRUE(m_pty.Write("X\n"));
    ASSERT_TRUE(WaitUntil([&] { return m_serial.GetPassCount() >= nPasses + 1; }));
    ASSERT_TRUE(WaitOutSilentTicks(6));
    EXPECT_EQ(frame.Count(WM_COMMS_EVENT, 0), 2u);
    EXPECT_EQ(frame.Count(WM_COMMS_EVENT, 1), 1u);
    EXPECT_TRUE(NothingReceived());
}

TEST_F(SerialPortTest, LargeTransmissionArrivesWholeThroughPartialWrites)
{
    ASSERT_TRUE(Open(52));
    // Far more than the terminal takes at once: the driver accepts each chunk
    // in parts, and no part may be lost.
    std::string strSent;
    for (int i = 0; strSent.size() < 36000; ++i)
        strSent += DataLine(i);
    strSent += "END\r\n";
    for (size_t nAt = 0; nAt < strSent.size(); nAt += 9000)
        ASSERT_TRUE(Send(strSent.substr(nAt, 9000)));
    const std::string strGot = m_pty.ReadUntil("END\r\n");
    EXPECT_EQ(strGot.size(), strSent.size());
    EXPECT_TRUE(strGot == strSent);
    EXPECT_EQ(m_serial.GetLastError(), 0u);
}

TEST_F(SerialPortTest, InitialiseAgainStartsWithFreshBuffers)
{
    ASSERT_TRUE(Open(46));
    ASSERT_TRUE(m_pty.Write("OLD1\r\nOLD2\r\nPAR"));
    EXPECT_EQ(ReceiveLine(), "OLD1\r\n");

    ASSERT_TRUE(Open(46)) << m_serial.GetLastError();
    EXPECT_TRUE(m_serial.IsPortOpen());
    EXPECT_TRUE(NothingReceived());
    ASSERT_TRUE(m_pty.Write("NEW1\r\n"));
    EXPECT_EQ(ReceiveLine(), "NEW1\r\n");
    ASSERT_TRUE(Send("OK\r\n"));
    EXPECT_EQ(m_pty.ReadUntil("\r\n"), "OK\r\n");
}

TEST_F(SerialPortTest, CloseWhileDataFlows)
{
    ASSERT_TRUE(Open(48));
    std::atomic<bool> bStop{false};
    std::thread sensor([&] {
        for (int i = 0; i < 100000 && !bStop; ++i) {
            if (!m_pty.Write(DataLine(i), 2000))
                break;
            m_pty.Drain();
        }
    });
    EXPECT_EQ(ReceiveLine(), DataLine(0));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(Send("R?\r\n"));
    m_serial.Close();
    bStop = true;
    sensor.join();
    EXPECT_FALSE(m_serial.IsPortOpen());
    EXPECT_TRUE(NothingReceived());
    EXPECT_FALSE(Send("R?\r\n"));
}

TEST_F(SerialPortTest, CloseEndsAWriteToAStalledPort)
{
    ASSERT_TRUE(Open(49));
    // The sensor reads nothing: the terminal fills, the thread's write waits
    // for room, and the transmit ring fills behind it.
    const std::string block(8000, 'w');
    ASSERT_TRUE(WaitUntil([&] { return !Send(block); }, std::chrono::seconds(30)));
    m_serial.Close();
    EXPECT_FALSE(m_serial.IsPortOpen());
    EXPECT_FALSE(Send("OK\r\n"));
    // The port can be opened again at once.
    m_pty.Drain();
    ASSERT_TRUE(Open(49));
}

TEST_F(SerialPortTest, HangUpEndsTheWatcherAndLeavesTheThreadQuiet)
{
    ASSERT_TRUE(Open(50));
    CMessageRecorder frame;
    CCommsWatcher watcher;
    watcher.Start(frame, m_serial.GetDataInEventName(), HangUpEventName(50), 1000000);
    ASSERT_TRUE(m_pty.Write("DM 03\r\n"));
    EXPECT_EQ(ReceiveLine(), "DM 03\r\n");

    m_pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return frame.Count(WM_THREAD_END, 0) == 1; }));
    EXPECT_TRUE(m_serial.IsHungUp());
    EXPECT_TRUE(m_serial.IsPortOpen());

    // A thread that spun on the hung-up port would pass thousands of times
    // while a watcher waits out 10 ticks of 50 ms; a quiet one passes once per
    // 50 ms wait, as the watcher ticks. (The rate itself is a figure of
    // bench/LinkBench.cpp.)
    const uint64_t nPasses0 = m_serial.GetPassCount();
    ASSERT_TRUE(WaitOutSilentTicks(10));
    EXPECT_LE(m_serial.GetPassCount() - nPasses0, 40u);

    // Writing to the dead line fails quietly with the system error.
    ASSERT_TRUE(Send("OK\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return m_serial.GetLastError() != 0; }));
    EXPECT_EQ(m_serial.GetLastError(), static_cast<uint32_t>(EIO));
    m_serial.Close();
    EXPECT_FALSE(m_serial.IsPortOpen());
    // The watcher ended by itself and confirmed it.
    EXPECT_TRUE(watcher.Stop());
}

TEST_F(SerialPortTest, SilentLinkMakesNoPassOfTheCommWatchThread)
{
    ASSERT_TRUE(Open(53));
    CMessageRecorder frame;
    CCommsWatcher watcher;
    // 40 ticks: the watcher reports after 2 seconds of silence, the link's own
    // measure of it.
    watcher.Start(frame, m_serial.GetDataInEventName(), HangUpEventName(53), 40);
    // One line through: the thread woke for it and went back to its wait.
    ASSERT_TRUE(m_pty.Write("DM 04\r\n"));
    EXPECT_EQ(ReceiveLine(), "DM 04\r\n");
    const uint64_t nPasses = m_serial.GetPassCount();

    ASSERT_TRUE(WaitUntil([&] { return frame.Count(WM_COMMS_EVENT, 0) == 1; }, std::chrono::seconds(10)));
    EXPECT_EQ(m_serial.GetPassCount(), nPasses) << "the thread woke on a silent line";

    // Work still wakes it: a command goes out with one pass, a reply comes in.
    ASSERT_TRUE(Send("OK\r\n"));
    EXPECT_EQ(m_pty.ReadUntil("\r\n"), "OK\r\n");
    EXPECT_EQ(m_serial.GetPassCount(), nPasses + 1);
    ASSERT_TRUE(m_pty.Write("OK\r\n"));
    EXPECT_EQ(ReceiveLine(), "OK\r\n");
}

TEST_F(SerialPortTest, HangUpWithNoDataIsReported)
{
    ASSERT_TRUE(Open(54));
    CMessageRecorder frame;
    CCommsWatcher watcher;
    watcher.Start(frame, m_serial.GetDataInEventName(), HangUpEventName(54), 1000000);
    m_pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return frame.Count(WM_THREAD_END, 0) == 1; }));
    EXPECT_TRUE(m_serial.IsHungUp());
    EXPECT_EQ(frame.Count(WM_COMMS_EVENT, 1), 0u);
    EXPECT_TRUE(NothingReceived());
}
