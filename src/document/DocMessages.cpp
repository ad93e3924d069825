#include "document/DocMessages.h"

#include <algorithm>

#include "document/CHalyardDoc.h"

namespace halyard {

bool HandleFrameMessage(CHalyardDoc& doc, uint32_t nMsg, uintptr_t wParam)
{
    if (nMsg == WM_COMMS_EVENT) {
        if (wParam == COMMS_EVENT_DATA)
            doc.CommsDataReceived(true);
        else
            doc.CommsTimeout();
        return true;
    }
    if (nMsg == WM_THREAD_END) {
        doc.CommsThreadFinished();
        return true;
    }
    return false;
}

std::string ListLine(std::string strLine)
{
    std::replace(strLine.begin(), strLine.end(), '\n', ' ');
    return strLine;
}

std::vector<std::string> TakeReceivedLines(CHalyardDoc& doc, uintptr_t wParam)
{
    std::vector<std::string> lines;
    auto dwNumBytes = static_cast<uint32_t>(wParam);
    while (doc.GetCommsData(lines, dwNumBytes)) {
    }
    for (std::string& strLine : lines)
        strLine = ListLine(std::move(strLine));
    return lines;
}

std::string TakeLinesDroppedNotice(CHalyardDoc& doc)
{
    const int nLines = doc.TakeLinesDropped();
    if (nLines == 0)
        return {};
    if (nLines == 1)
        return "(1 line not shown: it came in faster than it could be shown)";
    return "(" + std::to_string(nLines) + " lines not shown: they came in faster than they could be shown)";
}

std::string NoResponseText(const CHalyardDoc& doc)
{
    const int64_t nMs = static_cast<int64_t>(doc.GetCommsTimeoutTicks()) * COMMS_CHECK_TICK_MS;
    const int64_t nSeconds = (nMs + 999) / 1000;
    const std::string strSpan = nSeconds > 0 && nSeconds % 60 == 0 ? std::to_string(nSeconds / 60) + " minutes"
                                                                   : std::to_string(nSeconds) + " seconds";
    return "No Response from Sensor in last " + strSpan;
}

}  // namespace halyard
