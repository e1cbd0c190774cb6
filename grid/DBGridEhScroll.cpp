// Scrolling of the data grid (the vertical bar by record numbers or in three positions, bar actions, the wheel,
// outside bars), title hints and cell tips.
#include "DBGridEh.h"

#include "Exceptions.h"
#include "Formats.h"
#include "Guard.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QToolTip>

#include <algorithm>

namespace {
const char kAttachedGrid[] = "tarvikAttachedGrid";
}

// ---- Scroll-bar settings -------------------------------------------------------------------------------------

TDBGridEhScrollBar::TDBGridEhScrollBar(TCustomDBGridEh *grid, Qt::Orientation kind)
    : m_grid(grid)
    , m_kind(kind)
{
}

TDBGridEhScrollBar::~TDBGridEhScrollBar()
{
    detach();
}

void TDBGridEhScrollBar::SetVisible(bool value)
{
    m_visibleMode = value ? sbAutoShowEh : sbNeverShowEh;
    if (m_extScrollBar)
        m_extScrollBar->setVisible(value);
    m_grid->UpdateVertScrollBar();
    m_grid->LayoutChanged();
}

void TVertDBGridEhScrollBar::SetVisibleMode(TScrollBarVisibleModeEh value)
{
    if (value == m_visibleMode)
        return;
    m_visibleMode = value;
    Grid()->UpdateVertScrollBar();
    Grid()->LayoutChanged();
}

void TDBGridEhScrollBar::detach()
{
    QObject::disconnect(m_extConnection);
    QObject::disconnect(m_extDestroyed);
    if (m_extScrollBar)
        m_extScrollBar->setProperty(kAttachedGrid, QVariant());
    m_extScrollBar = nullptr;
}

void TDBGridEhScrollBar::SetExtScrollBar(QScrollBar *value)
{
    if (value == m_extScrollBar)
        return;
    if (value) {
        // One outside bar serves one grid: its notifications can only be passed to one of them.
        const auto *owner = value->property(kAttachedGrid).value<QObject *>();
        if (owner && owner != m_grid)
            throw Exception(QStringLiteral("Possible ") + value->objectName()
                            + QStringLiteral(" already attached to the other control."));
    }
    detach();
    m_extScrollBar = value;
    if (value) {
        value->setProperty(kAttachedGrid, QVariant::fromValue<QObject *>(m_grid));
        TCustomDBGridEh *grid = m_grid;
        if (m_kind == Qt::Vertical) {
            m_extConnection = QObject::connect(value, &QAbstractSlider::actionTriggered, grid, [grid, value](int a) {
                grid->SafeCall([&] {
                    switch (a) {
                    case QAbstractSlider::SliderSingleStepAdd:
                        grid->VertScroll(scLineDown, 0);
                        break;
                    case QAbstractSlider::SliderSingleStepSub:
                        grid->VertScroll(scLineUp, 0);
                        break;
                    case QAbstractSlider::SliderPageStepAdd:
                        grid->VertScroll(scPageDown, 0);
                        break;
                    case QAbstractSlider::SliderPageStepSub:
                        grid->VertScroll(scPageUp, 0);
                        break;
                    case QAbstractSlider::SliderMove:
                        grid->VertScroll(scThumbPosition, value->sliderPosition());
                        break;
                    default:
                        break;
                    }
                });
            });
        } else {
            m_extConnection = QObject::connect(value, &QAbstractSlider::actionTriggered, grid, [grid, value](int) {
                grid->SafeCall([&] {
                    const int span = std::max(0, grid->ColCount() - 1 - grid->FixedCols());
                    grid->SetLeftCol(grid->FixedCols() + MulDiv(value->sliderPosition(), span, 127));
                });
            });
        }
        m_extDestroyed = QObject::connect(value, &QObject::destroyed, grid, [this] {
            QObject::disconnect(m_extConnection);
            m_extScrollBar = nullptr;
            m_grid->LayoutChanged();
        });
        value->setVisible(Visible());
    }
    m_grid->UpdateVertScrollBar();
    m_grid->LayoutChanged();
}

bool TDBGridEhScrollBar::IsShown() const
{
    if (m_extScrollBar)
        return m_extScrollBar->isVisible();
    const QScrollBar *own = m_kind == Qt::Vertical ? m_grid->verticalScrollBar() : m_grid->horizontalScrollBar();
    return m_visibleMode != sbNeverShowEh && own->isVisible();
}

void TDBGridEhScrollBar::Assign(const TDBGridEhScrollBar &source)
{
    m_visibleMode = source.m_visibleMode;
    Tracking = source.Tracking;
    SetExtScrollBar(source.m_extScrollBar);
}

// ---- Vertical bar --------------------------------------------------------------------------------------------

void TCustomDBGridEh::UpdateScrollRange()
{
    TCustomGrid::UpdateScrollRange();
    if (m_vertScrollBar)
        UpdateVertScrollBar();
}

void TCustomDBGridEh::ScrollBarMoved(Qt::Orientation orientation, int value)
{
    // The vertical bar moves records, through its actions (VertScroll), never rows.
    if (orientation == Qt::Horizontal)
        TCustomGrid::ScrollBarMoved(orientation, value);
}

void TCustomDBGridEh::UpdateVertScrollBar()
{
    if (!m_vertScrollBar || m_applyingVertBar)
        return;
    TScrollInfoEh want;
    TDataSet *ds = m_dataLink->DataSet();
    if (m_dataLink->Active() && ds) {
        if (m_sumList->IsSequenced()) {
            want.Min = 1;
            want.Page = std::max(1, GetDataRowCount());
            want.Max = m_sumList->RecordCount() + want.Page - 1;
            want.Pos = ds->State() == dsBrowse || ds->State() == dsInactive ? m_sumList->GetRecNo()
                                                                              : m_vertScrollInfo.Pos;
        } else {
            want.Min = 0;
            want.Max = 4;
            want.Page = 0;
            want.Pos = ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
        }
    }
    m_vertScrollInfo = want;

    QScrollBar *ext = m_vertScrollBar->ExtScrollBar();
    const TScrollBarVisibleModeEh mode = m_vertScrollBar->VisibleMode();
    const bool unneeded = want.Min >= want.Max || want.Page >= want.Max - want.Min;
    m_applyingVertBar = true;
    auto apply = [&](QScrollBar *bar) {
        // The bar counts positions of its top: the last one leaves a page below it.
        bar->setRange(want.Min, std::max(want.Min, want.Max - std::max(0, want.Page - 1)));
        bar->setPageStep(std::max(1, want.Page));
        bar->setSingleStep(1);
        bar->setValue(want.Pos);
    };
    Qt::ScrollBarPolicy policy = Qt::ScrollBarAlwaysOff;
    if (ext) {
        apply(ext);
        verticalScrollBar()->setRange(0, 0);
    } else if (mode == sbNeverShowEh) {
        verticalScrollBar()->setRange(0, 0);
    } else {
        apply(verticalScrollBar());
        if (mode == sbAlwaysShowEh) {
            policy = Qt::ScrollBarAlwaysOn;
            verticalScrollBar()->setEnabled(!unneeded);
        } else {
            policy = unneeded ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn;
            verticalScrollBar()->setEnabled(true);
        }
    }
    if (verticalScrollBarPolicy() != policy)
        setVerticalScrollBarPolicy(policy);
    m_applyingVertBar = false;
}

void TCustomDBGridEh::VertScroll(TScrollCodeEh code, int pos)
{
    TDataSet *ds = m_dataLink->DataSet();
    if (!m_dataLink->Active() || !ds)
        return;
    const bool sequenced = m_sumList->IsSequenced();
    switch (code) {
    case scLineUp:
        m_dataLink->MoveBy(-(m_dataLink->ActiveRecord() + 1));
        break;
    case scLineDown:
        m_dataLink->MoveBy(m_dataLink->RecordCount() - m_dataLink->ActiveRecord());
        break;
    case scPageUp:
        m_dataLink->MoveBy(-GetDataRowCount());
        break;
    case scPageDown:
        m_dataLink->MoveBy(GetDataRowCount());
        break;
    case scTop:
        ds->First();
        break;
    case scBottom:
        ds->Last();
        break;
    case scThumbPosition:
        if (m_ignoreThumbRelease) {
            m_ignoreThumbRelease = false;
            break;
        }
        if (sequenced) {
            if (pos <= 1)
                ds->First();
            else if (pos >= m_sumList->RecordCount())
                ds->Last();
            else
                m_sumList->SetRecNo(pos);
        } else {
            switch (pos) {
            case 0:
                ds->First();
                break;
            case 1:
                m_dataLink->MoveBy(-GetDataRowCount());
                break;
            case 3:
                m_dataLink->MoveBy(GetDataRowCount());
                break;
            case 4:
                ds->Last();
                break;
            default:
                break;
            }
        }
        break;
    case scThumbTrack:
        if (m_vertScrollBar->Tracking && sequenced) {
            ds->MoveBy(pos - m_sumList->GetRecNo());
            m_ignoreThumbRelease = true;
        }
        break;
    case scEndScroll:
        break;
    }
    UpdateVertScrollBar();
}

void TCustomDBGridEh::UpdateHorzScrollBar()
{
    QScrollBar *ext = m_horzScrollBar ? m_horzScrollBar->ExtScrollBar() : nullptr;
    if (!ext)
        return;
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int maxLeft = CalcMaxTopLeft({ColCount() - 1, RowCount() - 1}, info).X;
    const bool allVisible = maxLeft <= FixedCols();
    ext->setRange(0, allVisible ? 0 : 127);
    ext->setPageStep(std::max(1, VisibleColCount()));
    ext->setValue(allVisible ? 0 : MulDiv(LeftCol() - FixedCols(), 127, maxLeft - FixedCols()));
}

void TCustomDBGridEh::TopLeftChanged()
{
    TCustomGrid::TopLeftChanged();
    if (HasTitleRow() && m_useMultiTitle)
        InvalidateRow(0); // group bands span the columns that scrolled
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
}

bool TCustomDBGridEh::DoMouseWheelDown(Qt::KeyboardModifiers, const QPoint &)
{
    if (m_dataLink->Active())
        m_dataLink->MoveBy(1);
    return true;
}

bool TCustomDBGridEh::DoMouseWheelUp(Qt::KeyboardModifiers, const QPoint &)
{
    if (m_dataLink->Active())
        m_dataLink->MoveBy(-1);
    return true;
}

void TCustomDBGridEh::TimedScroll(TGridScrollDirection direction)
{
    if (m_dataLink->Active() && (direction & (sdUp | sdDown))) {
        // Beyond the top or bottom edge the dataset moves, one record past the window.
        if (direction & sdUp)
            m_dataLink->MoveBy(-(m_dataLink->ActiveRecord() + 1));
        else
            m_dataLink->MoveBy(m_dataLink->RecordCount() - m_dataLink->ActiveRecord());
        direction &= ~(sdUp | sdDown);
    }
    if (direction)
        TCustomGrid::TimedScroll(direction);
}

void TCustomDBGridEh::CancelMouseTracking()
{
    StopScrollTimer();
    if (QWidget::mouseGrabber() == viewport())
        viewport()->releaseMouse();
    CancelMode();
}

void TCustomDBGridEh::StopIncrementalSearch()
{
    if (!m_incSearching && m_incSearchText.isEmpty())
        return;
    m_incSearchTimer.stop();
    m_incSearching = false;
    m_incSearchText.clear();
    InvalidateRow(Row());
    if (AlwaysShowsEditor())
        ShowEditor();
}

// ---- Hints and cell tips -------------------------------------------------------------------------------------

TGridHintEh TCustomDBGridEh::CalcHint(const QPoint &pos)
{
    TGridHintEh hint;
    const TGridCoord coord = MouseCoord(pos.x(), pos.y());
    const int dataCol = coord.X - m_indicatorOffset;
    if (coord.X < 0 || coord.Y < 0 || dataCol < 0 || dataCol >= Columns().Count())
        return hint;
    TColumnEh *column = Columns()[dataCol];
    const QRect cell = CellRect(coord.X, coord.Y);
    const int fullRight = cell.left() + ColWidths(coord.X) - 1;
    const int firstFooter = FirstFooterRow();
    const bool titleRow = HasTitleRow() && coord.Y == 0;

    if (titleRow && !column->Title().Hint.isEmpty()) {
        hint.Show = true;
        hint.TitleHint = true;
        hint.Text = column->Title().Hint.section(QLatin1Char('|'), 0, 0);
        hint.CellRect = cell;
        return hint;
    }
    if (QWidget::mouseGrabber() || (KeyboardState() & Qt::ControlModifier))
        return hint;

    QRect area = cell;
    bool alwaysShow = false;
    if (titleRow && column->Title().ToolTips()) {
        THeadTreeNode *leaf = m_useMultiTitle ? LeafFieldArr(dataCol) : nullptr;
        if (leaf && pos.y() < cell.bottom() - leaf->Height + 3)
            return hint; // over a group band, not the leaf
        hint.Text = leaf ? leaf->Text : column->Title().Caption();
        hint.Font.Assign(column->Title().Font());
        hint.Alignment = leaf ? taCenter : column->Title().Alignment();
        hint.WordWrap = leaf || m_titleHeight > 0 || m_titleLines > 0;
        area.setRight(area.right() - column->Title().SortMarkerWidth());
        if (leaf)
            area.setTop(cell.bottom() - leaf->Height + 3);
        if (column->Title().Orientation() == tohVertical) {
            // An upright title is one line along the cell's height.
            hint.WordWrap = false;
            area = QRect(area.topLeft(), area.size().transposed());
        }
    } else if (firstFooter > 0 && coord.Y >= firstFooter) {
        TColumnFooterEh &footer = column->UsedFooter(coord.Y - firstFooter);
        if (!footer.ToolTips() || !m_dataLink->Active())
            return hint;
        hint.Text = GetFooterText(footer, *column);
        hint.Font.Assign(footer.Font());
        hint.Alignment = footer.Alignment();
        hint.WordWrap = footer.WordWrap && m_canWrapText;
    } else if (coord.Y >= TopFixedRows() && m_dataLink->Active() && column->ToolTips()) {
        const int dataRow = coord.Y - TopFixedRows();
        if (dataRow >= m_dataLink->RecordCount())
            return hint;
        if (column->AlwaysShowEditButton()) {
            area.setRight(area.right() - column->EditButtonsWidth());
            if (pos.x() > area.right())
                return hint; // no tip over the edit buttons
        }
        WithRecordOfRow(dataRow, [&] {
            TColCellParamsEh params;
            column->FillCellParams(params);
            if (OnGetCellParams)
                OnGetCellParams(this, column, params.Font, params.Background, 0);
            hint.Font.Assign(params.Font);
            hint.Alignment = params.Alignment;
            hint.Text = params.Text;
            const TColCellKindEh kind = column->GetCellKind();
            if (kind == ckCheckBoxEh || kind == ckImageEh) {
                alwaysShow = true;
                hint.Alignment = taLeftJustify;
                const int index = kind == ckCheckBoxEh ? int(params.CheckState) : params.ImageIndex;
                const QStringList &picks = column->PickList();
                hint.Text = index >= 0 && index < picks.size() ? picks[index] : QString();
            }
        });
        hint.WordWrap = column->WordWrap() && m_canWrapText;
    } else {
        return hint;
    }

    const QFontMetrics fm(hint.Font.qfont());
    const int room = area.width() - (hint.WordWrap ? 4 : 2);
    const QRect need = hint.WordWrap
        ? fm.boundingRect(QRect(0, 0, std::max(1, room), 100000), Qt::TextWordWrap, hint.Text)
        : QRect(0, 0, fm.horizontalAdvance(hint.Text), fm.height());
    const int margin = TextMargin() / 2;
    bool cut = need.width() > room || need.height() > area.height() - margin + 1;
    if (hint.Alignment == taRightJustify && fullRight - cell.right() > 2)
        cut = true;
    if (!(cut || alwaysShow) || hint.Text.isEmpty())
        return hint;

    const int textWidth = need.width();
    const int fullWidth = ColWidths(coord.X);
    int left = cell.left() - 1;
    if (hint.Alignment == taRightJustify)
        left = fullRight - textWidth - 6;
    else if (hint.Alignment == taCenter)
        left = fullRight + textWidth / 2 - textWidth - (fullWidth - 4) / 2 - 5;
    hint.Show = true;
    hint.CellRect = cell;
    hint.TipPos = QPoint(left, cell.top() - (m_flat ? 2 : 1));
    hint.MaxWidth = hint.WordWrap ? cell.width() - 4 : 0;
    hint.ShowAtOnce = true;
    return hint;
}

void TCustomDBGridEh::showCellTip(const TGridHintEh &hint)
{
    if (!m_tipWindow)
        m_tipWindow = new TCellTipWindow(this);
    m_tipWindow->setWordWrap(hint.MaxWidth > 0);
    m_tipWindow->setMaximumWidth(hint.MaxWidth > 0 ? hint.MaxWidth : QWIDGETSIZE_MAX);
    m_tipWindow->ActivateTip(QRect(viewport()->mapToGlobal(hint.TipPos), QSize(1, 1)), hint.Text, hint.Font,
                             clInfoBk);
    m_tipCell = hint.CellRect;
}

TCellTipWindow *TCustomDBGridEh::CellTipWindow() const
{
    return m_tipWindow;
}

bool TCustomDBGridEh::viewportEvent(QEvent *event)
try {
    const HandlerEdge edge;
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        TGridHintEh hint;
        SafeCall([&] { hint = CalcHint(help->pos()); });
        if (!hint.Show) {
            if (m_tipWindow)
                m_tipWindow->HideTip();
            QToolTip::hideText();
            event->ignore();
        } else if (hint.TitleHint) {
            QToolTip::showText(help->globalPos(), hint.Text, viewport(), hint.CellRect);
        } else {
            showCellTip(hint);
        }
        return true;
    }
    if (event->type() == QEvent::MouseMove) {
        const auto *me = static_cast<QMouseEvent *>(event);
        const QPoint pos = me->position().toPoint();
        if (m_tipWindow && m_tipWindow->IsActive() && !m_tipCell.contains(pos))
            m_tipWindow->HideTip();
        // Cells that show tips show them at once, without the hint pause.
        if (me->buttons() == Qt::NoButton && !(m_tipWindow && m_tipWindow->IsActive())) {
            TGridHintEh hint;
            SafeCall([&] { hint = CalcHint(pos); });
            if (hint.Show && hint.ShowAtOnce)
                showCellTip(hint);
        }
    }
    if (event->type() == QEvent::Leave && m_tipWindow)
        m_tipWindow->HideTip();
    return TCustomGrid::viewportEvent(event);
} catch (...) {
    endAtHandlerEdge();
    return true;
}
