#include "frmuSelectLetterType.h"

#include "Guard.h"
#include "MemTable.h"
#include "dmuDM.h"
#include "uDialogButtons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace {

TField *letterTypeField()
{
    return DM ? DM->mdTempCFG()->FieldByName(QStringLiteral("LetterTypeId3")) : nullptr;
}

} // namespace

TfrmSelectLetterType::TfrmSelectLetterType(QWidget *parent)
    : TfrmKyvModal(parent)
{
    setObjectName(QStringLiteral("frmSelectLetterType"));
    setWindowTitle(QStringLiteral("Выбор типа письма"));
    cbLetterType = new QComboBox(this);
    cbLetterType->setObjectName(QStringLiteral("cbLetterType"));
    // The item's index is the letter type's key.
    cbLetterType->addItems({ QStringLiteral("Справка по задолженности"), QStringLiteral("Первичное уведомление"),
        QStringLiteral("Вторичное уведомление"), QStringLiteral("Исковое заявление") });
    if (const TField *f = letterTypeField(); f && !f->IsNull())
        cbLetterType->setCurrentIndex(f->AsInteger());
    connect(
        cbLetterType, &QComboBox::currentIndexChanged, this, guarded([this](int index) { LetterTypeChange(index); }));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Тип письма"), cbLetterType);
    QDialogButtonBox *buttons = ReadyCancelButtons(btnOk, btnCancel);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TfrmSelectLetterType::LetterTypeChange(int index)
{
    TField *f = letterTypeField();
    if (!f || index < 0)
        return;
    TDataSet *record = f->DataSet();
    if (record->State() != dsEdit && record->State() != dsInsert)
        record->Edit();
    f->SetValue(index);
}

bool executeSelectLetterType()
{
    const std::unique_ptr<TfrmSelectLetterType> dialog(new TfrmSelectLetterType);
    return dialog->exec() == QDialog::Accepted;
}
