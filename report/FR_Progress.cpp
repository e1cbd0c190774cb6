#include "FR_Progress.h"

#include "FR_Class.h"

int TfrProgress::RunModal(TfrReport &report)
{
    TfrReport *previous = std::exchange(m_report, &report);
    m_modalResult = 0;
    try {
        if (WorkProc)
            WorkProc();
    } catch (...) {
        m_report = previous;
        throw;
    }
    m_report = previous;
    return m_modalResult;
}

void TfrRecordingProgress::SetCaption(const QString &text)
{
    TfrProgress::SetCaption(text);
    Captions << text;
}

void TfrRecordingProgress::SetCaptionPrefix(const QString &text)
{
    TfrProgress::SetCaptionPrefix(text);
    Prefixes << text;
}

void TfrRecordingProgress::SetLabel1(const QString &text)
{
    TfrProgress::SetLabel1(text);
    Label1s << text;
}

void TfrRecordingProgress::SetLabel2(const QString &text)
{
    TfrProgress::SetLabel2(text);
    Label2s << text;
}

int TfrRecordingProgress::RunModal(TfrReport &report)
{
    ++Runs;
    return TfrProgress::RunModal(report);
}

void TfrRecordingProgress::ProcessMessages()
{
    if (CancelAfterLabels > 0 && Label1s.size() >= CancelAfterLabels && m_report)
        m_report->StopRequested = true;
}
