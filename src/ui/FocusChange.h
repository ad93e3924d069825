#pragma once
// Whether a focus event is a real move of the keyboard focus, as a control's
// set-focus and kill-focus notifications mean it: the user clicked or tabbed
// into another control, or the window was left or re-entered. Opening a menu
// or a context menu (and closing it again) also sends focus events in Qt, but
// the control keeps the focus throughout, so they are not changes. UI thread.

#include <QFocusEvent>

namespace halyard {

inline bool IsRealFocusChange(const QFocusEvent& event)
{
    return event.reason() != Qt::PopupFocusReason && event.reason() != Qt::MenuBarFocusReason;
}

}  // namespace halyard
