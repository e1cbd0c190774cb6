// The lookup grid's keys, incremental search, scrolling and mouse; its drop-down form.
#include "DBLookupGridsEh.h"

#include "Guard.h"
#include "Services.h"
#include "Variant.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QResizeEvent>

#include <climits>

namespace {

// One pause shared by all lookup grids: typing into another list continues no search.
quint64 g_lastSearchTick = 0;

bool AtFirstRecord(TDataSet *ds)
{
    if (ds->IsSequenced())
        return ds->RecNo() <= 1;
    if (ds->MoveBy(-1) == 0)
        return true;
    ds->MoveBy(1);
    return false;
}

} // namespace

// ---- Keys ----------------------------------------------------------------------------------------------------

void TDBLookupGridEh::moveList(int distance)
{
    if (TDataSet *ds = DataLink()->DataSet())
        ds->MoveBy(distance);
}

void TDBLookupGridEh::KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    TDataSet *ds = DataLink()->DataSet();
    if (!CanChangeKey() || !ds) {
        TCustomDBGridEh::KeyDown(key, shift);
        return;
    }
    const int visibleRows = std::max(1, GetDataRowCount());
    int distance = 0;
    switch (key) {
    case Qt::Key_PageUp:
        distance = 1 - visibleRows;
        break;
    case Qt::Key_PageDown:
        distance = visibleRows - 1;
        break;
    case Qt::Key_End:
        distance = INT_MAX;
        break;
    case Qt::Key_Home:
        distance = INT_MIN + 1;
        break;
    case Qt::Key_Up:
        distance = -1;
        break;
    case Qt::Key_Down:
        distance = 1;
        break;
    case Qt::Key_Left:
        distance = HorzScrollBar().IsShown() ? 0 : -1;
        break;
    case Qt::Key_Right:
        distance = HorzScrollBar().IsShown() ? 0 : 1;
        break;
    default:
        break;
    }
    if (distance == 0 || (shift & (Qt::AltModifier))) {
        TCustomDBGridEh::KeyDown(key, shift);
        return;
    }
    key = 0;
    m_keySearchText.clear();
    const bool specVisible = m_specRow->Visible();
    const bool specCurrent = specVisible && m_specRow->IsCurrent;
    if (distance < 0 && specCurrent) {
        ds->First();
        SelectSpecRow();
        return;
    }
    if (specCurrent) {
        // Down from the special row starts at the first record.
        ds->First();
        if (distance == INT_MAX)
            ds->Last();
        else
            ds->MoveBy(distance - 1);
    } else if (distance == INT_MAX) {
        ds->Last();
    } else if (distance == INT_MIN + 1) {
        if (specVisible) {
            ds->First();
            SelectSpecRow();
            return;
        }
        ds->First();
    } else if (!FindKeyRecord()) {
        KeyValueUpdated(); // the key is not in the list: the list is placed anew, and that is the move
    } else if (distance < 0 && specVisible && AtFirstRecord(ds)) {
        SelectSpecRow();
        return;
    } else {
        ds->MoveBy(distance);
    }
    SelectCurrentRecord();
}

void TDBLookupGridEh::KeyPress(QChar &key)
{
    if (IsLookupSearchField(m_displayListField)) {
        SearchKeyPress(key);
        if (key.unicode() >= 32)
            key = QChar();
        return;
    }
    TCustomDBGridEh::KeyPress(key);
}

void TDBLookupGridEh::SearchKeyPress(QChar key)
{
    if (!IsLookupSearchField(m_displayListField))
        return;
    if (key.unicode() == 8 || key.unicode() == 27) {
        m_keySearchText.clear();
        return;
    }
    if (key.unicode() < 32 || !CanChangeKey())
        return;
    const quint64 now = Services::clock()->tickCount();
    if (now - g_lastSearchTick > quint64(SearchPauseMs))
        m_keySearchText.clear();
    g_lastSearchTick = now;
    if (m_keySearchText.size() >= SearchTextLimit)
        return;
    const QString text = m_keySearchText + key;
    TDataSet *ds = DataLink()->DataSet();
    try {
        if (ds->Locate(m_displayListField->FieldName(), text, loCaseInsensitive | loPartialKey)) {
            ChooseKeyValue(ds->FieldValues(m_keyField));
            m_keySearchText = text;
        }
    } catch (...) {
        // The typed text stays for the next key; the failure goes on to the user.
        m_keySearchText = text;
        throw;
    }
}

void TDBLookupGridEh::VertScroll(TScrollCodeEh code, int pos)
{
    m_keySearchText.clear();
    TDataSet *ds = DataLink()->DataSet();
    if (!m_listActive || !ds)
        return;
    const int active = DataLink()->ActiveRecord();
    const int count = DataLink()->RecordCount();
    switch (code) {
    case scLineUp:
        moveList(-active - 1);
        break;
    case scLineDown:
        moveList(count - active);
        break;
    case scPageUp:
        moveList(1 - active - count);
        break;
    case scPageDown:
        moveList(2 * count - active - 2);
        break;
    case scTop:
        ds->First();
        break;
    case scBottom:
        ds->Last();
        break;
    default:
        TCustomDBGridEh::VertScroll(code, pos);
        return;
    }
    UpdateVertScrollBar();
}

bool TDBLookupGridEh::DoMouseWheelDown(Qt::KeyboardModifiers, const QPoint &)
{
    VertScroll(scLineDown, 0);
    return true;
}

bool TDBLookupGridEh::DoMouseWheelUp(Qt::KeyboardModifiers, const QPoint &)
{
    VertScroll(scLineUp, 0);
    return true;
}

// ---- Mouse ---------------------------------------------------------------------------------------------------

void TDBLookupGridEh::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    const TGridCoord at = MouseCoord(x, y);
    const bool onSpec = m_specRow->Visible() && at.Y == SpecRowGridRow() && at.X >= FixedCols();
    const bool onData = at.X >= FixedCols() && at.Y >= TopFixedRows()
                        && at.Y - TopFixedRows() < DataLink()->RecordCount();
    if (!onSpec && !onData) {
        TCustomDBGridEh::MouseDown(button, shift, x, y);
        return;
    }
    if (OnMouseDown)
        SafeCall([&] { OnMouseDown(this, button, shift, x, y); });
    if (button != Qt::LeftButton)
        return;
    m_keySearchText.clear();
    if (!m_noFocusOnClick && !hasFocus()) {
        setFocus(Qt::MouseFocusReason);
        if (!hasFocus() && window()->isActiveWindow())
            return;
    }
    if (!CanChangeKey() || InDoubleClick())
        return;
    m_tracking = true;
    m_lastMouseY = y;
    SelectRowAt(x, y);
}

void TDBLookupGridEh::MouseMove(Qt::KeyboardModifiers shift, int x, int y)
{
    if (!m_tracking) {
        TCustomDBGridEh::MouseMove(shift, x, y);
        return;
    }
    SelectRowAt(x, y);
    m_lastMouseY = y;
    if (y < 0 || y >= ClientHeight())
        AutoScrollStep();
    if (OnMouseMove)
        SafeCall([&] { OnMouseMove(this, shift, x, y); });
}

void TDBLookupGridEh::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    if (!m_tracking) {
        TCustomDBGridEh::MouseUp(button, shift, x, y);
        return;
    }
    m_tracking = false;
    CancelMouseTracking();
    if (y >= TitleBandHeight())
        SelectRowAt(x, y);
    if (OnMouseUp)
        SafeCall([&] { OnMouseUp(this, button, shift, x, y); });
}

void TDBLookupGridEh::DblClick()
{
    if (m_keyRowShown && OnDblClick)
        SafeCall([&] { OnDblClick(this); });
}

void TDBLookupGridEh::AutoScrollStep()
{
    TDataSet *ds = DataLink()->DataSet();
    if (!m_tracking || !ds || !m_listActive) {
        StopScrollTimer();
        return;
    }
    int edgeDistance = 0;
    if (m_lastMouseY < 0) {
        edgeDistance = -m_lastMouseY;
        if (m_specRow->Visible() && AtFirstRecord(ds))
            SelectSpecRow();
        else {
            ds->MoveBy(-1);
            SelectCurrentRecord();
        }
    } else if (m_lastMouseY >= ClientHeight()) {
        edgeDistance = m_lastMouseY - ClientHeight() + 1;
        ds->MoveBy(1);
        SelectCurrentRecord();
    } else {
        StopScrollTimer();
        return;
    }
    StartScrollTimer(std::max(0, 200 - 15 * edgeDistance));
}

// ---- Focus ---------------------------------------------------------------------------------------------------

void TDBLookupGridEh::focusInEvent(QFocusEvent *event)
try {
    const HandlerEdge edge;
    m_keySearchText.clear();
    m_hasFocus = true;
    TCustomDBGridEh::focusInEvent(event);
    viewport()->update();
} catch (...) {
    endAtHandlerEdge();
}

void TDBLookupGridEh::focusOutEvent(QFocusEvent *event)
try {
    const HandlerEdge edge;
    m_hasFocus = false;
    TCustomDBGridEh::focusOutEvent(event);
    viewport()->update();
} catch (...) {
    endAtHandlerEdge();
}

// ---- The drop-down -------------------------------------------------------------------------------------------

TPopupDataGridEh::TPopupDataGridEh(QWidget *owner)
    : TDBLookupGridEh(owner)
    , m_sizeGrip(new TSizeGripEh(this))
    , m_behavior(new TDropDownBehaviorEh(this, owner))
{
    m_noFocusOnClick = true;
    viewport()->setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    m_sizeGrip->SetTriangleWindow(true);
    m_sizeGrip->raise();
    hide();
}

template<class F> void TPopupDataGridEh::asUser(F &&fn)
{
    const bool was = m_userAction;
    m_userAction = true;
    try {
        fn();
    } catch (...) {
        m_userAction = was;
        throw;
    }
    m_userAction = was;
}

void TPopupDataGridEh::DropDownSideChanged(TDropDownSideEh side)
{
    m_sizeGrip->ChangeGripSide(side);
}

void TPopupDataGridEh::KeyValueUpdated()
{
    TDBLookupGridEh::KeyValueUpdated();
    if (m_userAction && OnUserKeyValueChange)
        SafeCall([&] { OnUserKeyValueChange(this); });
}

void TPopupDataGridEh::KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    asUser([&] { TDBLookupGridEh::KeyDown(key, shift); });
}

void TPopupDataGridEh::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    asUser([&] { TDBLookupGridEh::MouseDown(button, shift, x, y); });
}

void TPopupDataGridEh::MouseMove(Qt::KeyboardModifiers shift, int x, int y)
{
    asUser([&] {
        const bool hover = !m_tracking && !(QGuiApplication::mouseButtons() & Qt::LeftButton)
                           && GridState() == gsNormal;
        if (hover) {
            // The row under the pointer follows it.
            if (!ReadOnly() && QPoint(x, y) != m_lastHover && rect().contains(QPoint(x, y)))
                SelectRowAt(x, y);
            m_lastHover = QPoint(x, y);
            return;
        }
        TDBLookupGridEh::MouseMove(shift, x, y);
    });
}

void TPopupDataGridEh::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    const TGridState state = GridState();
    asUser([&] { TDBLookupGridEh::MouseUp(button, shift, x, y); });
    if (state == gsColSizing || state == gsColMoving || !OnMouseCloseUp)
        return;
    if (!viewport()->rect().contains(QPoint(x, y))) {
        SafeCall([&] { OnMouseCloseUp(this, false); });
        return;
    }
    const TGridCoord at = MouseCoord(x, y);
    const bool onSpec = SpecRow().Visible() && at.Y == SpecRowGridRow();
    const bool onData = at.X >= FixedCols() && at.Y >= TopFixedRows()
                        && at.Y - TopFixedRows() < DataLink()->RecordCount();
    if (onSpec || onData)
        SafeCall([&] { OnMouseCloseUp(this, true); });
}

void TPopupDataGridEh::resizeEvent(QResizeEvent *event)
try {
    const HandlerEdge edge;
    TDBLookupGridEh::resizeEvent(event);
    m_sizeGrip->UpdateGripPosition();
    m_resized = true;
} catch (...) {
    endAtHandlerEdge();
}
