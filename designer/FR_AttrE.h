#pragma once

#include <QDialog>

class QPushButton;
class TfrComboEdit;
class TfrView;

// The tag text of a report object, into which the expression builder inserts at the caret.
class TfrAttrEditorForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrAttrEditorForm(QWidget *parent = nullptr);

    // Shows the object's tag; on OK the designer records the change, the object takes the text and true is
    // answered.
    static bool EditTag(TfrView &view);

    TfrComboEdit *Edit1;
    QPushButton *Button1, *Button2;
};
