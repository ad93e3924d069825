#include "AppMessageEvent.h"

namespace halyard {

CAppMessageEvent::CAppMessageEvent(uint32_t nMsg, uintptr_t wParam, intptr_t lParam)
    : QEvent(EventType())
    , m_nMsg(nMsg)
    , m_wParam(wParam)
    , m_lParam(lParam)
{}

QEvent::Type CAppMessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void CPostTarget::PostMessage(uint32_t nMsg, uintptr_t wParam, intptr_t lParam)
{
    if (m_pReceiver != nullptr)
        QCoreApplication::postEvent(m_pReceiver, new CAppMessageEvent(nMsg, wParam, lParam));
}

}  // namespace halyard
