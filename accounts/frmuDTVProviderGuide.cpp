#include "frmuDTVProviderGuide.h"

#include "Kyv_db.h"

TfrmDTVProviderGuide *frmDTVProviderGuide = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmDTVProviderGuide";
    s.caption = QStringLiteral("DTV провайдеры");
    s.placementPath = QStringLiteral("frmDTVProviderGuide\\");
    s.helpContext = 5400;
    s.keyField = QStringLiteral("DTV_PROVIDER_ID");
    s.nameField = QStringLiteral("PROVIDER_NAME");
    s.table = QStringLiteral("ZOLT.DTV_PROVIDER");
    s.sortField = QStringLiteral("PROVIDER_NAME");
    return s;
}

} // namespace

TfrmDTVProviderGuide::TfrmDTVProviderGuide(QWidget *parent)
    : TfrmGuide(guideSpec(), parent)
{
    // The provider's list is the table itself; its row 0 stands for "no provider" and is not shown.
    TKyv_ClientDataSet *cds = makeClientList("cdsDTVProvider", "dspDTVProvider", QString());
    cds->SetFilter(QStringLiteral("DTV_PROVIDER_ID <> 0"));
    cds->SetFiltered(true);
    setList(cds, QStringLiteral("frmDTVProviderGuide.cdsDTVProvider"));
    addColumn("PROVIDER_NAME", QStringLiteral("Наименование"), 220);
    addColumn("CAS_CODE", QStringLiteral("Код CAS"), 60);
    addEdit("edtProviderName", QStringLiteral("Наименование"), "PROVIDER_NAME", 1);
    addEdit("edtCasCode", QStringLiteral("Код CAS"), "CAS_CODE", 2);
    maxTag = 2;
}

void TfrmDTVProviderGuide::newRecord(TDataSet *ds)
{
    TfrmGuide::newRecord(ds);
    ds->FieldByName(QStringLiteral("CAS_CODE"))->SetValue(QStringLiteral("0"));
}

bool executeDTVProviderGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmDTVProviderGuide, initKey, mode, outKey);
}
