#include "frmuSubAreaGuide.h"

#include "Kyv_db.h"
#include "uGuideStatements.h"

TfrmSubAreaGuide *frmSubAreaGuide = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmSubAreaGuide";
    s.caption = QStringLiteral("\"Участки\"  (справочник)");
    s.placementPath = QStringLiteral("fstFrmSubArea\\");
    s.helpContext = 7015;
    s.keyField = QStringLiteral("SUBAREA_ID");
    s.nameField = QStringLiteral("SUBAREA_NAME");
    s.table = QStringLiteral("ZOLT.SUBAREA");
    s.sortField = QStringLiteral("SUBAREA_NAME");
    s.checkBtns = gcbOkOnly;
    return s;
}

} // namespace

TfrmSubAreaGuide::TfrmSubAreaGuide(QWidget *parent)
    : TfrmGuide(guideSpec(), parent)
{
    setList(makeClientList("cdsMain", "dspSubArea",
                           SubAreaListStatement()),
            QStringLiteral("frmSubAreaGuide.cdsMain"));
    addColumn("SUBAREA_NAME", QStringLiteral("Наименование"), 250);
    addEdit("edtName", QStringLiteral("Наименование"), "SUBAREA_NAME", 1);
    maxTag = 1;
    refs << TGuideReference { QStringLiteral("SUBAREA_ID"), QStringLiteral("HOUSE"),
                              QStringLiteral("\" удалить нельзя, т.к. есть ссылка на дома") };
}

bool executeSubAreaGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmSubAreaGuide, initKey, mode, outKey);
}
