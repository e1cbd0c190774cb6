#pragma once

// What the designer's dialogs share: their glyphs and the rows of their owner-drawn lists.
#include <QPixmap>
#include <QStyledItemDelegate>

// A glyph of the designer's dialogs, by its name in the designer's resources (":/designer/<name>").
QPixmap DesignerGlyph(const QString &name);

// Rows of the dialogs' lists and combo boxes drawn as the designer draws them: the row filled, the item's glyph
// (its decoration, when it has one) 2 pixels from the left edge, the text from `textLeft` and 1 pixel down. Every
// row is `rowHeight` pixels tall, so a list keeps its look whatever the font asks for.
class TfrGlyphItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    TfrGlyphItemDelegate(int textLeft, int rowHeight, QObject *parent);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int m_textLeft;
    int m_rowHeight;
};
