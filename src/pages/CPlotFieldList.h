#pragma once
// CPlotFieldList: the data plot's list of the fields of the last data message,
// one row a field: its number with a check box that puts it on the plot, its
// last value, and a name and a unit the user may edit. Names and units are
// kept per sensor model in the program's settings (group "Data Plot <model>",
// keys "Field <n> Name" and "Field <n> Unit"), written when edited. Check
// marks stay with a field number while its row comes and goes. UI thread only.

#include <QTableWidget>

#include <map>
#include <set>
#include <vector>

#include "document/DataFields.h"

namespace halyard {

class CPlotFieldList : public QTableWidget {
    Q_OBJECT
public:
    enum Column { COL_FIELD, COL_VALUE, COL_NAME, COL_UNIT, COL_COUNT };

    explicit CPlotFieldList(QWidget* pParent = nullptr);

    // The sensor model whose names and units are shown and kept ("" for none).
    void SetModel(const QString& strModel);
    // Shows the fields; the rows are rebuilt only when the field numbers change.
    void ShowFields(const std::vector<DataField>& fields);
    std::vector<int> CheckedFields() const { return {m_checked.begin(), m_checked.end()}; }
    // The field as the legend and the value label name it: "field 3", or its
    // name with the unit in brackets.
    QString Label(int nField) const;
    QString Unit(int nField) const;

signals:
    // A check mark, a name or a unit changed.
    void fieldsChanged();

private:
    struct Naming {
        QString strName;
        QString strUnit;
    };
    void OnItemChanged(QTableWidgetItem* pItem);
    void LoadNames();
    void SaveNames();
    QString Group() const;

    QString m_strModel;
    std::vector<int> m_rowFields;  // the field number of each row
    std::set<int> m_checked;
    std::map<int, Naming> m_names;
    bool m_bFilling = false;
};

}  // namespace halyard
