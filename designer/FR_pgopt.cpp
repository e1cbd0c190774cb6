#include "FR_pgopt.h"

#include "FR_Globals.h"
#include "FR_DialogKit.h"
#include "FR_Fields.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "Exceptions.h"
#include "Formats.h"
#include "Services.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// 18 page pixels are 5 millimetres.
QString PixelsToMillimetres(int pixels)
{
    return FloatToStrF(pixels * 5.0 / 18.0, ffGeneral, 4, 2);
}

int MillimetresToPixels(const QString &text)
{
    return frRound(StrToFloatAnySeparator(text) * 18.0 / 5.0);
}

QLineEdit *NumberEdit(const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(70);
    return edit;
}

QLabel *BuddyLabel(int textId, const char *name, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(GetLocaleString(textId), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

QCheckBox *CheckBox(int textId, const char *name, QWidget *parent)
{
    auto *box = new QCheckBox(GetLocaleString(textId), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QGroupBox *GroupBox(int textId, const char *name, QWidget *parent)
{
    auto *box = new QGroupBox(GetLocaleString(textId), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QToolButton *SpinButton(Qt::ArrowType arrow, const char *name, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(arrow);
    button->setFixedSize(17, 11);
    return button;
}

} // namespace

TfrPgoptForm::TfrPgoptForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frPgoptForm"));
    setWindowTitle(GetLocaleString(53390));
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    // Paper.
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto *orientation = GroupBox(53392, "GroupBox2", TabSheet1);
    RB1 = new QRadioButton(GetLocaleString(53393), orientation);
    RB1->setObjectName(QStringLiteral("RB1"));
    RB2 = new QRadioButton(GetLocaleString(53394), orientation);
    RB2->setObjectName(QStringLiteral("RB2"));
    imgPortrait = new QLabel(orientation);
    imgPortrait->setObjectName(QStringLiteral("imgPortrait"));
    imgPortrait->setPixmap(DesignerGlyph(QStringLiteral("PORTRAIT")));
    imgLandScape = new QLabel(orientation);
    imgLandScape->setObjectName(QStringLiteral("imgLandScape"));
    imgLandScape->setPixmap(DesignerGlyph(QStringLiteral("LANDSCAPE")));
    auto *orientationLayout = new QGridLayout(orientation);
    orientationLayout->addWidget(RB1, 0, 0);
    orientationLayout->addWidget(RB2, 1, 0);
    orientationLayout->addWidget(imgPortrait, 0, 1, 2, 1, Qt::AlignCenter);
    orientationLayout->addWidget(imgLandScape, 0, 1, 2, 1, Qt::AlignCenter);
    orientationLayout->setColumnMinimumWidth(1, 48);

    auto *size = GroupBox(53395, "GroupBox3", TabSheet1);
    ComB1 = new QComboBox(size);
    ComB1->setObjectName(QStringLiteral("ComB1"));
    ComB1->setMinimumWidth(170);
    // Paper names are long; the list shows them whole.
    ComB1->view()->setMinimumWidth(200);
    E1 = NumberEdit("E1", size);
    E2 = NumberEdit("E2", size);
    Label1 = BuddyLabel(53396, "Label1", E1, size);
    Label2 = BuddyLabel(53397, "Label2", E2, size);
    auto *sizeLayout = new QGridLayout(size);
    sizeLayout->addWidget(ComB1, 0, 0, 1, 2);
    sizeLayout->addWidget(Label1, 1, 0);
    sizeLayout->addWidget(E1, 1, 1);
    sizeLayout->addWidget(Label2, 2, 0);
    sizeLayout->addWidget(E2, 2, 1);
    CB2 = CheckBox(53413, "CB2", TabSheet1);
    auto *paperLayout = new QGridLayout(TabSheet1);
    paperLayout->addWidget(orientation, 0, 0);
    paperLayout->addWidget(size, 0, 1);
    paperLayout->addWidget(CB2, 1, 0, 1, 2);
    paperLayout->setRowStretch(2, 1);

    // Paper source.
    TabSheet4 = new QWidget;
    TabSheet4->setObjectName(QStringLiteral("TabSheet4"));
    auto *bins = GroupBox(53412, "GroupBox6", TabSheet4);
    BinList = new QListWidget(bins);
    BinList->setObjectName(QStringLiteral("BinList"));
    (new QVBoxLayout(bins))->addWidget(BinList);
    (new QVBoxLayout(TabSheet4))->addWidget(bins);

    // Margins.
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    auto *margins = GroupBox(53399, "GroupBox4", TabSheet2);
    E3 = NumberEdit("E3", margins);
    E4 = NumberEdit("E4", margins);
    E5 = NumberEdit("E5", margins);
    E6 = NumberEdit("E6", margins);
    auto *marginsLayout = new QGridLayout(margins);
    marginsLayout->addWidget(BuddyLabel(53400, "Label3", E3, margins), 0, 0);
    marginsLayout->addWidget(E3, 0, 1);
    marginsLayout->addWidget(BuddyLabel(53401, "Label4", E4, margins), 1, 0);
    marginsLayout->addWidget(E4, 1, 1);
    marginsLayout->addWidget(BuddyLabel(53402, "Label5", E5, margins), 0, 2);
    marginsLayout->addWidget(E5, 0, 3);
    marginsLayout->addWidget(BuddyLabel(53403, "Label6", E6, margins), 1, 2);
    marginsLayout->addWidget(E6, 1, 3);
    CB5 = CheckBox(53404, "CB5", TabSheet2);
    auto *marginsPage = new QVBoxLayout(TabSheet2);
    marginsPage->addWidget(margins);
    marginsPage->addWidget(CB5);
    marginsPage->addStretch();

    // Options and columns.
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    auto *options = GroupBox(53406, "GroupBox1", TabSheet3);
    CB1 = CheckBox(53407, "CB1", options);
    (new QVBoxLayout(options))->addWidget(CB1);
    auto *columns = GroupBox(53408, "GroupBox5", TabSheet3);
    Edit1 = NumberEdit("Edit1", columns);
    Edit1->setText(QStringLiteral("1"));
    Panel8 = new QWidget(columns);
    Panel8->setObjectName(QStringLiteral("Panel8"));
    SB1 = SpinButton(Qt::UpArrow, "SB1", Panel8);
    SB2 = SpinButton(Qt::DownArrow, "SB2", Panel8);
    auto *spin = new QVBoxLayout(Panel8);
    spin->setContentsMargins(0, 0, 0, 0);
    spin->setSpacing(0);
    spin->addWidget(SB1);
    spin->addWidget(SB2);
    E7 = NumberEdit("E7", columns);
    auto *columnsLayout = new QGridLayout(columns);
    columnsLayout->addWidget(BuddyLabel(53409, "Label7", Edit1, columns), 0, 0);
    columnsLayout->addWidget(Edit1, 0, 1);
    columnsLayout->addWidget(Panel8, 0, 2);
    columnsLayout->addWidget(BuddyLabel(53410, "Label8", E7, columns), 1, 0);
    columnsLayout->addWidget(E7, 1, 1);
    columnsLayout->setColumnStretch(3, 1);
    auto *optionsPage = new QVBoxLayout(TabSheet3);
    optionsPage->addWidget(options);
    optionsPage->addWidget(columns);
    optionsPage->addStretch();

    PageControl1->addTab(TabSheet1, GetLocaleString(53391));
    PageControl1->addTab(TabSheet4, GetLocaleString(53411));
    PageControl1->addTab(TabSheet2, GetLocaleString(53398));
    PageControl1->addTab(TabSheet3, GetLocaleString(53405));

    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    // OK reads every value before the dialog may close.
    disconnect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, [this] { OkClick(); });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);

    connect(ComB1, &QComboBox::currentIndexChanged, this, [this] { PaperChanged(); });
    connect(RB1, &QRadioButton::toggled, this, [this] { OrientationChanged(); });
    connect(SB1, &QToolButton::clicked, this, [this] { StepColumns(1); });
    connect(SB2, &QToolButton::clicked, this, [this] { StepColumns(-1); });
}

bool TfrPgoptForm::Execute(TfrPageOptions &values)
{
    TfrPgoptForm form;
    form.SetValues(values);
    if (form.exec() != QDialog::Accepted)
        return false;
    values = form.m_values;
    return true;
}

void TfrPgoptForm::SetValues(const TfrPageOptions &values)
{
    m_values = values;
    const TfrPrinter &printer = EnginePrinter();
    CB1->setChecked(values.PrintToPrevPage);
    CB5->setChecked(!values.MarginsUsed);
    CB2->setChecked(values.UnlimitedHeight);
    RB1->setChecked(values.Orientation == 0);
    RB2->setChecked(values.Orientation != 0);
    OrientationChanged();
    ComB1->clear();
    ComB1->addItems(printer.PaperNames);
    ComB1->setCurrentIndex(printer.IndexOfPaperSize(values.PaperSize));
    const bool custom = values.PaperSize == PaperCustom;
    E1->setText(custom ? FloatToStrF(values.PaperWidth / 10.0, ffGeneral, 4, 2) : QString());
    E2->setText(custom ? FloatToStrF(values.PaperHeight / 10.0, ffGeneral, 4, 2) : QString());
    PaperChanged();
    BinList->clear();
    BinList->addItems(printer.BinNames);
    BinList->setCurrentRow(printer.IndexOfBin(values.Bin));
    E3->setText(PixelsToMillimetres(values.LeftMargin));
    E4->setText(PixelsToMillimetres(values.TopMargin));
    E5->setText(PixelsToMillimetres(values.RightMargin));
    E6->setText(PixelsToMillimetres(values.BottomMargin));
    E7->setText(PixelsToMillimetres(values.ColumnGap));
    Edit1->setText(QString::number(values.Columns));
}

bool TfrPgoptForm::GetValues(TfrPageOptions &values)
{
    // Every number is read before any value is given back, so a refusal leaves the caller's values whole.
    int columns = 0;
    if (!TryStrToInt(Edit1->text(), columns)) {
        PageControl1->setCurrentWidget(TabSheet3);
        Edit1->setFocus();
        Edit1->selectAll();
        Services::messages()->error(
            QStringLiteral("%1, %2: «%3» не является целым числом")
                .arg(GetLocaleString(53408), GetLocaleString(53409).remove(u'&'), Edit1->text()));
        return false;
    }
    const TfrPrinter &printer = EnginePrinter();
    values.PrintToPrevPage = CB1->isChecked();
    values.MarginsUsed = !CB5->isChecked();
    values.UnlimitedHeight = CB2->isChecked();
    values.Orientation = RB2->isChecked() ? 1 : 0;
    const int paper = ComB1->currentIndex();
    if (paper >= 0 && paper < int(printer.PaperSizes.size()))
        values.PaperSize = printer.PaperSizes[size_t(paper)];
    if (values.PaperSize == PaperCustom) {
        try {
            const int width = frRound(StrToFloatAnySeparator(E1->text()) * 10);
            const int height = frRound(StrToFloatAnySeparator(E2->text()) * 10);
            values.PaperWidth = width;
            values.PaperHeight = height;
        } catch (const EConvertError &) {
            values.PaperSize = PaperA4;
        }
    }
    const int bin = BinList->currentRow();
    if (bin >= 0 && bin < int(printer.Bins.size()))
        values.Bin = printer.Bins[size_t(bin)];
    try {
        const int left = MillimetresToPixels(E3->text()), top = MillimetresToPixels(E4->text()),
                  right = MillimetresToPixels(E5->text()), bottom = MillimetresToPixels(E6->text()),
                  gap = MillimetresToPixels(E7->text());
        values.LeftMargin = left;
        values.TopMargin = top;
        values.RightMargin = right;
        values.BottomMargin = bottom;
        values.ColumnGap = gap;
    } catch (const EConvertError &) {
        values.LeftMargin = values.TopMargin = values.RightMargin = values.BottomMargin = values.ColumnGap = 0;
    }
    values.Columns = columns;
    return true;
}

void TfrPgoptForm::PaperChanged()
{
    const int i = ComB1->currentIndex();
    const std::vector<int> &sizes = EnginePrinter().PaperSizes;
    const bool custom = i >= 0 && i < int(sizes.size()) && sizes[size_t(i)] == PaperCustom;
    SetControlsEnabled({ Label1, Label2, E1, E2 }, custom);
}

void TfrPgoptForm::OrientationChanged()
{
    imgPortrait->setVisible(RB1->isChecked());
    imgLandScape->setVisible(!RB1->isChecked());
}

void TfrPgoptForm::StepColumns(int step)
{
    // A count that is no number counts from 0.
    int columns = 0;
    TryStrToInt(Edit1->text(), columns);
    columns += step;
    if (step < 0)
        columns = std::max(0, columns);
    Edit1->setText(QString::number(columns));
}

void TfrPgoptForm::OkClick()
{
    TfrPageOptions values = m_values;
    if (!GetValues(values))
        return;
    m_values = values;
    accept();
}
