#pragma once
// CSpinEdit: a number field with its spin arrows. The field takes any whole
// number a 16-bit field holds, so that the page can refuse one outside its
// range with the range message when it reads the field; the arrows and the Up
// and Down keys step only within the range. UI thread only.

#include <QSpinBox>

namespace halyard {

class CSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    CSpinEdit(int nMin, int nMax, QWidget* pParent = nullptr);

    int RangeMin() const { return m_nMin; }
    int RangeMax() const { return m_nMax; }
    void stepBy(int nSteps) override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_nMin;
    int m_nMax;
};

}  // namespace halyard
