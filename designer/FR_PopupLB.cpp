#include "FR_PopupLB.h"

#include <QFont>
#include <QListWidget>
#include <QResizeEvent>
#include <QStyledItemDelegate>

namespace {

// Every row the same small height, whatever the font asks for.
class FixedRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return { QStyledItemDelegate::sizeHint(option, index).width(), TfrPopupListBox::ItemHeight + 1 };
    }
};

} // namespace

TfrPopupListBox::TfrPopupListBox(QWidget *owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("PopupLB"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setFrameShape(QFrame::Box);
    ListBox1->setLineWidth(1);
    ListBox1->setFocusPolicy(Qt::NoFocus);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(ItemHeight);
    ListBox1->setFont(font);
    ListBox1->setItemDelegate(new FixedRowDelegate(ListBox1));
}

void TfrPopupListBox::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    // The window is exactly as tall as the rows it shows: the list fills it, whatever size it would rather have.
    ListBox1->setGeometry(rect());
}
