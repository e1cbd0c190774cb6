// Incremental search: typed letters move the grid to the first record whose text in the current column starts
// with them; the search ends after a pause, on Enter, Esc or F2, or when the record is moved by other means.
#include "DBGridEh.h"

#include "Formats.h"
#include "Guard.h"

#include <QTimerEvent>

#include <algorithm>

void TCustomDBGridEh::restartIncSearchTimer(int timeout)
{
    m_incSearchTimer.stop();
    if (timeout >= 0)
        m_incSearchTimer.start(timeout, this);
}

void TCustomDBGridEh::IncrementalSearch(const QString &text, int timeout, int direction)
{
    TDataSet *ds = m_dataLink->DataSet();
    const int dataCol = SelectedIndex();
    if (!m_dataLink->Active() || !ds || dataCol < 0 || dataCol >= Columns().Count())
        return;
    TColumnEh *column = Columns()[dataCol];
    const QString wanted = m_incSearchText + text;
    const QString wantedUpper = TextToUpper(wanted);
    const auto matches = [&] { return TextToUpper(column->GetColumnDisplayText().left(wanted.size())) == wantedUpper; };
    QString matched = m_incSearchText;
    m_searchMoving = true;
    try {
        if (!wanted.isEmpty()) {
            if (!matches() || direction != 0) {
                // Where the window stands: its middle record and the current record's distance from it, so that
                // a search without a match leaves the same records on the same rows.
                const int shown = m_dataLink->RecordCount();
                const int middleRow = std::min((m_dataLink->BufferCount() - 1) / 2, std::max(0, shown - 1));
                QByteArray middle;
                WithRecordOfRow(middleRow, [&] { middle = ds->ReadBookmark(); });
                const int distance = m_dataLink->ActiveRecord() - middleRow;
                ds->DisableControls();
                const QByteArray saved = ds->GetBookmark();
                bool found = false;
                const bool backwards = direction == 2;
                const auto stepOnce = [&] {
                    const int position = ds->CurrentPosition();
                    backwards ? ds->Prior() : ds->Next();
                    return ds->CurrentPosition() != position && !ds->Eof();
                };
                try {
                    bool valid = true;
                    if (direction == 0)
                        ds->First();
                    else
                        valid = stepOnce();
                    while (valid) {
                        if (matches()) {
                            found = true;
                            break;
                        }
                        valid = stepOnce();
                    }
                    if (found)
                        matched = column->GetColumnDisplayText().left(wanted.size());
                    else if (!middle.isEmpty() && ds->BookmarkValid(middle)) {
                        ds->GotoBookmark(middle);
                        ds->MoveBy(distance);
                    } else if (!saved.isEmpty()) {
                        ds->GotoBookmark(saved);
                    }
                } catch (...) {
                    ds->EnableControls();
                    throw;
                }
                ds->EnableControls();
            } else {
                matched = column->GetColumnDisplayText().left(wanted.size());
            }
        }
    } catch (...) {
        m_searchMoving = false;
        throw;
    }
    m_searchMoving = false;
    HideEditor();
    m_incSearching = true;
    m_incSearchText = matched;
    m_incSearchTimeOut = timeout;
    InvalidateRow(Row());
    restartIncSearchTimer(timeout);
}

void TCustomDBGridEh::timerEvent(QTimerEvent *event)
try {
    const HandlerEdge edge;
    if (event->timerId() == m_incSearchTimer.timerId()) {
        m_incSearchTimer.stop();
        SafeCall([&] { StopIncrementalSearch(); });
        return;
    }
    if (event->timerId() == m_autoScrollTimer.timerId()) {
        SafeCall([&] { AutoScrollStep(); });
        return;
    }
    TCustomGrid::timerEvent(event);
} catch (...) {
    endAtHandlerEdge();
}
