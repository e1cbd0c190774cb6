#include "dmuReports.h"

#include "ComponentRegistry.h"
#include "DataSetProvider.h"
#include "DbSchema.h"
#include "Dialect.h"
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "FR_Desgn.h"
#include "FR_E_RTF.h"
#include "FR_E_TXT.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Services.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "Formats.h"
#include "frmuMain.h"
#include "uCommon.h"
#include "uFields.h"
#include "uLog.h"

#include <QCoreApplication>
#include <QFile>

#include <cmath>

TdmReports *dmReports = nullptr;

namespace {

struct FieldSpec
{
    const char *name;
    TFieldType type;
    int size;
};

void addFields(TDataSet *ds, std::initializer_list<FieldSpec> fields)
{
    for (const FieldSpec &f : fields)
        AddDataSetField(ds, QString::fromLatin1(f.name), f.type, f.size);
}

void addSumLookup(TDataSet *ds, TDataSet *lookup)
{
    TField *f = AddDataSetField(ds, QStringLiteral("L_SUM"), ftFloat, 0, fkLookup);
    f->SetLookupDataSet(lookup);
    f->SetKeyFields(QStringLiteral("CUSTOMER_ID"));
    f->SetLookupKeyFields(QStringLiteral("CUSTOMER_ID"));
    f->SetLookupResultField(QStringLiteral("C_SUM"));
}

// Replaces the lines the text object of that name is about to print; the template itself keeps its text.
void setMemo(TfrView *view, QStringList &memo, const char *name, const QString &text)
{
    if (!view || view->ClassName() != QLatin1String("TfrMemoView") || view->Name != QLatin1String(name))
        return;
    memo.clear();
    memo << text;
}

const QString frDBDataSetPrefix = QStringLiteral("frDBDataSet");

} // namespace

QString PaymentSumInWords(double sum)
{
    const double roubles = std::trunc(std::abs(sum));
    return AmountToWords(QString::number(roubles, 'f', 0), 1, QStringLiteral("рубль"), QStringLiteral("рубля"),
        QStringLiteral("рублей"));
}

QString SktAccountText(const QString &accountNo)
{
    return QStringLiteral("SKT") + accountNo;
}

QString ConnectedOnText(const QDate &date)
{
    return QStringLiteral("Подключено на ") + DateToStr(DateToDayCount(date));
}

QString SumLookupStatement(const Dialect *dialect)
{
    const QString days = dialect ? dialect->daysBetween(QStringLiteral("M.C_DATE_TO"), QStringLiteral("M.C_DATE_FROM"))
                                 : QStringLiteral("(M.C_DATE_TO - M.C_DATE_FROM)");
    // The charge of the report period per customer: each history period's days inside the period times the
    // tariff valid at the period's start, over the day number of the period's last day.
    return QStringLiteral(
        "select cast(M.CUSTOMER_ID as double precision) as CUSTOMER_ID, "
        "cast(round(cast(coalesce(sum((%1 + 1) * M.TARIF_SUM / M.Q_DAYS_PER_MONTH), 0) as numeric), 0) "
        "as double precision) as C_SUM from (select cast(SS.CUSTOMER_ID as integer) as CUSTOMER_ID, "
        "cast(TO_CHAR( &D_TO_0 , 'DD') as integer) as Q_DAYS_PER_MONTH, SH.DATE_FROM as SH_DATE_FROM, "
        "(case when (SH.DATE_FROM < &D_FROM_1 ) then &D_FROM_2 else SH.DATE_FROM end) as C_DATE_FROM, "
        "(case when (SH.DATE_TO > &D_TO_3 ) then &D_TO_4 else SH.DATE_TO end) as C_DATE_TO, "
        "cast(T.TARIF_SUM as double precision) as TARIF_SUM "
        "from ZOLT.SUBSCR_SERV SS, ZOLT.SUBSCR_HIST SH, ZOLT.SERV S, ZOLT.TARIF T "
        "where SS.SUBSCR_SERV_ID = SH.SUBSCR_SERV_ID and SH.DATE_TO >= &D_FROM_5 "
        "and SH.DATE_FROM <= &D_TO_6 and SH.SERV_ID = S.SERV_ID and SH.SERV_ID = T.SERV_ID "
        "and &D_FROM_7 between T.DATE_FROM and T.DATE_TO) M group by M.CUSTOMER_ID")
        .arg(days);
}

TdmReports::TdmReports(TDM *dm, TDMR *dmr, TcustDM *cust, QObject *parent)
    : QObject(parent)
    , m_dm(dm)
    , m_dmr(dmr)
    , m_cust(cust)
{
    setObjectName(QStringLiteral("dmReports"));
    ComponentRegistry::instance().registerOwner(this, QStringLiteral("dmReports"));
    // There is one set of designer options in the program; a second module uses the first one's.
    if (!DesignerComponent)
        m_designer = std::make_unique<TfrDesigner>();
    CreateDataSets();
    CreateReports();
    m_rtfExport = std::make_unique<TfrRTFExport>();
    m_rtfExport->setObjectName(QStringLiteral("frRTFExport1"));
    m_csvExport = std::make_unique<TfrCSVExport>();
    m_csvExport->setObjectName(QStringLiteral("frCSVExport1"));
    m_csvExport->Delimiter = u';';
    if (!dmReports)
        dmReports = this;
}

TdmReports::~TdmReports()
{
    if (m_dmr && m_dmr->Get_DatabaseConnectStatus()) {
        try {
            if (m_dmr->dbConnection()->InTransaction())
                m_dmr->CommitWork();
        } catch (const std::exception &e) {
            LogError(QString::fromLocal8Bit(e.what()));
        }
    }
    for (auto &[name, ds] : m_clients)
        ds->Close();
    for (auto &[name, ds] : m_servers)
        ds->Close();
    m_reports.clear();
    m_reportDataSets.clear();
    if (dmReports == this)
        dmReports = nullptr;
}

// ---- Datasets

void TdmReports::CreateDataSets()
{
    TADOConnection *connection = m_dmr ? m_dmr->dbConnection() : nullptr;
    const auto server = [&](const QString &name, const QString &text) {
        auto ds = std::make_unique<TKyv_ADODataSet>();
        ds->setObjectName(name);
        ds->SetCommandText(text);
        if (connection)
            ds->SetConnection(connection);
        TKyv_ADODataSet *raw = ds.get();
        m_servers[name] = std::move(ds);
        ComponentRegistry::instance().registerComponent(this, raw, name);
        return raw;
    };
    const auto client = [&](const QString &name, TDataSetProvider *provider, const QString &text) {
        auto ds = std::make_unique<TKyv_ClientDataSet>();
        ds->setObjectName(name);
        ds->SetDataProvider(provider);
        ds->SetCommandText(text);
        ds->SetReadOnly(true);
        TKyv_ClientDataSet *raw = ds.get();
        m_clients[name] = std::move(ds);
        ComponentRegistry::instance().registerComponent(this, raw, name);
        return raw;
    };
    const auto provider = [&](const QString &name, TDataSet *dataSet) {
        auto p = std::make_unique<TDataSetProvider>();
        p->setObjectName(name);
        p->SetOptions(poAllowCommandText);
        p->SetDataSet(dataSet);
        TDataSetProvider *raw = p.get();
        m_providers[name] = std::move(p);
        return raw;
    };
    // Both engines take this name; a four-byte "real" would lose cents on one of them.
    const QString real = QStringLiteral("double precision");

    TKyv_ADODataSet *sumServer = server(QStringLiteral("odsRepCustSumLookup"), {});
    TKyv_ClientDataSet *sum = client(QStringLiteral("cdsRepCustSumLookup"),
        provider(QStringLiteral("dspDisactByPeriodCustSumLookup"), sumServer), SumLookupStatement(nullptr));
    for (const char *name : { "D_TO_0", "D_FROM_1", "D_FROM_2", "D_TO_3", "D_TO_4", "D_FROM_5", "D_TO_6", "D_FROM_7" })
        sum->SqlSubstitutions().Add(QString::fromLatin1(name));
    addFields(sum, { { "CUSTOMER_ID", ftFloat, 0 }, { "C_SUM", ftFloat, 0 } });
    sum->BeforeOpen.add([this, sum](TDataSet *) {
        // The day arithmetic is the engine's, known once the connection is open.
        if (m_dmr && m_dmr->dbConnection()->SqlDialect())
            sum->SetCommandText(SumLookupStatement(m_dmr->dbConnection()->SqlDialect()));
        SetSumLookupPeriod();
    });

    // The lists that look the charge up open it for the period they show, and close it with themselves.
    const auto looksUpSum = [this, sum](TKyv_ClientDataSet *ds) {
        addSumLookup(ds, sum);
        ds->BeforeOpen.add([sum](TDataSet *) {
            sum->Close();
            sum->Open();
        });
        ds->AfterClose.add([sum](TDataSet *) { sum->Close(); });
    };

    TKyv_ClientDataSet *newActiv = client(QStringLiteral("cdsRepNewActivCustomers"),
        m_dm ? m_dm->Provider(QStringLiteral("dspRepNewActivCustomers")) : nullptr,
        QStringLiteral("select SH.* from ZOLT.V_CUST_SUBSCR_HIST SH"));
    AddTableFields(newActiv, QStringLiteral("CUSTOMER"));
    addFields(newActiv,
        { { "FIO", ftString, 100 }, { "ADRESS", ftString, 200 }, { "LOCATION_ID", ftFloat, 0 },
            { "AREA_ID", ftFloat, 0 }, { "STREET_ID", ftFloat, 0 }, { "HOUSE_NO", ftString, 20 },
            { "Q_FLAT", ftFloat, 0 }, { "STREET_NAME", ftString, 100 }, { "DATE_FROM", ftDateTime, 0 },
            { "DATE_TO", ftDateTime, 0 }, { "SUBSCR_HIST_ID", ftFloat, 0 }, { "SUBSCR_SERV_ID", ftFloat, 0 },
            { "SERVTYPE_ID", ftFloat, 0 }, { "SERV_DESCR", ftString, 100 }, { "TARIF_SUM", ftFloat, 0 } });
    looksUpSum(newActiv);

    TKyv_ClientDataSet *mainState
        = client(QStringLiteral("cdsRepMainState"), m_dm ? m_dm->Provider(QStringLiteral("dspMainState")) : nullptr,
            QStringLiteral("select cast(S1.Q_1 as %1) as Q_1, cast(S2.Q_2 as %1) as Q_2, "
                           "cast(S1.Q_1 + S2.Q_2 as %1) / 2 as Q_3 from "
                           "(select count(C.CUSTOMER_ID) as Q_1 from ZOLT.CUSTOMER C, ZOLT.SUBSCR_HIST SH "
                           "&where_str1 ) S1, "
                           "(select count(C.CUSTOMER_ID) as Q_2 from ZOLT.CUSTOMER C, ZOLT.SUBSCR_HIST SH "
                           "&where_str2 ) S2")
                .arg(real));
    mainState->SqlSubstitutions().Add(QStringLiteral("where_str1"));
    mainState->SqlSubstitutions().Add(QStringLiteral("where_str2"));

    TKyv_ADODataSet *disactServer = server(QStringLiteral("odsDisactByPeriodCustomers"), {});
    TKyv_ClientDataSet *disact = client(QStringLiteral("cdsDisactByPeriodCustomers"),
        provider(QStringLiteral("dspDisactByPeriodCustomers"), disactServer), {});
    addFields(disact,
        { { "CUSTOMER_ID", ftFloat, 0 }, { "C_ACCOUNT_NO", ftString, 20 }, { "FULLNAME", ftString, 100 },
            { "CUSTADRESS", ftString, 200 }, { "DATE_TO", ftDateTime, 0 }, { "DESCR", ftString, 100 } });
    looksUpSum(disact);

    TKyv_ADODataSet *ko1 = server(QStringLiteral("odsPayDocPaymentKO1"),
        QStringLiteral("select D.PAY_DOC_NO, P.PAY_DATE, P.PAY_SUM, "
                       "CONCAT(CS.SURNAME, ' ', CS.INITIALS, '  Л/С:', CS.ACCOUNT_NO) as CUST_DESCR, "
                       "CONCAT(S.STREET_NAME, '  д.', H.HOUSE_NO, ' кв.', CS.FLAT_NO) as HOUSE_INFO, "
                       "CS.ACCOUNT_NO, CS.CONTRACT_NO, CS.CONTRACT_DATE "
                       "from ZOLT.STREET S, ZOLT.HOUSE H, ZOLT.CUSTOMER CS, ZOLT.SERV, ZOLT.PAYMENT P, ZOLT.PAY_DOC D "
                       "where S.STREET_ID = H.STREET_ID and P.PAYMENT_ID = :P_PAYMENT_ID "
                       "and D.PAY_DOC_ID = P.PAY_DOC_ID and H.HOUSE_ID = CS.HOUSE_ID "
                       "and CS.CUSTOMER_ID = P.CUSTOMER_ID and SERV.SERV_ID = P.SERV_ID"));
    addFields(ko1,
        { { "PAY_DOC_NO", ftString, 20 }, { "PAY_DATE", ftDateTime, 0 }, { "PAY_SUM", ftFloat, 0 },
            { "CUST_DESCR", ftString, 120 }, { "HOUSE_INFO", ftString, 200 }, { "ACCOUNT_NO", ftString, 20 },
            { "CONTRACT_NO", ftString, 20 }, { "CONTRACT_DATE", ftDateTime, 0 } });
    AddDataSetField(ko1, QStringLiteral("C_SUM_LINE"), ftString, 250, fkCalculated);
    AddDataSetField(ko1, QStringLiteral("C_SKT_ACCOUNT_NO"), ftString, 30, fkCalculated);
    ko1->OnCalcFields.add([](TDataSet *ds) {
        ds->FieldByName(QStringLiteral("C_SUM_LINE"))
            ->SetValue(PaymentSumInWords(ds->FieldByName(QStringLiteral("PAY_SUM"))->AsFloat()));
        ds->FieldByName(QStringLiteral("C_SKT_ACCOUNT_NO"))
            ->SetValue(SktAccountText(ds->FieldByName(QStringLiteral("ACCOUNT_NO"))->AsString()));
    });

    const QString contractText
        = QStringLiteral("select CS.SURNAME, CS.FIRSTNAME, CS.MIDLENAME, "
                         "CONCAT(S.STREET_NAME, '  д.', H.HOUSE_NO, ' кв.', CS.FLAT_NO) as HOUSE_INFO, "
                         "S.STREET_NAME, H.HOUSE_NO, CS.FLAT_NO, CS.CONTRACT_NO, CS.CONTRACT_DATE, CS.PASP_NO, "
                         "CS.PASP_DATE, CS.PASP_ORG from ZOLT.CUSTOMER CS, ZOLT.STREET S, ZOLT.HOUSE H "
                         "where CS.CUSTOMER_ID = :P_CUSTOMER_ID and S.STREET_ID = H.STREET_ID "
                         "and H.HOUSE_ID = CS.HOUSE_ID");
    server(QStringLiteral("odsContract"), contractText);
    // The package picker's list of top-level services; the one without a description stands for all of them.
    server(QStringLiteral("odsCustFilterServLookup"),
        QStringLiteral("select C.SERV_ID, (case when C.SERV_DESCR is null then 'Все' else C.SERV_DESCR end) "
                       "as SERV_DESCR from ZOLT.SERV C where C.SERVTYPE_ID <= 0 order by C.SERV_ID"));
    server(QStringLiteral("odsReceipt"), contractText);
    // Whose statement the balance is: the customer of the current user's balance lines.
    server(QStringLiteral("odsBalanceCustomer"),
        QStringLiteral("select C.ACCOUNT_NO, CONCAT(C.SURNAME, ' ', C.FIRSTNAME, ' ', C.MIDLENAME) as FIO "
                       "from ZOLT.CUSTOMER C where C.CUSTOMER_ID in "
                       "(select B.CUSTOMER_ID from ZOLT.TMP_CUST_BALANCE B where B.USER_ID = :P_USER_ID)"));
}

void TdmReports::SetSumLookupPeriod()
{
    TKyv_ClientDataSet *sum = cdsRepCustSumLookup();
    const QString from = DateToSqlLiteral(SelectionPeriodFrom);
    const QString to = DateToSqlLiteral(SelectionPeriodTo);
    for (const char *name : { "D_TO_0", "D_TO_3", "D_TO_4", "D_TO_6" })
        sum->SubstitutionByName(QString::fromLatin1(name))->Value = to;
    for (const char *name : { "D_FROM_1", "D_FROM_2", "D_FROM_5", "D_FROM_7" })
        sum->SubstitutionByName(QString::fromLatin1(name))->Value = from;
}

// ---- Reports

TfrReport *TdmReports::AddReport(const QString &name, const QString &dataSetName, TDataSet *dataSet)
{
    auto report = std::make_unique<TfrReport>(this);
    report->setObjectName(name);
    const QString sourceName = frDBDataSetPrefix + dataSetName;
    auto found = m_reportDataSets.find(sourceName);
    if (found == m_reportDataSets.end()) {
        auto source = std::make_unique<TfrDBDataSet>(this);
        source->setObjectName(sourceName);
        source->SetDataSet(dataSet);
        ComponentRegistry::instance().registerComponent(this, source.get(), sourceName);
        found = m_reportDataSets.emplace(sourceName, std::move(source)).first;
    }
    report->Dataset = found->second.get();
    report->InitialZoom = pzDefault;
    TfrReport *raw = report.get();
    ComponentRegistry::instance().registerComponent(this, raw, name);
    m_reports[name] = std::move(report);
    return raw;
}

void TdmReports::CreateReports()
{
    TfrReport *newActiv = AddReport(
        QStringLiteral("frRepNewActivCustomers"), QStringLiteral("cdsRepNewActivCustomers"), cdsRepNewActivCustomers());
    newActiv->OnBeforePrint = [this](QStringList &memo, TfrView *view) {
        setMemo(view, memo, "frmemoPeriod", PackagePeriodCaption(SelectionPeriodFrom, SelectionPeriodTo));
    };
    TfrReport *mainState
        = AddReport(QStringLiteral("frRepMainState"), QStringLiteral("cdsRepMainState"), cdsRepMainState());
    mainState->OnBeforePrint = [](QStringList &memo, TfrView *view) {
        setMemo(view, memo, "frmemoPeriodFrom", ConnectedOnText(SelectionPeriodFrom));
        setMemo(view, memo, "frmemoPeriodTo", ConnectedOnText(SelectionPeriodTo));
    };
    TfrReport *disact = AddReport(QStringLiteral("frDisactByPeriodCustomers"),
        QStringLiteral("cdsDisactByPeriodCustomers"), cdsDisactByPeriodCustomers());
    disact->OnBeforePrint = [this](QStringList &memo, TfrView *view) {
        setMemo(view, memo, "frmemoPeriod",
            PackagePeriodCaption(StartOfMonth(SelectionPeriodFrom), EndOfMonth(SelectionPeriodTo)));
    };
    TfrReport *payments = AddReport(QStringLiteral("frReportPaymentsByServ"), QStringLiteral("cdsReportPaymentsByServ"),
        m_dm ? m_dm->cdsReportPaymentsByServ() : nullptr);
    payments->OnBeforePrint = [](QStringList &memo, TfrView *view) {
        setMemo(view, memo, "frmemoPeriod", PeriodCaption(SelectionPeriodFrom, SelectionPeriodTo));
    };
    TMemTable *balance = m_dmr ? m_dmr->mdsBalanceReport() : nullptr;
    AddReport(QStringLiteral("frCustomerBalance"), QStringLiteral("mdsBalanceReport"), balance);
    // The balance rows are laid out by the program before the report runs.
    ReportDataSet(frDBDataSetPrefix + QStringLiteral("mdsBalanceReport"))->OpenDataSource = false;
    if (balance)
        ComponentRegistry::instance().registerComponent(this, balance, QStringLiteral("mdsBalanceReport"));
    AddReport(QStringLiteral("frReportPayDocKO1"), QStringLiteral("odsPayDocPaymentKO1"), odsPayDocPaymentKO1());
    AddReport(QStringLiteral("frReportContract"), QStringLiteral("odsContract"), odsContract());
    AddReport(QStringLiteral("frReportReceipt"), QStringLiteral("odsReceipt"), odsReceipt());
    TDataSet *customers = m_cust ? m_cust->cdsCustomer() : nullptr;
    AddReport(QStringLiteral("frRepCustomers"), QStringLiteral("cdsCustomer"), customers);
    AddReport(QStringLiteral("frRepCusLetters"), QStringLiteral("cdsCustomer"), customers);
    AddReport(QStringLiteral("frReportCustPayKvit"), QStringLiteral("cdsCustomer"), customers);
    if (customers)
        ComponentRegistry::instance().registerComponent(this, customers, QStringLiteral("cdsCustomer"));
    if (m_dm)
        ComponentRegistry::instance().registerComponent(
            this, m_dm->cdsReportPaymentsByServ(), QStringLiteral("cdsReportPaymentsByServ"));
}

// ---- Lookups by name

namespace {

template <class Map> auto *named(const Map &map, const QString &name)
{
    const auto it = map.find(name);
    return it == map.end() ? nullptr : it->second.get();
}

} // namespace

TfrReport *TdmReports::Report(const QString &name) const
{
    return named(m_reports, name);
}

TfrDBDataSet *TdmReports::ReportDataSet(const QString &name) const
{
    return named(m_reportDataSets, name);
}

TDataSet *TdmReports::DataSet(const QString &name) const
{
    if (TDataSet *ds = named(m_clients, name))
        return ds;
    return named(m_servers, name);
}

TKyv_ClientDataSet *TdmReports::cdsRepNewActivCustomers() const
{
    return m_clients.at(QStringLiteral("cdsRepNewActivCustomers")).get();
}

TKyv_ClientDataSet *TdmReports::cdsRepMainState() const
{
    return m_clients.at(QStringLiteral("cdsRepMainState")).get();
}

TKyv_ClientDataSet *TdmReports::cdsDisactByPeriodCustomers() const
{
    return m_clients.at(QStringLiteral("cdsDisactByPeriodCustomers")).get();
}

TKyv_ClientDataSet *TdmReports::cdsRepCustSumLookup() const
{
    return m_clients.at(QStringLiteral("cdsRepCustSumLookup")).get();
}

TKyv_ADODataSet *TdmReports::odsPayDocPaymentKO1() const
{
    return m_servers.at(QStringLiteral("odsPayDocPaymentKO1")).get();
}

TKyv_ADODataSet *TdmReports::odsContract() const
{
    return m_servers.at(QStringLiteral("odsContract")).get();
}

TKyv_ADODataSet *TdmReports::odsReceipt() const
{
    return m_servers.at(QStringLiteral("odsReceipt")).get();
}

// ---- Template folder

QString TdmReports::TemplateFolder() const
{
    QString folder = m_templateFolder;
    if (folder.isEmpty())
        folder = frmMain ? frmMain->Folders().reportsFolder
                         : TProgramFolders::from(QCoreApplication::applicationDirPath()).reportsFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

void TdmReports::SetTemplateFolder(const QString &folder)
{
    m_templateFolder = folder;
}

QString TdmReports::TemplatePath(const QString &fileName) const
{
    return TemplateFolder() + fileName;
}

QString TdmReports::LocalizedTemplatePath(const QString &fileName) const
{
    int locale = 0;
    if (m_dm && m_dm->cdsMainCFG()->Active() && !m_dm->cdsMainCFG()->IsEmpty())
        if (TField *f = m_dm->cdsMainCFG()->FindField(QStringLiteral("REPORT_LOCALE")); f && !f->IsNull())
            locale = f->AsInteger();
    const QString localized = TemplatePath(QStringLiteral("uh/") + fileName);
    return locale == 1 && QFile::exists(localized) ? localized : TemplatePath(fileName);
}

QString TdmReports::getPayDocKO1Path() const
{
    return LocalizedTemplatePath(QStringLiteral("PayDocKO1.frf"));
}

QString TdmReports::getContractPath() const
{
    return LocalizedTemplatePath(QStringLiteral("Contract.frf"));
}

QString TdmReports::getReceiptPath() const
{
    return LocalizedTemplatePath(QStringLiteral("Receipt.frf"));
}

QString TdmReports::getPayKvitPath() const
{
    return LocalizedTemplatePath(QStringLiteral("PayKvit.frf"));
}

QString TdmReports::getRequestPath() const
{
    return LocalizedTemplatePath(QStringLiteral("Request.frf"));
}

// ---- Showing

TReportShow TdmReports::PreviewOrDesigner()
{
    return IsDebugMode() ? TReportShow::Designer : TReportShow::MDIPreview;
}

QString TdmReports::PackagePeriodCaption(const QDate &from, const QDate &to) const
{
    QString caption = PeriodCaption(from, to);
    if (!m_dm || !m_dmr)
        return caption;
    const TField *serv = m_dm->mdTempCFG()->FindField(QStringLiteral("SERV_ID"));
    if (!serv || serv->IsNull() || serv->AsInteger() < 0)
        return caption;
    const QString descr = m_dmr->GetServDescr(serv->AsInteger());
    if (!descr.isEmpty())
        caption += QStringLiteral("  \"") + descr + QStringLiteral("\" пакет услуг");
    return caption;
}

bool TdmReports::ShowReportFile(TfrReport *report, const QString &path, TReportShow how)
{
    if (!QFile::exists(path)) {
        const QString text = QStringLiteral("Не найден шаблон отчета ") + path;
        LogError(text);
        Services::messages()->error(text);
        return false;
    }
    report->MDIPreview = how == TReportShow::MDIPreview;
    report->ModalPreview = how != TReportShow::MDIPreview;
    report->FileName.clear();
    report->LoadReportFile(path);
    // A file the engine could not read was reported by it; the template held before is not shown in its place.
    if (report->FileName != path) {
        LogError(QStringLiteral("Шаблон отчета не прочитан: ") + path);
        return false;
    }
    if (how == TReportShow::Designer)
        report->OpenDesigner();
    else
        report->PreviewReport();
    return true;
}

bool TdmReports::ShowReport(TfrReport *report, const QString &fileName, TReportShow how)
{
    return ShowReportFile(report, TemplatePath(fileName), how);
}

void TdmReports::PrintDocument(TfrReport *report, TDataSet *dataSet, const QString &paramName, const QVariant &value,
    const QString &path, TReportShow how)
{
    dataSet->Close();
    dataSet->Params().ParamByName(paramName).SetValue(value);
    ShowReportFile(report, path, how);
}

void TdmReports::designPayDocKO1(const QVariant &paymentId)
{
    PrintDocument(frReportPayDocKO1(), odsPayDocPaymentKO1(), QStringLiteral("P_PAYMENT_ID"), paymentId,
        getPayDocKO1Path(), TReportShow::Designer);
}

void TdmReports::printPayDocKO1(const QVariant &paymentId)
{
    PrintDocument(frReportPayDocKO1(), odsPayDocPaymentKO1(), QStringLiteral("P_PAYMENT_ID"), paymentId,
        getPayDocKO1Path(), TReportShow::MDIPreview);
}

void TdmReports::designContract(const QVariant &customerId)
{
    PrintDocument(frReportContract(), odsContract(), QStringLiteral("P_CUSTOMER_ID"), customerId, getContractPath(),
        TReportShow::Designer);
}

void TdmReports::printContract(const QVariant &customerId)
{
    PrintDocument(frReportContract(), odsContract(), QStringLiteral("P_CUSTOMER_ID"), customerId, getContractPath(),
        TReportShow::MDIPreview);
}

void TdmReports::designReceipt(const QVariant &customerId)
{
    PrintDocument(frReportReceipt(), odsReceipt(), QStringLiteral("P_CUSTOMER_ID"), customerId, getReceiptPath(),
        TReportShow::Designer);
}

void TdmReports::printReceipt(const QVariant &customerId)
{
    PrintDocument(frReportReceipt(), odsReceipt(), QStringLiteral("P_CUSTOMER_ID"), customerId, getReceiptPath(),
        TReportShow::MDIPreview);
}

void TdmReports::designRequest(const QVariant &customerId)
{
    PrintDocument(frReportContract(), odsContract(), QStringLiteral("P_CUSTOMER_ID"), customerId, getRequestPath(),
        TReportShow::Designer);
}

void TdmReports::printRequest(const QVariant &customerId)
{
    PrintDocument(frReportContract(), odsContract(), QStringLiteral("P_CUSTOMER_ID"), customerId, getRequestPath(),
        TReportShow::MDIPreview);
}

// ---- Balance layout

void TdmReports::prepareCustomerBalanceReport()
{
    TMemTable *out = m_dmr->mdsBalanceReport();
    TKyv_ADODataSet *groups = m_dmr->odsBalanceGroup();
    TKyv_ADODataSet *income = m_dmr->odsBalanceIncome();
    TKyv_ADODataSet *charges = m_dmr->odsBalanceOutgo();
    groups->Close();
    groups->Open();
    if (!out->Active())
        out->Open();
    out->EmptyTable();
    for (groups->First(); !groups->Eof(); groups->Next()) {
        income->First();
        charges->First();
        bool first = true;
        while (first || !income->Eof() || !charges->Eof()) {
            out->Append();
            out->FieldByName(QStringLiteral("Group_Descr"))
                ->SetValue(first ? groups->FieldByName(QStringLiteral("GROUP_DESCR"))->Value() : QVariant());
            const auto side = [out](TDataSet *lines, const char *descr, const char *sum) {
                const bool has = !lines->Eof();
                out->FieldByName(QString::fromLatin1(descr))
                    ->SetValue(has ? lines->FieldByName(QStringLiteral("DESCR"))->AsString() : QString());
                out->FieldByName(QString::fromLatin1(sum))
                    ->SetValue(has ? lines->FieldByName(QStringLiteral("SUM_VAL"))->AsFloat() : 0.0);
                if (has)
                    lines->Next();
            };
            side(income, "IN_DESCR", "IN_SUM");
            side(charges, "OUT_DESCR", "OUT_SUM");
            out->Post();
            first = false;
        }
    }
    groups->Close();
    out->First();
    TKyv_ADODataSet *customer = m_servers.at(QStringLiteral("odsBalanceCustomer")).get();
    customer->Close();
    customer->Params().ParamByName(QStringLiteral("P_USER_ID")).SetValue(m_dmr->UserId());
    customer->Open();
}
