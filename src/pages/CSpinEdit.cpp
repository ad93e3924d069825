#include "CSpinEdit.h"

#include <QLineEdit>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace halyard {

CSpinEdit::CSpinEdit(int nMin, int nMax, QWidget* pParent)
    : QSpinBox(pParent)
    , m_nMin(nMin)
    , m_nMax(nMax)
{
    setRange(std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

void CSpinEdit::stepBy(int nSteps)
{
    setValue(std::clamp(value() + nSteps, m_nMin, m_nMax));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled CSpinEdit::stepEnabled() const
{
    StepEnabled enabled = StepNone;
    if (isReadOnly() || !isEnabled())
        return enabled;
    if (value() < m_nMax)
        enabled |= StepUpEnabled;
    if (value() > m_nMin)
        enabled |= StepDownEnabled;
    return enabled;
}

}  // namespace halyard
