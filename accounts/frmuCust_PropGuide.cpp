#include "frmuCust_PropGuide.h"

#include "DBCtrlsEh.h"
#include "Kyv_db.h"
#include "dmuDM.h"

#include <QAction>
#include <QStackedWidget>

TfrmCust_PropGuide *frmCust_PropGuide = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmCust_PropGuide";
    s.caption = QStringLiteral("\"Кратк. расшифровка состояния\" справочник");
    s.placementPath = QStringLiteral("frmCust_Prop\\");
    s.helpContext = 7060;
    s.nameField = QStringLiteral("CUST_PROP_ID");
    s.checkBtns = gcbNone;
    s.cancelKey = gckAlwaysNull;
    s.locateOnOpen = false;
    s.sortField = QStringLiteral("CUST_PROP_ID");
    return s;
}

} // namespace

QStringList CustPropCodes()
{
    QStringList list;
    if (!DM || !DM->GetCust_PropList(list))
        return {};
    QStringList codes;
    for (const QString &code : list)
        if (!code.trimmed().isEmpty() && !codes.contains(code.trimmed()))
            codes << code.trimmed();
    codes.sort();
    return codes;
}

TfrmCust_PropGuide::TfrmCust_PropGuide(QWidget *parent)
    : TfrmGuide(guideSpec(), parent)
{
    // The provider reads the whole table by itself.
    setList(makeClientList("cdsCust_Prop", "dspCust_Prop", QString()), QStringLiteral("frmCust_PropGuide.cdsCust_Prop"));
    addColumn("CUST_PROP_ID", QStringLiteral("Код"), 120);
    addColumn("CUST_PROP_DESCR", QStringLiteral("Описание"), 120);
    cbCode = new TDBComboBoxEh(tsDetail);
    cbCode->setObjectName(QStringLiteral("cbCode"));
    cbCode->SetDataSource(dsList);
    cbCode->SetDataField(QStringLiteral("CUST_PROP_ID"));
    addDetail(QStringLiteral("Код"), cbCode, 1);
    addEdit("edtDescr", QStringLiteral("Краткое описание"), "CUST_PROP_DESCR", 2);
    maxTag = 2;
    actMrOk->setVisible(false);
    actMrOk->setEnabled(false);
}

void TfrmCust_PropGuide::openDataSets()
{
    cbCode->SetItems(CustPropCodes());
    TfrmGuide::openDataSets();
}

void TfrmCust_PropGuide::actInsertRecordExecute()
{
    if (!L->Active())
        return;
    pcMain->setCurrentWidget(tsDetail);
    cbCode->setFocus();
    if (!isEditing())
        L->Insert();
}

void TfrmCust_PropGuide::actEditRecordExecute()
{
    if (!L->Active())
        return;
    pcMain->setCurrentWidget(tsDetail);
    cbCode->setFocus();
    if (!isEditing())
        L->Edit();
}

QString TfrmCust_PropGuide::deleteName() const
{
    return hasRows() ? L->FieldByName(QStringLiteral("CUST_PROP_ID"))->AsString() : QString();
}

bool executeCustPropGuide(const QVariant &, int, QVariant &outKey)
{
    return ExecuteGuide(frmCust_PropGuide, QVariant(), 0, outKey);
}
