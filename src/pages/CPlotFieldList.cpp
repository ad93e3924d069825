#include "CPlotFieldList.h"

#include <QHeaderView>
#include <QScopedValueRollback>
#include <QSettings>

#include "document/IDocHost.h"
#include "ui/ProgramSettings.h"
#include "ui/UiPrompts.h"

namespace halyard {
namespace {

QString NameKey(int nField)
{
    return QStringLiteral("Field %1 Name").arg(nField);
}

QString UnitKey(int nField)
{
    return QStringLiteral("Field %1 Unit").arg(nField);
}

QTableWidgetItem* ReadOnlyItem(const QString& strText)
{
    auto* pItem = new QTableWidgetItem(strText);
    pItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return pItem;
}

}  // namespace

CPlotFieldList::CPlotFieldList(QWidget* pParent)
    : QTableWidget(0, COL_COUNT, pParent)
{
    setHorizontalHeaderLabels({QStringLiteral("Field"), QStringLiteral("Value"), QStringLiteral("Name"),
                               QStringLiteral("Unit")});
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setStretchLastSection(true);
    // Room for the check box and a number, a value as the sensor writes one, a short name.
    const QFontMetrics metrics = fontMetrics();
    setColumnWidth(COL_FIELD, metrics.horizontalAdvance(QStringLiteral("Field")) + 4 * metrics.averageCharWidth());
    const int nPadding = 2 * metrics.averageCharWidth();
    setColumnWidth(COL_VALUE, metrics.horizontalAdvance(QStringLiteral("-00000.0")) + nPadding);
    setColumnWidth(COL_NAME, metrics.horizontalAdvance(QStringLiteral("Visibility")) + nPadding);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    connect(this, &QTableWidget::itemChanged, this, &CPlotFieldList::OnItemChanged);
    LoadNames();
}

void CPlotFieldList::SetModel(const QString& strModel)
{
    if (strModel == m_strModel)
        return;
    m_strModel = strModel;
    LoadNames();
    // The rows show the new model's names.
    const std::vector<int> rowFields = m_rowFields;
    m_rowFields.clear();
    std::vector<DataField> fields;
    for (int nRow = 0; nRow < rowCount(); ++nRow)
        fields.push_back({rowFields[static_cast<size_t>(nRow)], 0, item(nRow, COL_VALUE)->text().toStdString()});
    ShowFields(fields);
}

void CPlotFieldList::ShowFields(const std::vector<DataField>& fields)
{
    const QScopedValueRollback<bool> filling(m_bFilling, true);
    std::vector<int> numbers;
    for (const DataField& field : fields)
        numbers.push_back(field.nField);
    if (numbers != m_rowFields) {
        m_rowFields = numbers;
        setRowCount(static_cast<int>(fields.size()));
        for (int nRow = 0; nRow < rowCount(); ++nRow) {
            const int nField = m_rowFields[static_cast<size_t>(nRow)];
            auto* pNumber = ReadOnlyItem(QString::number(nField));
            pNumber->setFlags(pNumber->flags() | Qt::ItemIsUserCheckable);
            pNumber->setCheckState(m_checked.count(nField) != 0 ? Qt::Checked : Qt::Unchecked);
            setItem(nRow, COL_FIELD, pNumber);
            setItem(nRow, COL_VALUE, ReadOnlyItem(QString()));
            const Naming& naming = m_names[nField];
            setItem(nRow, COL_NAME, new QTableWidgetItem(naming.strName));
            setItem(nRow, COL_UNIT, new QTableWidgetItem(naming.strUnit));
        }
    }
    for (int nRow = 0; nRow < rowCount(); ++nRow)
        item(nRow, COL_VALUE)->setText(QString::fromStdString(fields[static_cast<size_t>(nRow)].strText));
}

QString CPlotFieldList::Label(int nField) const
{
    const auto it = m_names.find(nField);
    QString strLabel = it == m_names.end() || it->second.strName.isEmpty() ? QStringLiteral("field %1").arg(nField)
                                                                           : it->second.strName;
    const QString strUnit = Unit(nField);
    if (!strUnit.isEmpty())
        strLabel += QStringLiteral(" (%1)").arg(strUnit);
    return strLabel;
}

QString CPlotFieldList::Unit(int nField) const
{
    const auto it = m_names.find(nField);
    return it == m_names.end() ? QString() : it->second.strUnit;
}

void CPlotFieldList::OnItemChanged(QTableWidgetItem* pItem)
{
    if (m_bFilling || pItem->row() >= static_cast<int>(m_rowFields.size()))
        return;
    const int nField = m_rowFields[static_cast<size_t>(pItem->row())];
    if (pItem->column() == COL_FIELD) {
        const bool bChecked = pItem->checkState() == Qt::Checked;
        if (bChecked == (m_checked.count(nField) != 0))
            return;
        if (bChecked)
            m_checked.insert(nField);
        else
            m_checked.erase(nField);
    } else if (pItem->column() == COL_NAME || pItem->column() == COL_UNIT) {
        Naming& naming = m_names[nField];
        (pItem->column() == COL_NAME ? naming.strName : naming.strUnit) = pItem->text().trimmed();
        SaveNames();
    } else {
        return;
    }
    emit fieldsChanged();
}

QString CPlotFieldList::Group() const
{
    return m_strModel.isEmpty() ? QStringLiteral("Data Plot") : QStringLiteral("Data Plot ") + m_strModel;
}

void CPlotFieldList::LoadNames()
{
    m_names.clear();
    QSettings settings = ProgramSettings();
    settings.beginGroup(Group());
    for (const QString& strKey : settings.childKeys()) {
        const QStringList parts = strKey.split(QLatin1Char(' '));
        bool bNumber = false;
        const int nField = parts.size() == 3 ? parts[1].toInt(&bNumber) : 0;
        if (!bNumber || parts[0] != QLatin1String("Field"))
            continue;
        if (parts[2] == QLatin1String("Name"))
            m_names[nField].strName = settings.value(strKey).toString();
        else if (parts[2] == QLatin1String("Unit"))
            m_names[nField].strUnit = settings.value(strKey).toString();
    }
}

void CPlotFieldList::SaveNames()
{
    QSettings settings = ProgramSettings();
    settings.beginGroup(Group());
    settings.remove(QString());
    for (const auto& [nField, naming] : m_names) {
        if (!naming.strName.isEmpty())
            settings.setValue(NameKey(nField), naming.strName);
        if (!naming.strUnit.isEmpty())
            settings.setValue(UnitKey(nField), naming.strUnit);
    }
    settings.sync();
    if (settings.status() != QSettings::NoError)
        CUiPrompts::MessageBox(this,
                               QStringLiteral("The field names could not be written to %1.").arg(settings.fileName()),
                               MB_OK | MB_ICONWARNING);
}

}  // namespace halyard
