#pragma once
// The application window messages carried as Qt events. The document, its
// watcher thread and the view post them (CPostTarget, thread-safe, never
// blocking); the frame and the view take them in QObject::event and hand them
// to their message map (MessageMap.h) on the UI thread, in posting order.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "platform/AppMessages.h"

namespace halyard {

class CAppMessageEvent : public QEvent {
public:
    CAppMessageEvent(uint32_t nMsg, uintptr_t wParam, intptr_t lParam);

    // The event type, registered with Qt once.
    static QEvent::Type EventType();

    uint32_t m_nMsg;
    uintptr_t m_wParam;
    intptr_t m_lParam;
};

// Posts application messages to one window. The receiver must outlive every
// thread that posts through this target (the document stops its threads
// before the windows go).
class CPostTarget : public IMessageTarget {
public:
    explicit CPostTarget(QObject* pReceiver = nullptr)
        : m_pReceiver(pReceiver)
    {}
    void SetReceiver(QObject* pReceiver) { m_pReceiver = pReceiver; }
    void PostMessage(uint32_t nMsg, uintptr_t wParam, intptr_t lParam) override;

private:
    QObject* m_pReceiver;
};

}  // namespace halyard
