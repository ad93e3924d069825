#include "CDynamicLED.h"

#include <QPainter>
#include <QPen>

namespace halyard {

CDynamicLED::CDynamicLED(QWidget* pParent)
    : QWidget(pParent)
    , m_timers([this](uint32_t nID) { OnTimer(nID); })
{}

QColor CDynamicLED::BrightColour(uint32_t nColour)
{
    switch (nColour) {
    case ID_LED_RED:
        return {250, 0, 0};
    case ID_LED_GREEN:
        return {0, 250, 0};
    case ID_LED_YELLOW:
        return {250, 250, 0};
    case ID_LED_ORANGE:
        return {255, 128, 0};
    default:
        return {0, 0, 250};
    }
}

QColor CDynamicLED::DarkColour(uint32_t nColour)
{
    switch (nColour) {
    case ID_LED_RED:
        return {150, 0, 0};
    case ID_LED_GREEN:
        return {0, 150, 0};
    case ID_LED_YELLOW:
        return {200, 200, 0};
    case ID_LED_ORANGE:
        return {128, 64, 0};
    default:
        return {0, 0, 150};
    }
}

void CDynamicLED::Store(uint32_t nIDColor, uint32_t nIDShape, int nTimerInterval, bool bFlash,
                        bool bInitiallyOn)
{
    m_nColour = nIDColor;
    m_nShape = nIDShape;
    m_nTimerInterval = nTimerInterval;
    m_bFlash = bFlash;
    m_bOn = bInitiallyOn;
    m_timers.KillTimer(TIMER_ID);
}

void CDynamicLED::SetLED(uint32_t nIDColor, uint32_t nIDShape, int nTimerInterval, bool bFlash,
                         bool bInitiallyOn)
{
    Store(nIDColor, nIDShape, nTimerInterval, bFlash, bInitiallyOn);
    if (m_bFlash || !m_bDrawn)
        m_timers.SetTimer(TIMER_ID, m_nTimerInterval);
}

void CDynamicLED::ResetLED(uint32_t nIDColor, uint32_t nIDShape, int nTimerInterval, bool bFlash,
                           bool bInitiallyOn)
{
    Store(nIDColor, nIDShape, nTimerInterval, bFlash, bInitiallyOn);
    m_bDrawn = false;
    m_timers.SetTimer(TIMER_ID, m_nTimerInterval);
}

void CDynamicLED::ChangeColour(uint32_t unColour, bool bOn)
{
    ResetLED(unColour, m_nShape, m_nTimerInterval, m_bFlash, bOn);
}

void CDynamicLED::OnTimer(uint32_t nIDEvent)
{
    if (m_nTimerInterval == 0 && m_bDrawn) {
        m_timers.KillTimer(nIDEvent);
        return;
    }
    if (nIDEvent == TIMER_ID) {
        DrawLED(false);
        m_bDrawn = true;
    }
}

void CDynamicLED::DrawLED(bool /*bPaint*/)
{
    // Qt paints only in paintEvent: ask for one now.
    repaint();
}

void CDynamicLED::paintEvent(QPaintEvent* /*pEvent*/)
{
    if (m_nShape != ID_SHAPE_ROUND && m_nShape != ID_SHAPE_SQUARE)
        return;

    const QColor colour = m_bOn ? BrightColour(m_nColour) : DarkColour(m_nColour);
    if (m_bFlash)
        m_bOn = !m_bOn;  // every drawing advances the blinking

    QPainter painter(this);
    const QRect rc = rect();
    if (m_nShape == ID_SHAPE_SQUARE) {
        // A sunken square: dark edges top and left, light edges bottom and right.
        painter.fillRect(rc, colour);
        painter.setPen(QPen(QColor(128, 128, 128), 1));
        painter.drawLine(rc.bottomLeft(), rc.topLeft());
        painter.drawLine(rc.topLeft(), rc.topRight());
        painter.setPen(QPen(QColor(192, 192, 192), 1));
        painter.drawLine(rc.topRight(), rc.bottomRight());
        painter.drawLine(rc.bottomRight(), rc.bottomLeft());
        return;
    }

    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF ellipse = QRectF(rc).adjusted(1.0, 1.0, -1.0, -1.0);
    painter.setPen(QPen(colour, 1));
    painter.setBrush(colour);
    painter.drawEllipse(ellipse);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(128, 128, 128), 2));
    painter.drawEllipse(ellipse);
    painter.setPen(QPen(QColor(192, 192, 192), 1));
    painter.drawEllipse(ellipse);
    // A white highlight along the lower right: counter-clockwise from the
    // bottom to the radial through the top-right corner.
    painter.setPen(QPen(Qt::white, 1));
    painter.drawArc(ellipse, -90 * 16, 135 * 16);
    // A glint near the upper left.
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(rc.left() + 4, rc.top() + 4, 2, 2));
}

}  // namespace halyard
