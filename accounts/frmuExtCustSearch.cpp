#include "frmuExtCustSearch.h"

#include "Guard.h"
#include "Kyv_db.h"
#include "ScreenCursor.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuCustomer.h"
#include "uCustFilter.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

TDataSet *lookup(const char *name)
{
    return custDM ? custDM->ClientDataSet(QString::fromLatin1(name)) : nullptr;
}

// Fills the box with one field of every row; each item keeps its row's key.
void fillFrom(QComboBox *box, TDataSet *ds, const char *keyField, const char *textField)
{
    const QSignalBlocker block(box);
    box->clear();
    box->addItem(QString(), QVariant());
    if (!ds)
        return;
    ds->Close();
    ds->Open();
    for (ds->First(); !ds->Eof(); ds->Next()) {
        const QString text = ds->FieldByName(QString::fromLatin1(textField))->AsString();
        if (!text.isEmpty())
            box->addItem(text, ds->FieldByName(QString::fromLatin1(keyField))->Value());
    }
}

} // namespace

TfrmExtCustSearch::TfrmExtCustSearch(QWidget *parent)
    : TfrmKyvModal(parent)
{
    setObjectName(QStringLiteral("frmExtCustSearch"));
    setWindowTitle(QStringLiteral("Поиск по квартире"));

    odsFound = new TKyv_ADODataSet(this);
    odsFound->setObjectName(QStringLiteral("odsFound"));
    if (DMR)
        odsFound->SetConnection(DMR->dbConnection());

    cbStreet = new QComboBox(this);
    cbStreet->setObjectName(QStringLiteral("cbStreet"));
    cbHouseNo = new QComboBox(this);
    cbHouseNo->setObjectName(QStringLiteral("cbHouseNo"));
    edFlat = new QLineEdit(this);
    edFlat->setObjectName(QStringLiteral("edFlat"));
    OkCancelBtnsFrame = new TOkCancelBtnsFrame(this);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Улица"), cbStreet);
    form->addRow(QStringLiteral("№ дома"), cbHouseNo);
    form->addRow(QStringLiteral("Кв."), edFlat);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancelBtnsFrame);

    // The search reads a dataset of its own: the customer list stays open with its rows, conditions and order.
    FillStreets();
    FillHouseNos();
    connect(cbStreet, &QComboBox::currentIndexChanged, this, guarded([this](int) {
        if (TDataSet *streets = lookup("cdsCustFiltStreetLookup"); streets && streets->Active())
            streets->Locate(QStringLiteral("STREET_ID"), cbStreet->currentData());
        FillHouseNos();
    }));
    connect(cbHouseNo, &QComboBox::currentIndexChanged, this, guarded([this](int) {
        if (TDataSet *houses = lookup("cdsCustFiltHouseNoLookup"); houses && houses->Active())
            houses->Locate(QStringLiteral("HOUSE_NO"), cbHouseNo->currentText());
    }));
}

TfrmExtCustSearch::~TfrmExtCustSearch() = default;

void TfrmExtCustSearch::FillStreets()
{
    fillFrom(cbStreet, lookup("cdsCustFiltStreetLookup"), "STREET_ID", "STREET_NAME");
}

void TfrmExtCustSearch::FillHouseNos()
{
    fillFrom(cbHouseNo, lookup("cdsCustFiltHouseNoLookup"), "HOUSE_ID", "HOUSE_NO");
}

void TfrmExtCustSearch::Search()
{
    TScreenCursorScope cursor(crHourGlass);
    const QString conditions = ExtCustSearchConditions(cbStreet->currentData(), cbHouseNo->currentText(),
        edFlat->text());
    odsFound->Close();
    odsFound->SetCommandText(ExtCustSearchStatement(conditions));
    if (!edFlat->text().isEmpty())
        odsFound->Params().ParamByName(QStringLiteral("FLAT_NO")).SetValue(edFlat->text());
    odsFound->Open();
}

void TfrmExtCustSearch::done(int result)
{
    if (result == QDialog::Accepted) {
        bool ok = false;
        guard([this, &ok] {
            Search();
            ok = true;
        });
        if (!ok)
            return;
    }
    TfrmKyvModal::done(result);
}

QVariant TfrmExtCustSearch::FoundCustomer() const
{
    if (!odsFound->Active() || odsFound->IsEmpty())
        return QVariant();
    return odsFound->FieldByName(QStringLiteral("CUSTOMER_ID"))->Value();
}

QVariant executeExtCustSearch(QWidget *parent)
{
    TfrmExtCustSearch dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return QVariant();
    return dialog.FoundCustomer();
}
