#include "FR_InsertFields.h"

#include "FR_DataDict.h"
#include "FR_DialogKit.h"
#include "FR_Fields.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "DataSet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int RowHeight = 16;

} // namespace

TfrInsertFieldsForm::TfrInsertFieldsForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frInsertFieldsForm"));
    setWindowTitle(GetLocaleString(53630));
    DatasetCB = new QComboBox(this);
    DatasetCB->setObjectName(QStringLiteral("DatasetCB"));
    DatasetCB->setItemDelegate(new TfrGlyphItemDelegate(20, RowHeight, DatasetCB));
    auto *label1 = new QLabel(GetLocaleString(53631), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setBuddy(DatasetCB);
    FieldsL = new QListWidget(this);
    FieldsL->setObjectName(QStringLiteral("FieldsL"));
    FieldsL->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FieldsL->setItemDelegate(new TfrGlyphItemDelegate(20, RowHeight, FieldsL));

    auto *placement = new QGroupBox(GetLocaleString(53632), this);
    placement->setObjectName(QStringLiteral("GroupBox1"));
    HorzRB = new QRadioButton(GetLocaleString(53633), placement);
    HorzRB->setObjectName(QStringLiteral("HorzRB"));
    HorzRB->setChecked(true);
    VertRB = new QRadioButton(GetLocaleString(53634), placement);
    VertRB->setObjectName(QStringLiteral("VertRB"));
    HeaderCB = new QCheckBox(GetLocaleString(53635), placement);
    HeaderCB->setObjectName(QStringLiteral("HeaderCB"));
    HeaderCB->setChecked(true);
    BandCB = new QCheckBox(GetLocaleString(53636), placement);
    BandCB->setObjectName(QStringLiteral("BandCB"));
    auto *placementLayout = new QVBoxLayout(placement);
    placementLayout->addWidget(HorzRB);
    placementLayout->addWidget(VertRB);
    placementLayout->addSpacing(6);
    placementLayout->addWidget(HeaderCB);
    placementLayout->addWidget(BandCB);

    Button1 = DesignerDialogButton(this, "Button1", 55000);
    Button1->setDefault(true);
    Button2 = DesignerDialogButton(this, "Button2", 55001);

    auto *data = new QVBoxLayout;
    data->addWidget(label1);
    data->addWidget(DatasetCB);
    data->addWidget(FieldsL, 1);
    auto *side = new QVBoxLayout;
    side->addWidget(placement);
    side->addStretch();
    side->addWidget(Button1);
    side->addWidget(Button2);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(data, 1);
    layout->addLayout(side);
    setMinimumSize(334, 215);

    connect(DatasetCB, &QComboBox::currentIndexChanged, this, [this] { DatasetChanged(); });
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TfrInsertFieldsForm::Execute(TfrInsertFieldsChoice &choice)
{
    TfrInsertFieldsForm form;
    form.FillDatasets();
    if (form.exec() != QDialog::Accepted)
        return false;
    choice.DatasetComponent = form.DatasetComponent;
    choice.DatasetName = form.DatasetCB->currentText();
    choice.Fields.clear();
    for (int i = 0; i < form.FieldsL->count(); ++i)
        if (form.FieldsL->item(i)->isSelected())
            choice.Fields << form.FieldsL->item(i)->text();
    choice.Horizontal = form.HorzRB->isChecked();
    choice.Headers = form.HeaderCB->isChecked();
    choice.Bands = form.BandCB->isChecked();
    return true;
}

void TfrInsertFieldsForm::FillDatasets()
{
    DatasetComponent = nullptr;
    QStringList datasets;
    if (const TfrDataDictionary *dictionary = CurrentDictionary())
        dictionary->GetDataSetList(datasets);
    const QPixmap glyph = DesignerGlyph(QStringLiteral("DATASET"));
    const QSignalBlocker quiet(DatasetCB);
    DatasetCB->clear();
    for (const QString &name : datasets)
        DatasetCB->addItem(glyph, name);
    DatasetCB->setCurrentIndex(datasets.isEmpty() ? -1 : 0);
    DatasetChanged();
}

void TfrInsertFieldsForm::DatasetChanged()
{
    FieldsL->clear();
    DatasetComponent = nullptr;
    const TfrDataDictionary *dictionary = CurrentDictionary();
    if (DatasetCB->currentIndex() < 0 || !dictionary)
        return;
    const QString shown = DatasetCB->currentText();
    DatasetComponent = qobject_cast<TDataSet *>(FindReportComponent(dictionary->GetRealDataSetName(shown)));
    QStringList fields;
    dictionary->GetFieldList(shown, fields);
    const QPixmap glyph = DesignerGlyph(QStringLiteral("FIELD"));
    for (const QString &field : fields)
        (new QListWidgetItem(field, FieldsL))->setData(Qt::DecorationRole, glyph);
}
