// Keyboard navigation of the data grid: records by the dataset's cursor, columns by the grid's current column.
#include "DBGridEh.h"

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

} // namespace

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
    SetSelectedIndex(dataCol);
}

void TCustomDBGridEh::KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    if (layoutDirection() == Qt::RightToLeft) {
        if (key == Qt::Key_Left)
            key = Qt::Key_Right;
        else if (key == Qt::Key_Right)
            key = Qt::Key_Left;
    }
    TDataSet *dataSet = m_dataLink->DataSet();
    if (!m_dataLink->Active() || !dataSet)
        return;
    const bool ctrl = shift & Qt::ControlModifier;
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

    bool handled = true;
    if (ctrl) {
        switch (key) {
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            m_dataLink->MoveBy(-m_dataLink->ActiveRecord());
            break;
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            m_dataLink->MoveBy(m_dataLink->RecordCount() - 1 - m_dataLink->ActiveRecord());
            break;
        case Qt::Key_Home:
            dataSet->First();
            break;
        case Qt::Key_End:
            dataSet->Last();
            break;
        case Qt::Key_Left:
            SelectCol(0, 1);
            break;
        case Qt::Key_Right:
            SelectCol(lastCol, -1);
            break;
        default:
            handled = false;
        }
    } else {
        switch (key) {
        case Qt::Key_Tab:
            if (!(m_dbOptions & dgTabs) || (shift & Qt::AltModifier)) {
                handled = false;
                break;
            }
            if (shift & Qt::ShiftModifier) {
                if (SelectedIndex() > 0)
                    SelectCol(SelectedIndex() - 1, -1);
                else if (movesRecord(recordUp))
                    SelectCol(lastCol, -1);
            } else if (SelectedIndex() < lastCol) {
                SelectCol(SelectedIndex() + 1, 1);
            } else if (movesRecord(recordDown)) {
                SelectCol(0, 1);
            }
            break;
        case Qt::Key_Escape:
            ResetEditedRecord();
            if (!(m_dbOptions & dgAlwaysShowEditor))
                HideEditor();
            break;
        case Qt::Key_Insert:
            if ((shift & Qt::ShiftModifier) || !CanAddByKey()) {
                handled = false;
            } else if (AllowedOperations & alopInsertEh) {
                dataSet->Insert();
            } else if (AllowedOperations & alopAppendEh) {
                dataSet->Append();
            }
            break;
        case Qt::Key_Up:
            recordUp();
            break;
        case Qt::Key_Down:
            recordDown();
            break;
        case Qt::Key_PageUp:
            m_dataLink->MoveBy(-std::max(1, GetDataRowCount()));
            break;
        case Qt::Key_PageDown:
            m_dataLink->MoveBy(std::max(1, GetDataRowCount()));
            break;
        case Qt::Key_Home:
            if (lastCol <= 0 || rowSelect)
                dataSet->First();
            else
                SelectCol(0, 1);
            break;
        case Qt::Key_End:
            if (lastCol <= 0 || rowSelect)
                dataSet->Last();
            else
                SelectCol(lastCol, -1);
            break;
        case Qt::Key_Left:
            if (rowSelect)
                SetLeftCol(std::max(LeftCol() - 1, FixedCols()));
            else
                SelectCol(SelectedIndex() - 1, -1);
            break;
        case Qt::Key_Right:
            if (rowSelect)
                SetLeftCol(std::min(LeftCol() + 1, ColCount() - 1));
            else
                SelectCol(SelectedIndex() + 1, 1);
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
