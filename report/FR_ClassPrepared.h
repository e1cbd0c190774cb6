#pragma once

#include "FR_Prntr.h"

#include "Exceptions.h"
#include "Streams.h"

#include <QPoint>
#include <QRect>

#include <memory>
#include <vector>

class ReportCanvas;
class TfrPage;
class TfrReport;
class TfrView;

// The margins of a prepared page's paper, in page pixels.
struct TfrMargins
{
    qint32 Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TfrMargins &) const = default;
};

// One prepared page: the paper it needs and the stream of the objects output on it, each in its prepared
// record. The page object is built from the stream only while the page is drawn, edited or hit-tested.
struct TfrPreparedPage
{
    TfrPreparedPage();
    ~TfrPreparedPage();

    QRect PreviewRect;
    int PaperSize = 0;
    int PaperWidth = 0, PaperHeight = 0;
    int Orientation = 0; // 0 portrait, 1 landscape
    int PaperBin = 0;
    // The objects stand at their page coordinates (true) or are stretched into the printable area.
    bool MarginsUsed = false;
    TfrMargins Margins;
    TPrinterGeometry PrnInfo;
    // On screen or being printed: the page object is kept only while this holds.
    bool Visible = false;
    // The version byte, then per object: type byte, the class name for add-ins, the prepared record.
    TMemoryStream Stream;
    std::unique_ptr<TfrPage> Page;
};

// A prepared-report file (or stream) that cannot be ours: compressed, cut short or inconsistent.
class EBadPreparedFile : public Exception
{
public:
    using Exception::Exception;
};

// Packs the object streams of prepared files. The engine's own packs nothing and is never enabled; a real one
// overrides both operations and sets Enabled.
class TfrCompressor
{
public:
    virtual ~TfrCompressor() = default;
    virtual void Compress(TStream &source, TStream &destination);
    virtual void DeCompress(TStream &source, TStream &destination);

    bool Enabled = false;
};

// The prepared pages of one report.
class TfrEMFPages
{
public:
    // The version byte of prepared object streams and files.
    static constexpr quint8 StreamVersionByte = 24;

    explicit TfrEMFPages(TfrReport *parent);
    ~TfrEMFPages();
    TfrEMFPages(const TfrEMFPages &) = delete;
    TfrEMFPages &operator=(const TfrEMFPages &) = delete;

    int GetCount() const { return int(m_pages.size()); }
    TfrPreparedPage *GetPage(int i) const { return m_pages.at(size_t(i)).get(); }
    TfrPreparedPage *operator[](int i) const { return GetPage(i); }
    void Clear();
    void Delete(int i);
    // A new page at i (appended when i is not below the count) with the paper of the template page and an
    // object stream holding only its version byte.
    void Insert(int i, TfrPage *page);
    void Add(TfrPage *page);

    // Appends one object in its prepared form to page i's stream (the way a build writes what it outputs).
    void AddObject(int i, TfrView *view);

    // Draws page i scaled into the rectangle. Objects whose enlarged rectangle misses visible (when it is not
    // null) are skipped; a page that is not Visible loses its page object and draws nothing.
    void Draw(int i, ReportCanvas &canvas, const QRect &rect, const QRect &visible = QRect());
    void ObjectsToPage(int i);
    void PageToObjects(int i);
    // Hands every object of page i to the running export without building the page object.
    void ExportPage(int i);
    // Hit-tests a point of page i (page pixels) and raises the report's click or mouse-over event; false
    // without a hit or without a handler.
    bool DoClick(int i, const QPoint &point, Qt::CursorShape &cursor, bool click);

    // A bad stream raises EBadPreparedFile and leaves the pages as they were. A null stream clears them.
    void LoadFromStream(TStream *stream);
    void SaveToStream(TStream &stream);

    TfrReport *Parent() const { return m_parent; }

private:
    TfrReport *m_parent;
    std::vector<std::unique_ptr<TfrPreparedPage>> m_pages;
};
