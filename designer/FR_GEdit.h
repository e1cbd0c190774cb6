#pragma once

#include "FR_Class.h"
#include "FR_Desgn.h"

class QPushButton;
class QScrollArea;

// The picture of a picture object: loaded from a file, pasted from the clipboard (Shift+Insert, Ctrl+V) or
// cleared, and shown at its own size in the middle of the box, or squeezed into the box when it is larger.
class TfrGEditorForm : public TfrObjEditorForm
{
    Q_OBJECT
public:
    explicit TfrGEditorForm(QWidget *parent = nullptr);

    // Shows the object's picture; on OK the designer records the change and the object takes the picture.
    // Answers mrOk or mrCancel.
    int ShowEditor(TfrView *view) override;

    // The picture being edited.
    TfrPicture Picture;

    QScrollArea *ScrollBox1;
    QWidget *PB1;
    QPushButton *Button3, *Button4;
    QPushButton *Button1, *Button2;

    // Paints the box: the picture, or "[Нет]" without one.
    void PaintPicture(QPainter &painter, const QRect &box) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void LoadClick();
    void PasteClick();
};
