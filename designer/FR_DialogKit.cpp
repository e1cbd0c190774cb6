#include "FR_DialogKit.h"

#include <QIcon>
#include <QPainter>

// The resource registration must be called outside any namespace.
static void initDesignerGlyphs()
{
    Q_INIT_RESOURCE(DesignerGlyphs);
}

QPixmap DesignerGlyph(const QString &name)
{
    initDesignerGlyphs();
    return QPixmap(QStringLiteral(":/designer/") + name);
}

TfrGlyphItemDelegate::TfrGlyphItemDelegate(int textLeft, int rowHeight, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_textLeft(textLeft)
    , m_rowHeight(rowHeight)
{
}

void TfrGlyphItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &palette = option.palette;
    painter->save();
    painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());
    const QRect r = option.rect;
    const QVariant decoration = index.data(Qt::DecorationRole);
    QPixmap glyph;
    if (decoration.typeId() == QMetaType::QPixmap) {
        glyph = decoration.value<QPixmap>();
    } else if (decoration.typeId() == QMetaType::QIcon) {
        const QIcon icon = decoration.value<QIcon>();
        glyph = icon.pixmap(icon.availableSizes().value(0, QSize(16, 16)));
    }
    if (!glyph.isNull())
        painter->drawPixmap(r.left() + 2, r.top(), glyph);
    painter->setFont(option.font);
    painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
    const QRect textRect(r.left() + m_textLeft, r.top() + 1, r.width() - m_textLeft, r.height() - 1);
    painter->drawText(
        textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data(Qt::DisplayRole).toString());
    painter->restore();
}

QSize TfrGlyphItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    return { m_textLeft + option.fontMetrics.horizontalAdvance(text) + 4, m_rowHeight };
}
