#include "FR_Hilit.h"

#include "FR_Color.h"
#include "FR_Ctrls.h"
#include "FR_DialogKit.h"
#include "FR_Expr.h"
#include "FR_Fields.h"
#include "FR_Locale.h"

#include "Services.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The font style bits of the three check boxes: bold, italic, underline.
constexpr int BoldBit = 2, ItalicBit = 1, UnderlineBit = 4;

TfrSpeedButton *ColorButton(QWidget *parent, const char *name, int captionId)
{
    auto *button = new TfrSpeedButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->SetCaption(GetLocaleString(captionId));
    button->setFixedSize(90, 25);
    return button;
}

} // namespace

TfrHilightForm::TfrHilightForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frHilightForm"));
    setWindowTitle(GetLocaleString(53520));

    GroupBox1 = new QGroupBox(GetLocaleString(53521), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Edit1 = new TfrComboEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->SetGlyph(DesignerGlyph(QStringLiteral("ELLIPSIS")));
    Edit1->SetButtonHint(GetLocaleString(53575));
    Edit1->OnButtonClick = [this](QObject *) {
        TfrExprForm builder(this);
        builder.ExprMemo->setPlainText(Edit1->currentText());
        if (builder.exec() == QDialog::Accepted)
            Edit1->setEditText(builder.ExprMemo->toPlainText());
    };
    (new QVBoxLayout(GroupBox1))->addWidget(Edit1);

    GroupBox2 = new QGroupBox(GetLocaleString(53522), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    SpeedButton1 = ColorButton(GroupBox2, "SpeedButton1", 53523);
    CB1 = new QCheckBox(GetLocaleString(53524), GroupBox2);
    CB1->setObjectName(QStringLiteral("CB1"));
    CB2 = new QCheckBox(GetLocaleString(53525), GroupBox2);
    CB2->setObjectName(QStringLiteral("CB2"));
    CB3 = new QCheckBox(GetLocaleString(53526), GroupBox2);
    CB3->setObjectName(QStringLiteral("CB3"));
    auto *fontLayout = new QVBoxLayout(GroupBox2);
    fontLayout->addWidget(SpeedButton1);
    fontLayout->addWidget(CB1);
    fontLayout->addWidget(CB2);
    fontLayout->addWidget(CB3);

    GroupBox3 = new QGroupBox(GetLocaleString(53527), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    SpeedButton2 = ColorButton(GroupBox3, "SpeedButton2", 53528);
    RB1 = new QRadioButton(GetLocaleString(53529), GroupBox3);
    RB1->setObjectName(QStringLiteral("RB1"));
    RB2 = new QRadioButton(GetLocaleString(53530), GroupBox3);
    RB2->setObjectName(QStringLiteral("RB2"));
    auto *fillLayout = new QVBoxLayout(GroupBox3);
    fillLayout->addWidget(RB1);
    fillLayout->addWidget(RB2);
    fillLayout->addWidget(SpeedButton2);
    fillLayout->addStretch();

    SpeedButton1->OnClick = [this](QObject *) { ChooseColor(SpeedButton1, FontColor, cgFontColor); };
    SpeedButton2->OnClick = [this](QObject *) { ChooseColor(SpeedButton2, FillColor, cgFillColor); };
    connect(RB1, &QRadioButton::toggled, this, &TfrHilightForm::BackgroundChanged);

    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    auto *groups = new QHBoxLayout;
    groups->addWidget(GroupBox2);
    groups->addWidget(GroupBox3);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(groups);
    layout->addLayout(buttons);
}

bool TfrHilightForm::Execute(TfrHighlight &values)
{
    TfrHilightForm form;
    form.Edit1->setEditText(values.Condition);
    form.CB1->setChecked(values.Style & BoldBit);
    form.CB2->setChecked(values.Style & ItalicBit);
    form.CB3->setChecked(values.Style & UnderlineBit);
    form.FontColor = values.FontColor;
    form.FillColor = values.FillColor;
    if (form.exec() != QDialog::Accepted)
        return false;
    values.Condition = form.Edit1->currentText();
    values.Style = (form.CB1->isChecked() ? BoldBit : 0) | (form.CB2->isChecked() ? ItalicBit : 0)
        | (form.CB3->isChecked() ? UnderlineBit : 0);
    values.FontColor = form.FontColor;
    values.FillColor = form.FillColor;
    return true;
}

void TfrHilightForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    SetColorButtonGlyph(SpeedButton1, cgFontColor, FontColor);
    SetColorButtonGlyph(SpeedButton2, cgFillColor, FillColor);
    const bool transparent = FillColor == clTransparent;
    RB1->setChecked(transparent);
    RB2->setChecked(!transparent);
    BackgroundChanged();
}

void TfrHilightForm::BackgroundChanged()
{
    SpeedButton2->setEnabled(RB2->isChecked());
    if (RB1->isChecked() && FillColor != clTransparent) {
        FillColor = clTransparent;
        SetColorButtonGlyph(SpeedButton2, cgFillColor, FillColor);
    }
}

void TfrHilightForm::ChooseColor(TfrSpeedButton *button, TColor &color, int cell)
{
    QColor chosen = toQColor(color);
    if (!Services::dialogs()->chooseColor(chosen))
        return;
    color = fromQColor(chosen);
    SetColorButtonGlyph(button, cell, color);
}
