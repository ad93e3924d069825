#pragma once
// Reading numbers typed into a form, as every form of the program does it: a
// text that is not a whole number gets "Please enter an integer.", a number
// outside the field's range "Please enter an integer between MIN and MAX.";
// the field then takes the focus and the value is not taken. UI thread only.

#include <QString>

class QWidget;

namespace halyard {

// The number in strText (blanks around it allowed) within nMin..nMax; false
// after the message, with nValue unchanged.
bool ExchangeInt(QWidget* pControl, const QString& strText, int nMin, int nMax, int& nValue);

}  // namespace halyard
