#include "DBGridEhImpExp.h"

#include "CodePage.h"
#include "Color.h"
#include "Formats.h"

#include <cmath>

TColumnsEhList GridVisibleColumnsEh(TCustomDBGridEh *grid, int from, int to)
{
    TColumnsEhList list;
    const int last = to < 0 ? grid->Columns().Count() - 1 : to;
    for (int i = std::max(0, from); i <= last && i < grid->Columns().Count(); ++i)
        if (grid->Columns()[i]->Visible())
            list << grid->Columns()[i];
    return list;
}

TColumnsEhList GridRectangleColumnsEh(TCustomDBGridEh *grid)
{
    const TDBGridEhSelectionRect &rect = grid->Selection().Rect();
    return GridVisibleColumnsEh(
        grid, std::min(rect.AnchorCol(), rect.ShiftCol()), std::max(rect.AnchorCol(), rect.ShiftCol()));
}

void ForEachRectangleRecordEh(TDataSet *ds, const TDBGridEhSelectionRect &rect, const std::function<bool()> &visit)
{
    QByteArray top = rect.AnchorBookmark();
    QByteArray bottom = rect.ShiftBookmark();
    if (ds->CompareBookmarks(top, bottom) > 0)
        std::swap(top, bottom);
    if (!ds->BookmarkValid(top))
        return;
    for (ds->GotoBookmark(top); !ds->Eof(); ds->Next()) {
        const bool last = ds->BookmarkValid(bottom) && ds->CompareBookmarks(ds->GetBookmark(), bottom) == 0;
        if (!visit() || last)
            return;
    }
}

// ---- Base exporter -------------------------------------------------------------------------------------------

TDataSet *TDBGridEhExport::DataSet() const
{
    return DBGridEh && DBGridEh->DataSource() ? DBGridEh->DataSource()->DataSet() : nullptr;
}

QByteArray TDBGridEhExport::Encode(const QString &text) const
{
    return Utf8 ? text.toUtf8() : QStringToCP1251(text);
}

void TDBGridEhExport::ExportData(TStream &stream, bool exportAll)
{
    m_stream = &stream;
    TDataSet *ds = DataSet();
    const unsigned kind = exportAll ? unsigned(gstAll) : DBGridEh->Selection().SelectionType();
    if (kind == gstNon || !ds || !ds->Active())
        return;
    ds->DisableControls();
    // The current record keeps its place in the grid's window: the window does not move while the controls are
    // disabled, and going back to the record before enabling them leaves it where it was.
    const QByteArray current = ds->GetBookmark();
    try {
        exportRecords(kind);
    } catch (...) {
        if (ds->BookmarkValid(current))
            ds->GotoBookmark(current);
        ds->EnableControls();
        throw;
    }
    if (ds->BookmarkValid(current))
        ds->GotoBookmark(current);
    ds->EnableControls();
}

void TDBGridEhExport::exportRecords(unsigned kind)
{
    TDataSet *ds = DataSet();
    const TDBGridEhSelection &selection = DBGridEh->Selection();
    switch (kind) {
    case gstRectangle:
        m_expCols = GridRectangleColumnsEh(DBGridEh);
        break;
    case gstColumns:
        m_expCols = selection.Columns().Columns();
        break;
    default:
        m_expCols = GridVisibleColumnsEh(DBGridEh);
        break;
    }
    const int footerRows = DBGridEh->FooterRowCount();
    m_footerValues.assign(size_t(footerRows) * size_t(m_expCols.size()), 0);
    m_footerOverflows.assign(m_footerValues.size(), false);
    BeginOutput();
    if (DBGridEh->Options() & dgTitles)
        OutputTitle(m_expCols);
    switch (kind) {
    case gstRecordBookmarks:
        for (const QByteArray &bookmark : selection.Rows().Bookmarks()) {
            // A record deleted since it was selected is passed over.
            if (!ds->BookmarkValid(bookmark))
                continue;
            ds->GotoBookmark(bookmark);
            outputOne();
        }
        break;
    case gstRectangle:
        ForEachRectangleRecordEh(ds, selection.Rect(), [&] {
            outputOne();
            return true;
        });
        break;
    default:
        for (ds->First(); !ds->Eof(); ds->Next())
            outputOne();
        break;
    }
    for (int r = 0; r < footerRows; ++r)
        OutputFooter(m_expCols, r);
    EndOutput();
}

void TDBGridEhExport::outputOne()
{
    addTotals();
    OutputRecord(m_expCols);
}

void TDBGridEhExport::addTotals()
{
    TDataSet *ds = DataSet();
    const int footerRows = DBGridEh->FooterRowCount();
    for (int r = 0; r < footerRows; ++r) {
        for (int c = 0; c < m_expCols.size(); ++c) {
            TColumnFooterEh &footer = m_expCols[c]->UsedFooter(r);
            const QString name = footer.FieldName().isEmpty() ? m_expCols[c]->FieldName() : footer.FieldName();
            TField *field = ds->FindField(name);
            if (!field)
                continue;
            const size_t at = size_t(r) * size_t(m_expCols.size()) + size_t(c);
            qint64 share = 0;
            if (footer.ValueType() == fvtSum && !field->IsNull()) {
                const double scaled = field->AsFloat() * 10000.0;
                // A value no total can hold overflows the total as surely as many that add up beyond it.
                if (!(std::fabs(scaled) < 9223372036854775808.0)) {
                    m_footerOverflows[at] = true;
                    continue;
                }
                share = Round(scaled);
            } else if (footer.ValueType() == fvtCount) {
                share = 10000;
            }
            if (!m_footerOverflows[at] && !MoveTotal(m_footerValues[at], 0, share))
                m_footerOverflows[at] = true;
        }
    }
}

void TDBGridEhExport::OutputRecord(const TColumnsEhList &columns)
{
    for (TColumnEh *column : columns) {
        column->FillCellParams(m_cellParams, [&](TColCellParamsEh &params) {
            if (DBGridEh->OnGetCellParams)
                DBGridEh->OnGetCellParams(DBGridEh, column, params.Font, params.Background, params.State);
        });
        OutputDataCell(column, m_cellParams);
    }
}

TDBGridEhExport::FooterCell TDBGridEhExport::FooterCellOf(int colIndex, int footerRow)
{
    TColumnEh *column = m_expCols[colIndex];
    TColumnFooterEh &footer = column->UsedFooter(footerRow);
    FooterCell cell;
    cell.Font.Assign(footer.Font());
    cell.Background = footer.Color();
    cell.Alignment = footer.Alignment();
    const size_t at = size_t(footerRow) * size_t(m_expCols.size()) + size_t(colIndex);
    const qint64 total = m_footerValues[at];
    TDataSet *ds = DataSet();
    const QString name = footer.FieldName().isEmpty() ? column->FieldName() : footer.FieldName();
    TField *field = ds ? ds->FindField(name) : nullptr;
    if (m_footerOverflows[at] && (footer.ValueType() == fvtCount || footer.ValueType() == fvtSum))
        cell.Text = QString(); // as the grid's own footer: no number rather than a wrong one
    else if (footer.ValueType() == fvtCount)
        cell.Text = FloatToStr(double(total) / 10000.0);
    else if (footer.ValueType() == fvtSum)
        cell.Text = field ? FormatFooterTotal(field, total, QString()) : QStringLiteral("0");
    else
        cell.Text = DBGridEh->GetFooterText(footer, *column);
    if (DBGridEh->OnGetFooterParams)
        DBGridEh->OnGetFooterParams(DBGridEh, DBGridEh->Columns().IndexOf(column), footerRow, column, cell.Font,
            cell.Background, cell.Alignment, 0, cell.Text);
    return cell;
}

void TDBGridEhExport::OutputFooter(const TColumnsEhList &columns, int footerRow)
{
    for (int c = 0; c < columns.size(); ++c) {
        const FooterCell cell = FooterCellOf(c, footerRow);
        OutputFooterCell(c, footerRow, cell.Text, cell.Alignment, cell.Background, cell.Font, columns[c]);
    }
}

void TDBGridEhExport::ExportDataToFile(const QString &fileName, bool exportAll)
{
    // The whole export is made in memory and the file replaced only once it is complete.
    TMemoryStream memory;
    ExportData(memory, exportAll);
    memory.SaveToFile(fileName);
}

// ---- Text and CSV --------------------------------------------------------------------------------------------

void TDBGridEhExportAsText::BeginOutput()
{
    m_firstRec = true;
    m_firstCell = true;
}

void TDBGridEhExportAsText::SeparateRecord()
{
    if (!m_firstRec)
        Write(QByteArrayLiteral("\r\n"));
    m_firstRec = false;
    m_firstCell = true;
}

void TDBGridEhExportAsText::SeparateCell()
{
    if (!m_firstCell)
        Write(Encode(QString(CellSeparator())));
    m_firstCell = false;
}

void TDBGridEhExportAsText::OutputTitle(const TColumnsEhList &columns)
{
    SeparateRecord();
    for (TColumnEh *column : columns) {
        SeparateCell();
        Write(Encode(CellText(column->Title().Caption())));
    }
}

void TDBGridEhExportAsText::OutputRecord(const TColumnsEhList &columns)
{
    SeparateRecord();
    TDBGridEhExport::OutputRecord(columns);
}

void TDBGridEhExportAsText::OutputDataCell(TColumnEh *, const TColCellParamsEh &params)
{
    SeparateCell();
    Write(Encode(CellText(params.Text)));
}

void TDBGridEhExportAsText::OutputFooter(const TColumnsEhList &columns, int footerRow)
{
    SeparateRecord();
    TDBGridEhExport::OutputFooter(columns, footerRow);
}

void TDBGridEhExportAsText::OutputFooterCell(
    int, int, const QString &text, TAlignment, TColor, const TFont &, TColumnEh *)
{
    SeparateCell();
    Write(Encode(CellText(text)));
}

QString TDBGridEhExportAsCSV::CellText(const QString &text) const
{
    QString s = text;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// ---- RTF -----------------------------------------------------------------------------------------------------

QByteArray RtfEscapedText(const QString &text)
{
    QByteArray out;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}')) {
            out += '\\';
            out += char(u);
        } else if (u < 0x80) {
            out += char(u);
        } else {
            const QByteArray ansi = QStringToCP1251(QString(c));
            if (ansi.size() == 1 && ansi[0] != '?')
                out += "\\'" + QByteArray::number(quint8(ansi[0]), 16).rightJustified(2, '0');
            else
                out += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
    }
    return out;
}

int TDBGridEhExportAsRTF::colorIndex(TColor color)
{
    const QRgb rgb = toQColor(ColorToRGB(color)).rgb() & 0xFFFFFF;
    int i = int(m_colors.indexOf(rgb));
    if (i < 0) {
        m_colors << rgb;
        i = int(m_colors.size()) - 1;
    }
    return i;
}

int TDBGridEhExportAsRTF::fontIndex(const QString &name)
{
    int i = int(m_fonts.indexOf(name));
    if (i < 0) {
        m_fonts << name;
        i = int(m_fonts.size()) - 1;
    }
    return i;
}

void TDBGridEhExportAsRTF::BeginOutput()
{
    m_body.clear();
    m_colors.clear();
    m_fonts.clear();
    colorIndex(clBlack);
    colorIndex(clWhite);
    colorIndex(clBtnFace);
}

QList<int> TDBGridEhExportAsRTF::rightEdges(const TColumnsEhList &columns) const
{
    const int dpi = std::max(1, DBGridEh->logicalDpiX());
    QList<int> edges;
    int edge = 0;
    for (TColumnEh *column : columns) {
        edge += int(std::trunc(double(column->Width()) / dpi * 1440.0));
        edges << edge;
    }
    return edges;
}

void TDBGridEhExportAsRTF::writeRow(const QList<RtfCell> &cells, const QByteArray &rowMargin)
{
    const QByteArray margin = !rowMargin.isEmpty() ? rowMargin : DBGridEh->Flat() ? "12" : "24";
    put("\\trowd\\trgaph40\r\n");
    for (const RtfCell &cell : cells) {
        const char *const borders[] = { "\\clbrdrl", "\\clbrdrt", "\\clbrdrb", "\\clbrdrr" };
        for (int b = 0; b < 4; ++b)
            if (cell.Borders[b])
                put(QByteArray(borders[b]) + "\\brdrs\\brdrcf0\r\n");
        put("\\clshdng10000\\clcfpat" + QByteArray::number(colorIndex(cell.Background)) + "\\cellx"
            + QByteArray::number(cell.RightEdge) + "\r\n");
    }
    put("{\\trrh0\r\n");
    for (const RtfCell &cell : cells) {
        const char *align = cell.Alignment == taRightJustify ? "\\qr" : cell.Alignment == taCenter ? "\\qc" : "\\ql";
        QByteArray run = "\\fs" + QByteArray::number(cell.Font.Size() * 2);
        const TFontStyles style = cell.Font.Style();
        if (style & fsBold)
            run += "\\b";
        if (style & fsItalic)
            run += "\\i";
        if (style & fsStrikeOut)
            run += "\\strike";
        if (style & fsUnderline)
            run += "\\ul";
        run += "\\f" + QByteArray::number(fontIndex(cell.Font.Name())) + "\\cf"
            + QByteArray::number(colorIndex(cell.Font.Color())) + "\\cb"
            + QByteArray::number(colorIndex(cell.Background)) + ' ' + RtfEscapedText(cell.Text);
        put("\\pard\\intbl{" + QByteArray(align) + "\\sb" + margin + "\\sa" + margin + run + "\\cell}\r\n");
    }
    put("\\pard\\intbl\\row}\r\n");
}

void TDBGridEhExportAsRTF::outputMultiTitle(const TColumnsEhList &columns)
{
    // Each column's path through the title tree, top level first.
    QList<QList<THeadTreeNode *>> paths;
    int depth = 1;
    for (TColumnEh *column : columns) {
        QList<THeadTreeNode *> path;
        for (THeadTreeNode *node = DBGridEh->LeafFieldArr(DBGridEh->Columns().IndexOf(column)); node && node->Host;
             node = node->Host)
            path.prepend(node);
        depth = std::max(depth, int(path.size()));
        paths << path;
    }
    // The node a cell shows: a path shorter than the deepest continues its last node down.
    const auto nodeAt = [&](int c, int r) -> THeadTreeNode * {
        if (c < 0 || c >= paths.size() || r < 0 || r >= depth || paths[c].isEmpty())
            return nullptr;
        return paths[c][std::min(r, int(paths[c].size()) - 1)];
    };
    const int dpi = std::max(1, DBGridEh->logicalDpiX());
    const QByteArray margin
        = QByteArray::number(int(std::trunc(double(DBGridEh->VTitleMargin()) / 2 / dpi * 1440.0 - 20)));
    const QList<int> edges = rightEdges(columns);
    for (int r = 0; r < depth; ++r) {
        QList<RtfCell> cells;
        for (int c = 0; c < columns.size(); ++c) {
            THeadTreeNode *node = nodeAt(c, r);
            const auto same = [&](int c2, int r2) { return node && nodeAt(c2, r2) == node; };
            RtfCell cell;
            cell.Alignment = taCenter;
            cell.RightEdge = edges[c];
            const bool bottom = r == depth - 1;
            cell.Background = bottom ? columns[c]->Title().Color() : DBGridEh->FixedColor();
            cell.Font.Assign(bottom ? columns[c]->Title().Font() : DBGridEh->TitleFont());
            // A merged node is written once, in its top-left cell.
            if (node && !same(c - 1, r) && !same(c, r - 1))
                cell.Text = node->Text;
            cell.Borders[0] = !same(c - 1, r);
            cell.Borders[1] = !same(c, r - 1);
            cell.Borders[2] = !same(c, r + 1);
            cell.Borders[3] = !same(c + 1, r);
            cells << cell;
        }
        writeRow(cells, margin);
    }
}

void TDBGridEhExportAsRTF::OutputTitle(const TColumnsEhList &columns)
{
    if (DBGridEh->UseMultiTitle()) {
        outputMultiTitle(columns);
        return;
    }
    const QList<int> edges = rightEdges(columns);
    QList<RtfCell> cells;
    for (int i = 0; i < columns.size(); ++i) {
        const TColumnTitleEh &title = columns[i]->Title();
        RtfCell cell;
        cell.Text = title.Caption();
        cell.Alignment = title.Alignment();
        cell.Background = title.Color();
        cell.Font.Assign(title.Font());
        cell.RightEdge = edges[i];
        cells << cell;
    }
    writeRow(cells);
}

void TDBGridEhExportAsRTF::OutputRecord(const TColumnsEhList &columns)
{
    m_row.clear();
    TDBGridEhExport::OutputRecord(columns);
    const QList<int> edges = rightEdges(columns);
    for (int i = 0; i < m_row.size() && i < edges.size(); ++i)
        m_row[i].RightEdge = edges[i];
    writeRow(m_row);
}

void TDBGridEhExportAsRTF::OutputDataCell(TColumnEh *, const TColCellParamsEh &params)
{
    RtfCell cell;
    cell.Text = params.Text;
    cell.Alignment = params.Alignment;
    cell.Background = params.Background;
    cell.Font.Assign(params.Font);
    m_row << cell;
}

void TDBGridEhExportAsRTF::OutputFooter(const TColumnsEhList &columns, int footerRow)
{
    m_row.clear();
    TDBGridEhExport::OutputFooter(columns, footerRow);
    const QList<int> edges = rightEdges(columns);
    for (int i = 0; i < m_row.size() && i < edges.size(); ++i)
        m_row[i].RightEdge = edges[i];
    writeRow(m_row);
}

void TDBGridEhExportAsRTF::OutputFooterCell(
    int, int, const QString &text, TAlignment alignment, TColor background, const TFont &font, TColumnEh *)
{
    RtfCell cell;
    cell.Text = text;
    cell.Alignment = alignment;
    cell.Background = background;
    cell.Font.Assign(font);
    m_row << cell;
}

void TDBGridEhExportAsRTF::EndOutput()
{
    QByteArray head = "{\\rtf0\\ansi\\ansicpg1251\r\n{\\colortbl";
    for (const QRgb rgb : m_colors)
        head += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb)) + "\\blue"
            + QByteArray::number(qBlue(rgb)) + ';';
    head += "}\r\n{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i)
        head += "\\f" + QByteArray::number(i) + "\\fnil " + RtfEscapedText(m_fonts[i]) + ';';
    head += "}\r\n";
    Write(head);
    Write(m_body);
    Write(QByteArrayLiteral("}"));
}

// ---- VCLDBIF -------------------------------------------------------------------------------------------------

void TDBGridEhExportAsVCLDBIF::BeginOutput()
{
    Write(QByteArrayLiteral("VCLDBIF\x01"));
    Stream().WriteInt32(qint32(ExpCols().size()));
    for (TColumnEh *column : ExpCols()) {
        Stream().WriteByte(column->Visible() ? 1 : 0);
        Stream().WriteByte(0); // the name is written empty
    }
}

void TDBGridEhExportAsVCLDBIF::OutputRecord(const TColumnsEhList &columns)
{
    TDataSet *ds = DataSet();
    for (TColumnEh *column : columns) {
        TField *field = column->GetField();
        if (field && field->Lookup() && !field->KeyFields().isEmpty())
            field = ds->FindField(SplitFieldNames(field->KeyFields()).value(0));
        if (!field) {
            Stream().WriteByte(1);
            continue;
        }
        const TFieldType type = field->DataType();
        const auto text = [&](quint8 tag, const QByteArray &bytes) {
            Stream().WriteByte(tag);
            Stream().WriteInt32(qint32(bytes.size()));
            Write(bytes);
        };
        switch (type) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftFloat:
        case ftCurrency:
        case ftBCD:
        case ftDate:
        case ftTime:
        case ftDateTime:
        case ftString:
        case ftBoolean:
        case ftMemo:
        case ftFixedChar:
        case ftLargeint:
        case ftOraClob:
        case ftGuid:
        case ftBytes:
        case ftVarBytes:
        case ftBlob:
        case ftGraphic:
        case ftFmtMemo:
        case ftParadoxOle:
        case ftDBaseOle:
        case ftTypedBinary:
        case ftWideString:
        case ftOraBlob:
            if (field->IsNull()) {
                Stream().WriteByte(2);
                continue;
            }
            break;
        default:
            Stream().WriteByte(1);
            continue;
        }
        switch (type) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
            Stream().WriteByte(3);
            Stream().WriteInt32(field->AsInteger());
            break;
        case ftFloat:
        case ftCurrency:
        case ftBCD:
        case ftDate:
        case ftTime:
        case ftDateTime:
            Stream().WriteByte(4);
            Stream().WriteDouble(field->AsFloat());
            break;
        case ftString:
        case ftBoolean:
        case ftMemo:
        case ftFixedChar:
        case ftLargeint:
        case ftOraClob:
        case ftGuid:
            text(5, field->AsString().toUtf8());
            break;
        default: {
            const QVariant v = field->Value();
            text(6, v.typeId() == QMetaType::QByteArray ? v.toByteArray() : field->AsString().toUtf8());
            break;
        }
        }
    }
}

void TDBGridEhExportAsVCLDBIF::EndOutput()
{
    Stream().WriteByte(0);
}

// ---- Entry points --------------------------------------------------------------------------------------------

void ExportGridToStream(TDBGridEhExportClass exportClass, TCustomDBGridEh *grid, TStream &stream, bool exportAll)
{
    std::unique_ptr<TDBGridEhExport> exporter = exportClass();
    exporter->DBGridEh = grid;
    exporter->ExportData(stream, exportAll);
}

void ExportGridToFile(TDBGridEhExportClass exportClass, TCustomDBGridEh *grid, const QString &fileName, bool exportAll)
{
    std::unique_ptr<TDBGridEhExport> exporter = exportClass();
    exporter->DBGridEh = grid;
    exporter->ExportDataToFile(fileName, exportAll);
}
