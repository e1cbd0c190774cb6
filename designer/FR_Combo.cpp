#include "FR_Combo.h"

#include "FR_Color.h"

#include "Registry.h"
#include "WidgetKit.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString DefaultMRURegKey = QStringLiteral("\\Software\\ReportDesigner\\MRUFont");

// The names templates are written with; this platform draws them with metric-compatible substitutes.
const QStringList TemplateFontNames { QStringLiteral("Arial"), QStringLiteral("Courier New"),
    QStringLiteral("Times New Roman") };

int FontTypeOf(const QString &family)
{
    const QString drawn = QFontDatabase::hasFamily(family) ? family : QFontInfo(QFont(family)).family();
    return QFontDatabase::isScalable(drawn) ? TfrFontComboBox::TrueTypeFont : 0;
}

} // namespace

// The list rows are painted by the combo itself, all of one height.
class TfrComboItemDelegate : public QAbstractItemDelegate
{
public:
    explicit TfrComboItemDelegate(TfrCustomComboBox *combo)
        : QAbstractItemDelegate(combo)
        , m_combo(combo)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        m_combo->DrawItem(*painter, index.row(), option.rect, option.state & QStyle::State_Selected);
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        return { option.rect.width(), m_combo->m_itemHeight };
    }

private:
    TfrCustomComboBox *m_combo;
};

// ---- TfrCustomComboBox ----------------------------------------------------------------------------------------

TfrCustomComboBox::TfrCustomComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    m_itemHeight = GetTextMetric(font()).Height;
    lineEdit()->setFrame(false);
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] { update(); });
    setItemDelegate(new TfrComboItemDelegate(this));
    if (auto *list = qobject_cast<QFrame *>(ListWindow())) {
        list->setFrameStyle(QFrame::Box | QFrame::Plain);
        list->setLineWidth(1);
        list->installEventFilter(this);
    }
    if (auto *frame = qobject_cast<QFrame *>(view()))
        frame->setFrameShape(QFrame::NoFrame);
    resize(100, sizeHint().height());
}

QWidget *TfrCustomComboBox::ListWindow() const
{
    return view()->parentWidget();
}

void TfrCustomComboBox::SetPictureIndent(int value)
{
    m_pictureIndent = value;
    PlaceEdit();
    update();
}

void TfrCustomComboBox::SetItemHeight(int value)
{
    m_itemHeight = value;
    updateGeometry();
}

bool TfrCustomComboBox::IsHot() const
{
    return m_droppedDown || hasFocus() || m_mouseInside;
}

QSize TfrCustomComboBox::sizeHint() const
{
    return { 100, m_itemHeight + 8 };
}

QSize TfrCustomComboBox::minimumSizeHint() const
{
    return { m_buttonWidth + m_pictureIndent + 10, m_itemHeight + 8 };
}

void TfrCustomComboBox::PlaceEdit()
{
    lineEdit()->setGeometry(
        m_pictureIndent + 3, 3, std::max(0, width() - m_buttonWidth - m_pictureIndent - 7), std::max(0, height() - 6));
}

void TfrCustomComboBox::showPopup()
{
    m_droppedDown = true;
    QComboBox::showPopup();
    if (!ListWindow()->isVisible()) {
        m_droppedDown = false;
        return;
    }
    PlaceList();
    // The first rows stay in sight rather than the chosen one being scrolled to the top.
    if (currentIndex() < maxVisibleItems())
        view()->scrollToTop();
    update();
    DropDown();
}

void TfrCustomComboBox::PlaceList()
{
    const int rows = count() > 0 ? std::min(maxVisibleItems(), count()) : 1;
    const QSize size(width() - 1, rows * m_itemHeight + 4);
    const QPoint below = mapToGlobal(QPoint(0, height()));
    const QRect screen = ScreenWorkArea(below);
    m_listUpward = below.y() + size.height() > screen.bottom() + 1;
    const QPoint at = m_listUpward ? QPoint(below.x(), mapToGlobal(QPoint(0, 0)).y() - size.height() - 2) : below;
    ListWindow()->setGeometry(QRect(at, size));
}

bool TfrCustomComboBox::eventFilter(QObject *watched, QEvent *event)
{
    // The list may close by a choice, a key or a click elsewhere; the choice, if any, is taken right after it
    // closes, so the close-up waits for the event loop.
    if (watched == ListWindow() && event->type() == QEvent::Hide && m_droppedDown) {
        m_droppedDown = false;
        update();
        QMetaObject::invokeMethod(
            this, [this] { CloseUp(); }, Qt::QueuedConnection);
    }
    return QComboBox::eventFilter(watched, event);
}

void TfrCustomComboBox::DrawImage(QPainter &painter, int, const QRect &rect)
{
    if (m_pictureIndent != 0)
        painter.fillRect(rect, toQColor(clWindow));
}

void TfrCustomComboBox::DrawItem(QPainter &painter, int index, const QRect &rect, bool selected)
{
    painter.fillRect(rect, toQColor(selected ? clHighlight : clWindow));
    painter.setPen(toQColor(selected ? clHighlightText : clWindowText));
    painter.setFont(font());
    painter.drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, itemText(index));
}

void TfrCustomComboBox::PaintButton(QPainter &painter, int state)
{
    const QRect button(width() - m_buttonWidth - 2, 2, m_buttonWidth, height() - 4);
    painter.fillRect(button, toQColor(clBtnFace));
    if (state == 0)
        FrameRect(painter, button, toQColor(clWindow));
    else if (state == 1)
        DrawEdge(painter, button, BDR_RAISEDINNER, BF_RECT);
    else
        DrawEdge(painter, button, BDR_SUNKENOUTER, BF_RECT);
    const int shift = state == 2 ? 1 : 0;
    const int x = m_buttonWidth / 2 + width() - m_buttonWidth - 4 + shift;
    const int y = (height() - 4) / 2 + 1 + shift;
    painter.setPen(Qt::black);
    painter.drawLine(x, y, x + 4, y);
    painter.drawLine(x + 1, y + 1, x + 3, y + 1);
    painter.drawPoint(x + 2, y + 2);
}

void TfrCustomComboBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    if (!isEnabled()) {
        p.fillRect(r, toQColor(clBtnFace));
        FrameRect(p, r.adjusted(2, 2, -2, -2), toQColor(clWindow));
        PaintButton(p, 0);
        return;
    }
    const QRect button(width() - m_buttonWidth - 2, 2, m_buttonWidth, height() - 4);
    p.fillRect(r.adjusted(1, 1, -1, -1), toQColor(clWindow));
    DrawImage(p, currentIndex(), QRect(3, 3, m_pictureIndent, height() - 6));
    FrameRect(p, r, toQColor(clBtnFace));
    p.setClipRegion(QRegion(r) - QRegion(button));
    FrameRect(p, r.adjusted(1, 1, -1, -1), toQColor(clWindow));
    p.setClipping(false);
    if (IsHot())
        DrawEdge(p, r, BDR_SUNKENOUTER, BF_RECT);
    PaintButton(p, m_droppedDown ? 2 : IsHot() ? 1 : 0);
}

void TfrCustomComboBox::resizeEvent(QResizeEvent *event)
{
    QComboBox::resizeEvent(event);
    PlaceEdit();
}

void TfrCustomComboBox::showEvent(QShowEvent *event)
{
    QComboBox::showEvent(event);
    PlaceEdit();
}

void TfrCustomComboBox::enterEvent(QEnterEvent *event)
{
    QComboBox::enterEvent(event);
    m_mouseInside = true;
    update();
}

void TfrCustomComboBox::leaveEvent(QEvent *event)
{
    QComboBox::leaveEvent(event);
    m_mouseInside = false;
    update();
}

void TfrCustomComboBox::focusInEvent(QFocusEvent *event)
{
    QComboBox::focusInEvent(event);
    update();
}

void TfrCustomComboBox::focusOutEvent(QFocusEvent *event)
{
    QComboBox::focusOutEvent(event);
    update();
}

void TfrCustomComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        m_itemHeight = GetTextMetric(font()).Height;
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        PlaceEdit();
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
}

// ---- TfrComboBox ----------------------------------------------------------------------------------------------

void TfrComboBox::SetReadOnly(bool value)
{
    m_readOnly = value;
    lineEdit()->setReadOnly(value);
}

// ---- TfrFontPreview -------------------------------------------------------------------------------------------

TfrFontPreview::TfrFontPreview(QWidget *combo)
    : QWidget(combo, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FontPreview"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(200, 50);
    Panel = new QLabel(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setAlignment(Qt::AlignCenter);
    Panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel->setAutoFillBackground(true);
    QPalette palette = Panel->palette();
    palette.setColor(QPalette::Window, toQColor(clWindow));
    palette.setColor(QPalette::WindowText, toQColor(clWindowText));
    Panel->setPalette(palette);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel);
    hide();
}

void TfrFontPreview::ShowFont(const QString &family)
{
    QFont font(family);
    font.setPointSize(18);
    Panel->setFont(font);
    Panel->setText(family);
}

// ---- TfrFontComboBox ------------------------------------------------------------------------------------------

TfrFontComboBox::TfrFontComboBox(QWidget *parent)
    : TfrCustomComboBox(parent)
    , m_mruRegKey(DefaultMRURegKey)
{
    InitDesignerGlyphs();
    setObjectName(QStringLiteral("FontComboBox"));
    m_trueTypeMark = QPixmap(QStringLiteral(":/designer/TRUETYPE"));
    SetDropDownCount(12);
    SetPictureIndent(16);
    lineEdit()->setReadOnly(true);
    FitItemHeight();
    resize(150, sizeHint().height());
    Preview = new TfrFontPreview(this);
    connect(this, &QComboBox::activated, this, [this] {
        if (!m_updating && OnClick)
            OnClick(this);
    });
    connect(this, &QComboBox::highlighted, this, [this](int index) {
        if (DroppedDown())
            Preview->ShowFont(itemText(index));
    });
    connect(qGuiApp, &QGuiApplication::fontDatabaseChanged, this, [this] {
        if (m_filled)
            FillFonts();
    });
}

void TfrFontComboBox::SetMRURegKey(const QString &value)
{
    m_mruRegKey = value.isEmpty() ? DefaultMRURegKey : value;
}

int TfrFontComboBox::FontType(int index) const
{
    return itemData(index).toInt();
}

void TfrFontComboBox::FillFonts()
{
    const QString kept = currentText();
    m_updating = true;
    m_filled = true;
    QStringList names = QFontDatabase::families() + TemplateFontNames;
    std::sort(names.begin(), names.end(),
        [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    names.erase(std::unique(names.begin(), names.end(),
                    [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }),
        names.end());
    clear();
    LastMRUIndex = -1;
    for (const QString &name : names)
        addItem(name, FontTypeOf(name));

    if (ShowMRU) {
        TRegistry registry;
        registry.OpenKey(m_mruRegKey, true);
        for (int n = MRUCount - 1; n >= 0; --n) {
            const QString name = registry.ReadString(QStringLiteral("Font%1").arg(n));
            const int listed = name.isEmpty() ? -1 : findText(name, Qt::MatchFixedString);
            if (listed >= 0) {
                bool ok = false;
                const int type = registry.ReadString(QStringLiteral("FontType%1").arg(n)).trimmed().toInt(&ok);
                insertItem(0, itemText(listed), ok ? type : 0);
                ++LastMRUIndex;
            } else {
                // A font no longer installed is forgotten.
                registry.WriteString(QStringLiteral("Font%1").arg(n), QString());
                registry.WriteInteger(QStringLiteral("FontType%1").arg(n), 0);
            }
        }
        registry.CloseKey();
    }
    const int at = findText(kept);
    setCurrentIndex(at >= 0 ? at : 0);
    m_updating = false;
}

void TfrFontComboBox::showEvent(QShowEvent *event)
{
    // Filled when first shown, once its owner has set ShowMRU and the key.
    if (!m_filled)
        FillFonts();
    TfrCustomComboBox::showEvent(event);
}

void TfrFontComboBox::changeEvent(QEvent *event)
{
    TfrCustomComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FitItemHeight();
}

void TfrFontComboBox::FitItemHeight()
{
    const int fontHeight = GetTextMetric(font()).Height;
    SetItemHeight(m_trueTypeMark.height() < fontHeight ? fontHeight : m_trueTypeMark.height() + 1);
}

void TfrFontComboBox::DrawImage(QPainter &painter, int index, const QRect &rect)
{
    TfrCustomComboBox::DrawImage(painter, index, rect);
    const int shown = findText(currentText());
    if (shown >= 0 && (FontType(shown) & TrueTypeFont))
        painter.drawPixmap(rect.left(), rect.top() + (rect.height() - m_trueTypeMark.height()) / 2, m_trueTypeMark);
}

void TfrFontComboBox::DrawItem(QPainter &painter, int index, const QRect &rect, bool selected)
{
    painter.fillRect(rect, toQColor(selected ? clHighlight : clWindow));
    int indent = 17;
    if (FontType(index) & TrueTypeFont) {
        painter.drawPixmap(rect.left() + 1, rect.top() + (rect.height() - m_trueTypeMark.height()) / 2, m_trueTypeMark);
        indent = m_trueTypeMark.width() + 2;
    }
    painter.setPen(toQColor(selected ? clHighlightText : clWindowText));
    painter.setFont(font());
    painter.drawText(
        rect.adjusted(indent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, itemText(index));
    // A line parts the remembered fonts from the rest.
    painter.setPen(toQColor(clBtnShadow));
    if (index == LastMRUIndex)
        painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    if (LastMRUIndex >= 0 && index == LastMRUIndex + 1)
        painter.drawLine(rect.left(), rect.top(), rect.right(), rect.top());
}

void TfrFontComboBox::DropDown()
{
    if (currentIndex() < MRUCount)
        view()->setCurrentIndex(model()->index(0, modelColumn()));
    const QPoint top = mapToGlobal(QPoint(0, 0));
    const QPoint corner = mapToGlobal(QPoint(width(), height()));
    const QRect screen = ScreenWorkArea(corner);
    const int x = corner.x() + Preview->width() > screen.right() + 1 ? top.x() - Preview->width() - 1 : corner.x();
    const int y = ListOpenedUpward() ? top.y() - Preview->height() : corner.y();
    Preview->move(x, y);
    Preview->ShowFont(view()->currentIndex().data().toString());
    Preview->show();
}

void TfrFontComboBox::CloseUp()
{
    Preview->hide();
    if (currentIndex() <= 0 || !ShowMRU)
        return;
    Remember();
    WriteMRU();
}

void TfrFontComboBox::Remember()
{
    m_updating = true;
    const int chosen = currentIndex();
    const QString name = itemText(chosen);
    const int type = FontType(chosen);
    int remembered = -1;
    for (int i = 0; i <= LastMRUIndex; ++i)
        if (itemText(i) == name)
            remembered = i;
    if (remembered >= 0)
        removeItem(remembered);
    insertItem(0, name, type);
    setCurrentIndex(0);
    if (remembered < 0) {
        if (LastMRUIndex == MRUCount - 1)
            removeItem(MRUCount);
        else
            ++LastMRUIndex;
    }
    m_updating = false;
}

void TfrFontComboBox::WriteMRU()
{
    TRegistry registry;
    registry.OpenKey(m_mruRegKey, true);
    for (int n = 0; n < MRUCount; ++n) {
        const bool used = n <= LastMRUIndex;
        registry.WriteString(QStringLiteral("Font%1").arg(n), used ? itemText(n) : QString());
        registry.WriteInteger(QStringLiteral("FontType%1").arg(n), used ? FontType(n) : 0);
    }
    registry.CloseKey();
}
