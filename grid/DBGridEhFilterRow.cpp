// Editing the filter row: one shared editor over the filter cell of the column being filtered.

#include "DBGridEh.h"
#include "DBGridEhInplace.h"
#include "Guard.h"

#include <QKeyEvent>

// ---- TInplaceFilterEditEh ----------------------------------------------------------------------------------

TInplaceFilterEditEh::TInplaceFilterEditEh(TCustomDBGridEh *grid)
    : TDBLookupComboboxEh(grid->viewport())
{
    hide();
    QPalette pal = palette();
    pal.setColor(QPalette::Text, Qt::blue);
    QColor fixed = toQColor(grid->FixedColor());
    // The fixed colour lightened by an eighth per channel.
    fixed = QColor(fixed.red() + (255 - fixed.red()) / 8, fixed.green() + (255 - fixed.green()) / 8,
                   fixed.blue() + (255 - fixed.blue()) / 8);
    pal.setColor(QPalette::Base, fixed);
    setPalette(pal);
    SetFlat(grid->Flat());
    SetInplaceEditHolder(grid);
}

bool TInplaceFilterEditEh::event(QEvent *event)
try {
    const HandlerEdge edge;
    if (event->type() == QEvent::KeyPress) {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
            keyPressEvent(ke);
            return true;
        }
    }
    return TDBLookupComboboxEh::event(event);
} catch (...) {
    endAtHandlerEdge();
    return true;
}

void TInplaceFilterEditEh::SetValueAndText(const QVariant &value, const QString &text)
{
    SetKeyValue(value);
    SetText(text);
}

// ---- The grid's side ---------------------------------------------------------------------------------------

bool TCustomDBGridEh::CanFilterColumn(int dataCol) const
{
    if (dataCol < 0 || dataCol >= m_columns->Count())
        return false;
    const TColumnEh *column = (*m_columns)[dataCol];
    return column->Visible() && column->STFilter().Visible;
}

QWidget *TCustomDBGridEh::filterEditorWidget() const
{
    return m_filterEdit;
}

TInplaceFilterEditEh *TCustomDBGridEh::CreateFilterEditor()
{
    return new TInplaceFilterEditEh(this);
}

bool TCustomDBGridEh::FilterEditorAllowed() const
{
    return m_filterEditMode && m_selection->SelectionType() == gstNon;
}

int TCustomDBGridEh::nextFilterColumn(int from, int direction) const
{
    const int count = m_columns->Count();
    for (int step = 1; step <= count; ++step) {
        const int i = ((from + direction * step) % count + count) % count;
        if (CanFilterColumn(i))
            return i;
    }
    return -1;
}

void TCustomDBGridEh::EnterFilterRow(int dataCol)
{
    if (!m_stFilter->Visible() || !CanFilterColumn(dataCol))
        return;
    if (TDataSet *ds = m_dataLink->DataSet(); ds && ds->Active() && ds->State() != dsBrowse)
        ds->Cancel();
    if (!m_filterEdit)
        m_filterEdit = CreateFilterEditor();
    if (m_filterEdit->isVisible() && m_filterCol >= 0) {
        StoreFilterCellValue(m_filterCol);
        m_filterEdit->hide();
    }
    const int old = m_filterCol;
    m_filterCol = dataCol;
    m_filterEditMode = true;
    HideEditor();
    BeginUpdate();
    if (m_dbOptions & dgRowSelect) {
        const int col = dataCol + m_indicatorOffset;
        if (col < LeftCol())
            SetLeftCol(col);
    } else {
        SetSelectedIndex(dataCol);
    }
    EndUpdate();
    Q_UNUSED(old);
    viewport()->update();
    PlaceFilterEditor(true);
}

void TCustomDBGridEh::PlaceFilterEditor(bool focus)
{
    if (m_stFilter->UpdateCount() > 0 || !m_filterEdit)
        return;
    if (!m_stFilter->Visible() || !CanFilterColumn(m_filterCol) || !m_filterEditMode) {
        if (m_filterEditMode)
            LeaveFilterRow();
        return;
    }
    if (!FilterEditorAllowed()) {
        m_filterEdit->hide();
        return;
    }
    if (focus) {
        SetupFilterEditor(m_filterCol);
        m_filterEdit->show();
        m_filterEdit->setFocus(Qt::OtherFocusReason);
        m_filterEdit->SelectAll();
    }
    const int row = HasTitleRow() ? 1 : 0;
    QRect r = CellRect(m_filterCol + m_indicatorOffset, row);
    r.adjust(1, 0, 0, 0);
    m_filterEdit->setGeometry(r);
    m_filterEdit->show();
}

void TCustomDBGridEh::SetupFilterEditor(int dataCol)
{
    TColumnEh *column = (*m_columns)[dataCol];
    TSTColumnFilterEh &filter = column->STFilter();
    if (filter.HasListSource()) {
        m_filterEdit->SetListSource(filter.ListSource());
        m_filterEdit->SetListField(filter.ListField);
        if (!filter.KeyField.isEmpty()) {
            m_filterEdit->SetKeyField(filter.KeyField);
            m_filterEdit->SetStyle(csDropDownListEh);
        } else {
            m_filterEdit->SetKeyField(filter.ListField);
            m_filterEdit->SetStyle(csDropDownEh);
        }
        m_filterEdit->EditButton()->SetVisible(true);
        m_filterEdit->DropDownBox().Sizable = true;
        m_filterEdit->SetValueAndText(filter.KeyValues(), filter.FilterCellText());
    } else {
        m_filterEdit->SetListSource(nullptr);
        m_filterEdit->SetStyle(csDropDownEh);
        m_filterEdit->EditButton()->SetVisible(false);
        m_filterEdit->SetValueAndText(QVariant(), filter.FilterCellText());
    }
}

void TCustomDBGridEh::LeaveFilterRow()
{
    if (m_stFilter->UpdateCount() > 0)
        return;
    if (m_filterEdit && m_filterEdit->isVisible()) {
        const bool hadFocus = m_filterEdit->hasFocus();
        m_filterEdit->hide();
        if (hadFocus)
            setFocus(Qt::OtherFocusReason);
        if (m_filterCol >= 0)
            StoreFilterCellValue(m_filterCol);
        viewport()->update();
    }
    m_filterEditMode = false;
    if (AlwaysShowsEditor())
        ShowEditor();
    else
        HideEditor();
}

void TCustomDBGridEh::StoreFilterCellValue(int dataCol)
{
    if (!m_filterEdit || dataCol < 0 || dataCol >= m_columns->Count())
        return;
    TSTColumnFilterEh &filter = (*m_columns)[dataCol]->STFilter();
    if (filter.HasListSource() && !filter.KeyField.isEmpty())
        filter.SetFilterKeyValue(m_filterEdit->text(), m_filterEdit->KeyValue());
    else if (m_filterEdit->text() != filter.FilterCellText())
        filter.SetFilterText(m_filterEdit->text());
}

void TCustomDBGridEh::ApplyFilterRow()
{
    const int leftCol = LeftCol();
    const auto restore = [&] {
        SetLeftCol(std::max(leftCol, IndicatorCols() + FrozenCols()));
        PlaceFilterEditor(true);
        if (m_sumList->Active())
            m_sumList->RecalcAllSums();
        viewport()->update();
        update();
    };
    try {
        if (m_filterCol >= 0)
            StoreFilterCellValue(m_filterCol);
        ApplyFilter();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TCustomDBGridEh::PreviewEditorKeyPress(QWidget *editor, QChar &key)
{
    TCustomGrid::PreviewEditorKeyPress(editor, key);
    if (editor && editor == filterEditorWidget() && key == QChar('\r')) {
        key = QChar();
        // The error reaches the user here: a key handler never lets it cross the event loop.
        SafeCall([this] { ApplyFilterRow(); });
    }
}

bool TCustomDBGridEh::FilterEditorKeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (!m_filterEdit || m_filterEdit->ListVisible())
        return false;
    const bool ctrl = shift & Qt::ControlModifier;
    const QString text = m_filterEdit->text();
    const bool noSelection = !m_filterEdit->hasSelectedText();
    const int caret = m_filterEdit->cursorPosition();
    const auto moveTo = [&](int dataCol) {
        if (dataCol >= 0)
            EnterFilterRow(dataCol);
    };
    const auto firstFilterable = [&] { return nextFilterColumn(-1, 1); };
    const auto lastFilterable = [&] { return nextFilterColumn(m_columns->Count(), -1); };
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (!(m_dbOptions & dgTabs))
            return false;
        moveTo(nextFilterColumn(m_filterCol, (key == Qt::Key_Backtab || (shift & Qt::ShiftModifier)) ? -1 : 1));
        return true;
    case Qt::Key_Right:
        if (ctrl) {
            moveTo(lastFilterable());
            return true;
        }
        if (noSelection && caret == text.size()) {
            const int next = nextFilterColumn(m_filterCol, 1);
            if (next > m_filterCol)
                moveTo(next);
            return true;
        }
        return false;
    case Qt::Key_Left:
        if (ctrl) {
            moveTo(firstFilterable());
            return true;
        }
        if (noSelection && caret == 0) {
            const int prev = nextFilterColumn(m_filterCol, -1);
            if (prev < m_filterCol)
                moveTo(prev);
            return true;
        }
        return false;
    case Qt::Key_End:
        if (ctrl || (noSelection && caret == text.size())) {
            moveTo(lastFilterable());
            return true;
        }
        return false;
    case Qt::Key_Home:
        if (ctrl || (noSelection && caret == 0)) {
            moveTo(firstFilterable());
            return true;
        }
        return false;
    case Qt::Key_Up:
        return shift == Qt::NoModifier;
    case Qt::Key_Down:
        if ((shift == Qt::NoModifier || shift == Qt::ControlModifier) && m_dataLink->Active()) {
            SetSelectedIndex(m_filterCol);
            if (shift == Qt::NoModifier && m_dataLink->DataSet())
                m_dataLink->MoveBy(-m_dataLink->ActiveRecord());
            LeaveFilterRow();
            setFocus(Qt::OtherFocusReason);
            return true;
        }
        return false;
    case Qt::Key_F2:
        m_filterEdit->deselect();
        m_filterEdit->setCursorPosition(int(text.size()));
        return true;
    default:
        return false;
    }
}
