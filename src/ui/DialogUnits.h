#pragma once
// Layout in dialog units. The program's forms are laid out in dialog units
// (a quarter of the font's average character width across, an eighth of its
// height down); these helpers turn them into pixels with the base units of the
// font a widget uses, so every form keeps its proportions whatever the font.
// They also give each control its id (the key of its tooltip) and its object
// name, by which tests find it. UI thread only.

#include <QRect>
#include <QSize>

class QFont;
class QGroupBox;
class QString;
class QWidget;

namespace halyard {

class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);

    int X(int nDluX) const;
    int Y(int nDluY) const;
    QRect Rect(int x, int y, int cx, int cy) const;
    QSize Size(int cx, int cy) const;

    int BaseX() const { return m_nBaseX; }
    int BaseY() const { return m_nBaseY; }

private:
    int m_nBaseX;
    int m_nBaseY;
};

// Places pWidget (a child of its parent) at x, y with size cx, cy in dialog
// units of the parent's font.
void PlaceDlu(QWidget* pWidget, int x, int y, int cx, int cy);
// Sizes a form or page to cx, cy dialog units of its own font.
void ResizeDlu(QWidget* pWidget, int cx, int cy);

// A group box frame behind a set of controls of pParent (a sibling of them,
// as on the forms), at x, y with size cx, cy in dialog units.
QGroupBox* AddGroupBox(QWidget* pParent, const QString& strTitle, int x, int y, int cx, int cy);

// The control id (its tooltip's key) and the object name of a control.
void SetControlId(QWidget* pWidget, int nId, const char* szObjectName);
// The id given by SetControlId, 0 for none.
int ControlId(const QWidget* pWidget);

}  // namespace halyard
