#pragma once

// What the designer's dialogs share: their glyphs, the rows of their owner-drawn lists, their OK and Cancel.
#include <QPixmap>
#include <QStyledItemDelegate>

#include <functional>

class QDialog;
class QHBoxLayout;
class QPushButton;

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

// A dialog's OK and Cancel with the engine's captions, under the names its layout gives them, right-aligned in the
// row answered. OK is the default button and accepts, unless `onOk` takes its click; Cancel rejects.
QHBoxLayout *OkCancelRow(QDialog *dialog, QPushButton *&ok, QPushButton *&cancel, const char *okName = "Button1",
    const char *cancelName = "Button2", std::function<void()> onOk = {});
