#include "ToolCtrlsEh.h"

#include "Formats.h"
#include "Guard.h"
#include "Services.h"
#include "WidgetKit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

// ---------------------------------------------------------------------------------------------------------
// MRU list
// ---------------------------------------------------------------------------------------------------------

namespace {

PendingKeyProbeEh &pendingKeyProbe()
{
    static PendingKeyProbeEh probe;
    return probe;
}

bool IsBlankOrControl(QChar c)
{
    return c.unicode() <= 32;
}

} // namespace

void SetPendingKeyProbe(PendingKeyProbeEh Probe)
{
    pendingKeyProbe() = std::move(Probe);
}

TMRUListEh::TMRUListEh(QObject *Owner)
    : m_owner(Owner)
{
}

void TMRUListEh::Assign(const TMRUListEh &Source)
{
    SetActive(Source.m_active);
    m_items = Source.m_items;
    m_limit = Source.m_limit;
    m_rows = Source.m_rows;
    CaseSensitive = Source.CaseSensitive;
}

void TMRUListEh::CloseUp(bool Accept)
{
    if (OnCloseUpRequest)
        OnCloseUpRequest(this, Accept);
}

void TMRUListEh::DropDown()
{
    if (OnDropDownRequest)
        OnDropDownRequest(this);
}

void TMRUListEh::SetActive(bool Value)
{
    if (m_active == Value)
        return;
    m_active = Value;
    if (OnActiveToggled)
        OnActiveToggled(this);
}

void TMRUListEh::SetItems(const QStringList &Value)
{
    m_items = Value;
}

void TMRUListEh::SetLimit(int Value)
{
    m_limit = Value;
    ApplyLimit();
}

void TMRUListEh::ApplyLimit()
{
    while (m_items.size() > std::max(m_limit, 0))
        m_items.removeFirst();
}

void TMRUListEh::Add(const QString &Text)
{
    const auto blank = std::all_of(Text.begin(), Text.end(), IsBlankOrControl);
    if (blank)
        return;
    int found = -1;
    for (int i = 0; i < m_items.size() && found < 0; ++i) {
        const bool same = CaseSensitive ? m_items[i] == Text : CompareTextIgnoreCase(m_items[i], Text) == 0;
        if (same)
            found = i;
    }
    if (found >= 0)
        m_items.move(found, m_items.size() - 1);
    else
        m_items.append(Text);
    ApplyLimit();
}

bool TMRUListEh::FilterItems(QStringList &Dest, const QString &Text)
{
    Dest.clear();
    const PendingKeyProbeEh &probe = pendingKeyProbe();
    for (int i = 0; i < m_items.size(); ++i) {
        if (i % 100 == 0 && StopOnPendingKey && probe && probe())
            return false;
        const QString head = m_items[i].left(Text.size());
        bool accept = CaseSensitive ? CompareTextCaseSensitive(head, Text) == 0
                                    : CompareTextIgnoreCase(head, Text) == 0;
        if (OnAcceptItem)
            OnAcceptItem(this, m_items[i], accept);
        if (accept)
            Dest.append(m_items[i]);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Drop-down list boxes
// ---------------------------------------------------------------------------------------------------------

namespace {

constexpr int SearchTextLimit = 32;
constexpr qint64 SearchPauseMs = 2000;

// Rows of a list with images: the image cell, then the text, in the highlight colours when selected.
class ImageRowDelegate : public QStyledItemDelegate
{
public:
    explicit ImageRowDelegate(TPopupListboxEh *List)
        : QStyledItemDelegate(List)
        , m_list(List)
    {
    }

    void paint(QPainter *Painter, const QStyleOptionViewItem &Option, const QModelIndex &Index) const override
    {
        const TImageList *images = m_list->Images();
        const bool selected = Option.state & QStyle::State_Selected;
        const QRect r = Option.rect;
        Painter->save();
        Painter->fillRect(r, toQColor(selected ? clHighlight : clWindow));
        int imageIndex = Index.row();
        if (m_list->OnGetImageIndex)
            guard([&] { m_list->OnGetImageIndex(m_list->parent(), Index.row(), imageIndex); });
        const bool rtl = m_list->layoutDirection() == Qt::RightToLeft;
        const int cell = images->Width() + 4;
        const QRect imageCell = rtl ? QRect(r.right() + 1 - cell, r.top(), cell, r.height())
                                    : QRect(r.left(), r.top(), cell, r.height());
        DrawClippedImage(*Painter, imageCell, images, imageIndex, selected);
        Painter->setFont(Option.font);
        Painter->setPen(toQColor(selected ? clHighlightText : clWindowText));
        const QString text = Index.data(Qt::DisplayRole).toString();
        const QRect textRect = rtl ? QRect(r.left(), r.top(), r.width() - cell - 2, r.height())
                                   : QRect(r.left() + images->Width() + 5, r.top(), r.width(), r.height());
        Painter->drawText(textRect, Qt::AlignTop | (rtl ? Qt::AlignRight : Qt::AlignLeft), text);
        Painter->restore();
    }

private:
    TPopupListboxEh *m_list;
};

} // namespace

void TPopupListboxEh::SetImages(const TImageList *Images)
{
    m_images = Images;
    QAbstractItemDelegate *old = itemDelegate();
    if (Images)
        setItemDelegate(new ImageRowDelegate(this));
    else
        setItemDelegate(new QStyledItemDelegate(this));
    if (old && old->parent() == this)
        old->deleteLater();
    viewport()->update();
}

TPopupListboxEh::TPopupListboxEh(QObject *Owner)
    : QListWidget(qobject_cast<QWidget *>(Owner))
    , m_sizeGrip(new TSizeGripEh(this))
    , m_behavior(new TDropDownBehaviorEh(this, Owner))
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setMouseTracking(true);
    viewport()->setFocusPolicy(Qt::NoFocus);
    m_sizeGrip->raise();
}

int TPopupListboxEh::GetTextHeight() const
{
    return QFontMetrics(font()).height();
}

int TPopupListboxEh::ItemHeight() const
{
    const int h = count() > 0 ? sizeHintForRow(0) : 0;
    return h > 0 ? h : GetTextHeight();
}

int TPopupListboxEh::BorderHeight() const
{
    return 2 * frameWidth();
}

void TPopupListboxEh::SetRowCount(int Rows)
{
    m_rowCount = std::max(Rows, 1);
    resize(width(), m_rowCount * ItemHeight() + BorderHeight());
}

void TPopupListboxEh::SetBoundsInRows(int Left, int Top, int Width, int Height)
{
    const int rows = std::max((Height - BorderHeight()) / ItemHeight(), 1);
    m_rowCount = rows;
    const int minWidth = ScrollBarExtent();
    setGeometry(Left, Top, std::max(Width, minWidth), std::max(BorderHeight() + rows * ItemHeight(), minWidth));
}

void TPopupListboxEh::DropDownSideChanged(TDropDownSideEh Side)
{
    m_sizeGrip->ChangeGripSide(Side);
}

void TPopupListboxEh::resizeEvent(QResizeEvent *Event)
try {
    const HandlerEdge edge;
    QListWidget::resizeEvent(Event);
    m_sizeGrip->UpdateGripPosition();
    m_resized = true;
} catch (...) {
    endAtHandlerEdge();
}

void TPopupListboxEh::mouseMoveEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    const QPoint pos = Event->position().toPoint();
    if (Event->buttons() == Qt::NoButton && pos != m_lastMousePos) {
        m_lastMousePos = pos;
        const QModelIndex index = indexAt(pos);
        if (index.isValid())
            setCurrentRow(index.row());
        return;
    }
    QListWidget::mouseMoveEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

void TPopupListboxEh::wheelEvent(QWheelEvent *Event)
try {
    const HandlerEdge edge;
    const int delta = Event->angleDelta().y();
    if (delta != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + (delta < 0 ? 1 : -1));
    Event->accept();
} catch (...) {
    endAtHandlerEdge();
}

bool TPopupListboxEh::HandleKeyPress(const QString &Text, int Key)
{
    if (Key == Qt::Key_Backspace || Key == Qt::Key_Escape) {
        m_searchText.clear();
        return false;
    }
    if (Text.size() != 1 || Text[0].unicode() < 32 || Text[0] == QChar(127))
        return false;
    const qint64 now = qint64(Services::clock()->tickCount());
    if (now - m_lastSearchTick > SearchPauseMs)
        m_searchText.clear();
    m_lastSearchTick = now;
    if (m_searchText.size() < SearchTextLimit)
        m_searchText += Text;
    for (int i = 0; i < count(); ++i) {
        if (CompareTextIgnoreCase(item(i)->text().left(m_searchText.size()), m_searchText) == 0) {
            setCurrentRow(i);
            break;
        }
    }
    return true;
}

void TPopupListboxEh::keyPressEvent(QKeyEvent *Event)
try {
    const HandlerEdge edge;
    if (HandleKeyPress(Event->text(), Event->key()))
        Event->accept();
    else
        QListWidget::keyPressEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

TMRUListboxEh::TMRUListboxEh(QObject *Owner)
    : TPopupListboxEh(Owner)
    , m_scrollBar(new QScrollBar(Qt::Vertical, this))
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->resize(ScrollBarExtent(), height());
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int v) {
        if (!m_updating)
            verticalScrollBar()->setValue(v);
    });
    UpdateScrollBar();
}

void TMRUListboxEh::PlaceScrollBar()
{
    const QRect client = contentsRect();
    const int barWidth = m_scrollBar->width();
    int top = client.top();
    int bottom = client.top() + client.height();
    if (m_sizeGrip->Position() == sgpBottomRight)
        bottom -= m_sizeGrip->height();
    else if (m_sizeGrip->Position() == sgpTopRight)
        top += m_sizeGrip->height();
    m_scrollBar->setGeometry(client.left() + client.width() - barWidth, top, barWidth, bottom - top);
}

void TMRUListboxEh::UpdateScrollBar()
{
    m_updating = true;
    PlaceScrollBar();
    const int visibleRows = contentsRect().height() / std::max(ItemHeight(), 1);
    if (count() > 0 && count() > visibleRows) {
        m_scrollBar->setRange(0, count() - visibleRows);
        m_scrollBar->setPageStep(visibleRows);
        m_scrollBar->setValue(verticalScrollBar()->value());
        m_scrollBar->show();
        setViewportMargins(0, 0, m_scrollBar->width(), 0);
        const TSizeGripPosition p = m_sizeGrip->Position();
        m_sizeGrip->SetTriangleWindow(p != sgpTopRight && p != sgpBottomRight);
    } else {
        m_scrollBar->hide();
        setViewportMargins(0, 0, 0, 0);
        m_sizeGrip->SetTriangleWindow(true);
    }
    m_sizeGrip->raise();
    m_updating = false;
}

void TMRUListboxEh::DropDownSideChanged(TDropDownSideEh Side)
{
    TPopupListboxEh::DropDownSideChanged(Side);
    UpdateScrollBar();
}

void TMRUListboxEh::resizeEvent(QResizeEvent *Event)
try {
    const HandlerEdge edge;
    TPopupListboxEh::resizeEvent(Event);
    UpdateScrollBar();
} catch (...) {
    endAtHandlerEdge();
}

void TMRUListboxEh::rowsInserted(const QModelIndex &Parent, int Start, int End)
{
    TPopupListboxEh::rowsInserted(Parent, Start, End);
    UpdateScrollBar();
}

void TMRUListboxEh::scrollContentsBy(int Dx, int Dy)
{
    TPopupListboxEh::scrollContentsBy(Dx, Dy);
    UpdateScrollBar();
}

// ---------------------------------------------------------------------------------------------------------
// Special row
// ---------------------------------------------------------------------------------------------------------

namespace {

bool IsControlChar(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 31;
}

// "A;B" gives two columns; a field in double quotes may hold semicolons, a doubled quote standing for one.
QStringList ParseCellsText(const QString &Text)
{
    QStringList cells;
    const int n = int(Text.size());
    int i = 0;
    while (i < n && IsControlChar(Text[i]))
        ++i;
    while (i < n) {
        QString field;
        if (Text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (Text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && Text[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += Text[i++];
            }
        } else {
            while (i < n && Text[i].unicode() >= 32 && Text[i] != QLatin1Char(';'))
                field += Text[i++];
        }
        cells.append(field);
        while (i < n && IsControlChar(Text[i]))
            ++i;
        if (i < n && Text[i] == QLatin1Char(';')) {
            ++i;
            while (i < n && IsControlChar(Text[i]))
                ++i;
        }
    }
    return cells;
}

} // namespace

TSpecRowEh::TSpecRowEh(QWidget *Owner)
    : m_owner(Owner)
    , m_shortCut(QKeySequence(Qt::ALT | Qt::Key_Delete))
    , m_value(Variant::Null())
{
    if (Owner)
        m_font.SetQFont(Owner->font());
    m_font.OnChange = [this] { FontChanged(); };
}

void TSpecRowEh::Assign(const TSpecRowEh &Source)
{
    BeginUpdate();
    SetCellsText(Source.m_cellsText);
    SetColor(Source.Color());
    if (Source.m_fontSet)
        SetFont(Source.m_font);
    m_shortCut = Source.m_shortCut;
    SetShowIfNotInKeyList(Source.m_showIfNotInKeyList);
    SetValue(Source.m_value);
    SetVisible(Source.m_visible);
    EndUpdate();
}

void TSpecRowEh::SetCellsText(const QString &Value)
{
    if (m_cellsText == Value)
        return;
    m_cellsText = Value;
    m_cellTexts = ParseCellsText(Value);
    Changed();
}

QString TSpecRowEh::GetCellText(int Index) const
{
    return Index >= 0 && Index < m_cellTexts.size() ? m_cellTexts[Index] : QString();
}

TColor TSpecRowEh::Color() const
{
    if (!m_colorSet && m_owner)
        return fromQColor(m_owner->palette().color(QPalette::Base));
    return m_color;
}

void TSpecRowEh::SetColor(TColor Value)
{
    if (Color() == Value && m_colorSet)
        return;
    m_color = Value;
    m_colorSet = true;
    Changed();
}

const TFont &TSpecRowEh::Font()
{
    if (!m_fontSet && m_owner && m_font.qfont() != m_owner->font()) {
        auto onChange = std::move(m_font.OnChange);
        m_font.OnChange = nullptr;
        m_font.SetQFont(m_owner->font());
        m_font.OnChange = std::move(onChange);
    }
    return m_font;
}

void TSpecRowEh::SetFont(const TFont &Value)
{
    m_font.Assign(Value);
}

void TSpecRowEh::FontChanged()
{
    Changed();
    m_fontSet = true;
}

void TSpecRowEh::SetShowIfNotInKeyList(bool Value)
{
    if (m_showIfNotInKeyList == Value)
        return;
    m_showIfNotInKeyList = Value;
    Changed();
}

void TSpecRowEh::SetValue(const Variant &Value)
{
    if (SameVariantValues(m_value, Value))
        return;
    m_value = Value;
    Changed();
}

void TSpecRowEh::SetVisible(bool Value)
{
    if (m_visible == Value)
        return;
    m_visible = Value;
    Changed();
}

bool TSpecRowEh::MatchesValue(const Variant &KeyValue) const
{
    return m_visible && SameVariantValues(m_value, KeyValue);
}

void TSpecRowEh::EndUpdate()
{
    if (m_changeLock > 0)
        --m_changeLock;
    Changed();
}

void TSpecRowEh::Changed()
{
    if (m_changeLock == 0 && OnRowChanged)
        OnRowChanged(this);
}
