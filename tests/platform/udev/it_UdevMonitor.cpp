// Hot-plug events through CUdevMonitor, sent by a umockdev testbed as udevd
// would send them: an adapter's arrival is seen under its device file and
// its by-id name, a removal likewise, nothing else is taken for it, and a
// replug within one batch counts as an arrival. Every wait is for the
// monitor's descriptor, with a generous deadline.
#include <gtest/gtest.h>

#include <poll.h>

#include <sys/sysmacros.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "UdevTestbed.h"
#include "platform/UdevMonitor.h"

using namespace halyard;
using namespace halyard::test;

namespace {

const std::string kFtdiSysPath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0";
const std::string kFtdiById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
constexpr int kEventWaitMs = 10000;

bool Readable(int fd, int nTimeoutMs)
{
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, nTimeoutMs) == 1;
}

class UdevMonitorTest : public ::testing::Test {
protected:
    // The testbed sends an "add" for every device it is given: the monitor
    // starts after the recording is in, so that it sees only the test's events.
    void SetUp() override
    {
        ASSERT_TRUE(m_testbed.AddFromFile("serial-ports.umockdev")) << m_testbed.Error();
        m_pMonitor = std::make_unique<CUdevMonitor>();
        ASSERT_TRUE(m_pMonitor->IsValid());
    }
    CUdevMonitor& Monitor() { return *m_pMonitor; }
    // Sends the adapter's event and waits until the monitor has something.
    void Send(const std::string& strAction)
    {
        m_testbed.Uevent(kFtdiSysPath, strAction);
        ASSERT_TRUE(Readable(Monitor().Fd(), kEventWaitMs)) << "no " << strAction << " event came";
    }
    // Takes events until nCount have come (or the deadline has passed).
    std::vector<DeviceEvent> Collect(size_t nCount)
    {
        std::vector<DeviceEvent> events;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kEventWaitMs);
        while (events.size() < nCount && std::chrono::steady_clock::now() < deadline) {
            if (!Readable(Monitor().Fd(), 100))
                continue;
            for (DeviceEvent& event : Monitor().TakeEvents())
                events.push_back(std::move(event));
        }
        return events;
    }

    CUdevTestbed m_testbed;
    std::unique_ptr<CUdevMonitor> m_pMonitor;
};

}  // namespace

TEST_F(UdevMonitorTest, AnArrivalIsSeenUnderTheDeviceFileAndTheByIdName)
{
    EXPECT_FALSE(Readable(Monitor().Fd(), 0));
    EXPECT_FALSE(Monitor().TakeArrival("/dev/ttyUSB0")) << "nothing pending: answered at once";

    Send("add");
    EXPECT_TRUE(Monitor().TakeArrival(kFtdiById));
    EXPECT_FALSE(Readable(Monitor().Fd(), 0)) << "the event was taken";
    Send("add");
    EXPECT_TRUE(Monitor().TakeArrival("/dev/ttyUSB0"));
    Send("add");
    EXPECT_FALSE(Monitor().TakeArrival("/dev/ttyACM0")) << "another device's arrival is no arrival";
    EXPECT_FALSE(Monitor().TakeArrival("/dev/ttyUSB0")) << "and was taken with it";
}

TEST_F(UdevMonitorTest, ANewAdapterArrivesUnderItsByIdName)
{
    const std::string strById =
        "/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0";
    ASSERT_TRUE(
        m_testbed.AddFromString("P: /devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/ttyUSB1\n"
                                "E: SUBSYSTEM=usb-serial\n"
                                "E: DRIVER=pl2303\n"
                                "L: driver=../../../../../../../bus/usb-serial/drivers/pl2303\n"
                                "\n"
                                "P: /devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/ttyUSB1/tty/ttyUSB1\n"
                                "N: ttyUSB1\n"
                                "E: DEVNAME=/dev/ttyUSB1\n"
                                "E: SUBSYSTEM=tty\n"
                                "E: MAJOR=188\n"
                                "E: MINOR=1\n"
                                "E: DEVLINKS=" +
                                strById + "\n"))
        << m_testbed.Error();
    ASSERT_TRUE(Readable(Monitor().Fd(), kEventWaitMs));
    EXPECT_TRUE(Monitor().TakeArrival(strById));
}

TEST_F(UdevMonitorTest, ARemovalIsSeenLikewiseAndIsNoArrival)
{
    Send("remove");
    EXPECT_TRUE(Monitor().TakeRemoval(kFtdiById));
    Send("remove");
    EXPECT_FALSE(Monitor().TakeArrival("/dev/ttyUSB0"));
    Send("change");
    EXPECT_FALSE(Monitor().TakeRemoval("/dev/ttyUSB0")) << "a change is neither";
}

TEST_F(UdevMonitorTest, EventsCarryTheDeviceFileLinksAndNumber)
{
    m_testbed.Uevent(kFtdiSysPath, "remove");
    m_testbed.Uevent(kFtdiSysPath, "add");
    const std::vector<DeviceEvent> events = Collect(2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].strAction, "remove");
    EXPECT_EQ(events[1].strAction, "add");
    EXPECT_EQ(events[1].strDevNode, "/dev/ttyUSB0");
    EXPECT_NE(std::find(events[1].links.begin(), events[1].links.end(), kFtdiById), events[1].links.end());
    EXPECT_EQ(events[1].devnum, makedev(188, 0));
    EXPECT_EQ(LastChange(events, IdentifyPath(kFtdiById)), DeviceChange::Arrived) << "a replug is an arrival";
}
