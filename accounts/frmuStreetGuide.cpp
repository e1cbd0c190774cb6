#include "frmuStreetGuide.h"

#include "Kyv_db.h"
#include "dmuDM.h"

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
    setList(makeClientList("cdsStreet", "dspStreet", QStringLiteral("select * from ZOLT.STREET where STREET_ID <> 0")),
            QStringLiteral("frmStreetGuide.cdsStreet"));
    addColumn("STREET_CODE", QStringLiteral("Код"), 50);
    addColumn("STREET_NAME", QStringLiteral("Наименование"), 250);
    addEdit("edtCode", QStringLiteral("Код"), "STREET_CODE", 1);
    addEdit("edtName", QStringLiteral("Наименование"), "STREET_NAME", 2);
    maxTag = 2;
    refs << TGuideReference { QStringLiteral("Street_Id"), QStringLiteral("House"),
                              QStringLiteral("Данную улицу удалить нельзя, т.к. на нее есть ссылка из справочника домов"),
                              false };
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
