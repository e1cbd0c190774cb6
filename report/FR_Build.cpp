// The build driver: a whole report from its template, in one or two passes, once or once per record of its
// dataset, composite reports, progress and the report's events in their order.
#include "FR_BuildOutput.h"
#include "FR_Class.h"
#include "FR_ClassPrepared.h"
#include "FR_Progress.h"
#include "FR_DBSet.h"
#include "FR_DataDict.h"
#include "FR_Locale.h"
#include "ReportValues.h"

#include "Exceptions.h"
#include "Services.h"
#include "Streams.h"

#include <QCoreApplication>

namespace {

void showBuildError(const QString &text)
{
    Services::messages()->show({text, mtError, mbOK, mbOK, GetLocaleString(55206)});
}

QByteArray saveTemplate(TfrReport &report)
{
    TMemoryStream stream;
    report.SaveReportStream(stream);
    return stream.Bytes();
}

void loadTemplate(TfrReport &report, const QByteArray &bytes)
{
    TMemoryStream stream(bytes);
    report.LoadReportStream(stream);
}

QString currentExceptionMessage()
{
    try {
        throw;
    } catch (const std::exception &error) {
        const QString text = exceptionMessage(error);
        if (!text.isEmpty())
            return text;
    } catch (...) {
    }
    return GetLocaleString(55206);
}

TfrDataset *reportDataset(const TfrReport &report)
{
    return qobject_cast<TfrDataset *>(report.Dataset.data());
}

// Releases what every page of the report holds for a build (a build that failed part-way).
void finishAllPages(TfrReport &report)
{
    frEngine().FirstOfTwoPasses = false;
    for (int i = 0; i < report.Pages().GetCount(); ++i) {
        try {
            report.Pages().GetPage(i)->FinishBuild();
        } catch (const std::exception &) {
        }
    }
}

} // namespace

bool TfrReport::BuildReport()
{
    TfrGlobals &e = frEngine();
    SelectStoredPrinter(StoredPrinterName);
    e.DocumentMode = 1;
    TakeReportStartTime();
    e.CurrentReport = e.OutputReport = this;
    e.ActivePage = nullptr;
    e.CurrentBand = nullptr;
    auto *composite = qobject_cast<TfrCompositeReport *>(this);
    std::vector<TfrReport *> members;
    if (composite)
        for (const QPointer<TfrReport> &r : composite->Reports)
            if (r)
                members.push_back(r.data());
    // Scripts and the build change objects of the template: each template is kept as it was and put back. One
    // that cannot be kept is not built.
    QByteArray ownTemplate;
    std::vector<QByteArray> memberTemplates;
    try {
        ownTemplate = saveTemplate(*this);
        for (TfrReport *r : members) {
            e.CurrentReport = r;
            memberTemplates.push_back(saveTemplate(*r));
        }
    } catch (...) {
        e.CurrentReport = e.OutputReport = this;
        showBuildError(currentExceptionMessage());
        return false;
    }
    for (TfrReport *r : members) {
        for (int i = 0; i < r->Pages().GetCount(); ++i)
            KeepGeometryInRange(*r->Pages().GetPage(i));
        e.CurrentReport = r;
        r->Pages().PrepareAlignedViews();
    }
    e.CurrentReport = this;
    for (int i = 0; i < m_pages->GetCount(); ++i)
        KeepGeometryInRange(*m_pages->GetPage(i));
    m_pages->PrepareAlignedViews();
    e.CurrentReport = e.OutputReport = this;
    TwoPassRequested = TwoPass;
    if (!TwoPass)
        e.TotalPages = 0;
    InstallReportCallbacks(*this);
    e.ErrorFlag = false;
    e.ErrorMessage.clear();
    e.DialogCancelled = false;

    bool result = false;
    bool errorFlag = false;
    QString errorMessage, failure;
    try {
        for (TfrReport *r : members)
            if (r->OnBeginDoc)
                r->OnBeginDoc();
        if (OnBeginDoc)
            OnBeginDoc();
        result = RunBuild();
        if (OnEndDoc)
            OnEndDoc();
        errorFlag = e.ErrorFlag;
        errorMessage = e.ErrorMessage;
        for (TfrReport *r : members)
            if (r->OnEndDoc)
                r->OnEndDoc();
    } catch (...) {
        // Whatever failed, the build ends here: nothing of it leaves this call.
        failure = currentExceptionMessage();
        finishAllPages(*this);
        for (TfrReport *r : members)
            finishAllPages(*r);
    }
    TwoPass = TwoPassRequested;
    e.CurrentReport = e.OutputReport = this;
    for (size_t i = 0; i < memberTemplates.size(); ++i)
        loadTemplate(*members[i], memberTemplates[i]);
    e.CurrentReport = e.OutputReport = this;
    loadTemplate(*this, ownTemplate);
    e.CurrentReport = e.OutputReport = this;
    e.DocumentMode = 1;
    FinalPass = false;
    if (e.DialogCancelled)
        result = false;
    if (!failure.isEmpty()) {
        showBuildError(failure);
        ClearPreparedPages();
        result = false;
    } else if (errorFlag) {
        showBuildError(errorMessage);
        ClearPreparedPages();
        result = false;
    } else if (e.DialogCancelled) {
        ClearPreparedPages();
    }
    e.ErrorFlag = errorFlag;
    e.ErrorMessage = errorMessage;
    e.FirstOfTwoPasses = false;
    e.CurrentBand = nullptr;
    e.ActivePage = nullptr;
    return result;
}

bool TfrReport::RunBuild()
{
    TfrGlobals &e = frEngine();
    StopRequested = false;
    e.AppendPage = false;
    e.FirstOfTwoPasses = false;
    FinalPass = true;
    e.PageNo = 0;
    ClearPreparedPages();
    QString caption = GetLocaleString(55203);
    if (!Title.isEmpty())
        caption += QStringLiteral(" - ") + Title;
    TfrProgress &progress = e.Progress();
    const bool direct = bool(OnProgress) || !ShowProgress;
    if (TwoPass) {
        e.FirstOfTwoPasses = true;
        FinalPass = false;
        if (direct) {
            BuildJob();
            return true;
        }
        progress.SetCaption(caption);
        progress.SetCaptionPrefix(GetLocaleString(55204));
        progress.SetLabel1(progress.CaptionPrefix() + QStringLiteral("  1"));
        progress.WorkProc = [this] { BuildJob(); };
        return progress.RunModal(*this) != 2;
    }
    if (direct) {
        TwoPass = TwoPassRequested;
        BuildJob();
        return true;
    }
    progress.SetCaption(caption);
    progress.SetCaptionPrefix(GetLocaleString(55205));
    progress.SetLabel1(progress.CaptionPrefix() + QStringLiteral("  1"));
    if (TwoPassRequested) {
        // The final pass of two: the window of the first pass is still showing.
        TwoPass = true;
        BuildJob();
        return true;
    }
    e.TotalPages = 0;
    progress.WorkProc = [this] { BuildJob(); };
    return progress.RunModal(*this) != 2;
}

void TfrReport::BuildJob()
{
    TfrGlobals &e = frEngine();
    BuildPages();
    if (FinalPass) {
        e.Progress().SetModalResult(StopRequested ? 2 : 1);
        return;
    }
    e.TotalPages = PreparedPageCount();
    TwoPass = false;
    if (StopRequested) {
        ClearPreparedPages();
        e.Progress().SetModalResult(2);
    } else {
        RunBuild();
    }
    TwoPass = true;
}

void TfrReport::BuildPages()
{
    TfrGlobals &e = frEngine();
    BuiltFromTemplate = true;
    e.DocumentMode = 1;
    e.CurrentReport = this;
    TfrReport *out = e.OutputReport ? e.OutputReport : this;
    m_dictionary->ClearCache();
    InstallReportCallbacks(*this);
    e.ErrorFlag = false;
    TfrDataset *dataset = ReportType == rtMultiple ? reportDataset(*this) : nullptr;
    if (dataset) {
        dataset->OpenRange();
        dataset->MoveFirst();
    }
    if (!TwoPass || !FinalPass) {
        e.NotificationList.clear();
        e.DialogCancelled = false;
    }
    const int count = m_pages->GetCount();
    for (int i = 0; i < count && !e.DialogCancelled; ++i)
        if (m_pages->GetPage(i)->Type == 1)
            m_pages->GetPage(i)->PrepareBuild();
    if (!e.DialogCancelled) {
        for (int i = 0; i < count; ++i)
            if (m_pages->GetPage(i)->Type == 0)
                m_pages->GetPage(i)->PrepareBuild();
        for (int i = 0; i < count; ++i)
            if (m_pages->GetPage(i)->Type == 0)
                m_pages->GetPage(i)->PrepareTotals();
        do {
            DoProgress(e.PageNo + 1);
            for (int j = 0; j < count; ++j) {
                TfrPage *page = m_pages->GetPage(j);
                CurrentBuildPage = page;
                e.ActivePage = page;
                page->PageNumber = j + 1;
                if (!page->Visible)
                    RunPageScript(page, page->Script);
                if (!page->IsSubreportPage && page->Type == 0 && page->Visible) {
                    page->Recording = 0;
                    page->BuildPage();
                    e.AppendPage = false;
                    const bool last = j == count - 1;
                    if ((last && e.AppendNextReport && (!dataset || dataset->AtEnd()))
                        || (!last && m_pages->GetPage(j + 1)->PrintToPrevPage)) {
                        e.AppendPage = true;
                        --e.PageNo;
                    }
                    if (!e.AppendPage) {
                        e.PageNo = PreparedPageCount();
                        DoProgress(e.PageNo);
                    }
                }
                if (out->StopRequested)
                    break;
            }
            DoProgress(e.PageNo);
            if (dataset)
                dataset->MoveNext();
        } while (!out->StopRequested && dataset && !dataset->AtEnd());
    }
    for (int i = 0; i < count; ++i)
        if (m_pages->GetPage(i)->Type == 0)
            m_pages->GetPage(i)->FinishBuild();
    for (int i = 0; i < count; ++i)
        if (m_pages->GetPage(i)->Type == 1)
            m_pages->GetPage(i)->FinishBuild();
    CurrentBuildPage = nullptr;
    if (dataset)
        dataset->CloseRange();
}

void TfrCompositeReport::BuildPages()
{
    TfrGlobals &e = frEngine();
    BuiltFromTemplate = true;
    e.PageNo = 0;
    TfrDataset *dataset = reportDataset(*this);
    if (dataset) {
        dataset->OpenRange();
        dataset->MoveFirst();
    }
    std::vector<TfrReport *> members;
    for (const QPointer<TfrReport> &r : Reports)
        if (r)
            members.push_back(r.data());
    do {
        for (size_t i = 0; i < members.size(); ++i) {
            TfrReport *member = members[i];
            QByteArray saved;
            if (dataset)
                saved = saveTemplate(*member);
            e.AppendNextReport = false;
            if (i + 1 < members.size() && members[i + 1]->Pages().GetCount() > 0
                && members[i + 1]->Pages().GetPage(0)->PrintToPrevPage) {
                const TfrPage *next = members[i + 1]->Pages().GetPage(0);
                int size = 0, orientation = 0;
                if (PreparedPageCount() == 0 && member->Pages().GetCount() > 0) {
                    const TfrPage *last = member->Pages().GetPage(member->Pages().GetCount() - 1);
                    size = last->PaperSize;
                    orientation = last->Orientation;
                } else {
                    PreparedPagePaper(PreparedPageCount() - 1, size, orientation);
                }
                e.AppendNextReport = size == next->PaperSize && orientation == next->Orientation;
            }
            // The member builds with the composite's passes and stop flag.
            member->TwoPass = TwoPass;
            member->FinalPass = FinalPass;
            member->StopRequested = false;
            member->BuildPages();
            member->TwoPass = member->TwoPassRequested;
            member->FinalPass = false;
            e.CurrentReport = this;
            if (dataset)
                loadTemplate(*member, saved);
            e.CurrentReport = this;
            e.AppendPage = e.AppendNextReport;
            e.AppendNextReport = false;
            if (StopRequested || member->StopRequested) {
                StopRequested = true;
                break;
            }
        }
        if (dataset)
            dataset->MoveNext();
    } while (!StopRequested && dataset && !dataset->AtEnd());
    if (dataset)
        dataset->CloseRange();
}

void TfrReport::DoProgress(int n)
{
    TfrGlobals &e = frEngine();
    if (OnProgress) {
        OnProgress(n);
        return;
    }
    if (!ShowProgress)
        return;
    TfrProgress &progress = e.Progress();
    QString text = progress.CaptionPrefix() + QStringLiteral("  ") + QString::number(n);
    const TfrReport *out = e.OutputReport ? e.OutputReport : this;
    if (out->TwoPass && out->FinalPass)
        text += u' ' + GetLocaleString(55199) + u' ' + QString::number(e.TotalPages);
    progress.SetLabel1(text);
    progress.ProcessMessages();
}

void TfrReport::DoBeginColumn(TfrBand *band)
{
    if (OnBeginColumn)
        OnBeginColumn(band);
}

void TfrReport::DoPrintColumn(int colNo, int &width)
{
    if (OnPrintColumn)
        OnPrintColumn(colNo, width);
}
