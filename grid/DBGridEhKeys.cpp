// Keyboard of the data grid: records by the dataset's cursor, columns by the grid's current column, selections
// stretched with Shift, the shortcuts of search and copying, and the clipboard keys.
#include "DBGridEh.h"

#include "Guard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScopedValueRollback>

namespace {

// A record entered by Insert or Append that nobody has typed into yet.
bool untouchedNewRecord(const TDataSet &dataSet, const TGridDataLinkEh &link)
{
    return dataSet.State() == dsInsert && !dataSet.Modified() && !link.Modified();
}

// The new record sits after every other one (it was appended, or inserted at the end).
bool newRecordAtEnd(const TDataSet &dataSet)
{
    return dataSet.CurrentPosition() >= dataSet.RecordCount();
}

// The key left of Enter gives ' in the Latin layout and another letter in the Russian one; the copy shortcut
// is matched by the key's place as well as by its character.
#ifdef Q_OS_WIN
constexpr quint32 kApostropheScanCode = 0x28;
constexpr quint32 kApostropheVirtualKey = 222;
#else
constexpr quint32 kApostropheScanCode = 48;
constexpr quint32 kApostropheVirtualKey = 0x27;
#endif

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool matchesShortcut(const QKeyCombination &shortcut, int key, Qt::KeyboardModifiers shift)
{
    const Qt::KeyboardModifiers mods = shift & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    const int wanted = int(shortcut.key());
    const bool sameKey = key == wanted || (isEnter(key) && isEnter(wanted));
    return sameKey && mods == shortcut.keyboardModifiers();
}

} // namespace

bool TCustomDBGridEh::UntouchedNewRecord() const
{
    const TDataSet *dataSet = m_dataLink->DataSet();
    return dataSet && untouchedNewRecord(*dataSet, *m_dataLink);
}

bool TCustomDBGridEh::CanAddByKey() const
{
    const TDataSet *dataSet = m_dataLink->DataSet();
    return (m_dbOptions & dgEditing) && !m_readOnly && !m_dataLink->ReadOnly() && dataSet && dataSet->CanModify();
}

bool TCustomDBGridEh::CanAppendByKey() const
{
    return CanAddByKey() && (AllowedOperations & alopAppendEh);
}

void TCustomDBGridEh::ResetEditedRecord()
{
    if (m_dataLink->Modified()) {
        // Only the editor's text changed: the cell shows the record's value again.
        m_dataLink->SetModified(false);
        InvalidateEditor();
    } else if (TDataSet *dataSet = m_dataLink->DataSet()) {
        dataSet->Cancel();
    }
}

void TCustomDBGridEh::SelectCol(int dataCol, int direction)
{
    const int count = Columns().Count();
    if (count == 0)
        return;
    dataCol = std::clamp(dataCol, 0, count - 1);
    if (direction != 0) {
        // A column of width 0 takes no room on screen: the move goes on past it, or stays where it was.
        int probe = dataCol;
        while (probe >= 0 && probe < count && ColWidths(probe + m_indicatorOffset) <= 0)
            probe += direction;
        if (probe < 0 || probe >= count)
            return;
        dataCol = probe;
    }
    const int before = SelectedIndex();
    if (dataCol == before)
        return;
    if (m_dataLink->Active() && m_dataLink->Modified())
        m_dataLink->UpdateRecord();
    ColExit();
    // A handler that moved the current column itself has the last word.
    if (SelectedIndex() != before)
        return;
    if (!AlwaysShowsEditor())
        HideEditor();
    if (dataCol + m_indicatorOffset < ColCount())
        SetCol(dataCol + m_indicatorOffset);
    const TColCellKindEh kind = Columns()[dataCol]->GetCellKind();
    if (AlwaysShowsEditor() && kind != ckCheckBoxEh && kind != ckImageEh)
        ShowEditor();
    ColEnter();
    StopIncrementalSearch();
}

bool TCustomDBGridEh::matchesCopyFromAbove(int key, Qt::KeyboardModifiers shift) const
{
    if (matchesShortcut(DBGridEhCopyFromAboveShortCut, key, shift))
        return true;
    const Qt::KeyboardModifiers mods = shift & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    return mods == DBGridEhCopyFromAboveShortCut.keyboardModifiers()
        && DBGridEhCopyFromAboveShortCut.key() == Qt::Key_Apostrophe
        && (m_lastScanCode == kApostropheScanCode || m_lastVirtualKey == kApostropheVirtualKey);
}

void TCustomDBGridEh::keyPressEvent(QKeyEvent *event)
try {
    const HandlerEdge edge;
    // Cleared again also when the key fails, so a later key is not read by this one's codes.
    const QScopedValueRollback scanCode(m_lastScanCode, event->nativeScanCode());
    const QScopedValueRollback virtualKey(m_lastVirtualKey, event->nativeVirtualKey());
    TCustomGrid::keyPressEvent(event);
} catch (...) {
    endAtHandlerEdge();
}

bool TCustomDBGridEh::PreviewEditorMessage(QWidget *editor, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *ke = static_cast<QKeyEvent *>(event);
        m_lastScanCode = ke->nativeScanCode();
        m_lastVirtualKey = ke->nativeVirtualKey();
    }
    return TCustomGrid::PreviewEditorMessage(editor, event);
}

void TCustomDBGridEh::CopyValueFromAbove()
{
    TDataSet *ds = m_dataLink->DataSet();
    const int dataCol = SelectedIndex();
    if (!ds || m_dataLink->ActiveRecord() <= 0 || dataCol < 0 || dataCol >= Columns().Count())
        return;
    TColumnEh *column = Columns()[dataCol];
    TField *field = column->GetField();
    if (!field)
        return;
    QVariant value;
    const bool lookup = field->Lookup() && !field->KeyFields().isEmpty();
    WithRecordOfRow(m_dataLink->ActiveRecord() - 1,
                    [&] { value = lookup ? ds->FieldValues(field->KeyFields()) : field->Value(); });
    if (!column->CanModify(true))
        return;
    m_selection->Clear();
    if (lookup)
        ds->SetFieldValues(field->KeyFields(), value);
    else
        field->SetValue(value);
    ShowEditor();
    if (InplaceEditor()) {
        InvalidateEditor();
        InplaceEditor()->selectAll();
    }
}

// Step 5 of the keys: the shortcuts and the keys of a running incremental search.
bool TCustomDBGridEh::keyDownShortcuts(int &key, Qt::KeyboardModifiers shift)
{
    const bool plain = !(shift & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier));
    if (matchesCopyFromAbove(key, shift)) {
        CopyValueFromAbove();
        return true;
    }
    if ((m_optionsEh & dghIncSearch) && matchesShortcut(DBGridEhIncSearchShortCut, key, shift)) {
        if (m_incSearching && (m_optionsEh & dghDialogFind)
            && DBGridEhIncSearchShortCut == DBGridEhFindDialogShortCut) {
            StopIncrementalSearch();
            ShowFindDialog();
        } else {
            m_incSearchText.clear();
            IncrementalSearch(QString(), -1, 0);
        }
        return true;
    }
    if ((m_optionsEh & dghDialogFind) && matchesShortcut(DBGridEhFindDialogShortCut, key, shift)) {
        ShowFindDialog();
        return true;
    }
    if (!m_incSearching)
        return false;
    if (plain && (isEnter(key) || key == Qt::Key_Escape || key == Qt::Key_F2)) {
        StopIncrementalSearch();
        return true;
    }
    if (plain && key == Qt::Key_Backspace) {
        m_incSearchText.chop(1);
        InvalidateRow(Row());
        restartIncSearchTimer(m_incSearchTimeOut);
        return true;
    }
    if (matchesShortcut(DBGridEhSearchNextShortCut, key, shift)) {
        IncrementalSearch(QString(), m_incSearchTimeOut, 1);
        return true;
    }
    if (matchesShortcut(DBGridEhSearchPriorShortCut, key, shift)) {
        IncrementalSearch(QString(), m_incSearchTimeOut, 2);
        return true;
    }
    return false;
}

void TCustomDBGridEh::extendByKeys(int distance, bool toEnd, Qt::KeyboardModifiers shift)
{
    TDataSet *ds = m_dataLink->DataSet();
    const auto move = [&] {
        if (toEnd)
            distance > 0 ? ds->Last() : ds->First();
        else
            m_dataLink->MoveBy(distance);
    };
    const bool extend = (shift & Qt::ShiftModifier) && (m_dbOptions & dgMultiSelect);
    if (!extend) {
        ClearSelectionOnMove();
        move();
        return;
    }
    if (SelectionKindUsable(gstRectangle)) {
        // The corner where the gesture began stays; the other follows the current cell.
        TDBGridEhSelectionRect &rect = m_selection->Rect();
        if (m_selection->SelectionType() != gstRectangle)
            rect.SelectCell(SelectedIndex(), ds->GetBookmark(), false);
        move();
        rect.SelectCell(SelectedIndex(), ds->GetBookmark(), true);
    } else if (SelectionKindUsable(gstRecordBookmarks)) {
        MoveBySelecting(distance, toEnd);
    } else {
        move();
    }
}

// Step 6 of the keys: with Ctrl.
bool TCustomDBGridEh::keyDownWithCtrl(int &key, Qt::KeyboardModifiers shift)
{
    TDataSet *ds = m_dataLink->DataSet();
    const bool withShift = shift & Qt::ShiftModifier;
    const bool multi = m_dbOptions & dgMultiSelect;
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!withShift)
            ClearSelectionOnMove();
        break;
    default:
        break;
    }
    const auto windowMove = [&](int distance) {
        if (withShift && multi)
            MoveBySelecting(distance, false);
        else
            m_dataLink->MoveBy(distance);
    };
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        windowMove(-m_dataLink->ActiveRecord());
        return true;
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        windowMove(m_dataLink->RecordCount() - 1 - m_dataLink->ActiveRecord());
        return true;
    case Qt::Key_Home:
        if (withShift && multi)
            extendByKeys(-1, true, shift);
        else
            ds->First();
        return true;
    case Qt::Key_End:
        if (withShift && multi)
            extendByKeys(1, true, shift);
        else
            ds->Last();
        return true;
    case Qt::Key_Left:
        SelectCol(0, 1);
        return true;
    case Qt::Key_Right:
        SelectCol(Columns().Count() - 1, -1);
        return true;
    case Qt::Key_Insert:
    case Qt::Key_C:
        ExecuteEditAction(geaCopyEh);
        return true;
    case Qt::Key_Delete:
        if (!ExecuteEditAction(geaDeleteEh))
            DeleteCurrentOrSelected();
        return true;
    case Qt::Key_A:
        ExecuteEditAction(geaSelectAllEh);
        return true;
    case Qt::Key_V:
        if (m_incSearching)
            IncrementalSearch(QGuiApplication::clipboard()->text(), m_incSearchTimeOut, 0);
        else
            ExecuteEditAction(geaPasteEh);
        return true;
    case Qt::Key_X:
        ExecuteEditAction(geaCutEh);
        return true;
    default:
        return false;
    }
}

void TCustomDBGridEh::KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    m_toggleMode = (shift & Qt::ControlModifier) || !(m_optionsEh & dghClearSelection);
    m_lastKeyShift = shift;
    if (OnKeyDown) {
        SafeCall([&] { OnKeyDown(this, key, shift); });
        if (key == 0)
            return;
    }
    if (layoutDirection() == Qt::RightToLeft) {
        if (key == Qt::Key_Left)
            key = Qt::Key_Right;
        else if (key == Qt::Key_Right)
            key = Qt::Key_Left;
    }
    TDataSet *dataSet = m_dataLink->DataSet();
    if (!m_dataLink->Active() || !dataSet)
        return;
    if (keyDownShortcuts(key, shift)) {
        key = 0;
        return;
    }
    const bool ctrl = shift & Qt::ControlModifier;
    const bool withShift = shift & Qt::ShiftModifier;
    const bool multi = m_dbOptions & dgMultiSelect;
    const int lastCol = Columns().Count() - 1;
    const bool rowSelect = m_dbOptions & dgRowSelect;

    const auto recordUp = [&] {
        if (untouchedNewRecord(*dataSet, *m_dataLink) && newRecordAtEnd(*dataSet))
            dataSet->Cancel();
        else
            m_dataLink->MoveBy(-1);
    };
    const auto recordDown = [&] {
        if (untouchedNewRecord(*dataSet, *m_dataLink)) {
            // An empty new record at the end stays: Down cannot append a second one after it.
            if (!newRecordAtEnd(*dataSet))
                dataSet->Cancel();
            return;
        }
        m_dataLink->MoveBy(1);
        if (dataSet->Eof() && CanAppendByKey())
            dataSet->Append();
    };

    // Tab runs on to the next record's first column only when there is a record to run on to.
    const auto movesRecord = [&](const auto &move) {
        const int position = dataSet->CurrentPosition();
        const TDataSetState state = dataSet->State();
        move();
        return dataSet->CurrentPosition() != position || dataSet->State() != state;
    };
    const auto tabMove = [&](bool backwards) {
        ClearSelectionOnMove();
        if (backwards) {
            if (SelectedIndex() > 0)
                SelectCol(SelectedIndex() - 1, -1);
            else if (movesRecord(recordUp))
                SelectCol(lastCol, -1);
        } else if (SelectedIndex() < lastCol) {
            SelectCol(SelectedIndex() + 1, 1);
        } else if (movesRecord(recordDown)) {
            SelectCol(0, 1);
        }
    };
    const auto sideways = [&](int dataCol, int direction) {
        if (withShift && multi && SelectionKindUsable(gstRectangle)) {
            TDBGridEhSelectionRect &rect = m_selection->Rect();
            if (m_selection->SelectionType() != gstRectangle)
                rect.SelectCell(SelectedIndex(), dataSet->GetBookmark(), false);
            SelectCol(dataCol, direction);
            rect.SelectCell(SelectedIndex(), dataSet->GetBookmark(), true);
        } else {
            ClearSelectionOnMove();
            SelectCol(dataCol, direction);
        }
    };

    bool handled = true;
    if (ctrl) {
        handled = keyDownWithCtrl(key, shift);
    } else {
        switch (key) {
        case Qt::Key_Tab:
            if (!(m_dbOptions & dgTabs) || (shift & Qt::AltModifier))
                handled = false;
            else
                tabMove(withShift);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_optionsEh & dghEnterAsTab)
                tabMove(withShift);
            else
                handled = false;
            break;
        case Qt::Key_Escape:
            ResetEditedRecord();
            m_selection->Clear();
            if (!(m_dbOptions & dgAlwaysShowEditor))
                HideEditor();
            if (m_trackMode != tmNoneEh || GridState() != gsNormal)
                CancelMode();
            break;
        case Qt::Key_Insert:
            if (withShift) {
                if (m_incSearching)
                    IncrementalSearch(QGuiApplication::clipboard()->text(), m_incSearchTimeOut, 0);
                else
                    ExecuteEditAction(geaPasteEh);
            } else if (!CanAddByKey()) {
                handled = false;
            } else if (AllowedOperations & (alopInsertEh | alopAppendEh)) {
                m_selection->Clear();
                if (AllowedOperations & alopInsertEh)
                    dataSet->Insert();
                else
                    dataSet->Append();
            }
            break;
        case Qt::Key_Delete:
            if (withShift) {
                ExecuteEditAction(geaCutEh);
            } else if (!rowSelect && SelectedIndex() >= 0 && SelectedIndex() <= lastCol) {
                TColumnEh *column = Columns()[SelectedIndex()];
                const TColCellKindEh kind = column->GetCellKind();
                TField *field = column->GetField();
                if ((kind == ckCheckBoxEh || kind == ckImageEh) && field && !field->Required()
                    && column->CanModify(true))
                    field->Clear();
                else
                    handled = false;
            } else {
                handled = false;
            }
            break;
        case Qt::Key_Up:
            if (withShift && multi && !untouchedNewRecord(*dataSet, *m_dataLink)) {
                extendByKeys(-1, false, shift);
            } else {
                ClearSelectionOnMove();
                recordUp();
                // Up from the first record goes on into the filter row.
                if (shift == Qt::NoModifier && m_stFilter->Visible() && dataSet->Bof())
                    EnterFilterRow(SelectedIndex());
            }
            break;
        case Qt::Key_Down:
            if (withShift && multi && !untouchedNewRecord(*dataSet, *m_dataLink)) {
                extendByKeys(1, false, shift);
            } else {
                ClearSelectionOnMove();
                recordDown();
            }
            break;
        case Qt::Key_PageUp:
            extendByKeys(-std::max(1, GetDataRowCount()), false, shift);
            break;
        case Qt::Key_PageDown:
            extendByKeys(std::max(1, GetDataRowCount()), false, shift);
            break;
        case Qt::Key_Home:
            if (lastCol <= 0 || rowSelect)
                extendByKeys(-1, true, shift);
            else
                sideways(0, 1);
            break;
        case Qt::Key_End:
            if (lastCol <= 0 || rowSelect)
                extendByKeys(1, true, shift);
            else
                sideways(lastCol, -1);
            break;
        case Qt::Key_Left:
            if (rowSelect)
                SetLeftCol(std::max(LeftCol() - 1, FixedCols()));
            else
                sideways(SelectedIndex() - 1, -1);
            break;
        case Qt::Key_Right:
            if (rowSelect)
                SetLeftCol(std::min(LeftCol() + 1, ColCount() - 1));
            else
                sideways(SelectedIndex() + 1, 1);
            break;
        default:
            handled = false;
        }
    }
    if (handled)
        key = 0;
    else
        TCustomGrid::KeyDown(key, shift);
}

void TCustomDBGridEh::PreviewEditorKeyDown(QWidget *editor, int &key, Qt::KeyboardModifiers shift)
{
    if (editor && editor == filterEditorWidget()) {
        if (FilterEditorKeyDown(key, shift))
            key = 0;
        return;
    }
    TCustomGrid::PreviewEditorKeyDown(editor, key, shift);
    // Copying from the record above, and Enter moving on like Tab, work while a cell is being edited too.
    const bool enterAsTab = (m_optionsEh & dghEnterAsTab) && isEnter(key)
        && !(shift & (Qt::ControlModifier | Qt::AltModifier));
    if (key != 0 && (enterAsTab || matchesCopyFromAbove(key, shift)))
        KeyDown(key, shift);
}

void TCustomDBGridEh::PreviewEditorKeyUp(QWidget *editor, int &key, Qt::KeyboardModifiers shift)
{
    TCustomGrid::PreviewEditorKeyUp(editor, key, shift);
    if (key == Qt::Key_Control && m_sortMarkingPending)
        KeyUp(key, shift);
}

void TCustomDBGridEh::KeyUp(int &key, Qt::KeyboardModifiers shift)
{
    TCustomGrid::KeyUp(key, shift);
    // A run of Ctrl title clicks sorts once, when Ctrl is let go.
    if (key == Qt::Key_Control && m_sortMarkingPending) {
        m_sortMarkingPending = false;
        SafeCall([&] { SortMarkingChanged(); });
    }
}
