#pragma once

// What the band and page build write into: the prepared pages of the report receiving the output, and the
// progress of the build.

#include <QString>

#include <functional>
#include <memory>

class TStream;
class TfrPage;

// The object stream of the prepared page PageNo (the last one when PageNo lies beyond them).
TStream &PreparedPageStream();
// Appends a prepared page for a template page (raises OnBeginPage).
void AddPreparedPage(TfrPage *page);
int PreparedPageCount();
void ClearPreparedPages();
// The paper of prepared page i.
void PreparedPagePaper(int i, int &size, int &orientation);

// The progress of a build: a caption, the heading of the page counter line, the counter line, and a modal run
// of the build's job. This one runs the job directly.
class TfrProgress
{
public:
    virtual ~TfrProgress() = default;
    virtual void SetCaption(const QString &) {}
    virtual void SetLabel1(const QString &) {}
    virtual int RunModal(const std::function<void()> &job)
    {
        m_result = 1;
        job();
        return m_result;
    }
    virtual void SetModalResult(int result) { m_result = result; }
    virtual void ProcessMessages() {}

    QString CaptionPrefix;

protected:
    int m_result = 0;
};

TfrProgress &EngineProgress();
void SetEngineProgress(std::unique_ptr<TfrProgress> progress);

class TfrReport;
class QByteArray;
QByteArray PreparedPageBytes(const TfrReport *report, int i);
int PreparedPageCountOf(const TfrReport *report);
