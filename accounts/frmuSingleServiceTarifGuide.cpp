#include "frmuSingleServiceTarifGuide.h"

#include "DBCtrlsEh.h"
#include "Kyv_db.h"
#include "uGuideStatements.h"

TfrmSingleServiceTarifGuide *frmSingleServiceTarifGuide = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmSingleServiceTarifGuide";
    s.caption = QStringLiteral("Услуги по факту");
    s.placementPath = QStringLiteral("fstFrmSingleServiceTarif\\");
    s.helpContext = 7080;
    s.keyField = QStringLiteral("SINGLE_SERVICE_TARIF_ID");
    s.nameField = QStringLiteral("SERVICE_NAME");
    s.table = QStringLiteral("ZOLT.SINGLE_SERVICE_TARIF");
    s.checkBtns = gcbOkOnly;
    s.sortField = QStringLiteral("SERVICE_NAME");
    return s;
}

} // namespace

TfrmSingleServiceTarifGuide::TfrmSingleServiceTarifGuide(QWidget *parent)
    : TfrmPickOrEditGuide(guideSpec(), parent)
{
    QFont larger = font();
    larger.setPixelSize(14);
    setFont(larger);
    setList(makeClientList("cdsSingleServiceTarif", "dspSingleServiceTarif",
                SingleServiceTarifListStatement()),
        QStringLiteral("frmSingleServiceTarifGuide.cdsSingleServiceTarif"));
    addColumn("SERVICE_NAME", QStringLiteral("Наименование"), 300);
    addColumn("PRICE", QStringLiteral("Базовый тариф"), 100);
    addEdit("edtName", QStringLiteral("Наименование"), "SERVICE_NAME", 1);
    addEdit("edtPrice", QStringLiteral("Базовый тариф"), "PRICE", 0);
    maxTag = 1;
    refs << TGuideReference { QStringLiteral("SINGLE_SERVICE_TARIF_ID"), QStringLiteral("CUSTOMER_SERVICE"),
        QStringLiteral("\" удалить нельзя, т.к. есть ссылка на услуги") };
}

void TfrmSingleServiceTarifGuide::newRecord(TDataSet *ds)
{
    TfrmPickOrEditGuide::newRecord(ds);
    ds->FieldByName(QStringLiteral("MEASURE_ID"))->SetValue(1);
}

bool executeSingleServiceTarifGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmSingleServiceTarifGuide, initKey, mode, outKey);
}
