// CHalyardView, continued: the progress of long sequences and the view's
// window timers 2 to 8, whose schedule is CTimerSchedule's.
#include "CHalyardView.h"

#include <cerrno>

#include "CDynamicTabCtrl.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"
#include "document/CHalyardDoc.h"
#include "document/Sequences.h"
#include "platform/SysError.h"

namespace halyard {

// ---------------------------------------------------------------------------
// Progress of long sequences

intptr_t CHalyardView::OnInitStart(uintptr_t wParam, intptr_t)
{
    OnSequenceProgress(*SequenceProgressFor(WM_INIT_START), wParam);
    return 0;
}

intptr_t CHalyardView::OnStartSeq(uintptr_t wParam, intptr_t)
{
    OnSequenceProgress(*SequenceProgressFor(WM_START_SEQ), wParam);
    return 0;
}

intptr_t CHalyardView::OnALSDump(uintptr_t wParam, intptr_t)
{
    OnSequenceProgress(*SequenceProgressFor(WM_ALS_DUMP), wParam);
    return 0;
}

intptr_t CHalyardView::OnParamLoad(uintptr_t wParam, intptr_t)
{
    OnSequenceProgress(*SequenceProgressFor(WM_PARAM_LOAD), wParam);
    return 0;
}

void CHalyardView::OnSequenceProgress(const SequenceProgress& seq, uintptr_t wParam)
{
    if (wParam == SEQUENCE_STARTED) {
        if (m_pDiagDlg == nullptr) {
            m_pDiagDlg = new CDiagDialog(this, this);  // deletes itself when it closes
            m_pDiagDlg->Create();
        } else {
            m_pDiagDlg->raise();
            m_pDiagDlg->activateWindow();
        }
        m_pDiagDlg->setWindowTitle(QString::fromLatin1(seq.szTitle));
        m_pDiagDlg->SetProgressLimit(seq.nLimit);
        m_pDiagDlg->SetDialogMessage(QString::fromLatin1(seq.szStart));
        UpdateDataList(QString::fromLatin1(seq.szStart));
        CheckTimerStarted(m_schedule.OnSequenceProgress(wParam));
        return;
    }
    if (m_pDiagDlg != nullptr)
        m_pDiagDlg->Finished();  // clears m_pDiagDlg through DiagDlgDone
    // The end, and why it ended when it did not simply finish; a file error
    // names the file.
    const SequenceOutcome outcome = m_pDoc != nullptr ? m_pDoc->GetSeqOutcome() : SequenceOutcome{};
    for (const std::string& strLine : SequenceEndLines(seq, wParam, outcome))
        UpdateDataList(FromFileSystemPath(strLine));
    m_schedule.OnSequenceProgress(wParam);
    if (seq.bDeleteTempFile)
        m_tabCtrl->DeleteTempFile(CurrentPage(), wParam == SEQUENCE_FAILED,
                                  m_pDoc != nullptr ? m_pDoc->GetSeqOutcome().nEnd : SEQ_DONE);
}

void CHalyardView::DiagDlgDone()
{
    m_pDiagDlg = nullptr;
}

void CHalyardView::DiagDlgCancel()
{
    if (m_pDoc != nullptr)
        m_pDoc->CancelSequence();
}

// ---------------------------------------------------------------------------
// Timers

void CHalyardView::CheckTimerStarted(bool bStarted)
{
    if (!bStarted)
        CUiPrompts::MessageBox(this, FromDocText(SystemErrorText(EINVAL)), MB_OK | MB_ICONERROR);
}

void CHalyardView::OnTimer(uint32_t nIDEvent)
{
    m_schedule.OnTimer(nIDEvent);
}

void CHalyardView::OnTimerExpired(uint32_t nIDEvent)
{
    if (nIDEvent == TIMER_SEQUENCE && m_pDiagDlg != nullptr)
        m_pDiagDlg->UpdateProgress();
    if (m_pDoc != nullptr)
        m_pDoc->OnTimer(nIDEvent);
}

}  // namespace halyard
