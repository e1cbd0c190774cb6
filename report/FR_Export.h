#pragma once

#include "Exceptions.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

class TStream;
class TfrReport;
class TfrView;

// One text line handed to an export: where it starts, what it says, the look of its object.
struct TfrTextRec
{
    int X = 0;
    QString Text;
    QString FontName;
    int FontSize = 0;
    int FontStyle = 0; // 1 italic, 2 bold, 4 underline, 8 strike-out
    int FontColor = 0;
    int FontCharset = 0;
    int FillColor = 0;
    QRect DrawRect;
    int FrameTyp = 0; // 1 right, 2 bottom, 4 left, 8 top
    int Alignment = 0;
};

// The base of the export filters: the report's export run hands it the prepared pages object by object, it
// writes the file. One filter of each class is offered by the preview's save dialog (the first made registers
// itself; a filter leaves the registry when it is destroyed).
class TfrExportFilter : public QObject
{
    Q_OBJECT
public:
    explicit TfrExportFilter(QObject *owner = nullptr);
    ~TfrExportFilter() override;

    QString ClassName() const { return QString::fromLatin1(metaObject()->className()); }

    // The options dialog comes before the export.
    bool ShowDialog = true;
    // The filter the save dialog offers first.
    bool Default = false;
    // Before the file is made: may change the name or stop the export.
    std::function<void(QString &fileName, bool &bContinue)> OnBeforeExport;
    // After the file was written and put in place.
    std::function<void(const QString &fileName)> OnAfterExport;

    // The target of the run, and the open output while it runs (owned by the run).
    QString FileName;
    TStream *Stream = nullptr;
    // Per grid line of the page in hand, its text records in ascending X; the grid grows as lines are used.
    std::vector<std::vector<TfrTextRec>> Lines;

    virtual void ClearLines();
    // 1 (OK) goes on with the export; anything else stops it.
    virtual int ShowModal() { return 1; }
    virtual void OnBeginDoc() {}
    virtual void OnEndDoc() {}
    virtual void OnBeginPage() {}
    virtual void OnEndPage() {}
    virtual void OnData(int x, int y, TfrView *view);
    virtual void OnText(const QRect &drawRect, int x, int y, const QString &text, int frameTyp, TfrView *view);

protected:
    // Bytes to the output; a device that refuses them raises EWriteError.
    void Write(const QByteArray &bytes);
};

// The pages (from 1) a page list names: "1,3-5", "7-" (to the last page), blanks ignored; an empty text names
// every page. Numbers outside 1 ... pageCount are left out, so a list naming no existing page prints nothing.
struct TfrPageList
{
    bool All = true;
    std::vector<int> Pages;
    bool Holds(int page) const;
};

// A text that is no list raises EConvertError.
TfrPageList ParsePageList(const QString &text, int pageCount);

// While a report prints or exports, a preview panel that holds its prepared pages lends them back.
class PreviewPagesLent
{
public:
    explicit PreviewPagesLent(TfrReport &report);
    ~PreviewPagesLent();
    PreviewPagesLent(const PreviewPagesLent &) = delete;
    PreviewPagesLent &operator=(const PreviewPagesLent &) = delete;

private:
    TfrReport &m_report;
    QObject *m_preview = nullptr;
};
