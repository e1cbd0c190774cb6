#pragma once

// Getting a grid's rows out and back: tab-separated text, CSV, RTF tables and the binary interchange format
// "VCLDBIF", written to a stream, a file or the clipboard from the grid's selection (or everything), and text or
// VCLDBIF read back into the grid's dataset. Files are written whole to a temporary file that replaces the
// target only when complete. The source is split: DBGridEhImpExp.cpp (exporters), DBGridEhImport.cpp (importers,
// clipboard, clearing).

#include "DBGridEh.h"
#include "Streams.h"

#include <QVariant>

#include <memory>
#include <vector>

// The grid's visible columns from index from to index to (-1: the last), in column order.
TColumnsEhList GridVisibleColumnsEh(TCustomDBGridEh *grid, int from = 0, int to = -1);
// The visible columns of the grid's rectangle selection.
TColumnsEhList GridRectangleColumnsEh(TCustomDBGridEh *grid);
// Makes each record of the rectangle current in turn, from its first to its last (or the dataset's end), while
// visit answers true.
void ForEachRectangleRecordEh(TDataSet *ds, const TDBGridEhSelectionRect &rect, const std::function<bool()> &visit);

// ---- Exporters -----------------------------------------------------------------------------------------------

class TDBGridEhExport
{
public:
    TDBGridEhExport() = default;
    virtual ~TDBGridEhExport() = default;
    TDBGridEhExport(const TDBGridEhExport &) = delete;
    TDBGridEhExport &operator=(const TDBGridEhExport &) = delete;

    TCustomDBGridEh *DBGridEh = nullptr;
    // Texts are written in CP1251, or as UTF-8 where Unicode is wanted (the clipboard's text).
    bool Utf8 = false;

    virtual void ExportData(TStream &stream, bool exportAll);
    virtual void ExportDataToFile(const QString &fileName, bool exportAll);

    const TColumnsEhList &ExpCols() const { return m_expCols; }
    // The export totals, ten-thousandths, one per footer row and exported column (row-major).
    const std::vector<qint64> &FooterValues() const { return m_footerValues; }

protected:
    virtual void BeginOutput() { }
    virtual void EndOutput() { }
    virtual void OutputTitle(const TColumnsEhList &columns) { Q_UNUSED(columns); }
    virtual void OutputRecord(const TColumnsEhList &columns);
    virtual void OutputDataCell(TColumnEh *column, const TColCellParamsEh &params)
    {
        Q_UNUSED(column);
        Q_UNUSED(params);
    }
    virtual void OutputFooter(const TColumnsEhList &columns, int footerRow);
    virtual void OutputFooterCell(int colIndex, int footerRow, const QString &text, TAlignment alignment,
        TColor background, const TFont &font, TColumnEh *column)
    {
        Q_UNUSED(colIndex);
        Q_UNUSED(footerRow);
        Q_UNUSED(text);
        Q_UNUSED(alignment);
        Q_UNUSED(background);
        Q_UNUSED(font);
        Q_UNUSED(column);
    }

    // The parameters of a footer cell as OutputFooter hands them on.
    struct FooterCell
    {
        QString Text;
        TAlignment Alignment = taLeftJustify;
        TColor Background = clWindow;
        TFont Font;
    };
    FooterCell FooterCellOf(int colIndex, int footerRow);
    TDataSet *DataSet() const;
    TStream &Stream() const { return *m_stream; }
    void Write(const QByteArray &bytes) { m_stream->WriteBuffer(bytes.constData(), bytes.size()); }
    QByteArray Encode(const QString &text) const;

private:
    void exportRecords(unsigned kind);
    void outputOne();
    void addTotals();

    TStream *m_stream = nullptr;
    TColumnsEhList m_expCols;
    std::vector<qint64> m_footerValues;
    std::vector<bool> m_footerOverflows; // the total beside it outgrew 64 bits and means nothing
    TColCellParamsEh m_cellParams;
};

class TDBGridEhExportAsText : public TDBGridEhExport
{
protected:
    void BeginOutput() override;
    void OutputTitle(const TColumnsEhList &columns) override;
    void OutputRecord(const TColumnsEhList &columns) override;
    void OutputDataCell(TColumnEh *column, const TColCellParamsEh &params) override;
    void OutputFooter(const TColumnsEhList &columns, int footerRow) override;
    void OutputFooterCell(int colIndex, int footerRow, const QString &text, TAlignment alignment, TColor background,
        const TFont &font, TColumnEh *column) override;
    virtual void SeparateRecord();
    virtual void SeparateCell();
    // A cell's text as the format writes it.
    virtual QString CellText(const QString &text) const { return text; }
    virtual QChar CellSeparator() const { return QLatin1Char('\t'); }

    bool m_firstRec = true;
    bool m_firstCell = true;
};

// The separator of CSV cells.
inline QChar DBGridEhCSVSeparator = QLatin1Char(';');

class TDBGridEhExportAsCSV : public TDBGridEhExportAsText
{
public:
    TDBGridEhExportAsCSV()
        : m_separator(DBGridEhCSVSeparator)
    {
    }

protected:
    QString CellText(const QString &text) const override;
    QChar CellSeparator() const override { return m_separator; }

private:
    QChar m_separator;
};

class TDBGridEhExportAsRTF : public TDBGridEhExport
{
protected:
    void BeginOutput() override;
    void EndOutput() override;
    void OutputTitle(const TColumnsEhList &columns) override;
    void OutputRecord(const TColumnsEhList &columns) override;
    void OutputDataCell(TColumnEh *column, const TColCellParamsEh &params) override;
    void OutputFooter(const TColumnsEhList &columns, int footerRow) override;
    void OutputFooterCell(int colIndex, int footerRow, const QString &text, TAlignment alignment, TColor background,
        const TFont &font, TColumnEh *column) override;

private:
    struct RtfCell
    {
        QString Text;
        TAlignment Alignment = taLeftJustify;
        TColor Background = clWindow;
        TFont Font;
        int RightEdge = 0;
        // Left, top, bottom and right; a cell inside a merged title leaves out the borders between its parts.
        bool Borders[4] = { true, true, true, true };
    };
    void writeRow(const QList<RtfCell> &cells, const QByteArray &margin = QByteArray());
    void outputMultiTitle(const TColumnsEhList &columns);
    int colorIndex(TColor color);
    int fontIndex(const QString &name);
    QList<int> rightEdges(const TColumnsEhList &columns) const;
    void put(const QByteArray &bytes) { m_body.append(bytes); }

    QByteArray m_body;
    QList<QRgb> m_colors;
    QStringList m_fonts;
    QList<RtfCell> m_row;
};

class TDBGridEhExportAsVCLDBIF : public TDBGridEhExport
{
protected:
    void BeginOutput() override;
    void EndOutput() override;
    void OutputRecord(const TColumnsEhList &columns) override;
    void OutputFooter(const TColumnsEhList &, int) override { }
};

// RTF text of a cell: "\", "{" and "}" escaped, CP1251 letters beyond ASCII as \'xx, anything else as \uN?.
QByteArray RtfEscapedText(const QString &text);

using TDBGridEhExportClass = std::unique_ptr<TDBGridEhExport> (*)();
template <class T> std::unique_ptr<TDBGridEhExport> CreateGridExport()
{
    return std::make_unique<T>();
}

void ExportGridToStream(TDBGridEhExportClass exportClass, TCustomDBGridEh *grid, TStream &stream, bool exportAll);
// Raises an error naming the file when it cannot be written; the file as it was stays then.
void ExportGridToFile(TDBGridEhExportClass exportClass, TCustomDBGridEh *grid, const QString &fileName, bool exportAll);
template <class T> void ExportGridToStream(TCustomDBGridEh *grid, TStream &stream, bool exportAll)
{
    ExportGridToStream(&CreateGridExport<T>, grid, stream, exportAll);
}
template <class T> void ExportGridToFile(TCustomDBGridEh *grid, const QString &fileName, bool exportAll)
{
    ExportGridToFile(&CreateGridExport<T>, grid, fileName, exportAll);
}

// ---- Importers -----------------------------------------------------------------------------------------------

class TDBGridEhImport
{
public:
    TDBGridEhImport() = default;
    virtual ~TDBGridEhImport() = default;
    TDBGridEhImport(const TDBGridEhImport &) = delete;
    TDBGridEhImport &operator=(const TDBGridEhImport &) = delete;

    TCustomDBGridEh *DBGridEh = nullptr;

    virtual void ImportData(TStream &stream, bool importAll);
    virtual void ImportDataFromFile(const QString &fileName, bool importAll);

protected:
    virtual void BeginInput() { }
    virtual void EndInput() { }
    virtual void InputRecord(const TColumnsEhList &columns) = 0;
    virtual void InputDataCell(TColumnEh *column) { Q_UNUSED(column); }

    TDataSet *DataSet() const;
    TStream &Stream() const { return *m_stream; }
    // The field a value goes to: the key field of a lookup column, else the column's field.
    TField *TargetField(TColumnEh *column) const;
    // Whether a value may be written into the column now; puts the dataset into edit mode when it can.
    bool PrepareWrite(TColumnEh *column) const;
    // Runs a write; a refused value asks Yes, No or All. No cancels the record in progress and ends the import.
    void GuardedWrite(const std::function<void()> &write);

    bool m_eos = false;

private:
    void insertRecords(const TColumnsEhList &columns, bool append, bool useCurrent);
    TStream *m_stream = nullptr;
    bool m_ignoreAll = false;
};

class TDBGridEhImportAsText : public TDBGridEhImport
{
public:
    // Cells are read as UTF-8 (the clipboard's text) instead of CP1251.
    bool Utf8 = false;

protected:
    void BeginInput() override;
    void InputRecord(const TColumnsEhList &columns) override;
    void WriteCell(TColumnEh *column, const QString &text);

private:
    // The next cell: its text and whether a tab ended it (else a line end or the end of the input).
    bool readCell(QString &text, bool &lineEnded);
};

// The format error of the interchange format, raised before anything is written.
class EVCLDBIFFormatError : public Exception
{
public:
    using Exception::Exception;
};

// A whole VCLDBIF stream, checked: the header's columns, then the values in order (tag 1 values, which leave
// their column untouched, are kept as tags beside the values).
struct TVCLDBIFContentEh
{
    int ColumnCount = 0;
    QStringList Names;
    QList<bool> Visible;
    QList<quint8> Tags;
    QVariantList Values;
};
// Raises EVCLDBIFFormatError for a short stream, a wrong signature, a negative count or length, a length beyond
// the bytes left, an unknown tag or a missing end.
TVCLDBIFContentEh ReadVCLDBIF(const QByteArray &bytes);

class TDBGridEhImportAsVCLDBIF : public TDBGridEhImport
{
public:
    const TVCLDBIFContentEh &Content() const { return m_content; }

protected:
    // Reads and checks the whole input before any value is written, so a bad stream changes nothing.
    void BeginInput() override;
    void InputRecord(const TColumnsEhList &columns) override;

private:
    TVCLDBIFContentEh m_content;
    qsizetype m_next = 0;
};

using TDBGridEhImportClass = std::unique_ptr<TDBGridEhImport> (*)();
template <class T> std::unique_ptr<TDBGridEhImport> CreateGridImport()
{
    return std::make_unique<T>();
}
void ImportGridFromStream(TDBGridEhImportClass importClass, TCustomDBGridEh *grid, TStream &stream, bool importAll);
template <class T> void ImportGridFromStream(TCustomDBGridEh *grid, TStream &stream, bool importAll)
{
    ImportGridFromStream(&CreateGridImport<T>, grid, stream, importAll);
}

// ---- Clipboard and clearing ------------------------------------------------------------------------------------

// The clipboard's names of the grid's formats beside plain (Unicode) text; the binary one is the kit's own.
inline constexpr char ClipboardCsvFormat[] = "text/csv";
inline constexpr char ClipboardRtfFormat[] = "text/rtf";

// The selection (or everything) as plain text, with the CSV, RTF and grid-data formats beside it; false without
// a dataset.
bool GridSelectionFormats(TCustomDBGridEh *grid, bool all, QString &text, QList<QPair<QString, QByteArray>> &formats);
void CopyGridSelectionToClipboard(TCustomDBGridEh *grid, bool all);
void CutGridSelection(TCustomDBGridEh *grid, bool all);
// Prefers the binary format; else the clipboard's text.
void PasteClipboardIntoGrid(TCustomDBGridEh *grid, bool all);
// Deletes the selected records or clears the selected cells, after the question dgConfirmDelete asks.
void ClearGridSelection(TCustomDBGridEh *grid, bool all);
void PutStreamOnClipboard(const QString &format, TStream &stream);
void ReadClipboardToStream(const QString &format, TStream &stream);
