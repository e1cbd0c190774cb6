#include "DBGridEhInplace.h"

#include "CalculatorEh.h"
#include "DBGridEh.h"
#include "DBLookupGridsEh.h"
#include "Formats.h"
#include "Guard.h"
#include "Services.h"
#include "ToolCtrlsEh.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <functional>
#include <type_traits>

namespace {

int indexOfPrefixCI(const QStringList &list, const QString &prefix)
{
    for (int i = 0; i < list.size(); ++i)
        if (list[i].startsWith(prefix, Qt::CaseInsensitive))
            return i;
    return -1;
}

// The multi-line box of a wrapping cell; its keys, focus loss, double-clicks and wheel turns are offered to the
// cell editor before the box acts on them.
class TInplaceMemoEh : public QPlainTextEdit
{
public:
    TInplaceMemoEh(QWidget *parent, std::function<bool(QKeyEvent *)> takeKey, std::function<bool(QEvent *)> takeEvent)
        : QPlainTextEdit(parent)
        , m_takeKey(std::move(takeKey))
        , m_takeEvent(std::move(takeEvent))
    {
        setFrameShape(QFrame::NoFrame);
        setLineWrapMode(QPlainTextEdit::WidgetWidth);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        document()->setDocumentMargin(1);
    }

protected:
    bool event(QEvent *event) override
    {
        // Tab must reach the grid rather than move the focus.
        if (event->type() == QEvent::KeyPress) {
            auto *ke = static_cast<QKeyEvent *>(event);
            if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
                keyPressEvent(ke);
                return true;
            }
        }
        return QPlainTextEdit::event(event);
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        if (!taken(m_takeKey, event))
            QPlainTextEdit::keyPressEvent(event);
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        taken(m_takeEvent, event);
        QPlainTextEdit::focusOutEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        if (!taken(m_takeEvent, event))
            QPlainTextEdit::mouseDoubleClickEvent(event);
    }
    void wheelEvent(QWheelEvent *event) override
    {
        if (!taken(m_takeEvent, event))
            QPlainTextEdit::wheelEvent(event);
    }

private:
    // Whether the cell editor took the event; one it failed on counts as taken, so the box does not act on it.
    template <class E> static bool taken(const std::function<bool(E *)> &take, std::type_identity_t<E> *event)
    {
        bool result = true;
        guard([&] { result = take(event); });
        return result;
    }

    std::function<bool(QKeyEvent *)> m_takeKey;
    std::function<bool(QEvent *)> m_takeEvent;
};

} // namespace

// ---- The column's recently used texts ----------------------------------------------------------------------

TMRUListEh &TColumnEh::MRUList()
{
    if (!m_mruList)
        m_mruList = std::make_unique<TMRUListEh>(this);
    return *m_mruList;
}

TSpecRowEh &TColumnEh::DropDownSpecRow()
{
    if (!m_dropDownSpecRow)
        m_dropDownSpecRow = std::make_unique<TSpecRowEh>(GetGrid());
    return *m_dropDownSpecRow;
}

namespace {

// The special row holds one text per list column; a cell shows the one of the lookup's result field.
QString specRowCellText(const TColumnEh &column, const TSpecRowEh &row)
{
    TField *field = column.GetField();
    const QString display = column.LookupDisplayFields();
    const QStringList shown = SplitFieldNames(display.isEmpty() ? field->LookupResultField() : display);
    const int index = shown.indexOf(field->LookupResultField());
    return row.GetCellText(index >= 0 ? index : 0);
}

} // namespace

std::optional<QString> SpecRowTextOf(const TColumnEh &column)
{
    const TSpecRowEh *row = column.FindDropDownSpecRow();
    TField *field = column.GetField();
    if (!row || !row->Visible() || !field || !field->Lookup() || !field->DataSet() || field->KeyFields().isEmpty())
        return std::nullopt;
    const Variant key = Variant::fromQVariant(field->DataSet()->FieldValues(field->KeyFields()));
    // A lookup field whose key is not in the list (or whose list is closed or missing) has no value.
    if (row->MatchesValue(key) || (row->ShowIfNotInKeyList() && field->IsNull()))
        return specRowCellText(column, *row);
    return std::nullopt;
}

// ---- The grid's side ---------------------------------------------------------------------------------------

TInplaceEdit *TCustomDBGridEh::CreateEditor()
{
    return new TDBGridInplaceEdit(this);
}

void TCustomDBGridEh::SetEditorTextAndKey(const QString &text, const QVariant &key)
{
    SetEditText(Col(), Row(), text);
    m_editKeyValue = key;
}

// ---- TDBGridInplaceEdit ------------------------------------------------------------------------------------

TDBGridInplaceEdit::TDBGridInplaceEdit(TCustomDBGridEh *grid)
    : TInplaceEdit(grid)
    , m_dbGrid(grid)
    , m_defaultButton(std::make_unique<TEditButtonEh>(static_cast<QWidget *>(this)))
{
    m_defaultButton->SetVisible(true);
    connect(this, &QLineEdit::textEdited, this, [this] { guard([this] { TextChanged(); }); });
}

TDBGridInplaceEdit::~TDBGridInplaceEdit()
{
    // The drop-downs are windows of their own.
    delete m_pickList;
    delete m_dataList;
    delete m_calendar;
    delete m_calculator;
    delete m_mruListBox;
}

TColumnEh *TDBGridInplaceEdit::column() const
{
    const int dataCol = m_dbGrid->SelectedIndex();
    return dataCol >= 0 && dataCol < m_dbGrid->Columns().Count() ? m_dbGrid->Columns()[dataCol] : nullptr;
}

TEditStyleEh TDBGridInplaceEdit::EditStyleOf(TColumnEh *column)
{
    if (!column)
        return esSimple;
    switch (column->ButtonStyle) {
    case cbsNone:
        return esSimple;
    case cbsEllipsis:
        return esEllipsis;
    case cbsUpDown:
        return esUpDown;
    case cbsDropDown:
        return esDropDown;
    case cbsAuto:
        break;
    }
    TField *field = column->GetField();
    if (!column->PickList().isEmpty() && !column->ReadOnly())
        return esPickList;
    if (field && field->Lookup() && column->GetCellKind() == ckLookupEh && column->CanModify(false))
        return esDataList;
    if (field && (field->DataType() == ftDate || field->DataType() == ftDateTime) && !column->ReadOnly())
        return esDateCalendar;
    return esSimple;
}

bool TDBGridInplaceEdit::hasDropDown() const
{
    switch (m_editStyle) {
    case esPickList:
    case esDataList:
    case esDateCalendar:
        return true;
    case esDropDown: {
        TField *field = column() ? column()->GetField() : nullptr;
        return field && IsNumericType(field->DataType());
    }
    default:
        return false;
    }
}

TPopupListboxEh *TDBGridInplaceEdit::PickList()
{
    if (!m_pickList) {
        m_pickList = new TPopupListboxEh(this);
        connect(m_pickList, &QListWidget::itemClicked, this, [this] { guard([this] { CloseUp(true); }); });
    }
    return m_pickList;
}

TPopupDataGridEh *TDBGridInplaceEdit::DataList()
{
    if (!m_dataList) {
        m_dataList = new TPopupDataGridEh(this);
        m_dataList->OnMouseCloseUp = [this](TPopupDataGridEh *, bool accept) { CloseUp(accept); };
    }
    return m_dataList;
}

TPopupMonthCalendarEh *TDBGridInplaceEdit::Calendar()
{
    if (!m_calendar) {
        m_calendar = new TPopupMonthCalendarEh(this);
        connect(m_calendar, &QCalendarWidget::clicked, this, [this] { guard([this] { CloseUp(true); }); });
    }
    return m_calendar;
}

TPopupCalculatorEh *TDBGridInplaceEdit::GetCalculator()
{
    if (!m_calculator)
        m_calculator = new TPopupCalculatorEh(this);
    return m_calculator;
}

TEditButtonControlEh *TDBGridInplaceEdit::ButtonControl(int index) const
{
    return index >= 0 && index < int(m_buttons.size()) ? m_buttons[std::size_t(index)].Control.data() : nullptr;
}

void TDBGridInplaceEdit::UpdateContents()
{
    CloseUp(false);
    TColumnEh *col = column();
    m_editStyle = EditStyleOf(col);
    m_mruList = col ? &col->MRUList() : nullptr;
    TInplaceEdit::UpdateContents();
    if (col) {
        TColCellParamsEh params;
        col->FillCellParams(params);
        QPalette pal = palette();
        pal.setColor(QPalette::Base, toQColor(params.Background));
        setPalette(pal);
        setFont(params.Font.qfont());
        m_imageIndex = params.ImageIndex;
    }
    setWordWrap(col && col->WordWrap() && m_dbGrid->RowHeights(m_dbGrid->Row()) >= 2 * QFontMetrics(font()).height());
    BoundsChanged();
}

void TDBGridInplaceEdit::setWordWrap(bool on)
{
    m_wordWrap = on;
    if (!on) {
        if (m_memo && m_memo->isVisible()) {
            const bool focused = m_memo->hasFocus();
            setFocusProxy(nullptr);
            m_memo->hide();
            if (focused)
                setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    if (!m_memo) {
        m_memo = new TInplaceMemoEh(
            this, [this](QKeyEvent *event) { return multiLineKey(event); },
            [this](QEvent *event) { return multiLineEvent(event); });
        connect(m_memo, &QPlainTextEdit::textChanged, this, guarded([this] {
            const QString typed = m_memo->toPlainText();
            if (m_syncingText || typed == text())
                return;
            m_syncingText = true;
            setText(typed);
            m_syncingText = false;
            // The grid takes the text as if typed into the line itself.
            emit textEdited(typed);
        }));
        connect(this, &QLineEdit::textChanged, this, guarded([this](const QString &now) {
            if (m_syncingText || !m_wordWrap || m_memo->toPlainText() == now)
                return;
            m_syncingText = true;
            m_memo->setPlainText(now);
            m_memo->selectAll();
            m_syncingText = false;
        }));
    }
    m_memo->setFont(font());
    m_memo->setPalette(palette());
    m_memo->setReadOnly(isReadOnly());
    m_syncingText = true;
    m_memo->setPlainText(text());
    m_memo->selectAll();
    m_syncingText = false;
    m_memo->show();
    const bool focused = hasFocus();
    setFocusProxy(m_memo);
    if (focused)
        m_memo->setFocus(Qt::OtherFocusReason);
}

bool TDBGridInplaceEdit::multiLineKey(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers shift = event->modifiers();
    const bool ctrl = shift & Qt::ControlModifier;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    const bool listOpen = m_droppedDown || (m_mruListBox && m_mruListBox->isVisible());
    // The one-line editor beneath keeps the same caret, so its rules about text edges see the box's caret.
    const QTextCursor caret = m_memo->textCursor();
    if (caret.hasSelection())
        setSelection(caret.anchor(), caret.position() - caret.anchor());
    else
        setCursorPosition(caret.position());
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && !listOpen && !(shift & Qt::AltModifier)) {
        QTextCursor probe(caret);
        probe.clearSelection();
        const bool edge = !probe.movePosition(key == Qt::Key_Up ? QTextCursor::Up : QTextCursor::Down);
        const bool all = caret.hasSelection()
            && caret.selectionEnd() - caret.selectionStart() == m_memo->document()->characterCount() - 1;
        if (!(m_dbGrid->Options() & dgAlwaysShowEditor) || !(edge || all))
            return false;
        keyPressEvent(event);
        return true;
    }
    if (enter && ctrl && !hasDropDown() && m_editStyle != esEllipsis && m_editStyle != esDropDown) {
        // Ctrl+Enter breaks the line here; a plain Enter stays the grid's.
        if (!m_memo->isReadOnly() && m_dbGrid->CanEditModify())
            m_memo->insertPlainText(QStringLiteral("\n"));
        return true;
    }
    const bool gridKey = enter || listOpen || key == Qt::Key_Escape || key == Qt::Key_Tab || key == Qt::Key_Backtab
        || key == Qt::Key_PageUp || key == Qt::Key_PageDown || (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        || (shift & Qt::AltModifier) || (ctrl && key == Qt::Key_F) || key == Qt::Key_Up || key == Qt::Key_Down;
    if (gridKey) {
        keyPressEvent(event);
        return true;
    }
    const TColCellKindEh kind = column() ? column()->GetCellKind() : ckPlainEh;
    if (event->matches(QKeySequence::Paste) && (kind == ckLookupEh || kind == ckKeyListEh)) {
        // A pasted text is completed against the list like a typed one, never stored raw.
        paste();
        syncMemoCaret();
        return true;
    }
    if (const std::unique_ptr<QKeyEvent> decimal = decimalSeparatorKey(event)) {
        QApplication::sendEvent(m_memo, decimal.get());
        return true;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint() && !ctrl) {
        QChar ch = typed.at(0);
        KeyPress(ch);
        if (ch.isNull())
            syncMemoCaret();
        return ch.isNull();
    }
    int k = key;
    KeyDown(k, shift);
    if (k == 0)
        syncMemoCaret();
    return k == 0;
}

bool TDBGridInplaceEdit::multiLineEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusOut:
        closeListsOnFocusLoss();
        return false;
    case QEvent::MouseButtonDblClick:
        if (!stepOnDoubleClick(static_cast<QMouseEvent *>(event)->modifiers()))
            return false;
        syncMemoCaret();
        return true;
    case QEvent::Wheel:
        return m_droppedDown;
    default:
        return false;
    }
}

void TDBGridInplaceEdit::syncMemoCaret()
{
    if (!m_memo || !m_wordWrap || m_memo->toPlainText() != text())
        return;
    // Completion leaves its guessed tail selected after the caret; the box shows the same selection.
    QTextCursor caret(m_memo->document());
    if (hasSelectedText()) {
        const int start = selectionStart();
        const int end = start + int(selectedText().size());
        const bool backwards = cursorPosition() == start;
        caret.setPosition(backwards ? end : start);
        caret.setPosition(backwards ? start : end, QTextCursor::KeepAnchor);
    } else {
        caret.setPosition(cursorPosition());
    }
    m_memo->setTextCursor(caret);
}

const TImageList *TDBGridInplaceEdit::shownImages() const
{
    TColumnEh *col = column();
    return col && col->ShowImageAndText ? col->ImageList() : nullptr;
}

void TDBGridInplaceEdit::updateImageIndex()
{
    TColumnEh *col = column();
    if (!col || !shownImages())
        return;
    // The image follows the text shown, not the stored value: a chosen line shows its image at once.
    const QString shown = text();
    const QStringList &keys = col->KeyList();
    const QStringList &picks = col->PickList();
    int index = -1;
    for (int i = 0; i < picks.size() && index < 0; ++i)
        if (picks[i] == shown)
            index = keys.isEmpty() || i < keys.size() ? i : -1;
    m_imageIndex = index >= 0 ? index : col->GetImageIndex();
    update();
}

void TDBGridInplaceEdit::paintEvent(QPaintEvent *event)
try {
    const HandlerEdge edge;
    TInplaceEdit::paintEvent(event);
    const TImageList *images = shownImages();
    if (!images || m_imageIndex < 0)
        return;
    QPainter painter(this);
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const int x = rtl ? width() - m_buttonsWidth - images->Width() - 3 : 2;
    images->Draw(painter, x, (height() - images->Height()) / 2, m_imageIndex, isEnabled());
} catch (...) {
    endAtHandlerEdge();
}

void TDBGridInplaceEdit::resizeEvent(QResizeEvent *event)
try {
    const HandlerEdge edge;
    TInplaceEdit::resizeEvent(event);
    BoundsChanged();
} catch (...) {
    endAtHandlerEdge();
}

void TDBGridInplaceEdit::BoundsChanged()
{
    TColumnEh *col = column();
    // The default button first, then the column's own visible buttons.
    std::vector<TEditButtonEh *> settings;
    if (m_editStyle != esSimple) {
        switch (m_editStyle) {
        case esEllipsis:
            m_defaultButton->SetStyle(ebsEllipsisEh);
            break;
        case esUpDown:
            m_defaultButton->SetStyle(ebsUpDownEh);
            break;
        default:
            m_defaultButton->SetStyle(ebsDropDownEh);
            break;
        }
        settings.push_back(m_defaultButton.get());
    }
    if (col)
        for (int i = 0; i < col->EditButtons().Count(); ++i)
            if (col->EditButtons().GetItem(i)->Visible())
                settings.push_back(col->EditButtons().GetItem(i));
    while (m_buttons.size() > settings.size()) {
        delete m_buttons.back().Control.data();
        delete m_buttons.back().Separator.data();
        m_buttons.pop_back();
    }
    m_buttons.resize(settings.size());
    for (std::size_t i = 0; i < settings.size(); ++i) {
        if (m_buttons[i].Settings != settings[i] && m_buttons[i].Control) {
            delete m_buttons[i].Control.data();
            delete m_buttons[i].Separator.data();
        }
        m_buttons[i].Settings = settings[i];
    }
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    m_buttonsWidth = LayoutEditButtons(this, m_buttons, rect(), m_dbGrid->Flat(), rtl,
                                       TEditButtonHeightRuleEh::InplaceEditor);
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        TEditButtonControlEh *control = m_buttons[i].Control;
        if (!control)
            continue;
        if (i == 0 && m_buttons[i].Settings == m_defaultButton.get()) {
            control->OnButtonDown = [this](QObject *, bool top, bool &, bool &) { ButtonDown(top); };
            control->installEventFilter(this);
            control->OnClick = [this](TEditButtonControlEh *) {
                if (m_editStyle == esEllipsis || (m_editStyle == esDropDown && !hasDropDown()))
                    EditButtonClick();
            };
        } else {
            TEditButtonEh *settingsOf = m_buttons[i].Settings;
            control->OnButtonDown = [this, i](QObject *, bool top, bool &autoRepeat, bool &handled) {
                extraButtonDown(i, top, autoRepeat, handled);
            };
            control->OnClick = [settingsOf](TEditButtonControlEh *) {
                bool handled = false;
                if (settingsOf->OnClick)
                    settingsOf->OnClick(settingsOf, handled);
            };
        }
    }
    const int top = m_dbGrid->Flat() ? 1 : 2;
    const int bottom = m_dbGrid->Flat() ? 1 : 0;
    // The column's image keeps its width and a gap free beside the text.
    const int imageRoom = shownImages() ? shownImages()->Width() + 5 : 0;
    setTextMargins(rtl ? m_buttonsWidth : imageRoom, top - 1, rtl ? imageRoom : m_buttonsWidth, bottom);
    if (m_memo)
        m_memo->setGeometry(rect().adjusted(textMargins().left(), 0, -textMargins().right(), 0));
}

bool TDBGridInplaceEdit::eventFilter(QObject *watched, QEvent *event)
try {
    const HandlerEdge edge;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return TInplaceEdit::eventFilter(watched, event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    auto *list = qobject_cast<QAbstractScrollArea *>(m_activeList.data());
    if (!m_droppedDown || !list || m_buttons.empty() || watched != m_buttons[0].Control) {
        m_forwardingDrag = false;
        return TInplaceEdit::eventFilter(watched, event);
    }
    QWidget *target = list->viewport();
    const QPointF global = mouse->globalPosition();
    const QPointF local = target->mapFromGlobal(global);
    if (type == QEvent::MouseMove) {
        if (!(mouse->buttons() & Qt::LeftButton) || (!m_forwardingDrag && !target->rect().contains(local.toPoint())))
            return TInplaceEdit::eventFilter(watched, event);
        QMouseEvent forwarded(m_forwardingDrag ? QEvent::MouseMove : QEvent::MouseButtonPress, local, global,
                              m_forwardingDrag ? Qt::NoButton : Qt::LeftButton, mouse->buttons(), mouse->modifiers());
        m_forwardingDrag = true;
        QApplication::sendEvent(target, &forwarded);
        return true;
    }
    if (!m_forwardingDrag)
        return TInplaceEdit::eventFilter(watched, event);
    m_forwardingDrag = false;
    QMouseEvent forwarded(QEvent::MouseButtonRelease, local, global, mouse->button(), mouse->buttons(),
                          mouse->modifiers());
    QApplication::sendEvent(target, &forwarded);
    // The button still sees its release, so it is drawn up again.
    return false;
} catch (...) {
    endAtHandlerEdge();
    return true;
}

void TDBGridInplaceEdit::extraButtonDown(std::size_t index, bool topButton, bool &autoRepeat, bool &handled)
{
    if (index >= m_buttons.size())
        return;
    if (int(index) == m_menuClosedButton) {
        m_menuClosedButton = -1;
        return;
    }
    TEditButtonSlotEh &slot = m_buttons[index];
    if (slot.Settings->OnDown)
        slot.Settings->OnDown(slot.Control, topButton, autoRepeat, handled);
    if (!handled && slot.Settings->DropdownMenu())
        PopUpEditButtonMenu(slot.Control, slot.Settings->DropdownMenu(),
                            [this, index](bool closing) { m_menuClosedButton = closing ? int(index) : -1; });
}

bool TDBGridInplaceEdit::takeButtonShortCut(TColumnEh *col, int key, Qt::KeyboardModifiers shift)
{
    const QKeySequence pressed(QKeyCombination(shift, Qt::Key(key)));
    for (int i = 0; i < col->EditButtons().Count(); ++i) {
        TEditButtonEh *settings = col->EditButtons().GetItem(i);
        if (settings->ShortCut().isEmpty() || settings->ShortCut() != pressed)
            continue;
        const auto slot = std::find_if(m_buttons.begin(), m_buttons.end(),
                                       [settings](const TEditButtonSlotEh &s) { return s.Settings == settings; });
        if (slot != m_buttons.end() && slot->Control) {
            bool autoRepeat = false;
            slot->Control->DoButtonDown(false, autoRepeat);
            if (slot->Control->OnClick)
                slot->Control->OnClick(slot->Control);
        } else if (settings->OnClick) {
            // A hidden button has no control, yet its shortcut still acts.
            bool handled = false;
            settings->OnClick(settings, handled);
        }
        return true;
    }
    return false;
}

void TDBGridInplaceEdit::EditButtonClick()
{
    if (m_dbGrid->OnEditButtonClick)
        m_dbGrid->OnEditButtonClick(m_dbGrid);
    if (TColumnEh *col = column(); col && col->OnEditButtonClick) {
        bool handled = false;
        col->OnEditButtonClick(col, handled);
    }
}

void TDBGridInplaceEdit::ButtonDown(bool topButton)
{
    TColumnEh *col = column();
    bool handled = false;
    if (col && col->OnEditButtonDown)
        col->OnEditButtonDown(col, topButton, handled);
    if (handled)
        return;
    if (m_editStyle == esUpDown) {
        StepEditValue(topButton);
        return;
    }
    if (m_droppedDown)
        CloseUp(false);
    else if (hasDropDown())
        DropDown();
}

// ---- Drop-downs --------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::placeDropDown(QWidget *list)
{
    closeMRUList(false);
    list->move(PlaceDropDownForControl(this, list, layoutDirection() == Qt::RightToLeft ? daRight : daLeft));
    list->show();
    m_activeList = list;
    m_droppedDown = true;
    if (!hasFocus() && m_dbGrid->IsActiveControl())
        setFocus(Qt::OtherFocusReason);
}

void TDBGridInplaceEdit::DropDown()
{
    TColumnEh *col = column();
    if (m_droppedDown || !col || !hasDropDown())
        return;
    switch (m_editStyle) {
    case esDataList:
        dropDownDataList(col);
        return;
    case esDateCalendar: {
        TPopupMonthCalendarEh *calendar = Calendar();
        QDate date = Services::clock()->today();
        TDateTime value = 0;
        if (!text().trimmed().isEmpty()) {
            if (TryStrToDate(text(), value))
                date = DayCountToDate(value);
            else if (TField *field = col->GetField(); field && !field->IsNull() && field->AsFloat() != 0)
                date = DayCountToDate(field->AsFloat());
        }
        calendar->SetDate(date);
        calendar->resize(calendar->minimumSizeHint());
        placeDropDown(calendar);
        return;
    }
    case esDropDown: {
        TPopupCalculatorEh *calculator = GetCalculator();
        bool ok = false;
        const double number = text().trimmed().isEmpty() ? 0.0 : text().trimmed().toDouble(&ok);
        calculator->SetValue(Variant(ok || text().trimmed().isEmpty() ? number : 0.0));
        calculator->SetFlat(m_dbGrid->Flat());
        deselect();
        placeDropDown(calculator);
        return;
    }
    case esPickList:
        dropDownPickList(col);
        return;
    default:
        return;
    }
}

void TDBGridInplaceEdit::dropDownPickList(TColumnEh *col)
{
    TPopupListboxEh *list = PickList();
    list->clear();
    QStringList lines = col->PickList();
    if (!col->KeyList().isEmpty())
        lines = lines.mid(0, std::min(col->KeyList().size(), lines.size()));
    list->addItems(lines);
    list->setFont(font());
    const int rows = std::min(int(lines.size()), col->DropDownRows);
    TField *field = col->GetField();
    list->setCurrentRow(field && field->IsNull() ? -1 : int(lines.indexOf(text())));
    int width = col->DropDownWidth > 0 ? col->DropDownWidth : 0;
    const QFontMetrics fm(font());
    for (const QString &line : lines)
        width = std::max(width, fm.horizontalAdvance(line) + 4);
    width = std::max(width, this->width());
    list->resize(width + 4, std::max(rows, 1) * list->ItemHeight() + 4);
    list->SetRowCount(rows);
    placeDropDown(list);
    m_droppedSize = list->size();
}

void TDBGridInplaceEdit::dropDownDataList(TColumnEh *col)
{
    TDataSet *ds = col->GetLookupListDataSet();
    TField *field = col->GetField();
    if (!ds || !field)
        return;
    TPopupDataGridEh *grid = DataList();
    TDataSource *source = col->DropDownBox().ListSource();
    if (!source) {
        if (!m_listSource)
            m_listSource = std::make_unique<TDataSource>();
        m_listSource->SetDataSet(ds);
        source = m_listSource.get();
    }
    grid->SetKeyValue(QVariant());
    grid->SetColor(fromQColor(palette().color(QPalette::Base)));
    grid->Font().SetQFont(font());
    int rows = col->DropDownRows;
    if (ds->IsSequenced() && !ds->IsEmpty() && ds->RecordCount() < rows)
        rows = ds->RecordCount();
    grid->SetRowCount(rows);
    grid->SetShowTitles(col->DropDownShowTitles());
    grid->SetUseMultiTitle(col->DropDownBox().UseMultiTitle);
    grid->SetSpecRow(col->DropDownSpecRow());
    grid->SetKeyField(field->LookupKeyFields());
    const QString display = col->LookupDisplayFields();
    grid->SetListField(display.isEmpty() ? field->LookupResultField() : display);
    grid->SetAutoFitColWidths(false);
    grid->SetListSource(source);
    int width = col->DropDownWidth;
    if (width == -1)
        width = grid->GetColumnsWidth() + 2 * grid->frameWidth();
    else if (width <= 0)
        width = this->width();
    grid->resize(std::max(width, this->width()), grid->height());
    grid->SetAutoFitColWidths(col->DropDownBox().AutoFitColWidths);
    QVariant key = m_dbGrid->EditKeyValue();
    if (!key.isValid() && field->DataSet())
        key = field->DataSet()->FieldValues(field->KeyFields());
    grid->SetKeyValue(key);
    grid->SetReadOnly(!col->CanModify(false));
    placeDropDown(grid);
    grid->SizeGrip()->ShowGrip(col->DropDownSizing());
    grid->ClearResized();
    m_droppedSize = grid->size();
}

void TDBGridInplaceEdit::CloseUp(bool accept)
{
    if (!m_droppedDown || !m_activeList)
        return;
    QWidget *list = m_activeList;
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    list->hide();
    m_droppedDown = false;
    m_activeList = nullptr;
    TColumnEh *col = column();
    if (!col)
        return;
    // The user's size is kept for the column.
    if (list == m_dataList && m_dataList->Resized()) {
        col->DropDownRows = m_dataList->RowCount();
        col->DropDownWidth = m_dataList->width();
    } else if (list == m_pickList && m_pickList->size() != m_droppedSize && m_pickList->ItemHeight() > 0) {
        col->DropDownRows = m_pickList->viewport()->height() / m_pickList->ItemHeight();
        col->DropDownWidth = m_pickList->width();
    }
    if (list == m_dataList) {
        const QVariant key = m_dataList->KeyValue();
        m_dataList->SetListSource(nullptr);
        if (!accept) {
            setText(m_dbGrid->EditorText());
            return;
        }
        if (!col->CanModify(true))
            return;
        TField *field = col->GetField();
        try {
            QString shown;
            TDataSet *ds = col->GetLookupListDataSet();
            if (const TSpecRowEh *row = col->FindDropDownSpecRow();
                row && row->MatchesValue(Variant::fromQVariant(key))) {
                shown = specRowCellText(*col, *row);
            } else if (key.isValid() && !key.isNull() && ds
                && ds->Locate(field->LookupKeyFields(), key)) {
                if (TField *result = ds->FindField(field->LookupResultField()))
                    shown = result->Text();
            }
            m_dbGrid->CanEditModify();
            m_dbGrid->SetEditorTextAndKey(shown, key);
            setText(shown);
            selectAll();
        } catch (...) {
            setText(field->Text() + QLatin1Char(' '));
            throw;
        }
        return;
    }
    if (list == m_calendar) {
        if (accept && m_dbGrid->CanEditModify()) {
            const QDate date = m_calendar->Date();
            col->UpdateColumnData(DateToStr(DateToDayCount(date)), QVariant(date), true);
            setText(m_dbGrid->GetEditText(m_dbGrid->Col(), m_dbGrid->Row()));
            selectAll();
        }
        return;
    }
    if (list == m_calculator) {
        if (accept && m_calculator->ResultReady()) {
            const Variant value = m_calculator->GetValue();
            if (value.isNumeric() && m_dbGrid->CanEditModify()) {
                setText(QString::number(value.toDouble()));
                m_dbGrid->SetEditText(m_dbGrid->Col(), m_dbGrid->Row(), text());
                selectAll();
            }
        }
        return;
    }
    if (list == m_pickList) {
        const int row = m_pickList->currentRow();
        if (accept && row >= 0 && m_dbGrid->CanEditModify()) {
            const QString line = m_pickList->item(row)->text();
            setText(line);
            m_dbGrid->SetEditText(m_dbGrid->Col(), m_dbGrid->Row(), line);
            selectAll();
            updateImageIndex();
        } else if (!accept) {
            setText(m_dbGrid->EditorText());
        }
    }
}

// ---- Values ------------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::UpdateEditValue()
{
    TColumnEh *col = column();
    if (!col || !col->CanModify(true))
        return;
    QVariant key;
    if (m_editStyle == esDataList) {
        TField *field = col->GetField();
        TDataSet *ds = col->GetLookupListDataSet();
        if (ds && ds->Active() && !text().isEmpty()
            && ds->Locate(field->LookupResultField(), text(), loCaseInsensitive))
            key = ds->FieldValues(field->LookupKeyFields());
    }
    m_dbGrid->CanEditModify();
    m_dbGrid->SetEditorTextAndKey(text(), key);
}

void TDBGridInplaceEdit::StepEditValue(bool up)
{
    TColumnEh *col = column();
    if (!col)
        return;
    const double step = col->GetCellKind() == ckPlainEh ? col->Increment : -col->Increment;
    stepColumn(col, up ? step : -step);
}

void TDBGridInplaceEdit::stepColumn(TColumnEh *col, double step)
{
    if (!col->CanModify(true))
        return;
    // The step starts from what the user sees, typed or not.
    if (text() != m_dbGrid->EditorText() || m_dbGrid->DataLink()->Modified()) {
        m_dbGrid->SetEditText(m_dbGrid->Col(), m_dbGrid->Row(), text());
        m_dbGrid->WriteEditorText();
    }
    col->StepColumnValue(step);
    m_dbGrid->DataLink()->SetModified(false);
    setText(m_dbGrid->GetEditText(m_dbGrid->Col(), m_dbGrid->Row()));
    selectAll();
}

void TDBGridInplaceEdit::showCompleted(const QString &full, int typedLength)
{
    setText(full);
    setSelection(full.size(), typedLength - int(full.size()));
}

bool TDBGridInplaceEdit::CompleteText(const QString &typed, int caret)
{
    TColumnEh *col = column();
    if (!col)
        return true;
    const TColCellKindEh kind = col->GetCellKind();
    const bool keyList = kind == ckKeyListEh;
    if (m_editStyle == esDataList) {
        TField *field = col->GetField();
        TDataSet *ds = col->GetLookupListDataSet();
        if (!ds || !ds->Active() || !m_dbGrid->CanEditModify())
            return false;
        if (ds->Locate(field->LookupResultField(), typed, loCaseInsensitive | loPartialKey)) {
            const QString full = ds->FieldByName(field->LookupResultField())->Text();
            const QVariant key = ds->FieldValues(field->LookupKeyFields());
            m_dbGrid->SetEditorTextAndKey(full, key);
            showCompleted(full, caret);
            if (m_droppedDown && m_activeList == m_dataList)
                m_dataList->SetKeyValue(key);
            return true;
        }
        if (col->OnNotInList) {
            m_dbGrid->SetEditorTextAndKey(typed, QVariant());
            setText(typed);
            setCursorPosition(caret);
            return true;
        }
        return false;
    }
    if (m_editStyle == esPickList || keyList) {
        const int i = indexOfPrefixCI(col->PickList(), typed);
        if (i >= 0) {
            if (!m_dbGrid->CanEditModify())
                return false;
            const QString full = col->PickList()[i];
            m_dbGrid->SetEditText(m_dbGrid->Col(), m_dbGrid->Row(), full);
            showCompleted(full, caret);
            if (m_droppedDown && m_activeList == m_pickList)
                m_pickList->setCurrentRow(i);
            return true;
        }
        if (keyList && !col->OnNotInList)
            return false;
        if (!m_dbGrid->CanEditModify())
            return false;
        setText(typed);
        setCursorPosition(caret);
        m_dbGrid->SetEditText(m_dbGrid->Col(), m_dbGrid->Row(), typed);
        return true;
    }
    return true;
}

// ---- Keys --------------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::keyPressEvent(QKeyEvent *event)
try {
    const HandlerEdge edge;
    const int key = event->key();
    const Qt::KeyboardModifiers shift = event->modifiers();
    const bool alt = shift & Qt::AltModifier;
    const bool ctrl = shift & Qt::ControlModifier;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (hasDropDown()) {
        if (m_droppedDown && m_activeList == m_calculator) {
            if (m_calculator->HandleKey(event)) {
                if (enter)
                    CloseUp(true);
                else if (key == Qt::Key_Escape)
                    CloseUp(false);
                return;
            }
            if (enter || key == Qt::Key_Escape) {
                CloseUp(enter);
                return;
            }
        } else if (m_droppedDown && (enter || key == Qt::Key_Escape)) {
            CloseUp(enter);
            return;
        }
        if (alt && (key == Qt::Key_Up || key == Qt::Key_Down)) {
            if (m_droppedDown)
                CloseUp(true);
            else
                DropDown();
            return;
        }
        if (ctrl && enter && !m_droppedDown) {
            DropDown();
            return;
        }
        if (m_droppedDown && m_activeList != m_calculator) {
            const bool nav = ((key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp
                               || key == Qt::Key_PageDown)
                              && !(shift & Qt::ShiftModifier))
                || (ctrl && (key == Qt::Key_Home || key == Qt::Key_End))
                || (m_activeList == m_calendar && (key == Qt::Key_Left || key == Qt::Key_Right));
            if (nav) {
                if (m_activeList == m_dataList) {
                    int k = key;
                    m_dataList->KeyDown(k, shift);
                    const QString shown = m_dataList->KeyDisplayText();
                    setText(shown);
                    selectAll();
                } else if (m_activeList == m_pickList) {
                    if (m_pickList->currentRow() < 0 && m_pickList->count() > 0)
                        m_pickList->setCurrentRow(0);
                    else {
                        // The list moves its own current line (a search text alone would never step).
                        QKeyEvent step(QEvent::KeyPress, key, event->modifiers());
                        QApplication::sendEvent(m_pickList, &step);
                    }
                    if (QListWidgetItem *item = m_pickList->currentItem()) {
                        setText(item->text());
                        selectAll();
                    }
                } else if (m_activeList == m_calendar) {
                    m_calendar->HandleKey(event);
                }
                return;
            }
        }
        TColumnEh *col = column();
        if (!m_droppedDown && col && col->AutoDropDown() && !event->text().isEmpty()
            && event->text().at(0).isPrint() && !ctrl && !alt)
            DropDown();
    }
    if (m_mruListBox && m_mruListBox->isVisible()) {
        const bool nav = !alt
            && (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown);
        if (nav) {
            const int row = m_mruListBox->currentRow();
            const int next = std::clamp(row + (key == Qt::Key_Up || key == Qt::Key_PageUp ? -1 : 1), 0,
                                        int(m_mruListBox->count()) - 1);
            m_mruListBox->setCurrentRow(next);
            return;
        }
        if (enter || key == Qt::Key_Escape) {
            closeMRUList(enter);
            return;
        }
    }
    if (ctrl && enter && (m_editStyle == esEllipsis || (m_editStyle == esDropDown && !hasDropDown()))) {
        EditButtonClick();
        return;
    }
    if (key == Qt::Key_V && ctrl) {
        paste();
        return;
    }
    if (const std::unique_ptr<QKeyEvent> decimal = decimalSeparatorKey(event)) {
        TInplaceEdit::keyPressEvent(decimal.get());
        event->setAccepted(decimal->isAccepted());
        return;
    }
    TInplaceEdit::keyPressEvent(event);
} catch (...) {
    endAtHandlerEdge();
}

std::unique_ptr<QKeyEvent> TDBGridInplaceEdit::decimalSeparatorKey(const QKeyEvent *event) const
{
    // An amount is typed with a comma or a point, whichever the settings name the decimal separator, as in the
    // number edits of the windows: refusing the other one would silently make 12,5 into 125.
    const QString typed = event->text();
    if (typed != QLatin1String(",") && typed != QLatin1String("."))
        return nullptr;
    const QChar decimal = FormatSettings().DecimalSeparator;
    TColumnEh *col = column();
    TField *field = col ? col->GetField() : nullptr;
    if (typed.at(0) == decimal || !field || !IsFloatType(field->DataType()) || m_editStyle == esPickList
        || m_editStyle == esDataList || col->GetCellKind() == ckKeyListEh)
        return nullptr;
    return std::make_unique<QKeyEvent>(
        event->type(), event->key(), event->modifiers(), QString(decimal), event->isAutoRepeat());
}

bool TDBGridInplaceEdit::takeSpecRowShortCut(TColumnEh *col, int key, Qt::KeyboardModifiers shift)
{
    if (m_editStyle != esDataList || !col->FindDropDownSpecRow())
        return false;
    const TSpecRowEh &row = *col->FindDropDownSpecRow();
    if (!row.Visible() || row.ShortCut().isEmpty() || QKeySequence(QKeyCombination(shift, Qt::Key(key))) != row.ShortCut())
        return false;
    if (!m_dbGrid->CanEditModify())
        return true;
    const QString shown = specRowCellText(*col, row);
    m_dbGrid->SetEditorTextAndKey(shown, row.Value().toQVariant());
    setText(shown);
    selectAll();
    return true;
}

void TDBGridInplaceEdit::KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    TColumnEh *col = column();
    if (col && (takeSpecRowShortCut(col, key, shift) || takeButtonShortCut(col, key, shift))) {
        key = 0;
        return;
    }
    const TColCellKindEh kind = col ? col->GetCellKind() : ckPlainEh;
    const bool keyed = kind == ckLookupEh || kind == ckKeyListEh;
    if (col && keyed && shift == Qt::NoModifier && (key == Qt::Key_Delete || key == Qt::Key_Backspace)) {
        if (!col->CanModify(false)) {
            key = 0;
            return;
        }
        const bool all = hasSelectedText() && selectedText().size() == text().size();
        if (key == Qt::Key_Delete && all) {
            if (m_dbGrid->CanEditModify()) {
                setText(QString());
                m_dbGrid->SetEditorTextAndKey(QString(), QVariant());
            }
        } else if (col->OnNotInList) {
            int start = hasSelectedText() ? selectionStart() : cursorPosition();
            int length = hasSelectedText() ? int(selectedText().size()) : 0;
            if (key == Qt::Key_Backspace && start > 0) {
                --start;
                ++length;
            }
            QString s = text();
            s.remove(start, length);
            if (m_dbGrid->CanEditModify()) {
                setText(s);
                setCursorPosition(start);
                UpdateEditValue();
            }
        } else if (key == Qt::Key_Backspace) {
            cursorBackward(false);
        }
        key = 0;
        return;
    }
    TInplaceEdit::KeyDown(key, shift);
}

void TDBGridInplaceEdit::KeyPress(QChar &key)
{
    TInplaceEdit::KeyPress(key);
    if (key.isNull() || key.unicode() < 32)
        return;
    if (m_editStyle != esDataList && m_editStyle != esPickList
        && !(column() && column()->GetCellKind() == ckKeyListEh))
        return;
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const QString typed = text().left(start) + key;
    if (!CompleteText(typed, int(typed.size())))
        QApplication::beep();
    key = QChar();
}

void TDBGridInplaceEdit::paste()
{
    TColumnEh *col = column();
    const TColCellKindEh kind = col ? col->GetCellKind() : ckPlainEh;
    if (!col || (kind != ckLookupEh && kind != ckKeyListEh)) {
        QLineEdit::paste();
        return;
    }
    const QString clip = QApplication::clipboard()->text();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int end = hasSelectedText() ? start + int(selectedText().size()) : start;
    const QString typed = text().left(start) + clip;
    Q_UNUSED(end);
    CompleteText(typed, int(typed.size()));
}

bool TDBGridInplaceEdit::event(QEvent *event)
try {
    const HandlerEdge edge;
    if (event->type() == QEvent::ShortcutOverride) {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->matches(QKeySequence::Paste)) {
            event->accept();
            return true;
        }
    }
    return TInplaceEdit::event(event);
} catch (...) {
    endAtHandlerEdge();
    return true;
}

void TDBGridInplaceEdit::closeListsOnFocusLoss()
{
    // The drop-downs never take the focus, so any focus loss is to somewhere else: close without accepting.
    if (m_droppedDown)
        CloseUp(false);
    closeMRUList(false);
}

void TDBGridInplaceEdit::focusOutEvent(QFocusEvent *event)
try {
    const HandlerEdge edge;
    closeListsOnFocusLoss();
    TInplaceEdit::focusOutEvent(event);
} catch (...) {
    endAtHandlerEdge();
}

bool TDBGridInplaceEdit::stepOnDoubleClick(Qt::KeyboardModifiers modifiers)
{
    TColumnEh *col = column();
    if (!col || !col->DblClickNextVal())
        return false;
    stepColumn(col, (modifiers & Qt::ShiftModifier) ? -1 : 1);
    return true;
}

void TDBGridInplaceEdit::mouseDoubleClickEvent(QMouseEvent *event)
try {
    const HandlerEdge edge;
    if (!stepOnDoubleClick(event->modifiers()))
        TInplaceEdit::mouseDoubleClickEvent(event);
} catch (...) {
    endAtHandlerEdge();
}

void TDBGridInplaceEdit::wheelEvent(QWheelEvent *event)
try {
    const HandlerEdge edge;
    if (m_droppedDown) {
        event->accept();
        return;
    }
    TInplaceEdit::wheelEvent(event);
} catch (...) {
    endAtHandlerEdge();
}

// ---- Recently used texts -----------------------------------------------------------------------------------

bool TDBGridInplaceEdit::FilterMRUItem(const QString &, const QString &)
{
    return true;
}

void TDBGridInplaceEdit::TextChanged()
{
    updateImageIndex();
    if (m_mruList && m_mruList->Active() && isVisible() && !m_droppedDown)
        showMRUList();
}

void TDBGridInplaceEdit::showMRUList()
{
    const QString bare = displayText().trimmed();
    QStringList items;
    if (text().isEmpty() || (!inputMask().isEmpty() && bare.isEmpty()) || !m_mruList->FilterItems(items, text())) {
        closeMRUList(false);
        return;
    }
    QStringList shown;
    for (const QString &item : std::as_const(items))
        if (FilterMRUItem(text(), item))
            shown << item;
    if (shown.isEmpty()) {
        closeMRUList(false);
        return;
    }
    shown.sort(Qt::CaseInsensitive);
    if (!m_mruListBox) {
        m_mruListBox = new QListWidget;
        TDropDownBehaviorEh::MakeDropDownWindow(m_mruListBox);
        connect(m_mruListBox, &QListWidget::itemClicked, this, [this] { guard([this] { closeMRUList(true); }); });
    }
    m_mruListBox->clear();
    m_mruListBox->addItems(shown);
    const int rows = std::min(int(shown.size()), m_mruList->Rows());
    const int rowHeight = m_mruListBox->sizeHintForRow(0);
    m_mruListBox->resize(width(), rows * rowHeight + 4);
    m_mruListBox->move(PlaceDropDownForControl(this, m_mruListBox, daLeft));
    m_mruListBox->show();
}

void TDBGridInplaceEdit::closeMRUList(bool accept)
{
    if (!m_mruListBox || !m_mruListBox->isVisible())
        return;
    m_mruListBox->hide();
    if (accept && m_mruListBox->currentItem()) {
        const QString line = m_mruListBox->currentItem()->text();
        if (m_dbGrid->CanEditModify()) {
            setText(line);
            m_dbGrid->SetEditText(m_dbGrid->Col(), m_dbGrid->Row(), line);
            selectAll();
        }
    }
}
