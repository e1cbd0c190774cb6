#include "frmuServicePackageGuide.h"

#include "Kyv_db.h"
#include "uGuideStatements.h"

#include <QAction>

TfrmServicePackageGuide *frmServicePackageGuide = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmServicePackageGuide";
    s.caption = QStringLiteral("\"Пакеты услуг\"  (справочник)");
    s.placementPath = QStringLiteral("fstFrmServicePackage\\");
    s.helpContext = 3700;
    s.keyField = QStringLiteral("SERV_PACKAGE_ID");
    s.nameField = QStringLiteral("SERV_PACKAGE_DESCR");
    s.table = QStringLiteral("ZOLT.SERV_PACKAGE");
    s.checkBtns = gcbOkOnly;
    s.sortField = QStringLiteral("SERV_PACKAGE_DESCR");
    return s;
}

} // namespace

TfrmServicePackageGuide::TfrmServicePackageGuide(QWidget *parent)
    : TfrmPickOrEditGuide(guideSpec(), parent)
{
    setList(makeClientList("cdsServicePackage", "dspServicePackage",
                ServicePackageListStatement()),
        QStringLiteral("frmServicePackageGuide.cdsServicePackage"));
    addColumn("SERV_PACKAGE_DESCR", QStringLiteral("Наименование"), 300);
    addEdit("edtName", QStringLiteral("Наименование"), "SERV_PACKAGE_DESCR", 1);
    maxTag = 1;
    refs << TGuideReference { QStringLiteral("SERV_PACKAGE_ID"), QStringLiteral("SERV"),
        QStringLiteral("\" удалить нельзя, т.к. есть ссылка на услуги") };
    for (QAction *a : { actInsertRecord, actDeleteRecord, actEditRecord })
        a->setShortcut(QKeySequence());
    actRefresh->setToolTip(QStringLiteral("Перечитать данные"));
}

bool executeServicePackageGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmServicePackageGuide, initKey, mode, outKey);
}
