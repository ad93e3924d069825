#pragma once
// CTestProtocolPage: the "Test Protocol" page (page 4), an optional tab. The
// user picks a test time, a visibility, a fault, a contamination and a WMO
// weather code and puts the sensor into test mode with them, or ends test
// mode. The time and the visibility start from the profile ("Test Protocol"
// in the program's settings); the page reads them and never writes them.
// The choices and the commands are in TestModeCommands.h. UI thread only.

#include <QString>

#include "TestModeCommands.h"
#include "ui/CDocDialog.h"

class QComboBox;
class QPushButton;

namespace halyard {

class CTestProtocolPage : public CDocDialog {
    Q_OBJECT
public:
    explicit CTestProtocolPage(QWidget* pParent = nullptr);

    void OnInitDialog() override;
    // The page keeps nothing of the document's.
    void UpdateDataFromDoc() override {}

    void OnBnClickedStartTest();
    void OnBnClickedStopTest();

private:
    // A list with its label above it: caption, id, the object names of list
    // and label, left edge and width in dialog units, and whether the user
    // may type a value of their own.
    struct ColumnDef {
        const char* szCaption;
        int nId;
        const char* szComboName;
        const char* szLabelName;
        int x;
        int cx;
        bool bEditable;
    };
    QComboBox* AddColumn(const ColumnDef& def);
    QPushButton* AddButton(const char* szCaption, int nId, const char* szObjectName, int x);
    // false (and the user told) when the command cannot go out.
    bool SendToSensor(const QString& strCommand);
    // The fields as the controls show them now.
    TestModeFields ChosenFields() const;

    QComboBox* m_cbTime;
    QComboBox* m_cbVisibility;
    QComboBox* m_cbFault;
    QComboBox* m_cbContamination;
    QComboBox* m_cbWeatherCode;
};

}  // namespace halyard
