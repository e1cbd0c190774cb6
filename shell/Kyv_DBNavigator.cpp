// The data navigator: its buttons and their pictures, the layout that spreads the spare pixels from the middle,
// the enabling by the dataset's state, the clicks, the keys and the focus rectangle.
#include "Kyv_DBNavigator.h"

#include "Guard.h"
#include "Services.h"
#include "WidgetKit.h"

#include <QKeyEvent>
#include <QLayout>
#include <QPainter>

#include <bit>

namespace {

const char *const ButtonNames[KyvNavButtonCount]
    = { "POST", "CANCEL", "INSERT", "DELETE", "EDIT", "PROPERTY", "REFRESH", "FIRST", "PRIOR", "NEXT", "LAST" };

const char *const DefaultHints[KyvNavButtonCount] = { "Post edit", "Cancel edit", "Insert record", "Delete record",
    "Edit record", "Property", "Refresh data", "First record", "Prior record", "Next record", "Last record" };

constexpr int MinButtonWidth = 20;
constexpr int MinButtonHeight = 18;
// A new navigator's buttons: six of them fill its 145 x 25 pixels.
constexpr int DefaultButtonLength = 24;
constexpr int DefaultThickness = 25;
// Prior and Next repeat while held: the first repeat after this delay, then at this interval.
constexpr int RepeatDelay = 400;
constexpr int RepeatInterval = 100;

} // namespace

// The resource registration must be called outside any namespace.
static void initNavigatorResources()
{
    Q_INIT_RESOURCE(NavigatorGlyphs);
}

int TKyvNavControlSet::count() const
{
    return std::popcount(m_bits);
}

// ---- The button ----------------------------------------------------------------------------------------------

TKyv_NavControl::TKyv_NavControl(TKyv_DBNavigator *navigator, TKyvNavigateControl index)
    : QAbstractButton(navigator)
    , m_navigator(navigator)
    , m_index(index)
{
    setObjectName(QStringLiteral("btn") + QString::fromLatin1(ButtonNames[index]));
    // The navigator holds the focus and draws it on its focused button.
    setFocusPolicy(Qt::NoFocus);
    if (index == nbPrior || index == nbNext) {
        setAutoRepeat(true);
        setAutoRepeatDelay(RepeatDelay);
        setAutoRepeatInterval(RepeatInterval);
    }
    connect(this, &QAbstractButton::pressed, this, [this] {
        m_navigator->SetFocusedButton(m_index);
        if (m_navigator->focusPolicy() != Qt::NoFocus && !m_navigator->hasFocus())
            m_navigator->setFocus(Qt::MouseFocusReason);
    });
    connect(this, &QAbstractButton::clicked, this, guarded([this](bool) { m_navigator->BtnClick(m_index); }));
}

void TKyv_NavControl::LoadGlyphs(TKyv_DBNavKind kind)
{
    initNavigatorResources();
    const QString name = QStringLiteral(":/navigator/")
        + (kind == nkHorizontal ? QStringLiteral("DBNH_") : QStringLiteral("DBNV_"))
        + QString::fromLatin1(ButtonNames[m_index]);
    const QPixmap picture(name);
    // The picture holds the normal glyph and, to its right, the disabled one.
    const int w = picture.width() / 2;
    m_glyph = picture.copy(0, 0, w, picture.height());
    m_disabledGlyph = picture.copy(w, 0, w, picture.height());
    update();
}

void TKyv_NavControl::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TKyv_NavControl::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TKyv_NavControl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, toQColor(clBtnFace));
    const bool down = isDown();
    // A flat button shows its edge only under the mouse or while pressed.
    if (down)
        DrawEdge(p, r, BDR_SUNKENOUTER, BF_RECT);
    else if (!m_navigator->Flat() || (m_hover && isEnabled()))
        DrawEdge(p, r, BDR_RAISEDINNER, BF_RECT);
    const QPixmap &glyph = isEnabled() ? m_glyph : m_disabledGlyph;
    QPoint at((r.width() - glyph.width()) / 2, (r.height() - glyph.height()) / 2);
    if (down)
        at += QPoint(1, 1);
    p.drawPixmap(at, glyph);
    if (m_navigator->hasFocus() && m_navigator->FocusedButton() == m_index) {
        QRect focus = r.adjusted(3, 3, -3, -3);
        if (down)
            focus.translate(1, 1);
        DrawFocusRect(p, focus);
    }
}

// ---- The data link -------------------------------------------------------------------------------------------

void TKyv_NavDataLink::ActiveChanged()
{
    m_navigator->ActiveChanged();
}

void TKyv_NavDataLink::DataSetChanged()
{
    m_navigator->DataChanged();
}

void TKyv_NavDataLink::EditingChanged()
{
    m_navigator->EditingChanged();
}

// ---- The navigator -------------------------------------------------------------------------------------------

TKyv_DBNavigator::TKyv_DBNavigator(QWidget *parent)
    : QWidget(parent)
    , m_dataLink(std::make_unique<TKyv_NavDataLink>(this))
{
    setFocusPolicy(Qt::StrongFocus);
    for (int i = 0; i < KyvNavButtonCount; ++i) {
        m_buttons[i] = new TKyv_NavControl(this, TKyvNavigateControl(i));
        m_buttons[i]->LoadGlyphs(m_kind);
    }
    InitHints();
    resize(145, 25);
    AdjustSize();
    ActiveChanged();
}

TKyv_DBNavigator::~TKyv_DBNavigator()
{
    m_dataLink->SetDataSource(nullptr);
}

TDataSource *TKyv_DBNavigator::DataSource() const
{
    return m_dataLink->DataSource();
}

void TKyv_DBNavigator::SetDataSource(TDataSource *source)
{
    m_dataLink->SetDataSource(source);
    ActiveChanged();
}

void TKyv_DBNavigator::SetVisibleControls(TKyvNavControlSet buttons)
{
    m_visible = buttons;
    if (!m_visible.contains(m_focused)) {
        for (int i = 0; i < KyvNavButtonCount; ++i) {
            if (m_visible.contains(TKyvNavigateControl(i))) {
                m_focused = TKyvNavigateControl(i);
                break;
            }
        }
    }
    AdjustSize();
    updateGeometry();
    update();
}

void TKyv_DBNavigator::SetKind(TKyv_DBNavKind kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    // A navigator turned round keeps its area: width and height change places.
    resize(height(), width());
    for (TKyv_NavControl *button : m_buttons)
        button->LoadGlyphs(kind);
    AdjustSize();
    updateGeometry();
}

void TKyv_DBNavigator::SetFlat(bool flat)
{
    m_flat = flat;
    for (TKyv_NavControl *button : m_buttons)
        button->update();
}

void TKyv_DBNavigator::SetHints(const QStringList &hints)
{
    m_hints = hints;
    InitHints();
}

void TKyv_DBNavigator::InitHints()
{
    for (int i = 0; i < KyvNavButtonCount; ++i)
        m_buttons[i]->setToolTip(QString::fromLatin1(DefaultHints[i]));
    for (int i = 0; i < std::min<int>(m_hints.size(), KyvNavButtonCount); ++i) {
        if (!m_hints[i].isEmpty())
            m_buttons[i]->setToolTip(m_hints[i]);
    }
}

bool TKyv_DBNavigator::Aligned() const
{
    if (m_aligned)
        return true;
    const QWidget *parent = parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(const_cast<TKyv_DBNavigator *>(this)) >= 0;
}

void TKyv_DBNavigator::SetAligned(bool aligned)
{
    m_aligned = aligned;
    AdjustSize();
}

void TKyv_DBNavigator::AdjustSize()
{
    if (m_adjusting)
        return;
    m_adjusting = true;
    const int count = std::max(1, m_visible.count());
    const bool horizontal = m_kind == nkHorizontal;
    int w = width();
    int h = height();
    int &length = horizontal ? w : h;
    length = std::max(length, count * (horizontal ? MinButtonWidth : MinButtonHeight));
    if (horizontal)
        h = std::max(h, MinButtonHeight);
    else
        w = std::max(w, MinButtonWidth);
    const int size = length / count;
    if (!Aligned())
        length = size * count;
    if (QSize(w, h) != this->size())
        resize(w, h);
    const int remainder = length - size * count;
    // The spare pixels go one a button, the running value starting from the middle.
    int running = count / 2;
    int pos = 0;
    for (TKyv_NavControl *button : m_buttons) {
        if (!m_visible.contains(button->Index())) {
            // Out of sight, just beyond the far edge.
            button->setGeometry(horizontal ? QRect(w + 1, 0, size, h) : QRect(0, h + 1, w, size));
            button->hide();
            continue;
        }
        int space = size;
        if (remainder != 0) {
            running -= remainder;
            if (running < 0) {
                running += count;
                ++space;
            }
        }
        button->setGeometry(horizontal ? QRect(pos, 0, space, h) : QRect(0, pos, w, space));
        button->show();
        pos += space;
    }
    m_adjusting = false;
}

QSize TKyv_DBNavigator::sizeHint() const
{
    const int length = std::max(1, m_visible.count()) * DefaultButtonLength;
    return m_kind == nkHorizontal ? QSize(length, DefaultThickness) : QSize(DefaultThickness, length);
}

QSize TKyv_DBNavigator::minimumSizeHint() const
{
    const int count = std::max(1, m_visible.count());
    return m_kind == nkHorizontal ? QSize(count * MinButtonWidth, MinButtonHeight)
                                  : QSize(MinButtonWidth, count * MinButtonHeight);
}

void TKyv_DBNavigator::SetBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, width, height);
    AdjustSize();
}

void TKyv_DBNavigator::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    AdjustSize();
}

void TKyv_DBNavigator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    AdjustSize();
}

bool TKyv_DBNavigator::IsActive() const
{
    return isEnabled() && m_dataLink->Active();
}

void TKyv_DBNavigator::ActiveChanged()
{
    if (!IsActive()) {
        for (TKyv_NavControl *button : m_buttons)
            button->setEnabled(false);
        return;
    }
    DataChanged();
    EditingChanged();
}

void TKyv_DBNavigator::DataChanged()
{
    if (!IsActive())
        return;
    m_enabling = true;
    const TDataSet *ds = m_dataLink->DataSet();
    const bool up = !ds->Bof();
    const bool down = !ds->Eof();
    m_buttons[nbFirst]->setEnabled(up);
    m_buttons[nbPrior]->setEnabled(up);
    m_buttons[nbNext]->setEnabled(down);
    m_buttons[nbLast]->setEnabled(down);
    m_buttons[nbDelete]->setEnabled(ds->CanModify() && !ds->IsEmpty());
    // A delete of the last record changes no editing state, yet leaves nothing to show properties of.
    m_buttons[nbProperty]->setEnabled(ds->RecordCount() > 0);
    m_enabling = false;
}

void TKyv_DBNavigator::EditingChanged()
{
    if (!IsActive())
        return;
    m_enabling = true;
    const TDataSet *ds = m_dataLink->DataSet();
    const bool canModify = ds->CanModify();
    const bool editing = m_dataLink->Editing();
    m_buttons[nbInsert]->setEnabled(canModify);
    m_buttons[nbEdit]->setEnabled(canModify && !editing);
    m_buttons[nbPost]->setEnabled(canModify && editing);
    m_buttons[nbCancel]->setEnabled(canModify && editing);
    m_buttons[nbRefresh]->setEnabled(true);
    m_buttons[nbProperty]->setEnabled(ds->RecordCount() > 0);
    m_enabling = false;
}

void TKyv_DBNavigator::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        ActiveChanged();
}

void TKyv_DBNavigator::BtnClick(TKyvNavigateControl index)
{
    TDataSet *ds = m_dataLink->DataSet();
    if (m_enabling || !ds || !ds->Active())
        return;
    if (BeforeAction)
        BeforeAction(this, index);
    if (OnBtnClick[index]) {
        OnBtnClick[index](this);
    } else {
        switch (index) {
        case nbPost:
            ds->Post();
            break;
        case nbCancel:
            ds->Cancel();
            break;
        case nbInsert:
            ds->Insert();
            break;
        case nbDelete:
            if (!m_confirmDelete
                || Services::messages()->messageDlg(QStringLiteral("Delete record?"), mtConfirmation, mbOKCancel, mbOK)
                    != mrCancel)
                ds->Delete();
            break;
        case nbEdit:
            ds->Edit();
            break;
        case nbProperty:
            break;
        case nbRefresh:
            ds->Refresh();
            break;
        case nbFirst:
            ds->First();
            break;
        case nbPrior:
            ds->Prior();
            break;
        case nbNext:
            ds->Next();
            break;
        case nbLast:
            ds->Last();
            break;
        }
    }
    if (OnClick)
        OnClick(this, index);
}

void TKyv_DBNavigator::SetFocusedButton(TKyvNavigateControl index)
{
    if (index == m_focused)
        return;
    const TKyvNavigateControl old = m_focused;
    m_focused = index;
    m_buttons[old]->update();
    m_buttons[index]->update();
}

void TKyv_DBNavigator::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int step = event->key() == Qt::Key_Right ? 1 : -1;
        for (int i = m_focused + step; i >= 0 && i < KyvNavButtonCount; i += step) {
            if (m_visible.contains(TKyvNavigateControl(i))) {
                SetFocusedButton(TKyvNavigateControl(i));
                break;
            }
        }
        break;
    }
    case Qt::Key_Space:
        if (m_buttons[m_focused]->isEnabled())
            m_buttons[m_focused]->click();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TKyv_DBNavigator::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_buttons[m_focused]->update();
}

void TKyv_DBNavigator::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_buttons[m_focused]->update();
}
