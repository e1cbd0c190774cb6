#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;
class TfrBandView;
class TfrComboEdit;

// The condition of a group header band, whose change of value starts a new group.
class TfrGroupEditorForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrGroupEditorForm(QWidget *parent = nullptr);

    // Shows the band's condition; on OK the designer records the change, the band takes the text and true is
    // answered.
    static bool EditCondition(TfrBandView &band);

    QGroupBox *GB1;
    TfrComboEdit *Edit1;
    QPushButton *Button1, *Button2;
};
