#pragma once
// CDynamicLED: a lamp control, elliptical or square, lit, unlit or blinking, in
// one of five colours. The port settings page uses one as its connection lamp
// (red: not connected, green: connected). Timer 1001 draws the lamp after each
// change and paces the blinking; the painting itself happens in paintEvent.
// UI thread only.

#include <QColor>
#include <QWidget>

#include <cstdint>

#include "ui/WindowTimers.h"

namespace halyard {

class CDynamicLED : public QWidget {
    Q_OBJECT
public:
    enum Colour : uint32_t { ID_LED_RED = 2001, ID_LED_GREEN, ID_LED_BLUE, ID_LED_YELLOW, ID_LED_ORANGE };
    enum Shape : uint32_t { ID_SHAPE_ROUND = 3001, ID_SHAPE_SQUARE = 3002 };

    explicit CDynamicLED(QWidget* pParent = nullptr);

    void SetLED(uint32_t nIDColor, uint32_t nIDShape, int nTimerInterval, bool bFlash, bool bInitiallyOn);
    void ResetLED(uint32_t nIDColor, uint32_t nIDShape, int nTimerInterval, bool bFlash, bool bInitiallyOn);
    void ChangeColour(uint32_t unColour, bool bOn);

    uint32_t Colour() const { return m_nColour; }
    bool IsOn() const { return m_bOn; }
    bool TimerRunning() const { return m_timers.IsRunning(TIMER_ID); }

    // Lit and unlit colour of a colour id; unknown ids are blue.
    static QColor BrightColour(uint32_t nColour);
    static QColor DarkColour(uint32_t nColour);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    static constexpr uint32_t TIMER_ID = 1001;

    void Store(uint32_t nIDColor, uint32_t nIDShape, int nTimerInterval, bool bFlash, bool bInitiallyOn);
    void OnTimer(uint32_t nIDEvent);
    void DrawLED(bool bPaint);

    uint32_t m_nColour = ID_LED_BLUE;
    uint32_t m_nShape = 0;
    bool m_bOn = false;
    bool m_bFlash = false;
    bool m_bDrawn = false;
    int m_nTimerInterval = 0;
    CWindowTimers m_timers;
};

}  // namespace halyard
