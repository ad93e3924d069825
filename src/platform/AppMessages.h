#pragma once
// The application's own window messages and the view's timer ids, shared by the
// core and the GUI. Every message is posted, never sent; a handler takes wParam
// and lParam and returns 0.

#include <cstdint>

namespace halyard {

constexpr uint32_t WM_APP = 0x8000;

constexpr uint32_t WM_COMMS_EVENT = WM_APP + 0x01;
constexpr uint32_t WM_COMMS_TIMEOUT = WM_APP + 0x02;
constexpr uint32_t WM_COMMS_DATA = WM_APP + 0x03;
constexpr uint32_t WM_COMMS_COMMAND = WM_APP + 0x04;
constexpr uint32_t WM_COMMS_OPEN = WM_APP + 0x07;
constexpr uint32_t WM_RECORD_UPDATE = WM_APP + 0x08;
constexpr uint32_t WM_LOGTIME_UPDATE = WM_APP + 0x09;
constexpr uint32_t WM_TIME_UPDATE = WM_APP + 0x0A;
constexpr uint32_t WM_POLL_START = WM_APP + 0x0B;
constexpr uint32_t WM_POLL_STOP = WM_APP + 0x0C;
constexpr uint32_t WM_THREAD_END = WM_APP + 0x0D;
constexpr uint32_t WM_AUTO_R_START = WM_APP + 0x0E;
constexpr uint32_t WM_INIT_START = WM_APP + 0x0F;
constexpr uint32_t WM_START_SEQ = WM_APP + 0x10;
constexpr uint32_t WM_INIT_EVENT = WM_APP + 0x11;
constexpr uint32_t WM_AUTO_M_START = WM_APP + 0x12;
constexpr uint32_t WM_AUTO_XW_START = WM_APP + 0x13;
constexpr uint32_t WM_RS485_ENABLE = WM_APP + 0x15;
constexpr uint32_t WM_LOG_ERROR = WM_APP + 0x16;
constexpr uint32_t WM_ACCUM_START = WM_APP + 0x17;
constexpr uint32_t WM_ALS_DUMP = WM_APP + 0x18;
constexpr uint32_t WM_FIRST_DATA_MSG = WM_APP + 0x19;
constexpr uint32_t WM_PARAM_LOAD = WM_APP + 0x1A;
constexpr uint32_t WM_COMMS_NO_CONNECT = WM_APP + 0x1B;

// What a message's wParam says, where it says more than a number.
// WM_COMMS_EVENT: the data-in event was signalled, or a whole time-out span passed without it.
constexpr uintptr_t COMMS_EVENT_TIMEOUT = 0;
constexpr uintptr_t COMMS_EVENT_DATA = 1;
// WM_COMMS_OPEN: the connection was opened or closed.
constexpr uintptr_t COMMS_OPENED = 0;
constexpr uintptr_t COMMS_CLOSED = 1;
// WM_INIT_START, WM_START_SEQ, WM_ALS_DUMP, WM_PARAM_LOAD: a sequence's start and end.
constexpr uintptr_t SEQUENCE_FINISHED = 0;
constexpr uintptr_t SEQUENCE_STARTED = 1;
constexpr uintptr_t SEQUENCE_FAILED = 2;
// WM_AUTO_R_START, WM_AUTO_M_START, WM_AUTO_XW_START and WM_ACCUM_START:
// the automatic command, or the daily change's next step, on or off.
constexpr uintptr_t TIMER_MSG_OFF = 0;
constexpr uintptr_t TIMER_MSG_ON = 1;

// The view's timers; the document's OnTimer takes the same ids.
constexpr uint32_t TIMER_CLOCK = 2;      // 1000 ms, always running
constexpr uint32_t TIMER_POLL = 3;       // poll interval
constexpr uint32_t TIMER_DAILY_LOG = 4;  // 5000 ms, one-shot
constexpr uint32_t TIMER_AUTO_R = 5;     // 500 ms, one-shot
constexpr uint32_t TIMER_AUTO_M = 6;     // 1250 ms, one-shot
constexpr uint32_t TIMER_AUTO_XW = 7;    // 750 ms, one-shot
constexpr uint32_t TIMER_SEQUENCE = 8;   // 500 ms while a sequence runs
// Timers of pages and controls.
constexpr uint32_t TIMER_SENSOR_SETTINGS = 9;
constexpr uint32_t TIMER_TEMP_CAL = 10;
constexpr uint32_t TIMER_CONNECT_DLG = 11;
constexpr uint32_t TIMER_LED = 1001;

// Where posted messages go: the main frame, or every view. Posting is
// thread-safe and never blocks; delivery is later, on the UI thread, in order.
class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    virtual void PostMessage(uint32_t nMsg, uintptr_t wParam, intptr_t lParam) = 0;
};

}  // namespace halyard
