#include "frmuPaySourceGuide.h"

#include "DBCtrlsEh.h"
#include "DataSource.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "Services.h"
#include "dmuCust.h"
#include "uGuideStatements.h"

TfrmPaySourceGuide *frmPaySourceGuide = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmPaySourceGuide";
    s.caption = QStringLiteral("Источники платежей");
    s.placementPath = QStringLiteral("frmPaySource\\");
    s.helpContext = 7050;
    s.keyField = QStringLiteral("PAYSOURCE_ID");
    s.nameField = QStringLiteral("PAYSOURCE_DESCR");
    s.table = QStringLiteral("ZOLT.PAYSOURCE");
    s.sortField = QStringLiteral("PAYSOURCE_DESCR");
    return s;
}

// The payment windows' channel list is read again when it is next opened.
void forgetChannelList()
{
    if (custDM)
        if (TDataSet *list = custDM->ClientDataSet(QStringLiteral("cdsCustPaymentsSourceList")))
            list->Close();
}

} // namespace

TfrmPaySourceGuide::TfrmPaySourceGuide(QWidget *parent)
    : TfrmGuide(guideSpec(), parent)
{
    setList(makeClientList("cdsPaySource", "dspPaySource", PaySourceListStatement()),
        QStringLiteral("TfrmPaySource.cdsPaySourceReconcileError"));
    L->AfterDelete.add([](TDataSet *) { forgetChannelList(); });
    addColumn("PAYSOURCE_DESCR", QStringLiteral("Наименование"), 220);
    addColumn("LEAK_PRC", QStringLiteral("%  за усл"), 70)->Title().Hint = QStringLiteral("% отдаваемый за услуги");
    addColumn("TAX_PRC", QStringLiteral("НДС"), 60)->Title().Hint = QStringLiteral("% Налога на добавленную стоимость");
    m_edDescr = addEdit("edDescr", QStringLiteral("Наименование"), "PAYSOURCE_DESCR", 1);
    auto number = [this](const char *name, const QString &label, const char *fieldName, int tag) {
        auto *edit = new TDBNumberEditEh(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->SetDataSource(dsList);
        edit->SetDataField(QString::fromLatin1(fieldName));
        addDetail(label, edit, tag);
    };
    number("edLeakPrc", QStringLiteral("%  за усл"), "LEAK_PRC", 2);
    number("edTaxPrc", QStringLiteral("% НДС"), "TAX_PRC", 3);
    maxTag = 3;
    refs << TGuideReference { QStringLiteral("PAYSOURCE_ID"), QStringLiteral("PAY_DOC"),
        QStringLiteral("\" удалить нельзя, т.к. есть ссылка из платежных документов") };
}

void TfrmPaySourceGuide::newRecord(TDataSet *ds)
{
    TfrmGuide::newRecord(ds);
    ds->FieldByName(QStringLiteral("LEAK_PRC"))->SetValue(0);
    ds->FieldByName(QStringLiteral("TAX_PRC"))->SetValue(0);
}

bool TfrmPaySourceGuide::validateInput()
{
    if (L->FieldByName(QStringLiteral("PAYSOURCE_DESCR"))->AsString().trimmed().isEmpty()) {
        Services::messages()->error(QStringLiteral("Не введено наименование источника платежа"));
        m_edDescr->setFocus();
        return false;
    }
    return true;
}

void TfrmPaySourceGuide::afterApply()
{
    forgetChannelList();
}

bool executePaySourceGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmPaySourceGuide, initKey, mode, outKey);
}
