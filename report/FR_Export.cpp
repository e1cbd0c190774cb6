#include "FR_Export.h"

#include "FR_Class.h"
#include "FR_ClassPrepared.h"
#include "FR_Globals.h"
#include "FR_Locale.h"
#include "FR_Progress.h"

#include "Guard.h"
#include "Services.h"
#include "Streams.h"

#include <QSaveFile>

#include <algorithm>

TfrExportFilter::TfrExportFilter(QObject *owner)
    : QObject(owner)
{
}

TfrExportFilter::~TfrExportFilter()
{
    UnregisterExportFilter(this);
}

void TfrExportFilter::ClearLines()
{
    Lines.clear();
}

void TfrExportFilter::OnData(int, int, TfrView *) {}

void TfrExportFilter::OnText(const QRect &, int, int, const QString &, int, TfrView *) {}

void TfrExportFilter::Write(const QByteArray &bytes)
{
    if (Stream)
        Stream->WriteBuffer(bytes.constData(), bytes.size());
}

bool TfrPageList::Holds(int page) const
{
    return All || std::find(Pages.begin(), Pages.end(), page) != Pages.end();
}

TfrPageList ParsePageList(const QString &text, int pageCount)
{
    TfrPageList list;
    QString s;
    for (QChar c : text)
        if (!c.isSpace())
            s += c;
    if (s.isEmpty())
        return list;
    list.All = false;
    if (s.endsWith(u'-'))
        s += QString::number(pageCount);
    s += u',';
    auto number = [&text](const QString &part) {
        bool ok = false;
        const int n = part.toInt(&ok);
        if (!ok)
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value in the page list '%2'").arg(part, text));
        return n;
    };
    auto add = [&list, pageCount](int n) {
        if (n >= 1 && n <= pageCount && !list.Holds(n))
            list.Pages.push_back(n);
    };
    QString part;
    bool ranged = false;
    int start = 0;
    for (QChar c : std::as_const(s)) {
        if (c == u'-') {
            start = number(part);
            ranged = true;
            part.clear();
        } else if (c == u',') {
            const int n = number(part);
            if (!ranged)
                add(n);
            else
                for (int i = std::max(start, 1); i <= std::min(n, pageCount); ++i)
                    add(i);
            ranged = false;
            part.clear();
        } else {
            part += c;
        }
    }
    return list;
}

// ---- the export run

namespace {

// The export's output: a temporary file beside the target that replaces it only when the whole export went well.
class ExportFileStream : public TStream
{
public:
    explicit ExportFileStream(const QString &fileName) : m_file(fileName) {}

    bool Open() { return m_file.open(QIODevice::WriteOnly); }
    QString ErrorString() const { return m_file.errorString(); }
    bool Commit() { return m_file.commit(); }
    void Cancel() { m_file.cancelWriting(); }

    qint64 Read(void *, qint64) override { return 0; }
    qint64 Write(const void *buffer, qint64 count) override
    {
        const qint64 n = m_file.write(static_cast<const char *>(buffer), count);
        if (n != count)
            throw EWriteError(m_file.errorString());
        return n;
    }
    qint64 Seek(qint64 offset, TSeekOrigin origin) override
    {
        const qint64 base = origin == soBeginning ? 0 : origin == soCurrent ? m_file.pos() : m_file.size();
        m_file.seek(base + offset);
        return m_file.pos();
    }
    qint64 Size() const override { return m_file.size(); }
    void SetSize(qint64) override {}

private:
    QSaveFile m_file;
};

QString exportFailure(const QString &fileName, const QString &reason)
{
    QString text = QStringLiteral("Не удалось записать файл ") + fileName;
    if (!reason.isEmpty())
        text += QStringLiteral(": ") + reason;
    return text;
}

} // namespace

bool TfrReport::ExportTo(TfrExportFilter *filter, const QString &fileName)
{
    if (!filter)
        return false;
    TfrGlobals &e = frEngine();
    e.DocumentMode = 1;
    filter->FileName = fileName;
    PreviewPagesLent lent(*this);
    bool goOn = true;
    if (filter->OnBeforeExport && !guard([&] { filter->OnBeforeExport(filter->FileName, goOn); }))
        goOn = false;
    if (!goOn || filter->ShowModal() != 1)
        return false;

    const QString target = filter->FileName;
    ExportFileStream file(target);
    if (!file.Open()) {
        Services::messages()->error(exportFailure(target, file.ErrorString()));
        return false;
    }
    filter->Stream = &file;
    e.CurrentReport = e.OutputReport = this;
    e.TotalPages = m_emfPages->GetCount();
    StopRequested = false;
    ExportDataHook = [filter](int x, int y, TfrView *view) { filter->OnData(x, y, view); };
    ExportTextHook = [filter](const QRect &r, int x, int y, const QString &text, int frame, TfrView *view) {
        filter->OnText(r, x, y, text, frame, view);
    };
    TfrProgress &progress = e.Progress();
    const bool direct = bool(OnProgress) || !ShowProgress;
    auto job = [&] {
        const int total = m_emfPages->GetCount();
        progress.ProcessMessages();
        for (int i = 0; i < total && !StopRequested; ++i) {
            filter->OnBeginPage();
            m_emfPages->ExportPage(i);
            if (direct) {
                DoProgress(i + 1);
            } else {
                progress.SetLabel1(progress.CaptionPrefix() + QStringLiteral("  ") + QString::number(i + 1) + u' '
                                   + GetLocaleString(55199) + u' ' + QString::number(total));
                progress.ProcessMessages();
            }
            filter->OnEndPage();
        }
        if (!StopRequested)
            filter->OnEndDoc();
        progress.SetModalResult(StopRequested ? 2 : 1);
    };
    QString failure;
    try {
        filter->OnBeginDoc();
        if (direct) {
            job();
        } else {
            QString caption = GetLocaleString(55203);
            if (!Title.isEmpty())
                caption += QStringLiteral(" - ") + Title;
            progress.SetCaption(caption);
            progress.SetCaptionPrefix(GetLocaleString(55205));
            progress.SetLabel1(progress.CaptionPrefix() + QStringLiteral("  1"));
            progress.WorkProc = job;
            progress.RunModal(*this);
            progress.WorkProc = nullptr;
        }
    } catch (const std::exception &ex) {
        failure = QString::fromUtf8(ex.what());
        if (failure.isEmpty())
            failure = QStringLiteral("?");
        StopRequested = true;
    }
    progress.WorkProc = nullptr;
    filter->Stream = nullptr;
    ExportDataHook = nullptr;
    ExportTextHook = nullptr;
    filter->ClearLines();
    if (StopRequested) {
        file.Cancel();
        if (!failure.isEmpty())
            Services::messages()->error(exportFailure(target, failure));
        return false;
    }
    if (!file.Commit()) {
        Services::messages()->error(exportFailure(target, file.ErrorString()));
        return false;
    }
    if (filter->OnAfterExport)
        guard([&] { filter->OnAfterExport(filter->FileName); });
    return true;
}
