#pragma once
// What a front end does with the document's posted messages besides showing
// them, the same in the window and on the console:
// - the frame's share: WM_COMMS_EVENT 1 calls CommsDataReceived(true), 0
//   CommsTimeout, and WM_THREAD_END calls CommsThreadFinished;
// - the view's share of WM_COMMS_DATA: every line waiting in the document's
//   queue, as the received-data list shows it.
// UI thread only.

#include <cstdint>
#include <string>
#include <vector>

namespace halyard {

class CHalyardDoc;

// True when the message was one of the frame's (and was acted on).
bool HandleFrameMessage(CHalyardDoc& doc, uint32_t nMsg, uintptr_t wParam);

// A received line as the list shows it and the view's timers see it: its line
// feeds become blanks.
std::string ListLine(std::string strLine);

// The lines of every packet waiting (GetCommsData until it has no more), as
// ListLine makes them.
std::vector<std::string> TakeReceivedLines(CHalyardDoc& doc, uintptr_t wParam);

// The line that tells, once, that lines were lost after those just taken:
// the document's queue had no room for them (a burst larger than the queue
// that came faster than the views read it). Empty when none were lost.
std::string TakeLinesDroppedNotice(CHalyardDoc& doc);

// What WM_COMMS_TIMEOUT tells: "No Response from Sensor in last 5 minutes",
// the span being the document's time-out, in minutes when it is whole
// minutes and in seconds (rounded up) otherwise.
std::string NoResponseText(const CHalyardDoc& doc);

}  // namespace halyard
