#include "FR_ExportForms.h"

#include "FR_Locale.h"
#include "FR_Utils.h"

#include "Formats.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrExportOptionsForm::TfrExportOptionsForm(QWidget *parent, int captionId, const Boxes &boxes)
    : QDialog(parent)
{
    setWindowTitle(GetLocaleString(captionId));
    auto *layout = new QVBoxLayout(this);
    auto box = [&](int id, int indent = 0) -> QCheckBox * {
        if (id == 0)
            return nullptr;
        auto *cb = new QCheckBox(GetLocaleString(id), this);
        if (indent) {
            auto *row = new QHBoxLayout;
            row->addSpacing(indent);
            row->addWidget(cb);
            layout->addLayout(row);
        } else {
            layout->addWidget(cb);
        }
        return cb;
    };
    CB1 = box(boxes.cb1);
    CB2 = box(boxes.cb2);
    CB3 = box(boxes.cb3);
    CB4 = box(boxes.cb4, 16);
    CB5 = box(boxes.cb5);
    if (CB3 && CB4)
        connect(CB3, &QCheckBox::toggled, CB4, &QWidget::setEnabled);

    auto *grid = new QGridLayout;
    Label1 = new QLabel(GetLocaleString(54806), this);
    grid->addWidget(Label1, 0, 0, 1, 4);
    E1 = new QLineEdit(this);
    E2 = new QLineEdit(this);
    grid->addWidget(new QLabel(QStringLiteral("X"), this), 1, 0);
    grid->addWidget(E1, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Y"), this), 1, 2);
    grid->addWidget(E2, 1, 3);
    if (boxes.delimiter) {
        Label4 = new QLabel(GetLocaleString(54811), this);
        E3 = new QLineEdit(QStringLiteral(";"), this);
        Label4->setBuddy(E3);
        grid->addWidget(Label4, 2, 0, 1, 3);
        grid->addWidget(E3, 2, 3);
    }
    layout->addLayout(grid);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    Button1 = new QPushButton(GetLocaleString(55000), this);
    Button2 = new QPushButton(GetLocaleString(55001), this);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

void TfrExportOptionsForm::SetScales(double x, double y)
{
    E1->setText(FloatToStr(x));
    E2->setText(FloatToStr(y));
}

namespace {

double scaleOf(const QLineEdit *edit)
{
    // A scale that is no positive number would put every text on one line or column.
    try {
        const double v = StrToFloatAnySeparator(edit->text().trimmed());
        return v > 0 && v < 1e6 ? v : 1.0;
    } catch (const std::exception &) {
        return 1.0;
    }
}

} // namespace

double TfrExportOptionsForm::ScaleX() const
{
    return scaleOf(E1);
}

double TfrExportOptionsForm::ScaleY() const
{
    return scaleOf(E2);
}

TfrTXTExportForm::TfrTXTExportForm(QWidget *parent)
    : TfrExportOptionsForm(parent, 54800, {54801, 54802, 54803, 54804, 54805, false})
{
}

TfrCSVExportForm::TfrCSVExportForm(QWidget *parent)
    : TfrExportOptionsForm(parent, 54810, {54801, 54802, 0, 0, 0, true})
{
}

TfrRTFExportForm::TfrRTFExportForm(QWidget *parent)
    : TfrExportOptionsForm(parent, 54820, {54801, 54821, 54822, 0, 54805, false})
{
}
