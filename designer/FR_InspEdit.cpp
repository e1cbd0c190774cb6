// The object inspector: drawing the rows, the mouse, the editing keys, the value list and double-click cycling.
#include "FR_Insp.h"

#include "FR_InspParts.h"
#include "FR_PopupLB.h"

#include "Color.h"
#include "Services.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScopeGuard>
#include <QStylePainter>

namespace {

// The list shows at most this many rows and scrolls beyond them.
constexpr int ListRows = 8;

bool nearSplit(int x, int splitPos)
{
    return std::abs(x - splitPos) <= 2;
}

} // namespace

// ---- the paint box

TInspPaintBox::TInspPaintBox(TfrInspForm *form, QWidget *parent)
    : QWidget(parent)
    , m_form(form)
{
    setObjectName(QStringLiteral("PaintBox1"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TInspPaintBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    m_form->PaintRows(painter);
}

void TInspPaintBox::mousePressEvent(QMouseEvent *e)
{
    m_form->PaintBoxMouseDown(e);
}

void TInspPaintBox::mouseMoveEvent(QMouseEvent *e)
{
    m_form->PaintBoxMouseMove(e);
}

void TInspPaintBox::mouseReleaseEvent(QMouseEvent *)
{
    m_form->PaintBoxMouseUp();
}

// ---- the object combo

TInspObjectCombo::TInspObjectCombo(TfrInspForm *form)
    : QComboBox(form)
    , m_form(form)
{
    setObjectName(QStringLiteral("CB1"));
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (m_form->Disabled || index < 0)
            return;
        if (m_form->OnSelectionChanged)
            m_form->OnSelectionChanged(itemText(index));
        m_form->Edit1->setFocus();
    });
}

void TInspObjectCombo::showPopup()
{
    const QString chosen = currentText();
    m_form->FillObjectCombo();
    setCurrentIndex(findText(chosen));
    QComboBox::showPopup();
}

void TInspObjectCombo::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = m_form->ObjectCaption();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

// ---- drawing

void TfrInspForm::PaintRows(QPainter &painter)
{
    if (m_busy)
        return;
    painter.fillRect(PaintBox1->rect(), toQColor(clBtnFace));
    if (Disabled)
        return;
    painter.setFont(font());
    for (int i = 0; i < RowCount(); ++i)
        if (i != m_itemIndex)
            DrawRow(painter, i, false);
    if (m_itemIndex >= 0 && m_itemIndex < RowCount())
        DrawRow(painter, m_itemIndex, true);
}

void TfrInspForm::DrawRow(QPainter &painter, int index, bool selected)
{
    const int top = index * m_rowHeight;
    const int bottom = top + m_rowHeight - 1;
    const int width = PaintBox1->width();
    const QColor shadow = toQColor(clBtnShadow), light = toQColor(clBtnHighlight);
    const QRect caption(5, top + 1, SplitPos - 7, m_rowHeight - 1);
    if (!selected) {
        painter.setPen(shadow);
        painter.drawLine(0, bottom, width, bottom);
        painter.drawLine(SplitPos - 1, top, SplitPos - 1, bottom);
        painter.setPen(light);
        painter.drawLine(SplitPos, top, SplitPos, bottom);
        painter.setPen(Qt::black);
        painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, RowCaption(index));
        painter.setPen(toQColor(clNavy));
        painter.drawText(QRect(SplitPos + 2, top + 1, width - SplitPos - 2, m_rowHeight - 1),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_rows[size_t(index)].prop->Text);
        return;
    }
    // The selected row looks sunk in; its value is what the edit box shows.
    painter.setPen(shadow);
    painter.drawLine(0, top - 2, width, top - 2);
    painter.setPen(Qt::black);
    painter.drawLine(0, top - 1, width, top - 1);
    painter.drawLine(0, top - 1, 0, bottom);
    painter.setPen(light);
    painter.drawLine(0, bottom, width, bottom);
    painter.drawLine(Edit1->x(), top, Edit1->geometry().right(), top);
    painter.setPen(shadow);
    painter.drawLine(SplitPos - 1, top, SplitPos - 1, bottom);
    painter.setPen(light);
    painter.drawLine(SplitPos, top, SplitPos, bottom);
    painter.setPen(shadow);
    painter.drawLine(SplitPos + 1, top, SplitPos + 1, bottom);
    painter.setPen(Qt::black);
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, RowCaption(index));
}

// ---- the mouse over the rows

void TfrInspForm::PaintBoxMouseDown(QMouseEvent *e)
{
    if (Disabled || e->button() != Qt::LeftButton)
        return;
    const QPoint at = e->position().toPoint();
    if (nearSplit(at.x(), SplitPos)) {
        m_splitterDrag = true;
        return;
    }
    SelectRow(at.y() / m_rowHeight);
    Edit1->setFocus();
    m_lastRowClick = Services::clock()->tickCount();
}

void TfrInspForm::PaintBoxMouseMove(QMouseEvent *e)
{
    const int x = e->position().toPoint().x();
    if (!m_splitterDrag) {
        PaintBox1->setCursor(nearSplit(x, SplitPos) ? Qt::SplitHCursor : Qt::ArrowCursor);
        return;
    }
    if (x > 5) {
        SplitPos = x;
        FormResize();
    }
}

void TfrInspForm::PaintBoxMouseUp()
{
    m_splitterDrag = false;
}

// ---- the edit box

bool TfrInspForm::eventFilter(QObject *watched, QEvent *e)
{
    if (watched != Edit1)
        return QWidget::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::KeyPress:
        return Edit1KeyDown(static_cast<QKeyEvent *>(e));
    case QEvent::MouseButtonPress:
        m_pressWasDoubleClick = false;
        Edit1MouseDown();
        return false;
    case QEvent::MouseButtonDblClick:
        // The press of this double-click counted as one already when it followed a click on the row.
        if (!m_pressWasDoubleClick)
            Edit1DblClick();
        m_pressWasDoubleClick = false;
        return true;
    default:
        return QWidget::eventFilter(watched, e);
    }
}

bool TfrInspForm::Edit1KeyDown(QKeyEvent *e)
{
    if (Disabled)
        return false;
    switch (e->key()) {
    case Qt::Key_Escape:
        while (Edit1->isUndoAvailable())
            Edit1->undo();
        Edit1->setModified(false);
        return true;
    case Qt::Key_Up:
        if (m_itemIndex > 0)
            SelectRow(m_itemIndex - 1);
        return true;
    case Qt::Key_Down:
        if (m_itemIndex < RowCount() - 1)
            SelectRow(m_itemIndex + 1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (const TProp *prop = CurrentProp(); prop && (prop->TypeFlags & frdtHasEditor)) {
            EditBtnClick();
        } else if (Edit1->isModified()) {
            CommitText(Edit1->text());
            Edit1->setModified(false);
        }
        Edit1->selectAll();
        return true;
    default:
        return false;
    }
}

void TfrInspForm::Edit1MouseDown()
{
    const quint64 now = Services::clock()->tickCount();
    if (m_lastRowClick && now - *m_lastRowClick < quint64(QApplication::doubleClickInterval())) {
        m_lastRowClick.reset();
        m_pressWasDoubleClick = true;
        Edit1DblClick();
    }
}

void TfrInspForm::Edit1DblClick()
{
    TProp *prop = CurrentProp();
    if (Disabled || !prop)
        return;
    const int flags = prop->TypeFlags;
    if (flags & frdtHasEditor) {
        EditBtnClick();
        return;
    }
    if (flags & frdtColor) {
        QColor color = toQColor(prop->GetValue().toInt());
        if (!Services::dialogs()->chooseColor(color))
            return;
        prop->SetValue(Variant(int(fromQColor(color))));
    } else if (flags & frdtBoolean) {
        prop->SetValue(Variant(!prop->GetValue().toBool()));
    } else if ((flags & frdtEnum) && prop->HasCodes()) {
        const QList<Variant> &codes = prop->ValueCodes.elements();
        if (codes.isEmpty())
            return;
        const Variant current = prop->GetValue();
        qsizetype i = 0;
        while (i < codes.size() && !SameVariantValues(codes[i], current))
            ++i;
        prop->SetValue(i + 1 < codes.size() ? codes[i + 1] : codes[0]);
    } else if (flags & frdtEnum) {
        const QStringList &names = prop->ValueNames;
        if (names.isEmpty())
            return;
        const int i = prop->NameIndex(prop->Text);
        prop->SetValue(i >= 0 && i + 1 < names.size() ? names[i + 1] : names[0]);
    } else {
        return;
    }
    // The commit refills the rows: the property is not to be touched after it.
    CommitText(prop->Text);
    Edit1->setModified(false);
    Edit1->selectAll();
}

void TfrInspForm::EditBtnClick()
{
    TProp *prop = CurrentProp();
    if (Disabled || !prop)
        return;
    if (prop->EditorMethod)
        prop->EditorMethod(dynamic_cast<TfrView *>(CurrentObject));
    Edit1->selectAll();
}

// ---- the value list

void TfrInspForm::ComboBtnClick()
{
    const TProp *prop = CurrentProp();
    if (Disabled || !prop)
        return;
    if (PopupListBox->isVisible()) {
        HidePopup();
        Edit1->setFocus();
        return;
    }
    m_busy = true;
    const auto done = qScopeGuard([this] { m_busy = false; });
    QStringList items;
    if (prop->TypeFlags & frdtBoolean) {
        items << QStringLiteral("False") << QStringLiteral("True");
    } else if (prop->TypeFlags & frdtColor) {
        for (const TfrNamedColor &c : ColorTable)
            items << QString::fromLatin1(c.Name);
    } else if (prop->TypeFlags & frdtEnum) {
        items = prop->ValueNames;
    }
    QListWidget *list = PopupListBox->ListBox1;
    list->clear();
    list->addItems(items);
    if (items.isEmpty())
        return;
    for (int i = 0; i < items.size(); ++i)
        if (items[i].compare(prop->Text, Qt::CaseInsensitive) == 0) {
            list->setCurrentRow(i);
            break;
        }
    const QFontMetrics metrics(list->font());
    int width = 0;
    for (const QString &item : items)
        width = std::max(width, metrics.horizontalAdvance(item));
    width += 8;
    int rows = int(items.size());
    if (rows > ListRows) {
        width += 16;
        rows = ListRows;
    }
    const int height = rows * (TfrPopupListBox::ItemHeight + 1) + 2;
    const int paintWidth = PaintBox1->width();
    int left = paintWidth - width + 2;
    // A narrow list spans the value column; a wide one keeps to the rows' right edge.
    if (width < SplitPos) {
        left = SplitPos + 1;
        width = paintWidth - left;
    }
    const int screenLeft = std::max(PaintBox1->mapToGlobal(QPoint(left, 0)).x(), 0);
    const int screenTop = Edit1->mapToGlobal(QPoint(0, Edit1->height())).y();
    PopupListBox->setGeometry(screenLeft, screenTop, width, height);
    PopupListBox->show();
    if (list->currentItem())
        list->scrollToItem(list->currentItem());
}

void TfrInspForm::ListClick(const QString &text)
{
    Edit1->setText(text);
    HidePopup();
    Edit1->setFocus();
    CommitText(text);
}
