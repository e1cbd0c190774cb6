#include "frmuLocationGuide.h"

#include "Kyv_db.h"
#include "uGuideStatements.h"

TfrmLocationGuide *frmLocationGuide = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmLocationGuide";
    s.caption = QStringLiteral("\"Населенный пункт\"  (справочник)");
    s.placementPath = QStringLiteral("frmLocation\\");
    s.helpContext = 7070;
    s.keyField = QStringLiteral("LOCATION_ID");
    s.nameField = QStringLiteral("LOCATION_NAME");
    s.table = QStringLiteral("ZOLT.LOCATION");
    s.sortField = QStringLiteral("LOCATION_NAME");
    return s;
}

} // namespace

TfrmLocationGuide::TfrmLocationGuide(QWidget *parent)
    : TfrmGuide(guideSpec(), parent)
{
    setList(makeClientList("cdsLocation", "dspLocation", LocationListStatement()),
            QStringLiteral("frmLocationGuide.cdsLocation"));
    addColumn("LOCATION_NAME", QStringLiteral("Наименование"), 250);
    addEdit("edtName", QStringLiteral("Наименование"), "LOCATION_NAME", 1);
    TDataSet *types = makeLookup("odsLocationType", LocationTypeLookupStatement());
    addLookupCombo("cbType", QStringLiteral("Тип"), "LOCATION_TYPE_ID", types, "LOCATION_TYPE_ID", "LOCATION_TYPE_NAME", 0);
    maxTag = 1;
    refs << TGuideReference { QStringLiteral("LOCATION_ID"), QStringLiteral("HOUSE"),
                              QStringLiteral("\" удалить нельзя, т.к. есть ссылка на дома. Вы можете переименовать нас. пункт.") }
         << TGuideReference { QStringLiteral("LOCATION_ID"), QStringLiteral("COMPANY"),
                              QStringLiteral("\" удалить нельзя, т.к. есть ссылка на организацию. Вы можете переименовать нас. пункт.") };
}

void TfrmLocationGuide::newRecord(TDataSet *ds)
{
    TfrmGuide::newRecord(ds);
    ds->FieldByName(QStringLiteral("LOCATION_TYPE_ID"))->SetValue(0);
}

bool executeLocationGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmLocationGuide, initKey, mode, outKey);
}
