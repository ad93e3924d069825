#include "DeviceEvents.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace halyard {

namespace fs = std::filesystem;

namespace {

// Links of links are followed this far; a loop ends there.
constexpr int kMaxLinkHops = 16;

bool NamesEither(const DeviceEvent& event, const std::string& strName)
{
    return !strName.empty() &&
           (event.strDevNode == strName ||
            std::find(event.links.begin(), event.links.end(), strName) != event.links.end());
}

// Where the link at path leads, followed hop by hop without asking whether
// the end exists (a link to a device that is gone still names it).
std::string LinkTarget(const fs::path& path)
{
    std::error_code ec;
    fs::path current = path;
    bool bFollowed = false;
    for (int nHop = 0; nHop < kMaxLinkHops && fs::is_symlink(fs::symlink_status(current, ec)); ++nHop) {
        const fs::path next = fs::read_symlink(current, ec);
        if (ec)
            break;
        current = (next.is_absolute() ? next : current.parent_path() / next).lexically_normal();
        bFollowed = true;
    }
    return bFollowed ? current.string() : std::string();
}

}  // namespace

PathIdentity IdentifyPath(const std::string& strPath)
{
    PathIdentity identity;
    identity.strPath = strPath;
    identity.strTarget = LinkTarget(strPath);
    struct stat st {};
    if (::stat(strPath.c_str(), &st) == 0 && S_ISCHR(st.st_mode))
        identity.devnum = st.st_rdev;
    return identity;
}

bool EventNamesPath(const DeviceEvent& event, const PathIdentity& path)
{
    return NamesEither(event, path.strPath) || NamesEither(event, path.strTarget) ||
           (path.devnum != 0 && path.devnum == event.devnum);
}

DeviceChange LastChange(const std::vector<DeviceEvent>& events, const PathIdentity& path)
{
    DeviceChange change = DeviceChange::None;
    for (const DeviceEvent& event : events) {
        if (event.strAction != "add" && event.strAction != "remove")
            continue;
        if (EventNamesPath(event, path))
            change = event.strAction == "add" ? DeviceChange::Arrived : DeviceChange::Removed;
    }
    return change;
}

}  // namespace halyard
