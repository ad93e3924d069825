#include "UiPrompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

#include <deque>

#include "document/IDocHost.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

namespace halyard {
namespace {

struct PromptState {
    bool bTestMode = false;
    std::deque<int> answers;
    std::deque<std::optional<QString>> files;
    QStringList shown;
    QString strLastFilter;
    QString strLastInitialName;
};

PromptState& State()
{
    static PromptState state;
    return state;
}

QMessageBox::Icon IconFor(unsigned nType)
{
    switch (nType & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

}  // namespace

int CUiPrompts::MessageBox(QWidget* pParent, const QString& strText, unsigned nType)
{
    auto& state = State();
    state.shown.append(strText);
    const bool bYesNo = (nType & 0x0F) == MB_YESNO;
    if (!state.answers.empty()) {
        const int nAnswer = state.answers.front();
        state.answers.pop_front();
        return nAnswer;
    }
    if (state.bTestMode)
        return bYesNo ? IDNO : IDOK;

    QMessageBox box(IconFor(nType), LoadString(IDS_APP_TITLE), strText,
                    bYesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, pParent);
    const int nButton = box.exec();
    if (!bYesNo)
        return IDOK;
    return nButton == QMessageBox::Yes ? IDYES : IDNO;
}

CUiPrompts::FileAnswer CUiPrompts::NextFile()
{
    auto& state = State();
    FileAnswer answer;
    if (!state.files.empty()) {
        answer.bAnswered = true;
        answer.bChosen = state.files.front().has_value();
        answer.strPath = state.files.front().value_or(QString());
        state.files.pop_front();
    } else if (state.bTestMode) {
        answer.bAnswered = true;
    }
    return answer;
}

CUiPrompts::FileAnswer CUiPrompts::RunFileDialog(QWidget* pParent, const QString& strFilter,
                                                 const QString& strDefExt, const QString& strInitialName,
                                                 bool bSave)
{
    const QString strShownFilter = FilterWithBothCases(strFilter);
    State().strLastFilter = strShownFilter;
    State().strLastInitialName = strInitialName;
    FileAnswer answer = NextFile();
    if (answer.bAnswered)
        return answer;
    QFileDialog dialog(pParent, QString(), QString(), strShownFilter);
    dialog.setAcceptMode(bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(bSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!strDefExt.isEmpty())
        dialog.setDefaultSuffix(strDefExt);
    if (!strInitialName.isEmpty())
        dialog.selectFile(strInitialName);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        answer.bChosen = true;
        answer.strPath = dialog.selectedFiles().front();
    }
    return answer;
}

std::optional<QString> CUiPrompts::GetSaveFileName(QWidget* pParent, const QString& strFilter,
                                                   const QString& strDefExt, const QString& strInitialName)
{
    const FileAnswer answer = RunFileDialog(pParent, strFilter, strDefExt, strInitialName, true);
    if (!answer.bChosen)
        return std::nullopt;
    return WithDefaultExtension(answer.strPath, strDefExt);
}

std::optional<QString> CUiPrompts::GetOpenFileName(QWidget* pParent, const QString& strFilter,
                                                   const QString& strDefExt)
{
    const FileAnswer answer = RunFileDialog(pParent, strFilter, strDefExt, QString(), false);
    if (!answer.bChosen)
        return std::nullopt;
    return answer.strPath;
}

void CUiPrompts::SetTestMode(bool bOn)
{
    State().bTestMode = bOn;
}
void CUiPrompts::SetNextAnswer(int nAnswer)
{
    State().answers.push_back(nAnswer);
}
void CUiPrompts::SetNextFileName(const QString& strPath)
{
    State().files.emplace_back(strPath);
}
void CUiPrompts::SetNextCancel()
{
    State().files.emplace_back(std::nullopt);
}
QStringList CUiPrompts::MessagesShown()
{
    return State().shown;
}

QString CUiPrompts::LastFileFilter()
{
    return State().strLastFilter;
}

QString CUiPrompts::LastInitialName()
{
    return State().strLastInitialName;
}

void CUiPrompts::Reset()
{
    auto& state = State();
    state.answers.clear();
    state.files.clear();
    state.shown.clear();
    state.strLastFilter.clear();
    state.strLastInitialName.clear();
}

QString FilterWithBothCases(const QString& strFilter)
{
    static const QRegularExpression patterns(QStringLiteral("\\(([^()]*)\\)"));
    QString strResult;
    qsizetype nDone = 0;
    for (const QRegularExpressionMatch& match : patterns.globalMatch(strFilter)) {
        QStringList list = match.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString& strPattern : QStringList(list)) {
            for (const QString& strOther : {strPattern.toUpper(), strPattern.toLower()})
                if (strPattern.startsWith(QLatin1String("*.")) && !list.contains(strOther))
                    list.append(strOther);
        }
        strResult += strFilter.mid(nDone, match.capturedStart(1) - nDone) + list.join(QLatin1Char(' '));
        nDone = match.capturedEnd(1);
    }
    return strResult + strFilter.mid(nDone);
}

QString WithDefaultExtension(const QString& strPath, const QString& strDefExt)
{
    if (strDefExt.isEmpty() || !QFileInfo(strPath).suffix().isEmpty())
        return strPath;
    return strPath + QLatin1Char('.') + strDefExt;
}

}  // namespace halyard
