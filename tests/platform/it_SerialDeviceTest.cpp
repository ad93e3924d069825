#include <gtest/gtest.h>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "TestPty.h"
#include "platform/SerialDevice.h"

using namespace halyard;
using halyard::test::PtyPair;

namespace {

bool WaitReadable(int fd)
{
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, 10000) > 0;
}

}  // namespace

TEST(SerialDevice, OpensRawExclusiveAndMovesBytesBothWays)
{
    PtyPair master;
    ASSERT_TRUE(master.IsValid());
    CSerialDevice port;
    const SysResult opened = port.Open(master.SlavePath(), 9600, 8, NOPARITY, ONESTOPBIT);
    ASSERT_TRUE(opened) << opened.Message();

    termios tio{};
    ASSERT_EQ(::tcgetattr(port.Fd(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u) << "raw: no flow control, CR kept";
    EXPECT_EQ(tio.c_lflag & ICANON, 0u);

    CSerialDevice second;
    const SysResult busy = second.Open(master.SlavePath(), 9600, 8, NOPARITY, ONESTOPBIT);
    EXPECT_FALSE(busy);
    EXPECT_EQ(busy.Error(), static_cast<uint32_t>(EBUSY)) << "the port is ours alone, even for root";

    size_t nWritten = 0;
    const std::string command = "JM?\r\n";
    ASSERT_TRUE(port.Write(reinterpret_cast<const uint8_t*>(command.data()), command.size(), nWritten, 1050));
    EXPECT_EQ(nWritten, command.size());
    EXPECT_EQ(master.ReadUntil(command), command);

    const std::string reply = "00630\r\n";
    ASSERT_EQ(::write(master.Master(), reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
    ASSERT_TRUE(WaitReadable(port.Fd()));
    uint32_t dwWaiting = 0;
    ASSERT_TRUE(port.BytesWaiting(dwWaiting));
    EXPECT_EQ(dwWaiting, reply.size());
    uint8_t buffer[64];
    size_t nRead = 0;
    ASSERT_TRUE(port.Read(buffer, sizeof buffer, nRead));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), nRead), reply);
    ASSERT_TRUE(port.Read(buffer, sizeof buffer, nRead));
    EXPECT_EQ(nRead, 0u) << "nothing waiting reads nothing and is no hang-up";
    EXPECT_FALSE(port.HungUp());
    EXPECT_TRUE(port.SetDtr(true)) << "modem-line calls a pseudo-terminal refuses are ignored";
    EXPECT_TRUE(port.Purge());

    port.Close();
    CSerialDevice again;
    EXPECT_TRUE(again.Open(master.SlavePath(), 57600, 8, NOPARITY, ONESTOPBIT))
        << "closing gives the port back";
}

TEST(SerialDevice, RefusesWhatItCannotOpen)
{
    CSerialDevice port;
    const SysResult missing = port.Open("/dev/halyard-no-such-port", 9600, 8, NOPARITY, ONESTOPBIT);
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.Error(), static_cast<uint32_t>(ENOENT));
    EXPECT_FALSE(port.IsOpen());

    PtyPair master;
    const SysResult badRate = port.Open(master.SlavePath(), 9601, 8, NOPARITY, ONESTOPBIT);
    EXPECT_FALSE(badRate);
    EXPECT_EQ(badRate.Error(), static_cast<uint32_t>(EINVAL));
    EXPECT_FALSE(port.Open("/dev/null", 9600, 8, NOPARITY, ONESTOPBIT)) << "not a terminal";
    EXPECT_FALSE(port.IsOpen());
    for (uint32_t baud : {1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u})
        EXPECT_TRUE(CSerialDevice::IsSupportedBaudRate(baud)) << baud;
}

TEST(SerialDevice, NoticesTheFarEndHangingUp)
{
    PtyPair master;
    CSerialDevice port;
    ASSERT_TRUE(port.Open(master.SlavePath(), 9600, 8, NOPARITY, ONESTOPBIT));
    master.CloseMaster();
    ASSERT_TRUE(WaitReadable(port.Fd())) << "a hang-up makes the port readable (POLLHUP)";
    uint8_t buffer[16];
    size_t nRead = 0;
    EXPECT_FALSE(port.Read(buffer, sizeof buffer, nRead));
    EXPECT_TRUE(port.HungUp());
    EXPECT_EQ(nRead, 0u);

    size_t nWritten = 0;
    const uint8_t byte = 'x';
    EXPECT_FALSE(port.Write(&byte, 1, nWritten, 1010));
}
