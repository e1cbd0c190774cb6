#include "frmuStreetGuide.h"

#include "Kyv_db.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "dmuDM.h"
#include "uPaymentWindows.h"
#include "uGuideStatements.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

TfrmStreetGuide *frmStreetGuide = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmStreetGuide";
    s.caption = QStringLiteral("\"Улицы\" справочник");
    s.placementPath = QStringLiteral("frmStreet\\");
    s.helpContext = 7020;
    s.keyField = QStringLiteral("STREET_ID");
    s.nameField = QStringLiteral("STREET_NAME");
    s.table = QStringLiteral("ZOLT.STREET");
    s.sortField = QStringLiteral("STREET_NAME");
    return s;
}

} // namespace

TfrmStreetGuide::TfrmStreetGuide(QWidget *parent)
    : TfrmGuide(guideSpec(), parent)
{
    setList(makeClientList("cdsStreet", "dspStreet", StreetListStatement()),
            QStringLiteral("frmStreetGuide.cdsStreet"));
    addColumn("STREET_CODE", QStringLiteral("Код"), 50);
    addColumn("STREET_NAME", QStringLiteral("Наименование"), 250);
    addEdit("edtCode", QStringLiteral("Код"), "STREET_CODE", 1);
    addEdit("edtName", QStringLiteral("Наименование"), "STREET_NAME", 2);
    maxTag = 2;
    refs << TGuideReference { QStringLiteral("Street_Id"), QStringLiteral("House"),
                              QStringLiteral("Данную улицу удалить нельзя, т.к. на нее есть ссылка из справочника домов"),
                              false };

    // Streets of equal name, found to be put right by hand: merging them would change nothing in the database.
    qDublicates = makeServerList("qDublicates", StreetDuplicatesStatement());
    auto *dublicatesSource = new TDataSource(this);
    dublicatesSource->SetDataSet(qDublicates);
    pnlDublicates = new QWidget(tsList);
    pnlDublicates->setObjectName(QStringLiteral("pnlDublicates"));
    auto *panelLayout = new QVBoxLayout(pnlDublicates);
    panelLayout->setContentsMargins(0, 2, 0, 0);
    panelLayout->addWidget(new QLabel(QStringLiteral("Дубликаты"), pnlDublicates));
    dbgDublicates = new TKyv_DBGridEh(pnlDublicates);
    dbgDublicates->setObjectName(QStringLiteral("dbgDublicates"));
    dbgDublicates->SetReadOnly(true);
    dbgDublicates->SetDataSource(dublicatesSource);
    for (const auto &[field, title, width] : { std::tuple { "STREET_CODE", "Код", 50 },
                                               std::tuple { "STREET_NAME", "Наименование", 250 } })
        AddGridColumn(dbgDublicates, field, QString::fromUtf8(title), width, false);
    panelLayout->addWidget(dbgDublicates);
    pnlDublicates->setVisible(false);
    if (auto *listLayout = qobject_cast<QVBoxLayout *>(tsList->layout()))
        listLayout->addWidget(pnlDublicates);
    actDublicates = makeAction("actDublicates", QStringLiteral("Поиск дубликатов"), {}, [this] { showDublicates(); });
    actDublicates->setCheckable(true);
    pmGuide->addSeparator();
    pmGuide->addAction(actDublicates);
}

void TfrmStreetGuide::showDublicates()
{
    pnlDublicates->setVisible(actDublicates->isChecked());
    qDublicates->Close();
    if (!actDublicates->isChecked() || !hasRows() || isEditing())
        return;
    qDublicates->Params().ParamByName(QStringLiteral("P_STREET_NAME"))
        .SetValue(L->FieldByName(QStringLiteral("STREET_NAME"))->Value());
    qDublicates->Params().ParamByName(QStringLiteral("P_STREET_ID"))
        .SetValue(L->FieldByName(QStringLiteral("STREET_ID"))->Value());
    qDublicates->Open();
}

void TfrmStreetGuide::checkBtns()
{
    TfrmGuide::checkBtns();
    if (!actDublicates)
        return;
    if (L && L->Active() && L->IsEmpty())
        actDublicates->setChecked(false);
    showDublicates();
}

void TfrmStreetGuide::closeDataSets()
{
    qDublicates->Close();
    TfrmGuide::closeDataSets();
}

void TfrmStreetGuide::newRecord(TDataSet *ds)
{
    TfrmGuide::newRecord(ds);
    TField *key = ds->FieldByName(QStringLiteral("STREET_ID"));
    // The code holds at most three characters of the new key.
    ds->FieldByName(QStringLiteral("STREET_CODE"))->SetValue(QString::number(key->AsInteger()).left(3));
}

void TfrmStreetGuide::actEditRecordExecute()
{
    if (hasRows())
        FStreetCode = L->FieldByName(QStringLiteral("STREET_CODE"))->Value();
    TfrmGuide::actEditRecordExecute();
}

void TfrmStreetGuide::afterApply()
{
    if (FStreetCode.isNull() || !FStreetCode.isValid() || !hasRows())
        return;
    if (FStreetCode.toString() == L->FieldByName(QStringLiteral("STREET_CODE"))->AsString())
        return;
    if (DM)
        DM->RebuildStreetCustCodes(L->FieldByName(QStringLiteral("STREET_ID"))->Value());
    FStreetCode = QVariant();
}

bool executeStreetGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmStreetGuide, initKey, mode, outKey);
}
