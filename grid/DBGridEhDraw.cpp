// Drawing of the data grid: grid lines by region, indicator, title, data, spacer and footer cells, 3D frames,
// selection colours, the incremental-search highlight and the text routines.
#include "DBGridEh.h"

#include "Formats.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kGlyph = 10;

QPixmap newGlyph(const QColor &background = Qt::transparent)
{
    QPixmap pixmap(kGlyph, kGlyph);
    pixmap.fill(background);
    return pixmap;
}

QPixmap arrowGlyph(const QColor &color, const QColor &background = Qt::transparent)
{
    QPixmap pixmap = newGlyph(background);
    QPainter p(&pixmap);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const QPoint points[] = {{3, 1}, {7, 5}, {3, 9}};
    p.drawPolygon(points, 3);
    return pixmap;
}

QPixmap editGlyph()
{
    QPixmap pixmap = newGlyph();
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.drawLine(5, 1, 5, 8);
    p.drawLine(3, 1, 7, 1);
    p.drawLine(3, 8, 7, 8);
    return pixmap;
}

QPixmap insertGlyph()
{
    QPixmap pixmap = newGlyph();
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.drawLine(5, 1, 5, 8);
    p.drawLine(1, 5, 8, 5);
    p.drawLine(2, 2, 8, 8);
    p.drawLine(2, 8, 8, 2);
    return pixmap;
}

QPixmap dotGlyph(bool withArrow)
{
    QPixmap pixmap = withArrow ? arrowGlyph(Qt::black) : newGlyph();
    QPainter p(&pixmap);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(withArrow ? QRect(0, 3, 3, 3) : QRect(3, 3, 4, 4));
    return pixmap;
}

QPixmap markerGlyph(bool down)
{
    QPixmap pixmap(8, 8);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(128, 128, 128));
    p.setBrush(QColor(128, 128, 128));
    if (down) {
        const QPoint points[] = {{0, 2}, {7, 2}, {3, 6}};
        p.drawPolygon(points, 3);
    } else {
        const QPoint points[] = {{0, 6}, {7, 6}, {3, 2}};
        p.drawPolygon(points, 3);
    }
    return pixmap;
}

Qt::Alignment horzAlignment(TAlignment a)
{
    switch (a) {
    case taRightJustify:
        return Qt::AlignRight;
    case taCenter:
        return Qt::AlignHCenter;
    case taLeftJustify:
        break;
    }
    return Qt::AlignLeft;
}

} // namespace

const TImageList &IndicatorImagesEh()
{
    static const TImageList list = [] {
        TImageList l(kGlyph, kGlyph);
        l.Add(arrowGlyph(Qt::black));
        l.Add(editGlyph());
        l.Add(insertGlyph());
        l.Add(dotGlyph(false));
        l.Add(dotGlyph(true));
        l.Add(arrowGlyph(Qt::white));
        l.Add(arrowGlyph(Qt::white, QColor(0, 127, 127)));
        return l;
    }();
    return list;
}

const TImageList &SortMarkerImagesEh()
{
    static const TImageList list = [] {
        TImageList l(8, 8);
        l.Add(markerGlyph(true));
        l.Add(markerGlyph(false));
        return l;
    }();
    return list;
}

const TFont &SortIndexFontEh()
{
    static const TFont font = [] {
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(SortMarkerImagesEh().Height() - 1);
        return TFont(f);
    }();
    return font;
}

TColor BlendTowards(TColor color, TColor towards, bool darken)
{
    const TColor c = ColorToRGB(color);
    const TColor t = ColorToRGB(towards);
    auto channel = [darken](int value, int target) {
        double c1 = value + (target - value) * 0.5;
        double c2 = c1 + (225 - c1) * 0.6;
        if (darken)
            c2 = c2 - (122 - c2) * 0.25;
        return std::clamp(int(std::lround(c2)), 0, 255);
    };
    const int r = channel(c & 0xFF, t & 0xFF);
    const int g = channel((c >> 8) & 0xFF, (t >> 8) & 0xFF);
    const int b = channel((c >> 16) & 0xFF, (t >> 16) & 0xFF);
    return TColor(r | (g << 8) | (b << 16));
}

QString ShortenWithEllipsis(const QString &text, const QFont &font, int width)
{
    const QFontMetrics fm(font);
    if (fm.horizontalAdvance(text) <= width)
        return text;
    QString shortened = text;
    while (!shortened.isEmpty() && fm.horizontalAdvance(shortened + QStringLiteral("...")) > width)
        shortened.chop(1);
    return shortened + QStringLiteral("...");
}

void TDBGridEhStyle::DataCellSelectionColors(bool gridFocused, bool currentHighlighted, TColor &background,
                                             TColor &fontColor) const
{
    if (!gridFocused) {
        if (currentHighlighted) {
            background = clBtnShadow;
            fontColor = clHighlightText;
        } else {
            background = ManyColours ? BlendTowards(background, clBtnShadow, false) : clBtnFace;
        }
        return;
    }
    if (LightenSelection && ManyColours && !currentHighlighted) {
        background = BlendTowards(background, clHighlight, true);
        return;
    }
    background = clHighlight;
    fontColor = clHighlightText;
}

// ---- Text ----------------------------------------------------------------------------------------------------

void TCustomDBGridEh::DrawCellText(QPainter &painter, const QRect &rect, const QString &text, TAlignment alignment,
                                   int dx, int dy, bool wordWrap, bool endEllipsis)
{
    if (text.isEmpty() || rect.width() <= 0)
        return;
    QRect area = rect.adjusted(dx, dy, alignment == taRightJustify ? -3 : -dx, 0);
    if (layoutDirection() == Qt::RightToLeft && alignment != taCenter)
        alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    int flags = horzAlignment(alignment) | Qt::AlignTop | Qt::TextExpandTabs;
    QString shown = text;
    if (wordWrap)
        flags |= Qt::TextWordWrap;
    else if (endEllipsis)
        shown = ShortenWithEllipsis(text, painter.font(), area.width());
    painter.drawText(area.intersected(rect), flags, shown);
}

void TCustomDBGridEh::DrawCellTextVertical(QPainter &painter, const QRect &rect, const QString &text,
                                           TAlignment alignment, int dx, int dy, bool endEllipsis)
{
    if (text.isEmpty() || rect.width() <= 0 || rect.height() <= 0)
        return;
    const QFontMetrics fm(painter.font());
    // The rotated line is as wide as the font is high; it is placed across the cell by the alignment.
    const int lineWidth = fm.height();
    if (layoutDirection() == Qt::RightToLeft && alignment != taCenter)
        alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    const int x = alignment == taRightJustify ? rect.right() + 1 - lineWidth - 3
        : alignment == taCenter               ? rect.left() + (rect.width() - lineWidth) / 2
                                              : rect.left() + dx;
    const int length = rect.height() - 2 * dy;
    const QString shown = endEllipsis ? ShortenWithEllipsis(text, painter.font(), length) : text;
    painter.save();
    painter.setClipRect(rect, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    // Bottom-up: the text starts at the cell's bottom and reads upwards, the tops of the letters to the left.
    painter.translate(x, rect.bottom() + 1 - dy);
    painter.rotate(-90);
    painter.drawText(QPoint(0, fm.ascent()), shown);
    painter.restore();
}

// ---- Paint ---------------------------------------------------------------------------------------------------

void TCustomDBGridEh::Paint(QPainter &painter, const QRect &clip)
{
    if (m_inLayout || m_layoutLock > 0)
        return;
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int fixedX = info.Horz.FixedBoundary;
    const int fixedY = info.Vert.FixedBoundary;
    const int gridX = info.Horz.GridBoundary;
    const int gridY = info.Vert.GridBoundary;
    const int vline = info.Horz.EffectiveLineWidth;
    const int indicatorX = m_indicatorOffset > 0 ? ColWidths(0) + vline : 0;
    const QColor fixedLine = m_flat ? QColor(128, 128, 128) : QColor(0, 0, 0);
    const QColor dataLine = ColorToRGB(Color()) == clSilver ? QColor(128, 128, 128) : QColor(192, 192, 192);
    const QColor fixedFill = toQColor(FixedColor());
    const QColor dataFill = toQColor(Color());
    const bool colLines = m_dbOptions & dgColLines;
    const bool rowLines = m_dbOptions & dgRowLines;
    const bool frozenFixedLook = m_optionsEh & dghFrozen3D;

    DrawLines(painter, info, 0, 0, 0, 0, indicatorX, fixedY, colLines, rowLines, fixedLine, fixedFill);
    DrawLines(painter, info, m_indicatorOffset, 0, indicatorX, 0, fixedX, fixedY, colLines, rowLines, fixedLine,
              fixedFill);
    DrawLines(painter, info, LeftCol(), 0, fixedX, 0, gridX, fixedY, colLines, rowLines, fixedLine, fixedFill);
    DrawLines(painter, info, 0, TopRow(), 0, fixedY, indicatorX, gridY, colLines, rowLines, fixedLine, fixedFill);
    if (fixedX > indicatorX)
        DrawLines(painter, info, m_indicatorOffset, TopRow(), indicatorX, fixedY, fixedX, gridY, colLines, rowLines,
                  frozenFixedLook ? fixedLine : dataLine, dataFill);
    DrawLines(painter, info, LeftCol(), TopRow(), fixedX, fixedY, gridX, gridY, colLines, rowLines, dataLine,
              dataFill);
    const int firstFooter = FirstFooterRow();
    int footerY = -1;
    if (firstFooter > 0) {
        footerY = CellRect(0, firstFooter).top();
        if (footerY >= 0 && ((m_optionsEh & dghFooter3D) || m_footerColor == clBtnFace)) {
            DrawLines(painter, info, m_indicatorOffset, firstFooter, indicatorX, footerY, fixedX, gridY, colLines,
                      rowLines, fixedLine, fixedFill);
            DrawLines(painter, info, LeftCol(), firstFooter, fixedX, footerY, gridX, gridY, colLines, rowLines,
                      fixedLine, fixedFill);
            if (rowLines)
                painter.fillRect(QRect(indicatorX, footerY - info.Vert.EffectiveLineWidth, gridX - indicatorX,
                                       info.Vert.EffectiveLineWidth),
                                 fixedLine);
        }
    }

    DrawCells(painter, clip, info, 0, 0, 0, 0, indicatorX, fixedY, FixedColor(), gdFixed);
    DrawCells(painter, clip, info, m_indicatorOffset, 0, indicatorX, 0, fixedX, fixedY, FixedColor(), gdFixed);
    DrawCells(painter, clip, info, LeftCol(), 0, fixedX, 0, gridX, fixedY, FixedColor(), gdFixed);
    DrawCells(painter, clip, info, 0, TopRow(), 0, fixedY, indicatorX, gridY, FixedColor(), gdFixed);
    if (fixedX > indicatorX)
        DrawCells(painter, clip, info, m_indicatorOffset, TopRow(), indicatorX, fixedY, fixedX, gridY, Color(), 0);
    DrawCells(painter, clip, info, LeftCol(), TopRow(), fixedX, fixedY, gridX, gridY, Color(), 0);

    if (gridX < ClientWidth())
        painter.fillRect(QRect(gridX, 0, ClientWidth() - gridX, ClientHeight()), dataFill);
    if (gridY < ClientHeight())
        painter.fillRect(QRect(0, gridY, gridX, ClientHeight() - gridY), dataFill);

    if (HasTitleRow() && m_useMultiTitle)
        for (THeadTreeNode *leaf : m_leafFieldArr)
            for (THeadTreeNode *p = leaf ? leaf->Host : nullptr; p; p = p->Host)
                p->Drawed = false;

    if (ShowsRowFocusRect() && TDBGridEhStyle::Instance().FocusRectEnabled) {
        const QRect row = BoxRect(FixedCols(), Row(), ColCount() - 1, Row());
        if (!row.isEmpty())
            DrawFocusRect(painter, row);
    }
    paintMouseOverlay(painter);
}

bool TCustomDBGridEh::ShowsRowFocusRect() const
{
    return (m_dbOptions & dgRowSelect) && DefaultDrawing() && IsActiveControl();
}

bool TCustomDBGridEh::IsCell3D(int col, int row, const QRect &, TGridDrawState state) const
{
    const int firstFooter = FirstFooterRow();
    const bool footer = firstFooter > 0 && row >= firstFooter;
    const bool spacer = firstFooter > 0 && row == firstFooter - 1;
    if (state & gdFixed) {
        if (m_optionsEh & dghFixed3D) {
            if (col < m_indicatorOffset && spacer)
                return (m_optionsEh & (dghData3D | dghFrozen3D)) != 0;
            if (col < m_indicatorOffset || row < TopFixedRows())
                return true;
        }
        return false;
    }
    if (footer)
        return (m_optionsEh & dghFooter3D) != 0;
    if (m_optionsEh & dghData3D)
        return !spacer;
    if ((m_optionsEh & dghFrozen3D) && col < FixedCols())
        return true;
    return false;
}

void TCustomDBGridEh::draw3DFrame(QPainter &painter, const QRect &rect, bool sunken, TColor background)
{
    if (m_flat) {
        FrameRect(painter, rect, toQColor(background));
        DrawEdge(painter, rect, sunken ? BDR_SUNKENINNER : BDR_RAISEDINNER, BF_BOTTOMRIGHT);
    } else {
        DrawEdge(painter, rect, sunken ? BDR_SUNKENINNER : BDR_RAISEDINNER, BF_RECT);
    }
}

void TCustomDBGridEh::DrawCell(QPainter &painter, int col, int row, const QRect &rect, TGridDrawState state)
{
    if (m_loading) {
        painter.fillRect(rect, toQColor(Color()));
        return;
    }
    const bool cell3D = IsCell3D(col, row, rect, state);
    const int firstFooter = FirstFooterRow();
    if (col < m_indicatorOffset) {
        if (row < TopFixedRows())
            painter.fillRect(rect, toQColor(FixedColor()));
        else
            drawIndicatorCell(painter, row, rect, state);
    } else if (HasTitleRow() && row == 0) {
        drawTitleCell(painter, col, rect, state);
    } else if (row < TopFixedRows()) {
        DrawTitleBackground(painter, col, row, rect, state);
    } else if (firstFooter > 0 && row >= firstFooter) {
        drawFooterCell(painter, col - m_indicatorOffset, row - firstFooter, rect, state);
    } else if ((firstFooter > 0 && row == firstFooter - 1) || !m_dataLink->Active()
               || row - TopFixedRows() >= m_dataLink->RecordCount()) {
        painter.fillRect(rect, toQColor(Color()));
    } else {
        drawDataCell(painter, col, row, rect, state);
    }
    if (cell3D) {
        TColor background = (state & gdFixed) ? FixedColor() : Color();
        // Under group bands only the leaf's own part is framed: the bands carry frames across their columns.
        QRect frame = rect;
        if (HasTitleRow() && row == 0 && m_useMultiTitle)
            if (THeadTreeNode *leaf = LeafFieldArr(col - m_indicatorOffset))
                for (THeadTreeNode *p = leaf->Host; p && p->Host; p = p->Host)
                    frame.setTop(frame.top() + p->Height);
        draw3DFrame(painter, frame, false, background);
    }
}

void TCustomDBGridEh::drawIndicatorCell(QPainter &painter, int row, const QRect &rect, TGridDrawState state)
{
    const int firstFooter = FirstFooterRow();
    const bool spacer = firstFooter > 0 && row == firstFooter - 1;
    TColor background = spacer && !(m_optionsEh & dghFrozen3D) ? Color() : FixedColor();
    // The indicator of a selected record is drawn highlighted.
    const bool highlighted = !spacer && IsCellSelected(0, row);
    if (highlighted) {
        TFont font;
        GetFixedCellSelectionColors(0, row, font, background, state | gdSelected);
    }
    painter.fillRect(rect, toQColor(background));
    const int dataRow = row - TopFixedRows();
    if (!m_dataLink->Active() || spacer || (firstFooter > 0 && row >= firstFooter) || dataRow < 0
        || dataRow >= m_dataLink->RecordCount() || dataRow != m_dataLink->ActiveRecord())
        return;
    int glyph = highlighted ? 5 : 0;
    switch (m_dataLink->DataSet()->State()) {
    case dsEdit:
        glyph = 1;
        break;
    case dsInsert:
        glyph = 2;
        break;
    default:
        glyph = m_incSearching ? 6 : glyph;
        break;
    }
    const TImageList &images = IndicatorImagesEh();
    images.Draw(painter, rect.right() + 1 - images.Width() - TextMargin() / 2,
                rect.top() + (rect.height() - images.Height()) / 2, glyph);
    m_indicatorRow = row;
}

void TCustomDBGridEh::DrawTitleBackground(QPainter &painter, int col, int row, const QRect &rect,
                                          TGridDrawState state)
{
    Q_UNUSED(row);
    Q_UNUSED(state);
    const int dataCol = col - m_indicatorOffset;
    const TColor background =
        dataCol >= 0 && dataCol < Columns().Count() ? Columns()[dataCol]->Title().Color() : FixedColor();
    painter.fillRect(rect, toQColor(background));
}

void TCustomDBGridEh::drawTitleCell(QPainter &painter, int col, const QRect &rect, TGridDrawState state)
{
    const int dataCol = col - m_indicatorOffset;
    if (dataCol < 0 || dataCol >= Columns().Count()) {
        painter.fillRect(rect, toQColor(FixedColor()));
        return;
    }
    TColumnEh *column = Columns()[dataCol];
    TColumnTitleEh &title = column->Title();
    TFont font;
    font.Assign(title.Font());
    TColor background = title.Color();
    TSortMarkerEh marker = title.SortMarker();
    // A title button looks pressed while the mouse holds it.
    bool down = m_titlePressed && m_pressedInside && col == m_pressedCol;
    if (OnGetBtnParams && column->GetField())
        SafeCall([&] { OnGetBtnParams(this, column, font, background, marker, down); });
    if (IsCellSelected(col, 0))
        GetFixedCellSelectionColors(col, 0, font, background, state | gdSelected);
    painter.fillRect(rect, toQColor(background));
    const int margin = TextMargin() / 2;
    const int shift = down ? ((m_useMultiTitle || m_titleHeight > 0 || m_titleLines > 0) ? 2 : 1) : 0;
    THeadTreeNode *leaf = m_useMultiTitle ? LeafFieldArr(dataCol) : nullptr;
    QRect area = rect;
    if (leaf)
        area.setTop(rect.bottom() - leaf->Height + 3);
    const bool hasImage = m_titleImages && title.ImageIndex >= 0;
    const int imageWidth = hasImage ? m_titleImages->Width() : 0;
    const bool multiSorted = m_sortMarkedColumns.size() >= 2 && title.SortIndex() > 0;
    const QString indexText = multiSorted ? QString::number(title.SortIndex()) : QString();
    int indexWidth = multiSorted ? TextWidth(SortIndexFontEh().qfont(), indexText) : 0;
    bool showGlyph = marker != smNoneEh;
    int right = area.right();
    if (showGlyph) {
        right -= 16 + indexWidth;
        if (right < area.left() + imageWidth) {
            showGlyph = false;
            right += 14 - indexWidth;
            if (right < area.left() + imageWidth) {
                right += indexWidth + 2;
                indexWidth = 0;
            }
        }
    }
    if (!showGlyph)
        indexWidth = 0;
    QRect textRect(area.left(), area.top(), right - area.left() + 1, area.height());
    painter.setFont(font.qfont());
    painter.setPen(font.qcolor());
    if (hasImage) {
        const int x = leaf || title.Alignment() == taCenter ? textRect.left() + (textRect.width() - imageWidth) / 2
            : title.Alignment() == taRightJustify          ? textRect.right() - imageWidth
                                                           : textRect.left() + margin;
        m_titleImages->Draw(painter, x + shift, textRect.top() + (textRect.height() - m_titleImages->Height()) / 2,
                            title.ImageIndex);
    } else {
        const QString caption = leaf ? leaf->Text : title.Caption();
        const bool wrap = leaf || m_titleHeight > 0 || m_titleLines > 0;
        const TAlignment alignment = leaf ? taCenter : title.Alignment();
        if (title.Orientation() == tohVertical)
            DrawCellTextVertical(painter, textRect.translated(shift, shift), caption, alignment, margin + 1, margin,
                                 title.EndEllipsis());
        else
            DrawCellText(painter, textRect.translated(shift, shift), caption, alignment, margin + 1, margin, wrap,
                         title.EndEllipsis());
    }
    if (showGlyph) {
        const TImageList &markers = SortMarkerImagesEh();
        const int x = area.right() + shift - markers.Width() - indexWidth - 2;
        markers.Draw(painter, x, area.top() + (area.height() - markers.Height()) / 2 + shift,
                     marker == smDownEh ? 0 : 1);
        if (indexWidth > 0) {
            painter.setFont(SortIndexFontEh().qfont());
            painter.setPen(Qt::black);
            painter.drawText(QRect(area.right() + shift - indexWidth - 1, area.top(), indexWidth + 1, area.height()),
                             Qt::AlignLeft | Qt::AlignVCenter, indexText);
        }
    }
    if (leaf)
        drawTitleGroups(painter, leaf, rect);
}

void TCustomDBGridEh::drawTitleGroups(QPainter &painter, THeadTreeNode *leaf, const QRect &leafRect)
{
    // Each group band spans its children's cells; every leaf draws the part of its groups above it, so that a
    // band is whole however the cells are repainted. Inside a band the leaf also covers the column line on its
    // right, so the band reads as one cell with its caption once across it.
    const QColor lineColor = m_flat ? QColor(128, 128, 128) : QColor(0, 0, 0);
    const int colLine = (m_dbOptions & dgColLines) ? GridLineWidth() : 0;
    const auto edgeLeaf = [](THeadTreeNode *p, bool last) {
        while (p->Child) {
            p = p->Child;
            if (last)
                while (p->Next != p->Host->Child)
                    p = p->Next;
        }
        return p->Column ? p->Column->Index() : 0;
    };
    std::vector<THeadTreeNode *> chain;
    for (THeadTreeNode *p = leaf->Host; p && p->Host; p = p->Host)
        chain.insert(chain.begin(), p);
    const int leafCol = leaf->Column ? leaf->Column->Index() : 0;
    int top = leafRect.top();
    for (THeadTreeNode *group : chain) {
        // The band starts where its first leaf starts: walk back over the leaves before this one.
        const int firstCol = edgeLeaf(group, false);
        int left = leafRect.left();
        for (int c = firstCol; c < leafCol; ++c)
            left -= ColWidths(c + m_indicatorOffset) + colLine;
        QRect band(left, top, group->Width + 1, group->Height);
        if (m_optionsEh & dghFixed3D)
            band.adjust(0, 1, 0, -1);
        const int coverRight = leafCol < edgeLeaf(group, true) ? colLine : 0;
        painter.save();
        painter.setClipRect(QRect(leafRect.left(), top, leafRect.width() + coverRight, group->Height));
        painter.fillRect(band, toQColor(FixedColor()));
        painter.setFont(m_titleFont.qfont());
        painter.setPen(m_titleFont.qcolor());
        DrawCellText(painter, band, group->Text, taCenter, 2, 1, true, false);
        if (m_optionsEh & dghFixed3D)
            draw3DFrame(painter, band, false, FixedColor());
        if (m_dbOptions & dgRowLines)
            painter.fillRect(QRect(band.left(), top + group->Height - 1, band.width(), 1), lineColor);
        painter.restore();
        group->Drawed = true;
        top += group->Height;
    }
}

bool TCustomDBGridEh::GetFixedCellSelectionColors(int col, int row, TFont &font, TColor &background,
                                                   TGridDrawState state)
{
    Q_UNUSED(row);
    if (!(state & gdSelected))
        return false;
    if (col < m_indicatorOffset || col - m_indicatorOffset < Columns().Count()) {
        background = TColor(64 | (64 << 8) | (64 << 16));
        font.SetColor(clWhite);
        return true;
    }
    return false;
}

bool TCustomDBGridEh::GetDataCellSelectionColors(int dataCol, int dataRow, TFont &font, TColor &background,
                                                 TGridDrawState state)
{
    const bool focused = IsActiveControl();
    const bool rowSelect = m_dbOptions & dgRowSelect;
    const bool currentRow = m_dataLink->Active() && dataRow == CursorRecord();
    // Cells of the grid's selection are highlighted in the lighter shade; the current cell keeps the full one.
    bool highlighted = IsCellSelected(dataCol + m_indicatorOffset, dataRow + TopFixedRows());
    bool current = false;
    if ((state & gdSelected) || (rowSelect && currentRow)) {
        const bool shows = (m_dbOptions & dgAlwaysShowSelection) || (focused && (m_optionsEh & dghHighlightFocus));
        if (shows && (m_updateLock == 0 || rowSelect)) {
            highlighted = true;
            current = true;
        }
    }
    if (!highlighted && (m_optionsEh & dghRowHighlight) && currentRow)
        highlighted = true;
    if (!highlighted)
        return false;
    TColor fontColor = font.Color();
    TDBGridEhStyle::Instance().DataCellSelectionColors(focused, current, background, fontColor);
    font.SetColor(fontColor);
    return true;
}

void TCustomDBGridEh::drawDataCell(QPainter &painter, int col, int row, const QRect &rect, TGridDrawState state)
{
    const int dataCol = col - m_indicatorOffset;
    const int dataRow = row - TopFixedRows();
    if (dataCol < 0 || dataCol >= Columns().Count()) {
        painter.fillRect(rect, toQColor(Color()));
        return;
    }
    TColumnEh *column = Columns()[dataCol];
    WithRecordOfRow(dataRow, [&] {
        const bool cell3D = IsCell3D(col, row, rect, state);
        QRect area = cell3D ? rect.adjusted(1, 1, -1, -1) : rect;
        TColCellParamsEh &params = m_cellParams;
        column->FillCellParams(params);
        params.Row = dataRow;
        params.Col = dataCol;
        params.State = state;
        if (OnGetCellParams)
            SafeCall([&] { OnGetCellParams(this, column, params.Font, params.Background, state); });
        if (GetDataCellSelectionColors(dataCol, dataRow, params.Font, params.Background, state))
            state |= gdSelected;
        painter.fillRect(rect, toQColor(params.Background));
        if (column->AlwaysShowEditButton())
            drawEditButtons(painter, *column, area, cell3D);
        if (DefaultDrawing()) {
            painter.setFont(params.Font.qfont());
            painter.setPen(params.Font.qcolor());
            const TColCellKindEh kind = column->GetCellKind();
            const int margin = cell3D ? 1 : TextMargin() / 2;
            if (kind == ckCheckBoxEh) {
                const QSize box = CheckBoxGlyphSize();
                const int x = area.width() < box.width() ? area.left()
                                                        : area.left() + (area.width() - box.width()) / 2;
                const QRect boxRect(x, area.top() + (area.height() - box.height()) / 2, box.width(), box.height());
                DrawButtonControlFace(painter, boxRect, toQColor(params.Background), bfkCheckBoxEh, 0, m_flat, true,
                                      !params.ReadOnly, int(params.CheckState));
            } else if (kind == ckImageEh) {
                const TImageList *images = column->ImageList();
                images->Draw(painter, area.left() + (area.width() - images->Width()) / 2,
                             area.top() + (area.height() - images->Height()) / 2, params.ImageIndex);
            } else {
                QRect textArea = area;
                if (column->ImageList() && column->ShowImageAndText) {
                    const TImageList *images = column->ImageList();
                    const QRect strip(area.left(), area.top(), images->Width() + 4, area.height());
                    painter.fillRect(strip, toQColor(column->Color()));
                    images->Draw(painter, strip.left() + 2, strip.top() + (strip.height() - images->Height()) / 2,
                                 params.ImageIndex);
                    textArea.setLeft(strip.right() + 1);
                }
                DrawCellText(painter, textArea, params.Text, params.Alignment, margin + 1, margin,
                             column->WordWrap() && m_canWrapText, column->EndEllipsis());
                if (m_incSearching && dataRow == CursorRecord() && dataCol == SelectedIndex()
                    && !m_incSearchText.isEmpty() && (state & gdSelected) && m_updateLock == 0
                    && IsActiveControl()) {
                    // The matched beginning written again in black on yellow where the full text has it.
                    const QString prefix = params.Text.left(int(m_incSearchText.size()));
                    const QFontMetrics fm(params.Font.qfont());
                    int x = textArea.left() + margin + 1;
                    if (params.Alignment == taRightJustify)
                        x = textArea.right() - 3 - fm.horizontalAdvance(params.Text) + 1;
                    else if (params.Alignment == taCenter)
                        x = textArea.left() + (textArea.width() - fm.horizontalAdvance(params.Text)) / 2;
                    const QRect hit(x, textArea.top() + margin, fm.horizontalAdvance(prefix), fm.height());
                    painter.fillRect(hit.intersected(textArea), toQColor(clYellow));
                    painter.setPen(Qt::black);
                    painter.drawText(hit.intersected(textArea), Qt::AlignLeft | Qt::AlignTop, prefix);
                }
            }
        }
        if (OnDrawDataCell && column->IsDefaultColumn())
            SafeCall([&] { OnDrawDataCell(this, rect, column->GetField(), state); });
        if (OnDrawColumnCell)
            SafeCall([&] { OnDrawColumnCell(this, rect, dataCol, column, state); });
        if (DefaultDrawing() && (state & gdFocused) && !(m_dbOptions & dgRowSelect) && IsActiveControl()
            && m_updateLock == 0 && TDBGridEhStyle::Instance().FocusRectEnabled)
            DrawFocusRect(painter, rect);
    });
}

void TCustomDBGridEh::drawEditButtons(QPainter &painter, TColumnEh &column, QRect &rect, bool cell3D)
{
    int right = rect.right() + 1;
    auto face = [&](TButtonFaceKindEh kind, int width) {
        QRect button(right - width, rect.top(), width, std::min(m_editButtonHeight, rect.height()));
        if (cell3D)
            button.translate(1, -1);
        DrawButtonControlFace(painter, button.intersected(rect.adjusted(0, -1, 1, 0)), toQColor(column.Color()),
                              kind, 0, m_flat, true, true, 0);
        if (button.height() < rect.height())
            painter.fillRect(QRect(button.left(), button.bottom() + 1, width, rect.bottom() - button.bottom()),
                             toQColor(column.Color()));
        right -= width;
    };
    if (column.ShowsDefaultEditButton()) {
        const TButtonFaceKindEh kind = column.ButtonStyle == cbsEllipsis ? bfkEllipsisEh
            : column.ButtonStyle == cbsUpDown                            ? bfkUpDownEh
                                                                         : bfkDropDownEh;
        face(kind, m_editButtonWidth + (m_flat ? 1 : 0));
    }
    for (int i = 0; i < column.EditButtons().Count(); ++i) {
        const TEditButtonEh *button = column.EditButtons().GetItem(i);
        if (!button->Visible())
            continue;
        const TButtonFaceKindEh kind = button->Style() == ebsEllipsisEh ? bfkEllipsisEh
            : button->Style() == ebsUpDownEh                           ? bfkUpDownEh
            : button->Style() == ebsPlusEh                             ? bfkPlusEh
            : button->Style() == ebsMinusEh                            ? bfkMinusEh
                                                                       : bfkDropDownEh;
        face(kind, button->Width() >= 1 ? button->Width() : m_editButtonWidth);
    }
    rect.setRight(right - 1);
}

void TCustomDBGridEh::drawFooterCell(QPainter &painter, int dataCol, int footerRow, const QRect &rect,
                                     TGridDrawState state)
{
    if (dataCol < 0 || dataCol >= Columns().Count()) {
        painter.fillRect(rect, toQColor(m_footerColor));
        return;
    }
    TColumnEh *column = Columns()[dataCol];
    TColumnFooterEh &footer = column->UsedFooter(footerRow);
    TFont font;
    font.Assign(footer.Font());
    TColor background = footer.Color();
    TAlignment alignment = footer.Alignment();
    QString text = m_dataLink->Active() ? GetFooterText(footer, *column) : QString();
    const int row = FirstFooterRow() + footerRow;
    if (OnGetFooterParams)
        SafeCall([&] { OnGetFooterParams(this, dataCol, row, column, font, background, alignment, state, text); });
    painter.fillRect(rect, toQColor(background));
    if (DefaultDrawing()) {
        const bool cell3D = IsCell3D(dataCol + m_indicatorOffset, row, rect, state);
        const int margin = cell3D ? 1 : TextMargin() / 2;
        painter.setFont(font.qfont());
        painter.setPen(font.qcolor());
        DrawCellText(painter, rect, text, alignment, margin + 1, margin, footer.WordWrap && m_canWrapText,
                     footer.EndEllipsis);
    }
    if (OnDrawFooterCell)
        SafeCall([&] { OnDrawFooterCell(this, dataCol, row, column, rect, state); });
}

void TCustomDBGridEh::PaintFlatBorder(QPainter &painter)
{
    // A flat grid with a single border draws a sunken outer edge around itself.
    if (m_flat && Ctl3D())
        DrawEdge(painter, rect(), BDR_SUNKENOUTER, BF_RECT);
}

// ---- Texts as drawing sees them ------------------------------------------------------------------------------

QString TCustomDBGridEh::CellDrawText(int col, int row)
{
    const int dataCol = col - m_indicatorOffset;
    if (dataCol < 0 || dataCol >= Columns().Count())
        return QString();
    TColumnEh *column = Columns()[dataCol];
    if (HasTitleRow() && row == 0) {
        THeadTreeNode *leaf = m_useMultiTitle ? LeafFieldArr(dataCol) : nullptr;
        return leaf ? leaf->Text : column->Title().Caption();
    }
    const int firstFooter = FirstFooterRow();
    if (firstFooter > 0 && row >= firstFooter)
        return m_dataLink->Active() ? GetFooterText(column->UsedFooter(row - firstFooter), *column) : QString();
    const int dataRow = row - TopFixedRows();
    if (!m_dataLink->Active() || dataRow < 0 || dataRow >= m_dataLink->RecordCount()
        || (firstFooter > 0 && row == firstFooter - 1))
        return QString();
    QString text;
    WithRecordOfRow(dataRow, [&] {
        TColCellParamsEh params;
        column->FillCellParams(params);
        const TColCellKindEh kind = column->GetCellKind();
        text = kind == ckCheckBoxEh || kind == ckImageEh ? QString() : params.Text;
    });
    return text;
}
