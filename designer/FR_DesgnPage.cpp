// The design surface: its place in the window, its painting, and the selection it keeps.
#include "FR_Desgn.h"

#include "FR_PageF.h"

#include <QPainter>
#include <QPaintEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include <utility>

namespace {

constexpr TColor MarkTeal = 0x808000;

// The grid tile: the background with black dots at the grid's points, every 4 pixels for a step of 4 and every 8
// for the other small steps. It is wide, so that the page fills in long runs, and made again only when the
// background or the step changes.
const QImage &GridTile(const QColor &background, int step)
{
    static QImage tile;
    static QRgb tileBackground = 0;
    static int tilePitch = 0;
    const int pitch = step == 4 ? 4 : 8;
    if (tile.isNull() || tileBackground != background.rgba() || tilePitch != pitch) {
        tile = QImage(64, 64, QImage::Format_RGB32);
        tile.fill(background);
        for (int y = 0; y < tile.height(); y += pitch)
            for (int x = 0; x < tile.width(); x += pitch)
                tile.setPixel(x, y, qRgb(0, 0, 0));
        tileBackground = background.rgba();
        tilePitch = pitch;
    }
    return tile;
}

// Drawn twice, an XOR shape leaves the page as it was; drawn once over white it shows in the inverted colour.
void XorRect(QPainter &p, const QRect &r)
{
    if (r.width() <= 1 || r.height() <= 1)
        p.drawLine(r.topLeft(), QPoint(r.left() + std::max(0, r.width() - 1), r.top() + std::max(0, r.height() - 1)));
    else
        p.drawRect(r.adjusted(0, 0, -1, -1));
}

} // namespace

// ---- The selection, kept in the objects' Selected flags -------------------------------------------------------

void TfrDesignerForm::Unselect()
{
    if (Page)
        for (int i = 0; i < Page->ObjectCount(); ++i)
            Page->Object(i)->IsSelected = false;
    PageView->SelectedCount = 0;
}

void TfrDesignerForm::SelectAll()
{
    if (!Page)
        return;
    for (int i = 0; i < Page->ObjectCount(); ++i)
        Page->Object(i)->IsSelected = true;
    PageView->SelectedCount = Page->ObjectCount();
}

void TfrDesignerForm::ResetSelection()
{
    Unselect();
    PageView->LastSelected = nullptr;
    PageView->CalcSelectionBounds();
    SelectionChanged();
}

int TfrDesignerForm::TopSelectedIndex() const
{
    if (!Page)
        return -1;
    for (int i = Page->ObjectCount() - 1; i >= 0; --i)
        if (Page->Object(i)->IsSelected)
            return i;
    return Page->ObjectCount() - 1;
}

TfrView *TfrDesignerForm::TopSelected() const
{
    const int i = TopSelectedIndex();
    return i >= 0 ? Page->Object(i) : nullptr;
}

std::vector<TfrView *> TfrDesignerForm::SelectedObjects() const
{
    std::vector<TfrView *> out;
    if (Page)
        for (int i = 0; i < Page->ObjectCount(); ++i)
            if (Page->Object(i)->IsSelected)
                out.push_back(Page->Object(i));
    return out;
}

bool TfrDesignerForm::MayMove(const TfrView *view) const
{
    return !(DesignerRestrictions & drNoMove) && !(view->Restrictions & orNoMove);
}

bool TfrDesignerForm::MayResize(const TfrView *view) const
{
    return !(DesignerRestrictions & drNoResize) && !(view->Restrictions & orNoResize);
}

bool TfrDesignerForm::MayDelete(const TfrView *view) const
{
    return !(DesignerRestrictions & drNoDelete) && !(view->Restrictions & orNoDelete);
}

bool TfrDesignerForm::EditingAllowed() const
{
    const TfrView *top = TopSelected();
    return !(DesignerRestrictions & drNoEdit) && !(top && (top->Restrictions & orNoContents));
}

// ---- The surface -----------------------------------------------------------------------------------------------

TfrDesignerPage::TfrDesignerPage(TfrDesignerForm *designer, QWidget *parent)
    : QWidget(parent)
    , Designer(designer)
{
    setObjectName(QStringLiteral("PageView"));
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
}

void TfrDesignerPage::Draw(const QRegion &region)
{
    if (region.isEmpty()) {
        m_layerFresh = QRegion();
        update();
    } else {
        m_layerFresh -= region;
        update(region);
    }
}

void TfrDesignerPage::DrawMarks()
{
    m_marksOnly = true;
    update();
}

void TfrDesignerPage::PlacePage()
{
    TfrPage *page = Designer->Page;
    if (!page || NoPaint)
        return;
    if (page->Type == 1) {
        if (parentWidget())
            setGeometry(parentWidget()->rect());
        return;
    }
    const int width = page->PrnInfo.PaperWidthUnits;
    const int height = page->PrnInfo.PaperHeightUnits * (Designer->UnlimitedHeight ? 3 : 1);
    QScrollArea *box = Designer->ScrollBox1;
    const int left = DesignGeometry::PageLeft(box->viewport()->width(), width, Designer->PagePosition);
    constexpr int top = 10;
    setGeometry(left, top, width, height);
    // The page is reachable whole, with a margin of 10 around it.
    box->widget()->resize(
        std::max(box->viewport()->width(), left + width + 10), std::max(box->viewport()->height(), top + height + 10));
}

QPoint TfrDesignerPage::SnapToGrid(const QPoint &point) const
{
    return DesignGeometry::SnapToGrid(point, Designer->GridSizeX, Designer->GridAlign);
}

void TfrDesignerPage::CalcSelectionBounds()
{
    RightBottom = -1;
    LeftTop = QPoint(10000, 10000);
    GroupBoundsValid = false;
    TfrPage *page = Designer->Page;
    if (!page || SelectedCount < 2)
        return;
    int right = -100000, bottom = -100000;
    for (int i = 0; i < page->ObjectCount(); ++i) {
        TfrView *v = page->Object(i);
        if (!v->IsSelected)
            continue;
        v->SavedLeft = v->Left;
        v->SavedTop = v->Top;
        v->SavedWidth = v->Width;
        v->SavedHeight = v->Height;
        LeftTop.setX(std::min(LeftTop.x(), v->Left));
        LeftTop.setY(std::min(LeftTop.y(), v->Top));
        const int r = v->Left + v->Width, b = v->Top + v->Height;
        if (r > right || (r == right && b > bottom)) {
            right = r;
            bottom = b;
            RightBottom = i;
        }
    }
    GroupBounds = QRect(LeftTop.x(), LeftTop.y(), right - LeftTop.x(), bottom - LeftTop.y());
    ActionRect = ActionRectAtStart = GroupBounds;
    GroupBoundsValid = true;
}

void TfrDesignerPage::ResetMouseState()
{
    Down = false;
    SkipNextDown = false;
    RubberBand = false;
    ResizeState = DesignGeometry::rsNone;
    LinePreview = false;
    FramesShown = false;
    SetCursorKind(ckDefault);
}

void TfrDesignerPage::SetCursorKind(TCursorKind kind)
{
    m_cursor = kind;
    switch (kind) {
    case ckCross:
        setCursor(Qt::CrossCursor);
        break;
    case ckPencil:
        setCursor(QCursor(QPixmap(QStringLiteral(":/window/PENCIL")), 1, 11));
        break;
    case ckSizeNWSE:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case ckSizeNESW:
        setCursor(Qt::SizeBDiagCursor);
        break;
    case ckSizeWE:
        setCursor(Qt::SizeHorCursor);
        break;
    case ckSizeNS:
        setCursor(Qt::SizeVerCursor);
        break;
    case ckSplit:
        setCursor(Qt::SplitHCursor);
        break;
    case ckDefault:
        unsetCursor();
        break;
    }
}

QRegion TfrDesignerPage::SelectionRegion() const
{
    // Many objects reach over most of the page: all of it is drawn again, which costs less than gathering their
    // region, as a drag or an undo of many objects does.
    if (SelectedCount > 100)
        return QRegion(rect());
    QRegion r;
    for (TfrView *v : Designer->SelectedObjects())
        r += v->GetClipRegion(true);
    return r;
}

void TfrDesignerPage::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const bool marksOnly = std::exchange(m_marksOnly, false);
    if (NoPaint || !Designer->Page) {
        painter.fillRect(event->rect(), palette().window());
        return;
    }
    // The objects are painted into the layer and shown from there, so that a change of the selection alone
    // repaints only its marks over them. Any other repaint draws the objects anew: it may follow a change that
    // nothing has announced.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_layer.size() != pixels) {
        m_layer = QImage(pixels, QImage::Format_RGB32);
        m_layer.setDevicePixelRatio(ratio);
        m_layerFresh = QRegion();
    }
    const QRect rect = event->rect();
    const QRegion stale = marksOnly ? QRegion(rect) - m_layerFresh : QRegion(rect);
    if (!stale.isEmpty()) {
        // Painted apart and copied in: objects set clips of their own, which must not reach past the stale part.
        const QRect painted = stale.boundingRect();
        QImage part((QSizeF(painted.size()) * ratio).toSize(), QImage::Format_RGB32);
        part.setDevicePixelRatio(ratio);
        {
            QPainter partPainter(&part);
            partPainter.translate(-painted.topLeft());
            PaintObjects(partPainter, painted);
        }
        QPainter layer(&m_layer);
        layer.setCompositionMode(QPainter::CompositionMode_Source);
        layer.drawImage(painted.topLeft(), part);
        m_layerFresh += painted;
    }
    painter.drawImage(
        QPointF(rect.topLeft()), m_layer, QRectF(QPointF(rect.topLeft()) * ratio, QSizeF(rect.size()) * ratio));
    PaintOverlay(painter, rect);
}

void TfrDesignerPage::PaintPage(QPainter &painter, const QRect &rect)
{
    PaintObjects(painter, rect);
    PaintOverlay(painter, rect);
}

void TfrDesignerPage::PaintObjects(QPainter &painter, const QRect &rect)
{
    TfrPage *page = Designer->Page;
    painter.save();
    painter.setClipRect(rect);
    PaintBackground(painter, rect);
    static const QImage scriptMark(QStringLiteral(":/window/SCRIPT"));
    static const QImage highlightMark(QStringLiteral(":/window/HIGHLIGHT"));
    QPainterCanvas canvas(&painter);
    // From the bottom of the z-order up: a transparent object shows what lies beneath it. Bands lie beneath
    // everything else, wherever they stand in the list.
    for (const bool bands : { true, false })
        for (int i = 0; i < page->ObjectCount(); ++i) {
            TfrView *v = page->Object(i);
            if ((v->TypeCode == 2) != bands || !v->GetClipRegion(false).boundingRect().intersects(rect))
                continue;
            v->Draw(canvas);
            if (!v->Script.isEmpty())
                painter.drawImage(v->Left + 1, v->Top + 1, scriptMark);
            if (auto *memo = dynamic_cast<TfrMemoView *>(v); memo && !memo->HighlightCondition.isEmpty())
                painter.drawImage(v->Left + 1, v->Top + 10, highlightMark);
        }
    painter.restore();
}

void TfrDesignerPage::PaintOverlay(QPainter &painter, const QRect &rect)
{
    painter.save();
    painter.setClipRect(rect);
    if (!Down)
        PaintMarks(painter);
    PaintActionShapes(painter);
    painter.restore();
}

void TfrDesignerPage::PaintBackground(QPainter &painter, const QRect &rect)
{
    TfrPage *page = Designer->Page;
    const QColor background = page->Type == 1 ? toQColor(page->Color) : QColor(Qt::white);
    const int step = Designer->GridSizeX;
    if (!Designer->ShowGrid) {
        painter.fillRect(rect, background);
    } else if (step != 18) {
        painter.setBrushOrigin(0, 0);
        painter.fillRect(rect, QBrush(GridTile(background, step)));
    } else {
        painter.fillRect(rect, background);
        painter.setPen(Qt::black);
        for (int y = rect.top() - rect.top() % step; y <= rect.bottom(); y += step)
            for (int x = rect.left() - rect.left() % step; x <= rect.right(); x += step)
                painter.drawPoint(x, y);
    }
    if (page->Type == 1)
        return;
    painter.setBrush(Qt::NoBrush);
    const int l = page->PrintAreaLeft(), r = page->PrintAreaRight(), t = page->PrintAreaTop(),
              b = page->PrintAreaBottom();
    if (page->MarginsUsed) {
        painter.setPen(QPen(toQColor(clGray), 1, Qt::SolidLine));
        painter.drawRect(QRect(QPoint(l, t), QPoint(r, b)));
    }
    if (page->Columns >= 2) {
        const int width = (r - l - (page->Columns - 1) * page->ColumnGap) / page->Columns;
        painter.setPen(QPen(toQColor(clGray), 1, Qt::DotLine));
        int x = l;
        for (int i = 0; i < page->Columns; ++i) {
            painter.drawRect(QRect(QPoint(x, t - 1), QPoint(x + width + 1, b + 1)));
            x += width + page->ColumnGap;
        }
    }
}

void TfrDesignerPage::PaintMarks(QPainter &painter)
{
    if (SelectionHidden || SelectedCount == 0)
        return;
    TfrPage *page = Designer->Page;
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(Qt::NoPen);
    auto dot = [&painter](int x, int y, const QColor &c) { painter.fillRect(QRect(x - 2, y - 2, 5, 5), c); };
    for (int i = 0; i < page->ObjectCount(); ++i) {
        const TfrView *v = page->Object(i);
        if (!v->IsSelected)
            continue;
        const int x = v->Left, y = v->Top, dx = v->Width, dy = v->Height;
        dot(x, y, Qt::white);
        if (dx != 0 && dy != 0) {
            dot(x + dx, y, Qt::white);
            dot(x, y + dy, Qt::white);
        }
        dot(x + dx, y + dy, i == RightBottom ? toQColor(MarkTeal) : QColor(Qt::white));
        if (SelectedCount == 1 && dx != 0 && dy != 0) {
            dot(x + dx / 2, y, Qt::white);
            dot(x + dx / 2, y + dy, Qt::white);
            dot(x, y + dy / 2, Qt::white);
            dot(x + dx, y + dy / 2, Qt::white);
        }
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TfrDesignerPage::PaintActionShapes(QPainter &painter)
{
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(toQColor(clSilver), 1));
    const bool reportPage = Designer->Page->Type == 0;
    if ((RubberBand && Down) || (GhostShown && reportPage)) {
        const QRect r = ActionRect.normalized();
        XorRect(painter, QRect(r.x(), r.y(), r.width() + 1, r.height() + 1));
    }
    if (m_cursor == ckSplit && Down)
        painter.drawLine(SplitRect);
    if (FramesShown)
        for (const TfrView *v : Designer->SelectedObjects())
            XorRect(painter, QRect(v->Left, v->Top, v->Width + 1, v->Height + 1));
    if (LinePreview) {
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.setPen(QPen(Qt::black, std::max(1, DesignGeometry::RoundEven(LastUsed.LineWidth))));
        const QPoint from = ActionRect.topLeft();
        const int w = ActionRect.width(), h = ActionRect.height();
        painter.drawLine(
            from, std::abs(h) >= std::abs(w) ? QPoint(from.x(), from.y() + h) : QPoint(from.x() + w, from.y()));
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TfrDesignerPage::RepaintChanged(const QRegion &before)
{
    Draw(before + SelectionRegion());
}
