#pragma once
// Whether a hot-plug event concerns the device a user named by a path, as
// pure functions over plain data so that tests check them without udev.
// An event concerns a path when its device file or one of its links is that
// path, when the path is a symbolic link that leads there, or when the path
// is the same character device (one number, whatever its name).

#include <sys/types.h>

#include <string>
#include <vector>

namespace halyard {

struct DeviceEvent {
    std::string strAction;           // "add", "remove", "change", ...
    std::string strDevNode;          // /dev/ttyUSB0
    std::vector<std::string> links;  // /dev/serial/by-id/..., /dev/serial/by-path/...
    dev_t devnum = 0;                // 0 when the event has none
};

// What the file system says a path is at the moment of asking.
struct PathIdentity {
    std::string strPath;
    std::string strTarget;  // where a symbolic link (chain) leads, "" for no link
    dev_t devnum = 0;       // the character device it opens, 0 when none
};

PathIdentity IdentifyPath(const std::string& strPath);

bool EventNamesPath(const DeviceEvent& event, const PathIdentity& path);

enum class DeviceChange { None, Arrived, Removed };

// The last arrival or removal among events that concerns path.
DeviceChange LastChange(const std::vector<DeviceEvent>& events, const PathIdentity& path);

}  // namespace halyard
