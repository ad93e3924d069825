// Which hot-plug events concern the path a user opened: by device file, by
// any of the device's links, through a link of the user's own, or by device
// number; and which change counts when several are pending. Real events from
// udev are tested in a umockdev testbed (udev/it_UdevMonitor.cpp).
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

#include "FakeDeviceWatch.h"
#include "TempFolder.h"
#include "platform/DeviceEvents.h"

using namespace halyard;
using namespace halyard::test;

namespace {

const std::string kById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";

DeviceEvent Event(const std::string& strAction, const std::string& strNode = "/dev/ttyUSB0")
{
    return {strAction,
            strNode,
            {kById, "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0"},
            makedev(188, 0)};
}

PathIdentity Named(const std::string& strPath)
{
    return {strPath, "", 0};
}

bool Readable(int fd)
{
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, 0) == 1;
}

}  // namespace

TEST(DeviceEvents, AnEventNamesItsDeviceFileAndEveryLink)
{
    EXPECT_TRUE(EventNamesPath(Event("add"), Named("/dev/ttyUSB0")));
    EXPECT_TRUE(EventNamesPath(Event("add"), Named(kById)));
    EXPECT_FALSE(EventNamesPath(Event("add"), Named("/dev/ttyUSB1")));
    EXPECT_FALSE(EventNamesPath(Event("add"), Named("")));
    // A link of the user's own that leads to the device file or to its by-id link.
    EXPECT_TRUE(EventNamesPath(Event("add"), {"/home/tech/sensor", "/dev/ttyUSB0", 0}));
    EXPECT_TRUE(EventNamesPath(Event("add"), {"/home/tech/sensor", kById, 0}));
    // The same character device under any name.
    EXPECT_TRUE(EventNamesPath(Event("add"), {"/dev/mast-sensor", "", makedev(188, 0)}));
    EXPECT_FALSE(EventNamesPath(Event("add"), {"/dev/mast-sensor", "", makedev(188, 1)}));
    DeviceEvent noNumber = Event("add");
    noNumber.devnum = 0;
    EXPECT_FALSE(EventNamesPath(noNumber, {"/dev/mast-sensor", "", 0})) << "no number matches no number";
}

TEST(DeviceEvents, TheLastArrivalOrRemovalCounts)
{
    const PathIdentity path = Named(kById);
    EXPECT_EQ(LastChange({}, path), DeviceChange::None);
    EXPECT_EQ(LastChange({Event("remove"), Event("add")}, path), DeviceChange::Arrived) << "replugged";
    EXPECT_EQ(LastChange({Event("add"), Event("remove")}, path), DeviceChange::Removed) << "came and went";
    EXPECT_EQ(LastChange({Event("add"), Event("change")}, path), DeviceChange::Arrived);
    EXPECT_EQ(LastChange({Event("bind"), Event("change")}, path), DeviceChange::None);
    DeviceEvent other = Event("remove", "/dev/ttyUSB1");
    other.links = {};
    other.devnum = makedev(188, 1);
    EXPECT_EQ(LastChange({Event("add"), other}, path), DeviceChange::Arrived) << "another device left";
}

TEST(DeviceEvents, APathIsIdentifiedThroughItsLinks)
{
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    namespace fs = std::filesystem;
    // sensor -> relative link -> a device file that is not there (a pulled adapter).
    fs::create_symlink("/dev/halyard-test-ttyUSB7", folder.Path("direct"));
    fs::create_symlink("direct", folder.Path("sensor"));
    const PathIdentity gone = IdentifyPath(folder.Path("sensor"));
    EXPECT_EQ(gone.strTarget, "/dev/halyard-test-ttyUSB7");
    EXPECT_EQ(gone.devnum, 0u);

    fs::create_symlink("/dev/null", folder.Path("null"));
    const PathIdentity null = IdentifyPath(folder.Path("null"));
    EXPECT_EQ(null.strTarget, "/dev/null");
    EXPECT_EQ(null.devnum, makedev(1, 3));
    EXPECT_EQ(IdentifyPath("/dev/null").strTarget, "") << "a device file is no link";

    fs::create_symlink("loop", folder.Path("loop"));
    EXPECT_EQ(IdentifyPath(folder.Path("loop")).devnum, 0u) << "a link to itself ends";
}

TEST(FakeDeviceWatch, AnArrivalWakesTheWaiterAndIsTakenOnce)
{
    CFakeDeviceWatch watch;
    EXPECT_FALSE(Readable(watch.Fd()));
    watch.Arrive("/dev/ttyUSB0");
    EXPECT_TRUE(Readable(watch.Fd()));
    EXPECT_FALSE(watch.TakeArrival("/dev/ttyUSB1"));
    EXPECT_FALSE(Readable(watch.Fd()));
    watch.Arrive("/dev/ttyUSB0");
    EXPECT_TRUE(watch.TakeArrival("/dev/ttyUSB0"));
    EXPECT_FALSE(watch.TakeArrival("/dev/ttyUSB0"));
}
