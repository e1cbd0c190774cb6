#include "FR_Dopt.h"

#include "FR_Globals.h"
#include "FR_DialogKit.h"
#include "FR_Fields.h"
#include "FR_Locale.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TfrDocOptForm::TfrDocOptForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frDocOptForm"));
    setWindowTitle(GetLocaleString(53370));
    auto *printer = new QGroupBox(GetLocaleString(53371), this);
    printer->setObjectName(QStringLiteral("GroupBox1"));
    CB1 = new QCheckBox(GetLocaleString(53372), printer);
    CB1->setObjectName(QStringLiteral("CB1"));
    LB1 = new QListWidget(printer);
    LB1->setObjectName(QStringLiteral("LB1"));
    LB1->setItemDelegate(new TfrGlyphItemDelegate(24, 18, LB1));
    LB1->setMinimumSize(260, 110);
    auto *printerLayout = new QVBoxLayout(printer);
    printerLayout->addWidget(CB1);
    printerLayout->addWidget(LB1);
    auto *other = new QGroupBox(GetLocaleString(53373), this);
    other->setObjectName(QStringLiteral("GroupBox2"));
    CB2 = new QCheckBox(GetLocaleString(53374), other);
    CB2->setObjectName(QStringLiteral("CB2"));
    (new QVBoxLayout(other))->addWidget(CB2);

    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(printer);
    layout->addWidget(other);
    layout->addLayout(buttons);
}

bool TfrDocOptForm::Execute(TfrReportOptions &values)
{
    TfrDocOptForm form;
    form.CB1->setChecked(!values.KeepDefaultPrinter);
    form.CB2->setChecked(values.TwoPass);
    const TfrPrinter &printer = EnginePrinter();
    const QPixmap glyph = DesignerGlyph(QStringLiteral("PRINTER"));
    for (const QString &name : printer.Printers)
        (new QListWidgetItem(name, form.LB1))->setData(Qt::DecorationRole, glyph);
    form.LB1->setCurrentRow(printer.PrinterIndex);
    if (form.exec() != QDialog::Accepted)
        return false;
    values.KeepDefaultPrinter = !form.CB1->isChecked();
    values.TwoPass = form.CB2->isChecked();
    values.PrinterIndex = form.LB1->currentRow() >= 0 ? form.LB1->currentRow() : printer.PrinterIndex;
    return true;
}
