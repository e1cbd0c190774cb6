#include "frmuCompanyGuide.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "Exceptions.h"
#include "Kyv_db.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuLocationGuide.h"
#include "uLog.h"
#include "uGuideStatements.h"

#include <QFormLayout>
#include <QScrollArea>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QVBoxLayout>

TfrmCompanyGuide *frmCompanyGuide = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmCompanyGuide";
    s.caption = QStringLiteral("\"Организации\" (справочник)");
    s.placementPath = QStringLiteral("frmCompanyGuide\\");
    s.helpContext = 7000;
    s.keyField = QStringLiteral("COMPANY_ID");
    s.nameField = QStringLiteral("COMPANY_NAME");
    s.table = QStringLiteral("ZOLT.COMPANY");
    s.sortField = QStringLiteral("CODE");
    return s;
}

struct EditSpec
{
    const char *name, *label, *field;
    int tag;
};

// The detail edits in input order.
const EditSpec Edits[] = {
    { "edtCode", "Код / Наименование", "CODE", 1 },
    { "edtName", "", "COMPANY_NAME", 2 },
    { "edtCountry", "Страна", "ADRESSCOUNTRY", 4 },
    { "edtAdress", "Адрес", "ADRESS", 5 },
    { "edtStreet", "", "ADRESSSTREET", 6 },
    { "edtHouse", "", "ADRESSHOUSE", 7 },
    { "edtUNN", "ИНН", "UNN", 8 },
    { "edtOKPO", "ОКПО", "OKPO", 9 },
    { "edtLicenseType", "Лицензия", "LICENSETYPE", 10 },
    { "edtLicenseNo", "", "LICENSE_NO", 11 },
    { "edtBank", "Банк", "BANK_NAME", 12 },
    { "edtTaxCode", "Расчетный счет", "TAX_CODE", 13 },
    { "edtERIP", "ЕРИП", "ERIP", 13 },
    { "edtBankCode", "Код банка", "BANK_CODE", 14 },
    { "edtContact", "Контакт", "CONTACT_INFO", 15 },
    { "edtFax", "Факс", "FAX", 16 },
    { "edtPhone", "Телефон", "PHONE", 17 },
    { "edtDirectFIO", "ФИО руководителя", "DIRECT_FIO", 18 },
    { "edtDirectProf", "Должность", "DIRECT_PROF", 19 },
    { "edtDirectPhone", "", "DIRECT_PHONE", 20 },
    { "edtBuhFIO", "ФИО гл. бухгалтера", "BUH_FIO", 21 },
    { "edtBuhProf", "Должность", "BUH_PROF", 22 },
    { "edtBuhPhone", "", "BUH_PHONE", 23 },
    { "edtNotice", "Примечание", "NOTICE", 24 },
    { "edtPostPathOut", "Путь к файлу выгрузки для почты", "POST_PATH_OUT", 0 },
    { "edtPostPathIn", "загрузки для почты", "POST_PATH_IN", 0 },
};

} // namespace

QString NextCompanyCode(const QStringList &codes)
{
    qint64 largest = 0;
    for (const QString &code : codes) {
        bool ok = false;
        const qint64 n = code.trimmed().toLongLong(&ok);
        if (ok && n > largest)
            largest = n;
    }
    return QString::number(largest + 1);
}

TfrmCompanyGuide::TfrmCompanyGuide(QWidget *parent)
    : TfrmGuide(guideSpec(), parent)
{
    setList(makeClientList("cdsCompany", "dspCompany",
                           CompanyListStatement()),
            QStringLiteral("frmCompanyGuide.cdsCompany"));
    actInsertRecord->setObjectName(QStringLiteral("actNewCompany"));
    actInsertRecord->setText(QStringLiteral("Добавить организацию"));
    actInsertRecord->setToolTip(QStringLiteral("Добавить новую организацию"));
    actDeleteRecord->setObjectName(QStringLiteral("actDeleteCompany"));
    actDeleteRecord->setToolTip(QStringLiteral("Удалить запись об организации"));
    actEditRecord->setText(QStringLiteral("Правка"));
    actRefresh->setToolTip(QStringLiteral("Обновить данные"));

    addColumn("CODE", QStringLiteral("Код"), 60);
    addColumn("COMPANY_NAME", QStringLiteral("Наименование"), 250);
    addColumn("TAX_CODE", QStringLiteral("Расч. счет"), 120);

    // The detail page scrolls: the form is longer than the window.
    sbDetail = new QScrollArea(tsDetail);
    sbDetail->setObjectName(QStringLiteral("sbDetail"));
    sbDetail->setWidgetResizable(true);
    auto *content = new QWidget;
    auto *form = new QFormLayout(content);
    sbDetail->setWidget(content);
    detailForm->addRow(sbDetail);
    auto addAt = [this, form, content](const QString &label, QWidget *edit, int tag) {
        edit->setParent(content);
        form->addRow(label, edit);
        setTag(edit, tag);
    };
    for (const EditSpec &e : Edits) {
        auto *edit = new TDBEditEh(content);
        edit->setObjectName(QString::fromLatin1(e.name));
        edit->SetDataSource(dsList);
        edit->SetDataField(QString::fromLatin1(e.field));
        addAt(QString::fromUtf8(e.label), edit, e.tag);
        if (e.tag == 2) {
            chkResident = new TDBCheckBoxEh(content);
            chkResident->setObjectName(QStringLiteral("chkResident"));
            chkResident->SetCaption(QStringLiteral("Резидент"));
            chkResident->SetDataSource(dsList);
            chkResident->SetDataField(QStringLiteral("BELARUS_SGN"));
            chkResident->SetValueChecked(QStringLiteral("1"));
            chkResident->SetValueUnchecked(QStringLiteral("0"));
            addAt(QString(), chkResident, 3);
        }
    }
    TDataSet *locations = makeLookup("odsLocationFull", LocationFullNamesStatement());
    actSelectLocation = makeAction("actSelectLocation", QStringLiteral("..."), {}, [this, locations] {
        PickGuideKey(L, QStringLiteral("LOCATION_ID"), executeLocationGuide, locations);
    }, QStringLiteral("Выбор города из справочника"));
    cbLocation = addLookupCombo("cbLocation", QStringLiteral("Город"), "LOCATION_ID", locations, "LOCATION_ID",
                                "L_LOCATION_FULL", 0, actSelectLocation);
    maxTag = 25;
    refs << TGuideReference { QStringLiteral("COMPANY_ID"), QStringLiteral("MAIN_CFG"),
                              QStringLiteral("\" удалить нельзя, т.к. есть ссылка на конфигурацию системы") };
}

void TfrmCompanyGuide::actInsertRecordExecute()
{
    if (L && L->Active() && !isEditing())
        L->Last();
    TfrmGuide::actInsertRecordExecute();
}

void TfrmCompanyGuide::newRecord(TDataSet *ds)
{
    try {
        TfrmGuide::newRecord(ds);
        ds->FieldByName(QStringLiteral("BELARUS_SGN"))->SetValue(1);
        QStringList codes;
        if (DMR) {
            QSqlQuery q = DMR->dbConnection()->OpenQuery(CompanyCodesStatement());
            while (q.next())
                codes << q.value(0).toString();
        }
        ds->FieldByName(QStringLiteral("CODE"))->SetValue(NextCompanyCode(codes));
        ds->FieldByName(QStringLiteral("DIRECT_PROF"))->SetValue(QStringLiteral("директор"));
        ds->FieldByName(QStringLiteral("BUH_PROF"))->SetValue(QStringLiteral("гл. бухгалтер"));
        ds->FieldByName(QStringLiteral("ADRESSCOUNTRY"))->SetValue(QStringLiteral("Республика Беларусь"));
        ds->FieldByName(QStringLiteral("LOCATION_ID"))->SetValue(0);
    } catch (const std::exception &e) {
        // The row stays with what was set; the user fills in the rest.
        LogError(exceptionMessage(e) + QStringLiteral("\rОшибка инициализации данных записи в cdsCompany"));
    }
}

void TfrmCompanyGuide::afterApply()
{
    // The operator company's details may have changed: the configuration row and the customers' company list
    // are read again.
    if (DM && DM->IsDatabaseConnected())
        DM->OpenMainCFG(true);
    if (custDM)
        if (TDataSet *companies = custDM->ServerDataSet(QStringLiteral("odsCustCompany")); companies && companies->Active()) {
            companies->Close();
            companies->Open();
        }
}

bool executeCompanyGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmCompanyGuide, initKey, mode, outKey);
}
