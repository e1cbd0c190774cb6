#include "frmuAreaGuide.h"

#include "Kyv_db.h"
#include "uGuideStatements.h"

TfrmAreaGuide *frmAreaGuide = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmAreaGuide";
    s.caption = QStringLiteral("\"Районы\"  (справочник)");
    s.placementPath = QStringLiteral("frmArea\\");
    s.helpContext = 7010;
    s.keyField = QStringLiteral("AREA_ID");
    s.nameField = QStringLiteral("AREA_NAME");
    s.table = QStringLiteral("ZOLT.AREA");
    s.sortField = QStringLiteral("AREA_NAME");
    return s;
}

} // namespace

TfrmAreaGuide::TfrmAreaGuide(QWidget *parent)
    : TfrmGuide(guideSpec(), parent)
{
    setList(makeClientList("cdsArea", "dspArea", AreaListStatement()),
            QStringLiteral("frmAreaGuide.cdsArea"));
    addColumn("AREA_NAME", QStringLiteral("Наименование"), 250);
    addEdit("edtName", QStringLiteral("Наименование"), "AREA_NAME", 1);
    maxTag = 1;
    refs << TGuideReference { QStringLiteral("AREA_ID"), QStringLiteral("HOUSE"),
                              QStringLiteral("\" удалить нельзя, т.к. есть ссылка на дома") };
}

bool executeAreaGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmAreaGuide, initKey, mode, outKey);
}
