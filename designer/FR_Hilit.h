#pragma once

#include "Color.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class TfrComboEdit;
class TfrSpeedButton;

// What the highlight dialog shows and answers: the condition, the font style to apply while it holds (1 italic,
// 2 bold, 4 underline) and the colours; a fill of clTransparent leaves the background as it is.
struct TfrHighlight
{
    QString Condition;
    int Style = 2;
    TColor FontColor = clBlack;
    TColor FillColor = clWhite;

    bool operator==(const TfrHighlight &) const = default;
};

// The conditional highlight of text objects: the condition, the font's style and colour, and the background.
class TfrHilightForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrHilightForm(QWidget *parent = nullptr);

    // Shows the highlight; on OK answers true with the values read back. The style answered holds only the
    // three bits of the check boxes.
    static bool Execute(TfrHighlight &values);

    TColor FontColor = clBlack;
    TColor FillColor = clWhite;

    QGroupBox *GroupBox1, *GroupBox2, *GroupBox3;
    TfrComboEdit *Edit1;
    QCheckBox *CB1, *CB2, *CB3;
    TfrSpeedButton *SpeedButton1, *SpeedButton2;
    QRadioButton *RB1, *RB2;
    QPushButton *Button1, *Button2;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BackgroundChanged();
    void ChooseColor(TfrSpeedButton *button, TColor &color, int cell);
};
