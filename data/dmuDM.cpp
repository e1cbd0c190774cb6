#include "dmuDM.h"

#include "DbSchema.h"
#include "Exceptions.h"
#include "Formats.h"
#include "Hook.h"
#include "LogSink.h"
#include "MoneyRule.h"
#include "Periods.h"
#include "Services.h"
#include "dmuRDM.h"

#include <QCoreApplication>
#include <QDir>

TDM *DM = nullptr;

// ---- Hooks

namespace {

Hook<ReconcileErrorSink> &reconcileSink()
{
    static Hook<ReconcileErrorSink> hook;
    return hook;
}

Hook<CloseApplicationHook> &closeApplication()
{
    static Hook<CloseApplicationHook> hook;
    return hook;
}

} // namespace

ReconcileErrorSink setReconcileErrorSink(ReconcileErrorSink sink)
{
    return reconcileSink().exchange(std::move(sink));
}

CloseApplicationHook setCloseApplicationHook(CloseApplicationHook hook)
{
    return closeApplication().exchange(std::move(hook));
}

void ReportReconcileError(const QString &dataSetName, TUpdateKind kind, const QString &message,
                          const QString &context)
{
    if (const ReconcileErrorSink sink = reconcileSink().get()) {
        sink(dataSetName, kind, message, context);
        return;
    }
    platformLog(LogKind::Error, dataSetName + QStringLiteral(": ") + message + QLatin1Char(' ') + context);
}

// ---- Providers

namespace {

struct ProviderSpec
{
    const char *provider;
    const char *dataSet; // the server dataset; null for a provider without one
    TProviderOptions options;
    const char *table;   // the update table without its schema; null for a read-only list
    TUpdateMode mode;
};

constexpr TProviderOptions AR = poAutoRefresh;
constexpr TProviderOptions CT = poAllowCommandText;

// The update tables and options are fixed; the lists' queries are their windows' command texts, so every list
// accepts its client's text.
const ProviderSpec specs[] = {
    {"dspMainCFG", "odsMainCFG", AR, "MAIN_CFG", upWhereKeyOnly},
    {"dspCompany", "odsCompany", CT, "COMPANY", upWhereKeyOnly},
    {"dspArea", "odsArea", CT, "AREA", upWhereKeyOnly},
    {"dspStreet", "odsStreet", CT, "STREET", upWhereKeyOnly},
    {"dspHouse", "odsHouse", CT, "HOUSE", upWhereKeyOnly},
    {"dspAppUser", "odsAppUser", AR | CT, "APP_USER", upWhereKeyOnly},
    {"dspAppUsers", "odsAppUsers", AR, "APP_USER", upWhereKeyOnly},
    {"dspCustomer", "odsCustomer", AR | CT, "CUSTOMER", upWhereKeyOnly},
    {"dspServ", "odsServ", AR | CT, "SERV", upWhereKeyOnly},
    {"dspTarif", "odsTarif", AR | CT, "TARIF", upWhereKeyOnly},
    {"dspCustSingleServ", "odsCustSingleServ", AR | CT, "SINGLE_SERV", upWhereKeyOnly},
    {"dspPayDoc", "odsPayDoc", AR, "PAY_DOC", upWhereKeyOnly},
    {"dspCustPayment", nullptr, AR | CT, "PAYMENT", upWhereKeyOnly},
    {"dspPayDocPayment", "odsPayDocPayment", AR | CT, "PAYMENT", upWhereKeyOnly},
    {"dspPayDocPaymType", "odsPayDocPaymType", AR | CT, "PAY_TYPE", upWhereKeyOnly},
    {"dspCustSubscrServ", "odsCustSubscrServ", AR | CT, "SUBSCR_SERV", upWhereKeyOnly},
    {"dspCustSubscrServHist", "odsCustSubscrServHist", AR | CT, "SUBSCR_HIST", upWhereKeyOnly},
    {"dspCustDiscFactor", "odsCustDiscFactor", AR | CT, "DISCOUNT_FACTOR", upWhereKeyOnly},
    {"dspPaySource", "odsPaySource", AR | CT, "PAYSOURCE", upWhereKeyOnly},
    {"dspSubArea", "rdsSubArea", CT, "SUBAREA", upWhereKeyOnly},
    {"dspCust_Prop", "odsCust_Prop", 0, "CUST_PROP", upWhereKeyOnly},
    {"dspCustLetter", "odsCustLetter", AR, "CustLetter", upWhereKeyOnly},
    {"dspSmartCard", "odsSmartCard", CT, "SMARTCARD", upWhereKeyOnly},
    {"dspCustSmartCards", "rdsCustSmartCards", AR, "CUSTOMER_SMARTCARDS", upWhereKeyOnly},
    {"dspDTVProvider", "odsDTVProvider", AR, "DTV_PROVIDER", upWhereKeyOnly},
    {"dspServicePackage", "rdsServicePackage", CT, "SERV_PACKAGE", upWhereKeyOnly},
    {"dspLocation", "odsLocation", CT, "LOCATION", upWhereKeyOnly},
    {"dspCustSingleService", "odsCustSingleService", AR | CT, "CUSTOMER_SERVICE", upWhereKeyOnly},
    {"dspSingleServiceTarif", "odsSingleServiceTarif", AR | CT, "SINGLE_SERVICE_TARIF", upWhereKeyOnly},
    {"dspCustDoc", "odsCustDoc", AR | CT, "CUST_DOC", upWhereKeyOnly},
    // Lists without an update table.
    {"dspHouseStreetLookUp", "odsHouseStreetLookUp", CT, nullptr, upWhereKeyOnly},
    {"dspStreetList", "odsStreetList", CT, nullptr, upWhereKeyOnly},
    {"dspCustFiltStreetLookup", "odsCustFiltStreetLookup", CT, nullptr, upWhereKeyOnly},
    {"dspCustFiltHouseNoLookup", "odsCustFiltHouseNoLookup", CT, nullptr, upWhereKeyOnly},
    {"dspSingleServLookUp", "odsSingleServLookUp", CT, nullptr, upWhereKeyOnly},
    {"dspPaymentPayTypeLookUp", "odsPaymentPayTypeLookUp", CT, nullptr, upWhereKeyOnly},
    {"dspPaymentPayDoclookUp", "odsPaymentPayDoclookUp", CT, nullptr, upWhereKeyOnly},
    {"dspSubscrServLookUp", "odsSubscrServLookUp", CT, nullptr, upWhereKeyOnly},
    {"dspPayDocPaymCustInfo", "odsPayDocPaymCustInfo", CT, nullptr, upWhereKeyOnly},
    {"dspCustSingleservTarif", "odsCustSingleservTarif", CT, nullptr, upWhereKeyOnly},
    {"dspHouseQActCustLookup", "odsHouseQActCustLookup", CT, nullptr, upWhereKeyOnly},
    {"dspHouseQCustLookup", "odsHouseQCustLookup", CT, nullptr, upWhereKeyOnly},
    {"dspCustSubscrServHistDisactLookUp", "odsCustSubscrServHistDisactLookUp", CT, nullptr, upWhereKeyOnly},
    {"dspCustSubscrServHistActLookUp", "odsCustSubscrServHistActLookUp", CT, nullptr, upWhereKeyOnly},
    {"dspRepNewActivCustomers", "odsRepNewActivCustomers", CT, nullptr, upWhereAll},
    {"dspMainState", "odsMainState", CT, nullptr, upWhereAll},
    {"dspTemp", "odsTemp", CT | poReadOnly, nullptr, upWhereAll},
    {"dspHouseAreaLookUp", "odsHouseAreaLookUp", CT, nullptr, upWhereKeyOnly},
    {"dspAreaList", "odsAreaList", CT, nullptr, upWhereKeyOnly},
    {"dspCustPayments", "odsCustPayments", CT, nullptr, upWhereKeyOnly},
    {"dspCustPaymentsSourceList", "odsCustPaymentsSourceList", CT, nullptr, upWhereKeyOnly},
    {"dspTmpCustBalance", "odsTmpCustBalance", CT, nullptr, upWhereKeyOnly},
    {"dspReportServList", "rdsReportServList", CT, nullptr, upWhereKeyOnly},
    {"dspReportPaymentsByServ", "rdsReportPaymentsByServ", CT, nullptr, upWhereKeyOnly},
    {"dspCustSummons", "rdsCustSummons", CT, nullptr, upWhereKeyOnly},
    {"dspCustPayAccount", "rdsCustPayAccount", CT, nullptr, upWhereKeyOnly},
    {"dspHouseSubAreaLookUp", "odsHouseSubAreaLookUp", CT, nullptr, upWhereKeyOnly},
    {"dspSubAreaList", "odsSubAreaList", CT, nullptr, upWhereKeyOnly},
    {"dspCustActLookUp", "odsCustActLookUp", CT, nullptr, upWhereKeyOnly},
    {"dspCustDisactLookUp", "odsCustDisactLookUp", CT, nullptr, upWhereKeyOnly},
};

// The key of an update table, for the provider's where clause; empty for a table the schema does not know.
QString keyFieldsOf(const QString &table)
{
    for (const DbSchema::Table &t : DbSchema::tables())
        if (t.name.compare(table, Qt::CaseInsensitive) == 0)
            return t.primaryKey.join(QLatin1Char(';'));
    return {};
}

bool sameDate(const QDate &a, const QDate &b)
{
    return a.isValid() == b.isValid() && (!a.isValid() || a == b);
}

QDate dateOf(const TField *field)
{
    const QVariant v = field->Value();
    if (isNullValue(v))
        return {};
    return v.toDateTime().date();
}

// A field the dataset declares in code: its column's name, type and width.
struct FieldSpec
{
    const char *name;
    TFieldType type;
    int size;
};

TField *addField(TDataSet *ds, const FieldSpec &spec)
{
    TField *f = CreateField(spec.type, ds);
    f->SetFieldName(QString::fromLatin1(spec.name));
    f->SetSize(spec.size);
    return f;
}

QDateTime atMidnight(const QDate &d)
{
    return QDateTime(d, QTime(0, 0));
}

} // namespace

TDM::TDM(TDMR *dmr, QObject *parent, const QStringList &arguments)
    : QObject(parent)
    , m_dmr(dmr)
{
    CreateProviders();
    CreateMainCFG();
    CreateAppUser();
    // The filters' district and sub-area lists, every row by name: the row 0 of each (no name, or "-") comes first
    // and stands for "any", as the filters read 0. An unnamed row sorts first on both engines.
    MakeClient(m_cdsAreaList, QStringLiteral("cdsAreaList"), QStringLiteral("dspAreaList"))
        ->SetCommandText(QStringLiteral(
            "select AREA_ID, AREA_NAME from ZOLT.AREA order by COALESCE(AREA_NAME, ''), AREA_ID"));
    MakeClient(m_cdsSubAreaList, QStringLiteral("cdsSubAreaList"), QStringLiteral("dspSubAreaList"))
        ->SetCommandText(QStringLiteral(
            "select SUBAREA_ID, SUBAREA_NAME from ZOLT.SUBAREA order by COALESCE(SUBAREA_NAME, ''), SUBAREA_ID"));
    for (TKyv_ClientDataSet *list : {m_cdsAreaList.get(), m_cdsSubAreaList.get()})
        list->SetReadOnly(true);
    MakeClient(m_cdsReportServList, QStringLiteral("cdsReportServList"), QStringLiteral("dspReportServList"))
        ->SetReadOnly(true);
    MakeClient(m_cdsReportPaymentsByServ, QStringLiteral("cdsReportPaymentsByServ"),
               QStringLiteral("dspReportPaymentsByServ"))
        ->SetReadOnly(true);
    for (const char *name : {"P_Serv_Id", "PeriodFrom", "PeriodTo"})
        m_cdsReportPaymentsByServ->Params().CreateParam(ftUnknown, QString::fromLatin1(name), ptInput);
    CreateTempCFG();
    // US English (the platform's layout name of language 9, sub-language 1): the codes and numbers typed first.
    Services::shell()->activateKeyboardLayout(QStringLiteral("00000409"));
    for (int i = 1; i < arguments.size(); ++i)
        if (arguments[i].compare(QLatin1String("remoteserver"), Qt::CaseInsensitive) == 0)
            m_kindDM = 0;
    if (!DM)
        DM = this;
}

TDM::~TDM()
{
    CloseClientDataSets();
    if (DM == this)
        DM = nullptr;
}

void TDM::CreateProviders()
{
    for (const ProviderSpec &spec : specs) {
        const QString name = QString::fromLatin1(spec.provider);
        auto provider = std::make_unique<TDataSetProvider>();
        provider->setObjectName(name);
        provider->SetOptions(spec.options);
        provider->SetUpdateMode(spec.mode);
        if (spec.table) {
            const QString table = QStringLiteral("ZOLT.") + QString::fromLatin1(spec.table);
            provider->OnGetTableName = [table](TDataSetProvider *, TDataSet *) { return table; };
        }
        if (spec.dataSet) {
            const QString dsName = QString::fromLatin1(spec.dataSet);
            auto ds = std::make_unique<TKyv_ADODataSet>();
            ds->setObjectName(dsName);
            if (m_dmr)
                ds->SetConnection(m_dmr->dbConnection());
            if (spec.table) {
                ds->SetCommandText(QStringLiteral("select * from ZOLT.") + QString::fromLatin1(spec.table));
                ds->SetUniqueFields(keyFieldsOf(QString::fromLatin1(spec.table)));
            }
            provider->SetDataSet(ds.get());
            m_serverDataSets[dsName] = std::move(ds);
        }
        m_providers[name] = std::move(provider);
    }
    // The company lookups of the configuration row.
    m_odsCompanyLookUp = std::make_unique<TKyv_ADODataSet>();
    m_odsCompanyLookUp->setObjectName(QStringLiteral("odsCFG_CompanyLookUp"));
    m_odsCompanyLookUp->SetCommandText(
        QStringLiteral("select COMPANY_ID, COMPANY_NAME from ZOLT.COMPANY order by COMPANY_NAME"));
    m_odsCompanyLocationLookup = std::make_unique<TKyv_ADODataSet>();
    m_odsCompanyLocationLookup->setObjectName(QStringLiteral("odsCFG_CompanyLocationLookup"));
    m_odsCompanyLocationLookup->SetCommandText(
        QStringLiteral("select C.COMPANY_ID, CONCAT(trim(LT.LOCATION_TYPE_SHORT), ' ', L.LOCATION_NAME) as LOCATION "
                       "from ZOLT.COMPANY C join ZOLT.LOCATION L on L.LOCATION_ID = C.LOCATION_ID "
                       "left join ZOLT.LOCATION_TYPE LT on LT.LOCATION_TYPE_ID = L.LOCATION_TYPE_ID"));
    if (m_dmr) {
        m_odsCompanyLookUp->SetConnection(m_dmr->dbConnection());
        m_odsCompanyLocationLookup->SetConnection(m_dmr->dbConnection());
    }
}

TDataSetProvider *TDM::Provider(const QString &name) const
{
    const auto it = m_providers.find(name);
    return it == m_providers.end() ? nullptr : it->second.get();
}

TKyv_ADODataSet *TDM::ServerDataSet(const QString &name) const
{
    const auto it = m_serverDataSets.find(name);
    return it == m_serverDataSets.end() ? nullptr : it->second.get();
}

QStringList TDM::ProviderNames() const
{
    QStringList names;
    for (const auto &[name, provider] : m_providers)
        names << name;
    return names;
}

TKyv_ClientDataSet *TDM::MakeClient(std::unique_ptr<TKyv_ClientDataSet> &holder, const QString &name,
                                    const QString &providerName)
{
    holder = std::make_unique<TKyv_ClientDataSet>();
    holder->setObjectName(name);
    holder->SetDataProvider(Provider(providerName));
    return holder.get();
}

void TDM::InstallUpdateRule(TClientDataSet *dataSet, const QString &label)
{
    auto applyAndCommit = [this](TDataSet *ds) {
        auto *cds = static_cast<TClientDataSet *>(ds);
        if (cds->ChangeCount() > 0) {
            cds->ApplyUpdates(-1);
            CommitWork();
        }
    };
    dataSet->AfterPost.add(applyAndCommit);
    dataSet->AfterDelete.add(applyAndCommit);
    dataSet->BeforeClose.add([](TDataSet *ds) {
        if (ds->State() == dsEdit || ds->State() == dsInsert)
            ds->Post();
    });
    dataSet->OnReconcileError = [label](TClientDataSet *, const EReconcileError &e, TUpdateKind kind,
                                        TReconcileAction &action) {
        ReportReconcileError(label, kind, e.message(), e.Context());
        action = raCancel;
    };
}

// ---- The configuration row

void TDM::CreateMainCFG()
{
    TKyv_ClientDataSet *cds = MakeClient(m_cdsMainCFG, QStringLiteral("cdsMainCFG"), QStringLiteral("dspMainCFG"));
    static const FieldSpec fields[] = {
        {"CFG_ID", ftFloat, 0},          {"COMPANY_ID", ftFloat, 0},     {"INIT_DATE", ftDateTime, 0},
        {"ACC_DATE", ftDateTime, 0},     {"ACC_DAY", ftFloat, 0},        {"WORK_PERIOD", ftDateTime, 0},
        {"CUSTVALIDSUM", ftFloat, 0},    {"DEBTMODE", ftFloat, 0},       {"VERSION_NO", ftFloat, 0},
        {"REPORT_LOCALE", ftFloat, 0},   {"COMPANY_NAME", ftString, 120}, {"UNN", ftString, 20},
        {"OKPO", ftString, 20},          {"LICENSETYPE", ftString, 40},  {"LICENSE_NO", ftString, 60},
        {"ADRESSCOUNTRY", ftString, 40}, {"ADRESS", ftString, 60},       {"ADRESSSTREET", ftString, 60},
        {"ADRESSHOUSE", ftString, 20},   {"TAX_CODE", ftString, 20},     {"BANK_NAME", ftString, 120},
        {"BANK_CODE", ftString, 3},      {"PHONE", ftString, 20},        {"FAX", ftString, 20},
        {"DIRECT_PROF", ftString, 20},   {"DIRECT_FIO", ftString, 60},
    };
    for (const FieldSpec &spec : fields) {
        TField *f = addField(cds, spec);
        // The company's columns and the computed month come with the row but are never written or re-read.
        if (!DbSchema::table(QStringLiteral("MAIN_CFG")).column(f->FieldName()))
            f->SetProviderFlags(0);
        f->SetDataSet(cds);
    }
    struct LookupSpec
    {
        const char *name;
        TDataSet *dataSet;
        const char *result;
        int size;
    };
    const LookupSpec lookups[] = {{"L_COMPANY_NAME", m_odsCompanyLookUp.get(), "COMPANY_NAME", 120},
                                  {"L_COMPANY_LOCATION", m_odsCompanyLocationLookup.get(), "LOCATION", 51}};
    for (const LookupSpec &spec : lookups) {
        TField *f = addField(cds, {spec.name, ftString, spec.size});
        f->SetFieldKind(fkLookup);
        f->SetKeyFields(QStringLiteral("COMPANY_ID"));
        f->SetLookupDataSet(spec.dataSet);
        f->SetLookupKeyFields(QStringLiteral("COMPANY_ID"));
        f->SetLookupResultField(QString::fromLatin1(spec.result));
        f->SetDataSet(cds);
    }

    InstallUpdateRule(cds, QStringLiteral("TDM.cdsMainCFGReconcileError"));
    cds->BeforeOpen.add([this](TDataSet *) {
        // The month after the open one, in the engine's own date arithmetic.
        const bool sqlite = m_dmr && m_dmr->dbConnection()->SqlDialect()
                            && m_dmr->dbConnection()->SqlDialect()->engine() == Dialect::Engine::SQLite;
        const QString workPeriod = sqlite ? QStringLiteral("datetime(M.ACC_DATE, 'start of month', '+1 month')")
                                          : QStringLiteral("(date_trunc('month', M.ACC_DATE) + interval '1 month')");
        ServerDataSet(QStringLiteral("odsMainCFG"))
            ->SetCommandText(QStringLiteral(
                                 "select M.CFG_ID, M.COMPANY_ID, M.INIT_DATE, M.ACC_DATE, M.ACC_DAY, %1 as WORK_PERIOD, "
                                 "M.CUSTVALIDSUM, M.DEBTMODE, M.VERSION_NO, M.REPORT_LOCALE, C.COMPANY_NAME, C.UNN, "
                                 "C.OKPO, C.LICENSETYPE, C.LICENSE_NO, C.ADRESSCOUNTRY, C.ADRESS, C.ADRESSSTREET, "
                                 "C.ADRESSHOUSE, C.TAX_CODE, C.BANK_NAME, C.BANK_CODE, C.PHONE, C.FAX, C.DIRECT_PROF, "
                                 "C.DIRECT_FIO from ZOLT.MAIN_CFG M left join ZOLT.COMPANY C "
                                 "on C.COMPANY_ID = M.COMPANY_ID")
                                 .arg(workPeriod));
        m_odsCompanyLookUp->Close();
        m_odsCompanyLookUp->Open();
        m_odsCompanyLocationLookup->Close();
        m_odsCompanyLocationLookup->Open();
    });
    cds->AfterOpen.add([this](TDataSet *ds) {
        m_initDate = dateOf(ds->FieldByName(QStringLiteral("INIT_DATE")));
        m_accDate = dateOf(ds->FieldByName(QStringLiteral("ACC_DATE")));
    });
    cds->OnNewRecord.add([this](TDataSet *ds) {
        ds->FieldByName(QStringLiteral("CFG_ID"))->SetValue(GetNextNo(QStringLiteral("CFG_ID"),
                                                                      QStringLiteral("ZOLT.MAIN_CFG")));
        ds->FieldByName(QStringLiteral("COMPANY_ID"))->SetValue(0);
        ds->FieldByName(QStringLiteral("ACC_DAY"))->SetValue(10);
        ds->FieldByName(QStringLiteral("DEBTMODE"))->SetValue(0);
        ds->FieldByName(QStringLiteral("CUSTVALIDSUM"))->SetValue(0);
    });
    cds->BeforePost.add([this](TDataSet *) { MainCFGBeforePost(); });
    cds->AfterPost.add([this](TDataSet *) { MainCFGAfterPost(); });
    cds->AfterClose.add([this](TDataSet *) {
        m_odsCompanyLookUp->Close();
        m_odsCompanyLocationLookup->Close();
    });
}

void TDM::MainCFGBeforePost()
{
    TField *init = m_cdsMainCFG->FieldByName(QStringLiteral("INIT_DATE"));
    TField *acc = m_cdsMainCFG->FieldByName(QStringLiteral("ACC_DATE"));
    QDate initDate = dateOf(init);
    if (initDate.isValid() && initDate.day() != 1) {
        initDate = StartOfMonth(initDate);
        init->SetValue(atMidnight(initDate));
    }
    if (isNullValue(acc->Value()) || !sameDate(initDate, m_initDate))
        acc->SetValue(atMidnight(initDate.isValid() ? initDate : StartOfMonth(Services::clock()->today())));
}

void TDM::MainCFGAfterPost()
{
    // The update rule has applied and committed the row already.
    m_accDate = dateOf(m_cdsMainCFG->FieldByName(QStringLiteral("ACC_DATE")));
    const QDate initDate = dateOf(m_cdsMainCFG->FieldByName(QStringLiteral("INIT_DATE")));
    if (sameDate(initDate, m_initDate))
        return;
    const bool hadDate = m_initDate.isValid();
    m_initDate = initDate;
    // A row that had no initialisation date has no calculation to throw away (the first connect writes one).
    if (!hadDate)
        return;
    // A reset that failed has shown its error and changed nothing.
    if (!m_dmr->RemoveAllCalculation() || !m_dmr->ReturnAccPeriod(initDate))
        return;
    Services::messages()->information(
        QStringLiteral("Изменена дата инициализации, расчетные данные сброшены.\rДля корректного расчета необходимо "
                       "перевести остатки с новой даты инициализации."));
    if (const CloseApplicationHook close = closeApplication().get())
        close();
}

bool TDM::CreateDefaultMainCFG()
{
    TKyv_ClientDataSet *cfg = m_cdsMainCFG.get();
    if (!cfg->Active())
        cfg->Open();
    if (!cfg->IsEmpty())
        return true;
    const QDateTime first = atMidnight(StartOfMonth(Services::clock()->today()));
    cfg->Append();
    cfg->FieldByName(QStringLiteral("COMPANY_ID"))->SetValue(1);
    cfg->FieldByName(QStringLiteral("INIT_DATE"))->SetValue(first);
    cfg->FieldByName(QStringLiteral("ACC_DATE"))->SetValue(first);
    cfg->FieldByName(QStringLiteral("CUSTVALIDSUM"))->SetValue(1000);
    cfg->Post();
    return !cfg->IsEmpty();
}

TDM::TMainCfg TDM::OpenMainCFG(bool reopen)
{
    TMainCfg cfg;
    if (!IsDatabaseConnected())
        return cfg;
    TKyv_ClientDataSet *ds = m_cdsMainCFG.get();
    if (reopen && ds->Active())
        ds->Close();
    if (!ds->Active())
        ds->Open();
    if (ds->RecordCount() > 0) {
        ds->First();
        cfg.exists = true;
        cfg.accDate = ColumnDate(ds->FieldByName(QStringLiteral("ACC_DATE"))->Value());
        cfg.debtMode = DebtMode();
    }
    return cfg;
}

void TDM::ApplyMainCFG()
{
    if (m_cdsMainCFG->ChangeCount() > 0) {
        m_cdsMainCFG->ApplyUpdates(-1);
        CommitWork();
    }
}

void TDM::MarkInvalidCustDebt(const QVariant &customerId, const QVariant &changedDate)
{
    m_dmr->MarkInvalidCustDebt(customerId, changedDate,
                               dateOf(m_cdsMainCFG->FieldByName(QStringLiteral("ACC_DATE"))));
}

bool TDM::CheckCustDebtFrom(const QVariant &customerId, const QDate &date)
{
    TScreenCursorScope wait(crHourGlass);
    if (!m_cdsMainCFG->Active())
        m_cdsMainCFG->Open();
    return m_dmr->CheckCustDebt(customerId, DebtMode(), date, EndOfMonth(date),
                                dateOf(m_cdsMainCFG->FieldByName(QStringLiteral("ACC_DATE"))));
}

// ---- The user row

void TDM::CreateAppUser()
{
    TKyv_ClientDataSet *cds = MakeClient(m_cdsAppUser, QStringLiteral("cdsAppUser"), QStringLiteral("dspAppUser"));
    cds->SetCommandText(QStringLiteral("select * from ZOLT.APP_USER where USER_ID = :USER_ID"));
    cds->Params().CreateParam(ftFloat, QStringLiteral("USER_ID"), ptInput);
    cds->BeforeOpen.add([this](TDataSet *ds) { ds->Params().ParamByName(QStringLiteral("USER_ID")).SetValue(m_userId); });
    // No window edits the row: a change is only committed.
    auto commit = [this](TDataSet *ds) {
        if (static_cast<TClientDataSet *>(ds)->ChangeCount() > 0 && !CommitWork())
            platformLog(LogKind::Error, QStringLiteral("cdsAppUser: commit failed"));
    };
    cds->AfterPost.add(commit);
    cds->AfterDelete.add(commit);
    cds->OnReconcileError = [](TClientDataSet *, const EReconcileError &e, TUpdateKind kind,
                               TReconcileAction &action) {
        ReportReconcileError(QStringLiteral("TfrmAppUsers.DM.cdsAppUser"), kind, e.message(), e.Context());
        action = raCancel;
    };
    cds->OnNewRecord.add([this](TDataSet *ds) {
        const double id = GetNextNo(QStringLiteral("USER_ID"), QStringLiteral("ZOLT.APP_USER"));
        ds->FieldByName(QStringLiteral("USER_ID"))->SetValue(id);
        ds->FieldByName(QStringLiteral("CREATED"))->SetValue(Services::clock()->now());
        ds->FieldByName(QStringLiteral("LOGIN_NAME"))->SetValue(GetLoginName());
        ds->FieldByName(QStringLiteral("VALID_TO"))->SetValue(atMidnight(TDMR::OpenEndDate()));
        m_dmr->SetUserId(id);
    });
}

// ---- The filter record

void TDM::CreateTempCFG()
{
    m_mdTempCFG = std::make_unique<TMemTable>();
    m_mdTempCFG->setObjectName(QStringLiteral("mdTempCFG"));
    static const FieldSpec fields[] = {
        {"FLAT_NO", ftString, 20},        {"CHECK_ADRESS", ftInteger, 0},   {"CHECK_DEBT", ftInteger, 0},
        {"DEBT_SUM", ftFloat, 0},         {"DEBT_SIGN", ftInteger, 0},      {"STATE_1", ftInteger, 0},
        {"STATE_5", ftInteger, 0},        {"STATE_6", ftInteger, 0},        {"STREET_ID", ftInteger, 0},
        {"HOUSE_ID", ftInteger, 0},       {"AREA_ID", ftInteger, 0},        {"CITY_ID", ftInteger, 0},
        {"FILTER_SERV_PACKAGE_ID", ftInteger, 0}, {"SUBAREA_ID", ftInteger, 0}, {"TEAM_ID", ftInteger, 0},
        {"PAYSOURCE_ID", ftInteger, 0},   {"NOTICE_SGN", ftInteger, 0},     {"DISCOUNT_FACTOR_SGN", ftInteger, 0},
        {"SUBSCR_HIST_SGN", ftInteger, 0}, {"PERIOD_SGN", ftInteger, 0},    {"ACT_SGN", ftInteger, 0},
        {"DIZACT_SGN", ftInteger, 0},     {"ACT_R_SGN", ftInteger, 0},      {"DIZACT_N_SGN", ftInteger, 0},
        {"PAY_SGN", ftInteger, 0},        {"VALID_TO_SGN", ftInteger, 0},   {"VALID_TO_ON", ftInteger, 0},
        {"VALID_TO_OFF", ftInteger, 0},   {"INVALID_CONTRACT_DATE", ftInteger, 0},
        {"CONTRACT_DATE_SGN", ftInteger, 0}, {"CUSTLETTER_SGN", ftInteger, 0}, {"CustLetter_Sgn2", ftInteger, 0},
        {"CustLetterNotSgn1", ftInteger, 0}, {"CustLetterNotSgn2", ftInteger, 0}, {"Period_Sgn2", ftInteger, 0},
        {"LetterTypeId1", ftInteger, 0},  {"LetterTypeId2", ftInteger, 0},  {"LetterTypeId3", ftInteger, 0},
        {"PeriodFrom", ftDate, 0},        {"PeriodTo", ftDate, 0},          {"DATE_FROM", ftDate, 0},
        {"DATE_TO", ftDate, 0},           {"DATE_FROM2", ftDate, 0},        {"DATE_TO2", ftDate, 0},
        {"WORK_DATE", ftDateTime, 0},     {"SERV_ID", ftInteger, 0},        {"ACT_SERV_ID", ftInteger, 0},
        {"CUST_PROP_DESCR", ftString, 6}, {"DoubleAddress", ftSmallint, 0}, {"DebtMode", ftSmallint, 0},
        {"DebtFrom", ftFloat, 0},         {"DebtTo", ftFloat, 0},           {"SMART_CARD_IS_ACTIVE", ftInteger, 0},
    };
    for (const FieldSpec &spec : fields)
        addField(m_mdTempCFG.get(), spec)->SetDataSet(m_mdTempCFG.get());
    m_mdTempCFG->OnNewRecord.add([this](TDataSet *) { SetTempCFGDefaultValues(); });
    m_mdTempCFG->Open();
    m_mdTempCFG->Append();
    m_mdTempCFG->Post();
}

void TDM::SetWorkDate(const QDate &date)
{
    TMemTable *temp = m_mdTempCFG.get();
    if (!temp->Active())
        temp->Open();
    if (temp->RecordCount() == 0)
        temp->Append();
    else if (temp->State() != dsEdit && temp->State() != dsInsert)
        temp->Edit();
    temp->FieldByName(QStringLiteral("WORK_DATE"))->SetValue(atMidnight(date));
}

// mdTempCFGSetDafaultValues: the filter's start values.
void TDM::SetTempCFGDefaultValues()
{
    TMemTable *t = m_mdTempCFG.get();
    auto set = [t](const char *name, const QVariant &v) { t->FieldByName(QString::fromLatin1(name))->SetValue(v); };
    for (const char *name :
         {"CHECK_ADRESS", "CHECK_DEBT", "STATE_1", "STATE_5", "STATE_6", "SUBAREA_ID", "TEAM_ID", "NOTICE_SGN",
          "DISCOUNT_FACTOR_SGN", "SUBSCR_HIST_SGN", "PERIOD_SGN", "ACT_SGN", "DIZACT_SGN", "ACT_R_SGN", "DIZACT_N_SGN",
          "PAY_SGN", "VALID_TO_SGN", "VALID_TO_ON", "VALID_TO_OFF", "INVALID_CONTRACT_DATE", "CONTRACT_DATE_SGN",
          "CUSTLETTER_SGN", "CustLetter_Sgn2", "CustLetterNotSgn1", "CustLetterNotSgn2", "Period_Sgn2",
          "LetterTypeId1", "LetterTypeId2", "DoubleAddress", "DebtMode"})
        set(name, 0);
    set("DEBT_SUM", 0.0);
    set("DebtFrom", 0.0);
    set("DebtTo", 0.0);
    set("DEBT_SIGN", 4);
    set("PAYSOURCE_ID", 1);
    set("LetterTypeId3", 1);
    set("SMART_CARD_IS_ACTIVE", 1);
    set("SERV_ID", -1);
    set("ACT_SERV_ID", -1);
    set("CUST_PROP_DESCR", QStringLiteral("Все"));
    const QDate today = Services::clock()->today();
    for (const char *name : {"DATE_FROM", "DATE_TO", "DATE_FROM2", "DATE_TO2"})
        set(name, today);
}

// ---- Session

QStringList TDM::DatabaseChoices(const QString &connectionsFolder)
{
    QStringList choices;
    const QDir dir(connectionsFolder);
    if (!dir.exists())
        return choices;
    for (const QFileInfo &info : dir.entryInfoList({QStringLiteral("*.udl")},
                                                   QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        choices << info.fileName().section(QLatin1Char('.'), 0, 0);
    return choices;
}

bool TDM::Login()
{
    m_lastLoginError.clear();
    m_lastLoginFailure = TLogonFailure::None;
    try {
        QString user = RememberedUserName, password = RememberedPassword, database = RememberedDatabase;
        const QStringList choices = DatabaseChoices(m_dmr->ConnectionsFolder());
        if (!LoginDialog || !LoginDialog(user, password, database, choices)) {
            m_lastLoginFailure = TLogonFailure::Cancelled;
            return false;
        }
        RememberedUserName = user;
        RememberedPassword = password;
        RememberedDatabase = database;
        bool connected = false;
        {
            TScreenCursorScope wait(crHourGlass);
            m_dmr->DbLogON(user, password, database);
            connected = m_dmr->Get_DatabaseConnectStatus();
            m_userId = connected ? m_dmr->UserId() : -1;
            if (!connected) {
                m_lastLoginError = m_dmr->LastLogonError();
                m_lastLoginFailure = m_dmr->LastLogonFailure();
            }
            QCoreApplication::processEvents();
        }
        return connected;
    } catch (const std::exception &e) {
        m_lastLoginError = exceptionMessage(e);
        m_lastLoginFailure = TLogonFailure::Other;
        platformLog(LogKind::Error, QStringLiteral("ERROR: ") + exceptionMessage(e));
        return false;
    }
}

void TDM::CloseClientDataSets()
{
    for (TKyv_ClientDataSet *cds : {m_cdsMainCFG.get(), m_cdsAppUser.get(), m_cdsAreaList.get(),
                                    m_cdsSubAreaList.get(), m_cdsReportServList.get(), m_cdsReportPaymentsByServ.get()})
        if (cds && cds->Active())
            cds->Close();
}

void TDM::LogOut()
{
    CloseClientDataSets();
    if (m_kindDM == 1 && m_dmr)
        m_dmr->DbLogOut();
}

bool TDM::IsDatabaseConnected() const
{
    return m_kindDM == 1 && m_dmr && m_dmr->Get_DatabaseConnectStatus();
}

bool TDM::InitDM()
{
    m_periodText = QStringLiteral("01/2000");
    m_list.clear();
    return true;
}

bool TDM::LogUserAction(const QVariant &, const QString &, const QString &)
{
    // Only the machine's name is looked up; nothing is recorded.
    return !QSysInfo::machineHostName().isNull();
}

// ---- TDMR's operations under the windows' names

namespace {

// In debug mode with the SQL monitor on, how long an identifier query took (the event monitor filters).
class SelectTimer
{
public:
    ~SelectTimer()
    {
        const double seconds = double(Services::clock()->tickCount() - m_start) / 1000.0;
        platformLog(LogKind::Raw, QStringLiteral("Выбрано за ") + FloatToStr(seconds) + QStringLiteral(" с."));
    }

private:
    quint64 m_start = Services::clock()->tickCount();
};

} // namespace

double TDM::GetNextNo(const QString &keyField, const QString &table, const QString &condition, const TParams &params)
{
    SelectTimer timer;
    return m_dmr->GetNextNo(keyField, table, condition, params);
}

double TDM::GetMinId(const QString &field, const QString &table, const QString &condition, const TParams &params)
{
    SelectTimer timer;
    return m_dmr->GetMinId(field, table, condition, params);
}

bool TDM::CommitWork() { return m_dmr && m_dmr->CommitWork(); }
bool TDM::ExecSqlScript(const QString &script) { return m_dmr->ExecSqlScript(script); }
bool TDM::GetNextSeqValue(const QString &name, QVariant &value) { return m_dmr->GetNextSeqValue(name, value); }
bool TDM::IsReferenced(const QString &field, const QString &table, const QVariant &value)
{
    return m_dmr->GetRefCount(field, table, value);
}
int TDM::GetRecordsCount(const QString &table, const QString &condition, const TParams &params)
{
    return m_dmr->GetRecordsCount(table, condition, params);
}
QString TDM::GetLoginName() const { return m_dmr->UserName().toUpper(); }
int TDM::GetDbmsKind() const { return m_dmr->DbmsKind(); }
int TDM::GetFirstCustCodeWithDebt() { return m_dmr->GetFirstCustCodeWithDebt(); }
double TDM::GetFirstSubscrPaySum(const QDate &date) { return m_dmr->GetFirstSubscrPaySum(date); }
int TDM::GetClientInfo(const QString &accountNo, QString &info) { return m_dmr->GetClientInfo(accountNo, info); }
QString TDM::GetStreetHouseIds(const QVariant &streetId) { return m_dmr->GetStreetHouseIds(streetId); }
QString TDM::GetHouseIdsByNo(const QString &houseNo) { return m_dmr->GetHouseIdsByNo(houseNo); }
QString TDM::GetHouseId(const QVariant &streetId, const QString &houseNo) { return m_dmr->GetHouseId(streetId, houseNo); }
QString TDM::GetCustCode(const QVariant &houseId, const QString &flatNo) { return m_dmr->GetCustCode(houseId, flatNo); }
void TDM::RebuildStreetCustCodes(const QVariant &streetId) { m_dmr->RebuildStreetCustCodes(streetId); }
bool TDM::GetCust_PropList(QStringList &list) { return m_dmr->GetCust_PropList(list); }
void TDM::SetCustMainSmartCard(const QVariant &customerId, const QVariant &cardId)
{
    m_dmr->SetCustMainSmartCard(customerId, cardId);
}
void TDM::RecalcAllCustomers()
{
    m_dmr->RecalcAllCustomers(m_cdsMainCFG->FieldByName(QStringLiteral("ACC_DATE"))->Value(), DebtMode());
}

void TDM::RecalcPayersDebt()
{
    m_dmr->RecalcPayersDebt(DebtMode(), dateOf(m_cdsMainCFG->FieldByName(QStringLiteral("ACC_DATE"))));
}

bool TDM::ReturnAccPeriod()
{
    return m_dmr->ReturnAccPeriod(dateOf(m_cdsMainCFG->FieldByName(QStringLiteral("INIT_DATE"))));
}

int TDM::DebtMode() const
{
    return m_cdsMainCFG->FieldByName(QStringLiteral("DEBTMODE"))->AsInteger();
}
