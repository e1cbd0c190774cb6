#include "DBGridEhImpExp.h"

#include "CodePage.h"
#include "Formats.h"
#include "Services.h"
#include "WidgetKit.h"

#include <QtEndian>

#include <cstring>

namespace {

// The user answered No to a refused value: the import ends without a further message.
struct ImportAborted
{
};

int firstVisibleColumn(TCustomDBGridEh *grid)
{
    for (int i = 0; i < grid->Columns().Count(); ++i)
        if (grid->Columns()[i]->Visible())
            return i;
    return 0;
}

[[noreturn]] void vcldbifError()
{
    throw EVCLDBIFFormatError(QStringLiteral("TDBGridEhImportAsVCLDBIF.ReadPrefix: Неверный формат VCLDBIF"));
}

} // namespace

// ---- Base importer -------------------------------------------------------------------------------------------

TDataSet *TDBGridEhImport::DataSet() const
{
    return DBGridEh && DBGridEh->DataSource() ? DBGridEh->DataSource()->DataSet() : nullptr;
}

TField *TDBGridEhImport::TargetField(TColumnEh *column) const
{
    TField *field = column->GetField();
    if (field && field->Lookup() && !field->KeyFields().isEmpty())
        return DataSet()->FindField(SplitFieldNames(field->KeyFields()).value(0));
    return field;
}

bool TDBGridEhImport::PrepareWrite(TColumnEh *column) const
{
    TDataSet *ds = DataSet();
    if (!column->CanModify(false) || !ds->CanModify())
        return false;
    if (ds->State() == dsBrowse)
        ds->Edit();
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

void TDBGridEhImport::GuardedWrite(const std::function<void()> &write)
{
    try {
        write();
    } catch (const Exception &error) {
        if (m_ignoreAll)
            return;
        const TModalResult answer = Services::messages()->show({ QStringLiteral("Ошибка при вставки значения:\n")
                + error.message() + QStringLiteral("\n\nИгнорировать ошибку?"),
            mtError, mbYes | mbNo | mbAll, mbYes, {} });
        if (answer == mrAll) {
            m_ignoreAll = true;
        } else if (answer != mrYes) {
            DataSet()->Cancel();
            throw ImportAborted();
        }
    }
}

void TDBGridEhImport::insertRecords(const TColumnsEhList &columns, bool append, bool useCurrent)
{
    TDataSet *ds = DataSet();
    while (!m_eos) {
        // The record being inserted when the import began takes the first input record.
        if (useCurrent && ds->State() == dsInsert)
            useCurrent = false;
        else if (append)
            ds->Append();
        else
            ds->Insert();
        InputRecord(columns);
        ds->Post();
        if (!append)
            ds->Next();
    }
}

void TDBGridEhImport::ImportData(TStream &stream, bool importAll)
{
    m_stream = &stream;
    m_eos = false;
    m_ignoreAll = false;
    TDataSet *ds = DataSet();
    if (!ds || !ds->Active())
        return;
    // The whole input is read (and a binary one checked) before the dataset is touched.
    BeginInput();
    TCustomDBGridEh *grid = DBGridEh;
    if (importAll) {
        grid->Selection().Clear();
        ds->First();
        grid->SetSelectedIndex(firstVisibleColumn(grid));
    }
    const bool append = ds->Eof();
    const bool inserting = ds->State() == dsInsert;
    const unsigned kind = importAll ? unsigned(gstAll) : grid->Selection().SelectionType();
    ds->DisableControls();
    const QByteArray current = inserting ? QByteArray() : ds->GetBookmark();
    const auto finish = [&] {
        if (!inserting && ds->State() != dsInsert && !current.isEmpty() && ds->BookmarkValid(current))
            ds->GotoBookmark(current);
        ds->EnableControls();
    };
    try {
        TColumnsEhList columns;
        switch (kind) {
        case gstRectangle:
            columns = GridRectangleColumnsEh(grid);
            break;
        case gstColumns:
            columns = grid->Selection().Columns().Columns();
            break;
        case gstNon:
            columns = GridVisibleColumnsEh(grid, grid->SelectedIndex());
            break;
        default:
            columns = GridVisibleColumnsEh(grid);
            break;
        }
        if (inserting || append) {
            insertRecords(columns, append, inserting);
        } else {
            switch (kind) {
            case gstNon:
                for (; !ds->Eof() && !m_eos; ds->Next())
                    InputRecord(columns);
                if (!m_eos && (grid->AllowedOperations & alopAppendEh))
                    insertRecords(columns, true, false);
                break;
            case gstRecordBookmarks:
                for (const QByteArray &bookmark : grid->Selection().Rows().Bookmarks()) {
                    if (m_eos)
                        break;
                    if (!ds->BookmarkValid(bookmark))
                        continue;
                    ds->GotoBookmark(bookmark);
                    InputRecord(columns);
                }
                break;
            case gstRectangle:
                ForEachRectangleRecordEh(ds, grid->Selection().Rect(), [&] {
                    InputRecord(columns);
                    return !m_eos;
                });
                break;
            default:
                for (ds->First(); !ds->Eof() && !m_eos; ds->Next())
                    InputRecord(columns);
                break;
            }
            if (ds->State() == dsEdit)
                ds->Post();
        }
        EndInput();
    } catch (const ImportAborted &) {
        finish();
        return;
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    finish();
}

void TDBGridEhImport::ImportDataFromFile(const QString &fileName, bool importAll)
{
    TFileStream file(fileName, fmOpenRead);
    ImportData(file, importAll);
}

// ---- Text ----------------------------------------------------------------------------------------------------

void TDBGridEhImportAsText::BeginInput()
{
    // The whole text is checked before a record is touched: a bad line end further on would otherwise stop the
    // import with the lines before it posted and the record being filled left open.
    TStream &s = Stream();
    const qint64 start = s.Position();
    const QByteArray text = s.ReadBytes(s.Size() - start);
    s.SetPosition(start);
    for (qsizetype cr = text.indexOf('\r'); cr >= 0; cr = text.indexOf('\r', cr + 2))
        if (cr + 1 >= text.size() || text[cr + 1] != '\n')
            throw Exception(QStringLiteral("TDBGridEhImportAsText.CheckState: Неверный формат текста"));
    m_eos = text.isEmpty();
}

bool TDBGridEhImportAsText::readCell(QString &text, bool &lineEnded)
{
    QByteArray bytes;
    lineEnded = false;
    bool tabEnded = false;
    TStream &s = Stream();
    while (s.Position() < s.Size()) {
        const char c = char(s.ReadByte());
        if (c == '\t') {
            tabEnded = true;
            break;
        }
        if (c == '\r') {
            s.ReadByte(); // its LF, as the whole text was checked to have
            lineEnded = true;
            break;
        }
        bytes += c;
    }
    // A line end at the very end of the input ends the last record and starts none.
    if (s.Position() >= s.Size())
        m_eos = true;
    text = Utf8 ? QString::fromUtf8(bytes) : CP1251ToQString(bytes);
    return tabEnded;
}

void TDBGridEhImportAsText::InputRecord(const TColumnsEhList &columns)
{
    int index = 0;
    for (;;) {
        QString text;
        bool lineEnded = false;
        const bool tabEnded = readCell(text, lineEnded);
        // An empty last cell of a line leaves its column as it is; surplus cells are read and dropped.
        if (index < columns.size() && (tabEnded || !text.isEmpty()))
            WriteCell(columns[index], text);
        ++index;
        if (!tabEnded)
            break;
    }
}

void TDBGridEhImportAsText::WriteCell(TColumnEh *column, const QString &text)
{
    GuardedWrite([&] {
        if (!PrepareWrite(column))
            return;
        TDataSet *ds = DataSet();
        TField *field = column->GetField();
        if (!field)
            return;
        if (field->Lookup() && !field->KeyFields().isEmpty()) {
            TDataSet *lookup = field->LookupDataSet();
            if (lookup && lookup->Locate(field->LookupResultField(), text, loCaseInsensitive | loPartialKey))
                ds->SetFieldValues(field->KeyFields(), lookup->FieldValues(field->LookupKeyFields()));
            return;
        }
        if (!column->KeyList().isEmpty() && !column->PickList().isEmpty()) {
            const int i = int(column->PickList().indexOf(text));
            if (i >= 0 && i < column->KeyList().size())
                field->SetText(column->KeyList()[i]);
            else
                field->Clear();
            return;
        }
        field->SetText(text);
    });
}

// ---- VCLDBIF -------------------------------------------------------------------------------------------------

TVCLDBIFContentEh ReadVCLDBIF(const QByteArray &bytes)
{
    TVCLDBIFContentEh content;
    qsizetype pos = 0;
    const auto need = [&](qsizetype n) {
        if (n < 0 || n > bytes.size() - pos)
            vcldbifError();
    };
    const auto int32 = [&] {
        need(4);
        qint32 v = 0;
        memcpy(&v, bytes.constData() + pos, 4);
        pos += 4;
        return qFromLittleEndian(v);
    };
    need(12);
    if (!bytes.startsWith("VCLDBIF"))
        vcldbifError();
    pos = 8;
    content.ColumnCount = int32();
    if (content.ColumnCount < 0)
        vcldbifError();
    for (int i = 0; i < content.ColumnCount; ++i) {
        need(1);
        content.Visible << (bytes[pos++] != 0);
        const qsizetype end = bytes.indexOf('\0', pos);
        if (end < 0)
            vcldbifError();
        content.Names << QString::fromUtf8(bytes.mid(pos, end - pos));
        pos = end + 1;
    }
    for (;;) {
        need(1);
        const quint8 tag = quint8(bytes[pos++]);
        if (tag == 0)
            break;
        QVariant value;
        switch (tag) {
        case 1:
        case 2:
            break;
        case 3:
            value = int32();
            break;
        case 4: {
            need(8);
            quint64 raw = 0;
            memcpy(&raw, bytes.constData() + pos, 8);
            raw = qFromLittleEndian(raw);
            double d = 0;
            memcpy(&d, &raw, 8);
            pos += 8;
            value = d;
            break;
        }
        case 5:
        case 6: {
            const qint32 length = int32();
            need(length);
            const QByteArray data = bytes.mid(pos, length);
            pos += length;
            value = QString::fromUtf8(data);
            if (tag == 6)
                value = QVariant::fromValue(data);
            break;
        }
        default:
            vcldbifError();
        }
        content.Tags << tag;
        content.Values << value;
    }
    return content;
}

void TDBGridEhImportAsVCLDBIF::BeginInput()
{
    TStream &s = Stream();
    m_content = ReadVCLDBIF(s.ReadBytes(s.Size() - s.Position()));
    m_next = 0;
    m_eos = m_content.ColumnCount == 0 || m_content.Values.isEmpty();
}

void TDBGridEhImportAsVCLDBIF::InputRecord(const TColumnsEhList &columns)
{
    for (int i = 0; i < m_content.ColumnCount && m_next < m_content.Values.size(); ++i, ++m_next) {
        const quint8 tag = m_content.Tags[m_next];
        if (i >= columns.size() || tag == 1)
            continue;
        TColumnEh *column = columns[i];
        const QVariant value = m_content.Values[m_next];
        GuardedWrite([&] {
            if (!PrepareWrite(column))
                return;
            TField *field = TargetField(column);
            if (!field)
                return;
            if (tag == 2)
                field->Clear();
            else if (tag == 4 && IsDateType(field->DataType()))
                field->SetValue(DayCountToDateTime(value.toDouble()));
            else if (tag == 6 && !field->IsBlob())
                field->SetValue(QString::fromUtf8(value.toByteArray()));
            else
                field->SetValue(value);
        });
    }
    if (m_next >= m_content.Values.size())
        m_eos = true;
}

// ---- Entry points --------------------------------------------------------------------------------------------

void ImportGridFromStream(TDBGridEhImportClass importClass, TCustomDBGridEh *grid, TStream &stream, bool importAll)
{
    std::unique_ptr<TDBGridEhImport> importer = importClass();
    importer->DBGridEh = grid;
    importer->ImportData(stream, importAll);
}

void PutStreamOnClipboard(const QString &format, TStream &stream)
{
    stream.SetPosition(0);
    Clipboard::SetData(QString(), { { format, stream.ReadBytes(stream.Size()) } });
}

void ReadClipboardToStream(const QString &format, TStream &stream)
{
    stream.WriteBytes(Clipboard::Data(format));
}

bool GridSelectionFormats(TCustomDBGridEh *grid, bool all, QString &text, QList<QPair<QString, QByteArray>> &formats)
{
    TDataSet *ds = grid->DataSource() ? grid->DataSource()->DataSet() : nullptr;
    if (!ds)
        return false;
    const auto exportAs = [&](std::unique_ptr<TDBGridEhExport> exporter, bool utf8) {
        TMemoryStream stream;
        exporter->DBGridEh = grid;
        exporter->Utf8 = utf8;
        exporter->ExportData(stream, all);
        return stream.Bytes();
    };
    ds->DisableControls();
    QByteArray plain, csv, rtf, binary;
    try {
        plain = exportAs(std::make_unique<TDBGridEhExportAsText>(), true);
        csv = exportAs(std::make_unique<TDBGridEhExportAsCSV>(), false);
        rtf = exportAs(std::make_unique<TDBGridEhExportAsRTF>(), false);
        binary = exportAs(std::make_unique<TDBGridEhExportAsVCLDBIF>(), false);
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
    text = QString::fromUtf8(plain);
    formats = { { QString::fromLatin1(ClipboardCsvFormat), csv }, { QString::fromLatin1(ClipboardRtfFormat), rtf },
        { QString::fromLatin1(ClipboardGridDataFormat), binary } };
    return true;
}

void CopyGridSelectionToClipboard(TCustomDBGridEh *grid, bool all)
{
    QString text;
    QList<QPair<QString, QByteArray>> formats;
    if (GridSelectionFormats(grid, all, text, formats))
        Clipboard::SetData(text, formats);
}

void PasteClipboardIntoGrid(TCustomDBGridEh *grid, bool all)
{
    const QString binary = QString::fromLatin1(ClipboardGridDataFormat);
    if (Clipboard::HasFormat(binary)) {
        TMemoryStream stream(Clipboard::Data(binary));
        ImportGridFromStream<TDBGridEhImportAsVCLDBIF>(grid, stream, all);
        return;
    }
    const QString text = Clipboard::Text();
    if (text.isEmpty())
        return;
    TMemoryStream stream(text.toUtf8());
    TDBGridEhImportAsText importer;
    importer.DBGridEh = grid;
    importer.Utf8 = true;
    importer.ImportData(stream, all);
}

void CutGridSelection(TCustomDBGridEh *grid, bool all)
{
    CopyGridSelectionToClipboard(grid, all);
    ClearGridSelection(grid, all);
}

namespace {

void clearCells(TDataSet *ds, const TColumnsEhList &columns)
{
    for (TColumnEh *column : columns) {
        if (!column->CanModify(false))
            continue;
        if (ds->State() == dsBrowse && ds->CanModify())
            ds->Edit();
        if (ds->State() != dsEdit && ds->State() != dsInsert)
            continue;
        TField *field = column->GetField();
        if (field && field->Lookup() && !field->KeyFields().isEmpty())
            ds->SetFieldValues(field->KeyFields(), QVariant());
        else if (field)
            field->Clear();
    }
}

} // namespace

void ClearGridSelection(TCustomDBGridEh *grid, bool all)
{
    TDataSet *ds = grid->DataSource() ? grid->DataSource()->DataSet() : nullptr;
    if (!ds || !ds->Active())
        return;
    const unsigned kind = all ? unsigned(gstAll) : grid->Selection().SelectionType();
    if (kind == gstNon)
        return;
    if (grid->Options() & dgConfirmDelete) {
        // Deleting every record asks as deleting selected ones does.
        QString question;
        if (kind == gstRecordBookmarks)
            question = grid->Selection().Rows().Count() < 2 ? QStringLiteral("Delete record?")
                                                            : QStringLiteral("Delete all selected records?");
        else if (kind == gstRectangle)
            question = QStringLiteral("Очистить выделенные ячейки?");
        else if (kind == gstAll)
            question = ds->RecordCount() < 2 ? QStringLiteral("Delete record?")
                                             : QStringLiteral("Delete all selected records?");
        if (!question.isEmpty()
            && Services::messages()->show({ question, mtConfirmation, mbOKCancel, mbOK, {} }) != mrOk)
            return;
    }
    switch (kind) {
    case gstRecordBookmarks:
        grid->Selection().Rows().DeleteSelectedRecords();
        grid->Selection().Rows().Clear();
        return;
    case gstAll:
        ds->DisableControls();
        try {
            ds->First();
            while (!ds->IsEmpty())
                ds->Delete();
        } catch (...) {
            ds->EnableControls();
            throw;
        }
        ds->EnableControls();
        return;
    default:
        break;
    }
    ds->DisableControls();
    const QByteArray current = ds->GetBookmark();
    try {
        if (kind == gstRectangle) {
            const TColumnsEhList columns = GridRectangleColumnsEh(grid);
            ForEachRectangleRecordEh(ds, grid->Selection().Rect(), [&] {
                clearCells(ds, columns);
                return true;
            });
        } else {
            const TColumnsEhList columns = grid->Selection().Columns().Columns();
            for (ds->First(); !ds->Eof(); ds->Next())
                clearCells(ds, columns);
        }
        if (ds->State() == dsEdit)
            ds->Post();
        if (ds->BookmarkValid(current))
            ds->GotoBookmark(current);
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
}

// ---- The grid's edit actions -----------------------------------------------------------------------------------

void TCustomDBGridEh::CopySelectionToClipboard()
{
    CopyGridSelectionToClipboard(this, false);
}

void TCustomDBGridEh::CutSelectionToClipboard()
{
    CutGridSelection(this, false);
}

void TCustomDBGridEh::PasteClipboardIntoSelection()
{
    PasteClipboardIntoGrid(this, false);
}

void TCustomDBGridEh::ClearSelectionContents()
{
    ClearGridSelection(this, false);
}
