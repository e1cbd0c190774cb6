#include "FR_BTyp.h"

#include "FR_Class.h"
#include "FR_Fields.h"
#include "FR_Locale.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <set>

namespace {

// The types every page can take again and again: master, detail and subdetail header, data and footer, group
// header and footer, and child bands.
bool Repeatable(int type)
{
    return (type >= btMasterHeader && type <= btSubDetailFooter) || type == btGroupHeader || type == btGroupFooter
        || type == btChild;
}

// A subreport's page prints inside a band of another page, which keeps the title and summary, the page and column
// frames and the grouping to itself.
bool RefusedOnSubreportPage(int type)
{
    return type <= btPageFooter || (type >= btColumnHeader && type <= btGroupFooter);
}

} // namespace

TfrBandTypesForm::TfrBandTypesForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frBandTypesForm"));
    setWindowTitle(GetLocaleString(53510));
    GB1 = new QGroupBox(GetLocaleString(53511), this);
    GB1->setObjectName(QStringLiteral("GB1"));
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GB1);
    layout->addLayout(buttons);
}

bool TfrBandTypesForm::Execute(bool subreportPage, int &bandType)
{
    TfrBandTypesForm form;
    form.SubreportPage = subreportPage;
    if (form.exec() != QDialog::Accepted)
        return false;
    bandType = form.BandType;
    return true;
}

void TfrBandTypesForm::showEvent(QShowEvent *event)
{
    FillTypes();
    QDialog::showEvent(event);
}

void TfrBandTypesForm::FillTypes()
{
    qDeleteAll(GB1->findChildren<QRadioButton *>());
    delete GB1->layout();
    std::set<int> present;
    if (TfrReportDesigner *designer = frEngine().CurrentDesigner; designer && designer->Page)
        for (const auto &object : designer->Page->Objects)
            if (auto *band = dynamic_cast<TfrBandView *>(object.get()))
                present.insert(band->GetBandType());

    auto *grid = new QGridLayout(GB1);
    grid->setHorizontalSpacing(30);
    QRadioButton *first = nullptr;
    int firstType = 0;
    for (int type = 0; type < btNone; ++type) {
        auto *button = new QRadioButton(frEngine().BandNames.value(type), GB1);
        button->setObjectName(QStringLiteral("BandType%1").arg(type));
        button->setEnabled(
            (Repeatable(type) || !present.count(type)) && !(SubreportPage && RefusedOnSubreportPage(type)));
        grid->addWidget(button, type % 11, type / 11);
        connect(button, &QRadioButton::clicked, this, [this, type] { BandType = type; });
        if (!first && button->isEnabled()) {
            first = button;
            firstType = type;
        }
    }
    if (first) {
        first->setChecked(true);
        BandType = firstType;
    }
}
