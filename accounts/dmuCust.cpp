#include "dmuCust.h"

#include "DataSource.h"
#include "Exceptions.h"
#include "DbSchema.h"
#include "Dialect.h"
#include "Formats.h"
#include "MemTable.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "uLog.h"
#include "uFields.h"
#include "uSettings.h"

#include <QRegularExpression>

#include <exception>

TcustDM *custDM = nullptr;

QString SpellSysdate(const QString &text, const QString &engineSysdate)
{
    static const QRegularExpression word(
        QStringLiteral("\\bsysdate\\b(?!\\s*\\()"), QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype from = 0;
    // Quoted text is copied as it stands; only the parts between quotes are searched.
    while (from < text.size()) {
        const qsizetype quote = text.indexOf(QLatin1Char('\''), from);
        const qsizetype end = quote < 0 ? text.size() : quote;
        out += text.mid(from, end - from).replace(word, engineSysdate);
        if (quote < 0)
            break;
        qsizetype close = text.indexOf(QLatin1Char('\''), quote + 1);
        while (close >= 0 && close + 1 < text.size() && text.at(close + 1) == QLatin1Char('\''))
            close = text.indexOf(QLatin1Char('\''), close + 2);
        const qsizetype stop = close < 0 ? text.size() : close + 1;
        out += text.mid(quote, stop - quote);
        from = stop;
    }
    return out;
}

QString ProperCaseName(const QString &text)
{
    QString out = text.toLower();
    bool wordStart = true;
    for (QChar &c : out) {
        if (c == QLatin1Char(' ') || c == QChar(0)) {
            wordStart = true;
            continue;
        }
        if (wordStart)
            c = c.toUpper();
        wordStart = false;
    }
    return out;
}

namespace {

const QDateTime OpenEnd(QDate(4712, 12, 31), QTime(0, 0));

// A client dataset of the module: the current date and time in its text (the list's conditions, the lookups
// of tariffs valid today) is spelled for the connection's engine just before the text is sent.
class TCustClientDataSet : public TKyv_ClientDataSet
{
public:
    explicit TCustClientDataSet(TDMR *dmr)
        : m_dmr(dmr)
    {
    }

protected:
    QString RequestCommandText() override
    {
        const QString text = TKyv_ClientDataSet::RequestCommandText();
        const Dialect *d = m_dmr && m_dmr->dbConnection() ? m_dmr->dbConnection()->SqlDialect() : nullptr;
        return d ? SpellSysdate(text, d->sysdate()) : text;
    }

private:
    TDMR *m_dmr;
};

// A server dataset of the card whose statement takes the master's current key as its parameters: it reads the
// current customer's rows afresh whenever the list moves to another customer.
class TCustDetailServerDataSet : public TKyv_ADODataSet
{
protected:
    void InternalOpen() override
    {
        if (TDataSource *master = MasterSource(); master && master->DataSet() && master->DataSet()->Active())
            for (const QString &name : SplitFieldNames(MasterFields()))
                Params().ParamByName(name).SetValue(master->DataSet()->FieldByName(name)->Value());
        TKyv_ADODataSet::InternalOpen();
    }
    void MasterChanged() override
    {
        if (!Active())
            return;
        Close();
        Open();
    }
    bool UsesMasterRange() const override { return false; }
};

// A read-only column of the query: shown, never written nor read back.
TField *addShownField(TDataSet *ds, const QString &name, TFieldType type, int size = 0)
{
    TField *f = AddDataSetField(ds, name, type, size);
    f->SetReadOnly(true);
    f->SetProviderFlags(0);
    return f;
}

TField *addLookup(TDataSet *ds, const QString &name, TFieldType type, TDataSet *lookup, const QString &key,
    const QString &result, int size = 0)
{
    TField *f = AddDataSetField(ds, name, type, size, fkLookup);
    f->SetLookupDataSet(lookup);
    f->SetKeyFields(key);
    f->SetLookupKeyFields(key);
    f->SetLookupResultField(result);
    return f;
}

void setValue(TDataSet *ds, const char *field, const QVariant &value)
{
    ds->FieldByName(QString::fromLatin1(field))->SetValue(value);
}

bool isBlank(const TField *f)
{
    return f->IsNull() || f->AsString().isEmpty();
}

// Opens an edit on a browsing row before a step of the before-post rules changes it.
void ensureEditing(TDataSet *ds)
{
    if (ds->State() != dsEdit && ds->State() != dsInsert)
        ds->Edit();
}

void setIfDifferent(TDataSet *ds, TField *f, const QString &value)
{
    if (f->IsNull() || f->AsString() != value) {
        ensureEditing(ds);
        f->SetValue(value);
    }
}

} // namespace

TcustDM::TcustDM(TDM *dm, TDMR *dmr, QObject *parent)
    : QObject(parent)
    , m_dm(dm)
    , m_dmr(dmr)
{
    setObjectName(QStringLiteral("custDM"));
    CreateLookups();
    CreateCustomer();
    CreateDetails();
    InstallDefaults();
    InstallApplyRules();
    if (!custDM)
        custDM = this;
}

TcustDM::~TcustDM()
{
    // Closing applies what is still pending; a failure then is logged, for nobody is left to show it to.
    for (auto &[name, cds] : m_clients) {
        try {
            cds->Close();
        } catch (const std::exception &e) {
            LogError(name + QStringLiteral(": ") + exceptionMessage(e));
        }
    }
    if (custDM == this)
        custDM = nullptr;
}

QString TcustDM::LiveContractsCondition()
{
    return QStringLiteral("and (C.Valid_To > sysdate)");
}

TKyv_ClientDataSet *TcustDM::ClientDataSet(const QString &name) const
{
    const auto it = m_clients.find(name);
    return it == m_clients.end() ? nullptr : it->second.get();
}

TKyv_ADODataSet *TcustDM::ServerDataSet(const QString &name) const
{
    const auto it = m_servers.find(name);
    return it == m_servers.end() ? nullptr : it->second.get();
}

TDataSource *TcustDM::DataSource(const QString &name) const
{
    const auto it = m_sources.find(name);
    return it == m_sources.end() ? nullptr : it->second.get();
}

TKyv_ClientDataSet *TcustDM::AddClient(const QString &name, const QString &provider, const QString &commandText)
{
    auto cds = std::make_unique<TCustClientDataSet>(m_dmr);
    cds->setObjectName(name);
    cds->SetDataProvider(m_dm ? m_dm->Provider(provider) : nullptr);
    if (!commandText.isEmpty())
        cds->SetCommandText(commandText);
    TKyv_ClientDataSet *raw = cds.get();
    m_clients[name] = std::move(cds);
    return raw;
}

TKyv_ADODataSet *TcustDM::AddServer(const QString &name, const QString &commandText, bool followsCustomer)
{
    std::unique_ptr<TKyv_ADODataSet> ds;
    if (followsCustomer)
        ds = std::make_unique<TCustDetailServerDataSet>();
    else
        ds = std::make_unique<TKyv_ADODataSet>();
    ds->setObjectName(name);
    ds->SetCommandText(commandText);
    if (m_dmr)
        ds->SetConnection(m_dmr->dbConnection());
    TKyv_ADODataSet *raw = ds.get();
    m_servers[name] = std::move(ds);
    return raw;
}

TDataSource *TcustDM::AddSource(const QString &name, TDataSet *dataSet, bool autoEdit)
{
    auto ds = std::make_unique<TDataSource>();
    ds->setObjectName(name);
    ds->SetDataSet(dataSet);
    ds->SetAutoEdit(autoEdit);
    TDataSource *raw = ds.get();
    m_sources[name] = std::move(ds);
    return raw;
}

void TcustDM::LinkDetail(TKyv_ClientDataSet *detail, const QString &masterSource, const QString &masterFields)
{
    detail->SetMasterSource(DataSource(masterSource));
    detail->SetMasterFields(masterFields);
    detail->SetPacketRecords(0);
    detail->AddIndex(QStringLiteral("iMaster"), masterFields);
    detail->SetIndexName(QStringLiteral("iMaster"));
    for (const QString &name : SplitFieldNames(masterFields))
        detail->Params().CreateParam(ftUnknown, name, ptInput);
}

// ---- The customer list

void TcustDM::CreateCustomer()
{
    TKyv_ClientDataSet *cds = AddClient(QStringLiteral("cdsCustomer"), QStringLiteral("dspCustomer"),
        QStringLiteral(
            "select &idx1 C.*, S.Street_Name as Ro_Street_Name, L.LOCATION_NAME as RO_LOCATION_NAME, "
            "LPAD(C.Account_No,15,' ') as Ro_Account_No, LPAD(H.House_No,6,' ') as Ro_House_No, "
            "LPAD(C.Flat_No,6,' ') as Ro_Flat_No, "
            "cast(case when PP.ACT_SGN is null then 0 else PP.ACT_SGN end as double precision) as PP_ACT_SGN "
            "from ZOLT.CUSTOMER C join ZOLT.HOUSE H on H.HOUSE_ID = C.HOUSE_ID "
            "join ZOLT.STREET S on S.STREET_ID = H.STREET_ID join ZOLT.LOCATION L on L.LOCATION_ID = H.LOCATION_ID "
            "left join (select distinct &idx2 SH2.Customer_Id, 1 as ACT_SGN from ZOLT.Subscr_Hist SH2 "
            "join ZOLT.Serv S2 on S2.Serv_Id = SH2.Act_Serv_Id "
            "where SH2.Date_From between add_months(sysdate,-1) and sysdate and S2.ServType_Id=3) PP "
            "on PP.CUSTOMER_ID = C.CUSTOMER_ID where 1=1\r\n&where_str"));
    cds->SqlSubstitutions().Add(QStringLiteral("idx1"));
    cds->SqlSubstitutions().Add(QStringLiteral("idx2"));
    cds->SqlSubstitutions().Add(QStringLiteral("where_str"), LiveContractsCondition());

    addShownField(cds, QStringLiteral("RO_ACCOUNT_NO"), ftString, 15);
    addShownField(cds, QStringLiteral("RO_LOCATION_NAME"), ftString, 30);
    addShownField(cds, QStringLiteral("RO_STREET_NAME"), ftString, 40);
    addShownField(cds, QStringLiteral("RO_HOUSE_NO"), ftString, 100);
    addShownField(cds, QStringLiteral("RO_FLAT_NO"), ftString, 100);
    addShownField(cds, QStringLiteral("PP_ACT_SGN"), ftFloat);
    static const struct
    {
        const char *name;
        TFieldType type;
        int size;
    } fields[] = {
        { "ACCOUNT_NO", ftString, 15 },
        { "DEBT_SUM", ftFloat, 0 },
        { "DEBT_IN_SUM", ftFloat, 0 },
        { "START_DEBT_SUM", ftFloat, 0 },
        { "CUSTOMER_ID", ftFloat, 0 },
        { "HOUSE_ID", ftFloat, 0 },
        { "CUST_STATE", ftFloat, 0 },
        { "IS_COMPANY", ftFloat, 0 },
        { "SEX", ftFloat, 0 },
        { "COMPANY_ID", ftFloat, 0 },
        { "CUST_CODE", ftString, 20 },
        { "CUST_PROP", ftString, 20 },
        { "TAX_NO", ftString, 20 },
        { "CONTRACT_NO", ftString, 20 },
        { "REF_NO", ftString, 20 },
        { "SURNAME", ftString, 30 },
        { "FIRSTNAME", ftString, 30 },
        { "MIDLENAME", ftString, 30 },
        { "PASP_NO", ftString, 30 },
        { "INITIALS", ftString, 4 },
        { "PHONE_NO", ftString, 50 },
        { "NOTICE", ftString, 255 },
        { "NOTICE2", ftString, 255 },
        { "CUST_STATE_DESCR", ftString, 60 },
        { "CUST_PROP_DESCR", ftString, 6 },
        { "FLAT_NO", ftString, 6 },
        { "PASP_ORG", ftString, 240 },
        { "CONTRACT_DATE", ftDateTime, 0 },
        { "ACTIVIZ_DATE", ftDateTime, 0 },
        { "VALID_TO", ftDateTime, 0 },
        { "PASP_DATE", ftDateTime, 0 },
        { "BIRTHDAY", ftDateTime, 0 },
    };
    for (const auto &spec : fields) {
        TField *f = AddDataSetField(cds, QString::fromLatin1(spec.name), spec.type, spec.size);
        if (QByteArray(spec.name).endsWith("_SUM"))
            f->SetDisplayFormat(QStringLiteral("### ### ### ##0.##"));
    }
    cds->FieldByName(QStringLiteral("CUSTOMER_ID"))->SetProviderFlags(pfInUpdate | pfInWhere | pfInKey);
    AddDataSetField(cds, QStringLiteral("C_SKT_ACCOUNT_NO"), ftString, 23, fkCalculated);
    addLookup(cds, QStringLiteral("L_COMPANY"), ftString, ServerDataSet(QStringLiteral("odsCustCompany")),
        QStringLiteral("COMPANY_ID"), QStringLiteral("COMPANY_CODE_NAME"), 145);
    cds->FieldByName(QStringLiteral("L_COMPANY"))->SetLookupKeyFields(QStringLiteral("COMPANY_ID"));

    AddSource(QStringLiteral("dsCustomer"), cds, false);

    cds->OnCalcFields.add([](TDataSet *ds) {
        setValue(
            ds, "C_SKT_ACCOUNT_NO", QStringLiteral("SKT") + ds->FieldByName(QStringLiteral("ACCOUNT_NO"))->AsString());
    });
    cds->BeforeOpen.add([this](TDataSet *) {
        m_openStart = Services::clock()->tickCount();
        cdsCustomer()->SubstitutionByName(QStringLiteral("idx1"))->Value.clear();
        cdsCustomer()->SubstitutionByName(QStringLiteral("idx2"))->Value.clear();
        if (TKyv_ADODataSet *company = ServerDataSet(QStringLiteral("odsCustCompany")); !company->Active())
            company->Open();
    });
    cds->AfterOpen.add([this](TDataSet *ds) {
        auto *c = static_cast<TClientDataSet *>(ds);
        c->AddIndex(QStringLiteral("iACCOUNT_NO"), QStringLiteral("ACCOUNT_NO"), ixCaseInsensitive);
        c->SetIndexName(QStringLiteral("iACCOUNT_NO"));
        m_dm->CommitWork();
        if (IsDebugMode()) {
            const double seconds = double(Services::clock()->tickCount() - m_openStart) / 1000.0;
            SendToEventMonitor(QStringLiteral("Выбрано ") + QString::number(ds->RecordCount())
                + QStringLiteral(" зап. из cdsCustomer. За ") + FloatToStr(seconds) + QStringLiteral(" с."));
        }
    });
    cds->BeforePost.add([this](TDataSet *) { CustomerBeforePost(); });
}

void TcustDM::CustomerBeforePost()
{
    TKyv_ClientDataSet *cds = cdsCustomer();
    if (cds->State() == dsInsert)
        ++AppSettings().AccountNo;

    TField *initials = cds->FieldByName(QStringLiteral("INITIALS"));
    if (isBlank(initials))
        setIfDifferent(cds, initials, QStringLiteral(" "));
    else
        setIfDifferent(cds, initials, TextToUpper(initials->AsString()));

    TField *surname = cds->FieldByName(QStringLiteral("SURNAME"));
    if (cds->FieldByName(QStringLiteral("IS_COMPANY"))->AsInteger() == 0 && !surname->IsNull())
        setIfDifferent(cds, surname, ProperCaseName(surname->AsString()));

    for (const char *name : { "FIRSTNAME", "MIDLENAME" }) {
        TField *f = cds->FieldByName(QString::fromLatin1(name));
        setIfDifferent(cds, f, isBlank(f) ? QStringLiteral(" ") : ProperCaseName(f->AsString()));
    }

    TField *phone = cds->FieldByName(QStringLiteral("PHONE_NO"));
    if (isBlank(phone))
        setIfDifferent(cds, phone, QStringLiteral(" "));

    setIfDifferent(cds, cds->FieldByName(QStringLiteral("CUST_CODE")),
        m_dm->GetCustCode(cds->FieldByName(QStringLiteral("HOUSE_ID"))->AsString(),
            cds->FieldByName(QStringLiteral("FLAT_NO"))->AsString()));

    TField *validTo = cds->FieldByName(QStringLiteral("VALID_TO"));
    if (validTo->IsNull()) {
        ensureEditing(cds);
        validTo->SetValue(OpenEnd);
    }
}

// ---- The card's pages

void TcustDM::CreateDetails()
{
    const QString master = QStringLiteral("dsCustomer");
    const QString customer = QStringLiteral("CUSTOMER_ID");

    TKyv_ClientDataSet *single = AddClient(QStringLiteral("cdsCustSingleServ"), QStringLiteral("dspCustSingleServ"),
        QStringLiteral("select CUSTOMER_ID, SERV_ID, SINGLESERV_ID, SERV_DATE from ZOLT.SINGLE_SERV "
                       "where CUSTOMER_ID=:CUSTOMER_ID order by SERV_DATE"));
    AddTableFields(single, QStringLiteral("SINGLE_SERV"),
        { QStringLiteral("CUSTOMER_ID"), QStringLiteral("SERV_ID"), QStringLiteral("SINGLESERV_ID"),
            QStringLiteral("SERV_DATE") });
    addLookup(single, QStringLiteral("L_SINGLESERV_DESCR"), ftString,
        ClientDataSet(QStringLiteral("cdsSingleServLookUp")), QStringLiteral("SERV_ID"), QStringLiteral("SERV_DESCR"),
        80);
    addLookup(single, QStringLiteral("L_TARIF"), ftFloat, ClientDataSet(QStringLiteral("cdsCustSingleServTarif")),
        QStringLiteral("SINGLESERV_ID"), QStringLiteral("TARIF_SUM"));
    LinkDetail(single, master, customer);

    // A subscription's history rows carry its customer, and only the customer is indexed in the history: naming
    // it lets each subscription's latest row be found among the customer's own rows instead of the whole history
    // of every customer.
    TKyv_ClientDataSet *subscr = AddClient(QStringLiteral("cdsCustSubscrServ"), QStringLiteral("dspCustSubscrServ"),
        QStringLiteral("select SS.CUSTOMER_ID, SS.SERV_ID, SS.SUBSCR_SERV_ID, SS.STATE_SGN, SH.DATE_FROM "
                       "from ZOLT.SUBSCR_SERV SS left join ZOLT.SUBSCR_HIST SH on SH.SUBSCR_HIST_ID = "
                       "(select max(H2.SUBSCR_HIST_ID) from ZOLT.SUBSCR_HIST H2 where H2.CUSTOMER_ID = SS.CUSTOMER_ID "
                       "and H2.SUBSCR_SERV_ID = SS.SUBSCR_SERV_ID and H2.DATE_FROM = (select max(H3.DATE_FROM) "
                       "from ZOLT.SUBSCR_HIST H3 where H3.CUSTOMER_ID = SS.CUSTOMER_ID "
                       "and H3.SUBSCR_SERV_ID = SS.SUBSCR_SERV_ID)) "
                       "where SS.CUSTOMER_ID=:CUSTOMER_ID order by SH.DATE_FROM desc"));
    AddTableFields(subscr, QStringLiteral("SUBSCR_SERV"),
        { QStringLiteral("CUSTOMER_ID"), QStringLiteral("SERV_ID"), QStringLiteral("SUBSCR_SERV_ID"),
            QStringLiteral("STATE_SGN") });
    addShownField(subscr, QStringLiteral("DATE_FROM"), ftDateTime);
    addLookup(subscr, QStringLiteral("L_SERVTYPE_DESCR"), ftString,
        ClientDataSet(QStringLiteral("cdsSubscrServLookUp")), QStringLiteral("SERV_ID"), QStringLiteral("SERV_DESCR"),
        80);
    addLookup(subscr, QStringLiteral("L_SERV_TARIF"), ftFloat, ClientDataSet(QStringLiteral("cdsSubscrServLookUp")),
        QStringLiteral("SERV_ID"), QStringLiteral("TARIF_SUM"));
    LinkDetail(subscr, master, customer);
    AddSource(QStringLiteral("dsCustSubscrServ"), subscr, false);

    TKyv_ClientDataSet *hist = AddClient(QStringLiteral("cdsCustSubscrServHist"),
        QStringLiteral("dspCustSubscrServHist"),
        QStringLiteral("select SH.*, case when SH.DATE_TO = %1 then null else SH.DATE_TO end as RO_DATE_TO, "
                       "SC.SMARTCARD_NO, P.CAS_CODE as RO_DTV_PROVIDER_CODE, SV.IS_DTV_PACKAGE, SV.DTV_PACKAGE_CODE "
                       "from ZOLT.SUBSCR_HIST SH left join ZOLT.SMARTCARD SC on SC.SMARTCARD_ID = SH.SMARTCARD_ID "
                       "left join ZOLT.DTV_PROVIDER P on P.DTV_PROVIDER_ID = SC.DTV_PROVIDER_ID "
                       "left join ZOLT.SERV SV on SV.SERV_ID = SH.SERV_ID "
                       "where SH.CUSTOMER_ID=:CUSTOMER_ID and SH.SUBSCR_SERV_ID=:SUBSCR_SERV_ID "
                       "order by SH.DATE_FROM, SH.DATE_TO")
            .arg(DbSchema::dateLiteral(4712, 12, 31)));
    AddTableFields(hist, QStringLiteral("SUBSCR_HIST"));
    addShownField(hist, QStringLiteral("RO_DATE_TO"), ftDateTime);
    addShownField(hist, QStringLiteral("SMARTCARD_NO"), ftString, 10);
    addShownField(hist, QStringLiteral("RO_DTV_PROVIDER_CODE"), ftString, 1);
    addShownField(hist, QStringLiteral("IS_DTV_PACKAGE"), ftFloat);
    addShownField(hist, QStringLiteral("DTV_PACKAGE_CODE"), ftFloat);
    addLookup(hist, QStringLiteral("L_ACT_SERV_DESCR"), ftString,
        ClientDataSet(QStringLiteral("cdsCustSubscrServHistActLookUp")), QStringLiteral("SERV_ID"),
        QStringLiteral("SERV_DESCR"), 80)
        ->SetKeyFields(QStringLiteral("ACT_SERV_ID"));
    addLookup(hist, QStringLiteral("L_DISACT_SERV_DESCR"), ftString,
        ClientDataSet(QStringLiteral("cdsCustSubscrServHistDisactLookUp")), QStringLiteral("SERV_ID"),
        QStringLiteral("SERV_DESCR"), 80)
        ->SetKeyFields(QStringLiteral("DISACT_SERV_ID"));
    LinkDetail(hist, QStringLiteral("dsCustSubscrServ"), QStringLiteral("CUSTOMER_ID;SUBSCR_SERV_ID"));
    AddSource(QStringLiteral("dsCustSubscrServHist"), hist, false);
    hist->BeforePost.add([this](TDataSet *ds) { SubscrServHistBeforePost(ds); });

    LinkDetail(AddClient(QStringLiteral("cdsCustDiscFactor"), QStringLiteral("dspCustDiscFactor"),
                   QStringLiteral("select * from ZOLT.DISCOUNT_FACTOR where CUSTOMER_ID=:CUSTOMER_ID "
                                  "order by DATE_FROM")),
        master, customer);

    TKyv_ClientDataSet *service
        = AddClient(QStringLiteral("cdsCustSingleService"), QStringLiteral("dspCustSingleService"),
            QStringLiteral("SELECT CUSTOMER_ID, CUSTOMER_SERVICE_ID, SINGLE_SERVICE_TARIF_ID, PRICE, QUANTITY, AMOUNT, "
                           "SERVICE_DATE, PUT_TIME, NOTICE FROM ZOLT.CUSTOMER_SERVICE WHERE CUSTOMER_ID=:CUSTOMER_ID "
                           "ORDER BY SERVICE_DATE"));
    AddTableFields(service, QStringLiteral("CUSTOMER_SERVICE"),
        { QStringLiteral("CUSTOMER_ID"), QStringLiteral("CUSTOMER_SERVICE_ID"),
            QStringLiteral("SINGLE_SERVICE_TARIF_ID"), QStringLiteral("PRICE"), QStringLiteral("QUANTITY"),
            QStringLiteral("AMOUNT"), QStringLiteral("SERVICE_DATE"), QStringLiteral("PUT_TIME"),
            QStringLiteral("NOTICE") });
    addLookup(service, QStringLiteral("L_SINGLE_SERVICE_NAME"), ftString,
        ServerDataSet(QStringLiteral("odsSingleServLookUp")), QStringLiteral("SINGLE_SERVICE_TARIF_ID"),
        QStringLiteral("SERVICE_NAME"), 100);
    addLookup(service, QStringLiteral("L_PRICE"), ftFloat, ServerDataSet(QStringLiteral("odsSingleServLookUp")),
        QStringLiteral("SINGLE_SERVICE_TARIF_ID"), QStringLiteral("PRICE"));
    LinkDetail(service, master, customer);

    LinkDetail(AddClient(QStringLiteral("cdsCustDoc"), QStringLiteral("dspCustDoc"),
                   QStringLiteral("select CUST_DOC_ID, CUSTOMER_ID, DOC_URL, DOC_NAME, DOC_DATE from "
                                  "ZOLT.CUST_DOC where CUSTOMER_ID=:CUSTOMER_ID order by DOC_DATE DESC")),
        master, customer);

    // The letters' and smart cards' providers take no command text: their server datasets carry the query.
    if (m_dm) {
        if (TKyv_ADODataSet *ods = m_dm->ServerDataSet(QStringLiteral("odsCustLetter")))
            ods->SetCommandText(QStringLiteral("select CUSTOMER_ID, CUSTLETTERID, LETTERTYPEID, CUSTLETTERDATE from "
                                               "ZOLT.CUSTLETTER where CUSTOMER_ID=:CUSTOMER_ID "
                                               "order by CUSTLETTERDATE, LETTERTYPEID"));
        if (TKyv_ADODataSet *rds = m_dm->ServerDataSet(QStringLiteral("rdsCustSmartCards")))
            rds->SetCommandText(
                QStringLiteral("select CS.CUSTOMER_ID, CS.SMARTCARD_ID, CS.IS_MAIN, SC.SMARTCARD_NO, SC.IS_ACTIVE, "
                               "SC.DTV_PROVIDER_ID, P.CAS_CODE from ZOLT.CUSTOMER_SMARTCARDS CS "
                               "join ZOLT.SMARTCARD SC on SC.SMARTCARD_ID = CS.SMARTCARD_ID "
                               "left join ZOLT.DTV_PROVIDER P on P.DTV_PROVIDER_ID = SC.DTV_PROVIDER_ID "
                               "where CS.CUSTOMER_ID=:CUSTOMER_ID order by CS.IS_MAIN desc, SC.SMARTCARD_NO"));
    }
    TKyv_ClientDataSet *letters = AddClient(QStringLiteral("cdsCustLetter"), QStringLiteral("dspCustLetter"));
    AddTableFields(letters, QStringLiteral("CUSTLETTER"),
        { QStringLiteral("CUSTOMER_ID"), QStringLiteral("CUSTLETTERID"), QStringLiteral("LETTERTYPEID"),
            QStringLiteral("CUSTLETTERDATE") });
    TKyv_ADODataSet *types = m_dmr ? m_dmr->odsLetterType() : nullptr;
    addLookup(letters, QStringLiteral("L_LetterType"), ftString, types, QStringLiteral("LETTERTYPEID"),
        QStringLiteral("LETTERTYPEDESCR"), 60);
    LinkDetail(letters, master, customer);
    letters->BeforeOpen.add([types](TDataSet *) {
        if (types && !types->Active())
            types->Open();
    });
    AddSource(QStringLiteral("dsCustLetter"), ClientDataSet(QStringLiteral("cdsCustLetter")), false);
    LinkDetail(AddClient(QStringLiteral("cdsCustSmartCards"), QStringLiteral("dspCustSmartCards")), master, customer);

    TKyv_ADODataSet *payment = AddServer(QStringLiteral("odsCustPayment"),
        QStringLiteral(
            "select P.PAY_DOC_ID, P.CUSTOMER_ID, P.PAYMENT_ID, P.SERV_ID, P.PAY_DATE, P.PAY_SUM, P.NOTICE, "
            "CONCAT('№ ', D.PAY_DOC_NO, ' от ', TO_CHAR(D.PAY_DOC_DATE,'DD/MM/YYYY')) as L_PAY_DOC, "
            "(select sum(P2.PAY_SUM) from ZOLT.PAYMENT P2 where P2.CUSTOMER_ID = P.CUSTOMER_ID) as TOTAL_SUM, "
            "PS.PAYSOURCE_DESCR from ZOLT.PAYMENT P join ZOLT.PAY_DOC D on D.PAY_DOC_ID = P.PAY_DOC_ID "
            "left join ZOLT.PAYSOURCE PS on PS.PAYSOURCE_ID = D.PAYSOURCE_ID "
            "where P.CUSTOMER_ID=:CUSTOMER_ID order by P.PAY_DATE"),
        true);
    TKyv_ADODataSet *tickets = AddServer(QStringLiteral("odsCustTickets"),
        QStringLiteral("select T.*, CONCAT(S.STREET_NAME, ' д.', H.HOUSE_NO, ' кв.', C.FLAT_NO) as RO_ADDRESS, "
                       "L.LOCATION_NAME as RO_LOCATION_NAME, TM.TEAM_NAME as RO_TEAM_NAME from ZOLT.TICKET T "
                       "join ZOLT.CUSTOMER C on C.CUSTOMER_ID = T.CUSTOMER_ID "
                       "left join ZOLT.HOUSE H on H.HOUSE_ID = C.HOUSE_ID "
                       "left join ZOLT.STREET S on S.STREET_ID = H.STREET_ID "
                       "left join ZOLT.LOCATION L on L.LOCATION_ID = H.LOCATION_ID "
                       "left join ZOLT.TEAM TM on TM.TEAM_ID = T.TEAM_ID "
                       "where T.CUSTOMER_ID=:CUSTOMER_ID order by T.PLAN_DATE, T.PLAN_TIME_START"),
        true);
    for (TKyv_ADODataSet *ds : { payment, tickets }) {
        ds->SetMasterSource(DataSource(master));
        ds->SetMasterFields(customer);
    }

    for (const char *name :
        { "cdsCustSingleServ", "cdsCustDiscFactor", "cdsCustSingleService", "cdsCustDoc", "cdsCustSmartCards" })
        AddSource(QStringLiteral("ds") + QString::fromLatin1(name).mid(3), ClientDataSet(QString::fromLatin1(name)));
    AddSource(QStringLiteral("dsCustPayment"), payment);
    AddSource(QStringLiteral("dsCustTickets"), tickets);
}

void TcustDM::SubscrServHistBeforePost(TDataSet *ds)
{
    if (ds->State() == dsEdit && ds->FieldByName(QStringLiteral("DISACT_SERV_ID"))->AsInteger() == -1)
        setValue(ds, "DATE_TO", OpenEnd);
    if (ds->State() == dsEdit || ds->State() == dsInsert)
        for (const char *name : { "DATE_FROM", "DATE_TO" }) {
            TField *f = ds->FieldByName(QString::fromLatin1(name));
            if (!f->IsNull())
                f->SetValue(QDateTime(f->Value().toDateTime().date(), QTime(0, 0)));
        }
}

// ---- Lookups

void TcustDM::CreateLookups()
{
    AddServer(QStringLiteral("odsCustCompany"),
        QStringLiteral("select COMPANY_ID, CONCAT(CODE, ' - ', COMPANY_NAME) as COMPANY_CODE_NAME "
                       "from ZOLT.COMPANY"));
    AddServer(QStringLiteral("odsHouseLookup"),
        QStringLiteral("select H.HOUSE_ID, CONCAT(S.STREET_NAME, ' ', H.HOUSE_NO) as House_Descr, "
                       "CONCAT(S.STREET_NAME, ' ', H.HOUSE_NO, '  (', L.LOCATION_NAME, ')') as FULL_STREET_NAME, "
                       "S.STREET_NAME, H.HOUSE_NO, H.STREET_ID, H.LOCATION_ID from ZOLT.HOUSE H "
                       "join ZOLT.STREET S on S.STREET_ID = H.STREET_ID "
                       "left join ZOLT.LOCATION L on L.LOCATION_ID = H.LOCATION_ID"));
    AddServer(QStringLiteral("odsSingleServLookUp"),
        QStringLiteral("SELECT SINGLE_SERVICE_TARIF_ID, SERVICE_NAME, PRICE FROM ZOLT.SINGLE_SERVICE_TARIF"));
    // The filter dialog's lists; the package lists' first row (-1, empty) stands for any package.
    for (const char *name : { "odsCustFilterServLookup", "odsCustFilterActServLookup" })
        AddServer(QString::fromLatin1(name),
            QStringLiteral("select -1 as SERV_ID, '' as SERV_DESCR union "
                           "select SERV_ID, SERV_DESCR from ZOLT.SERV where SERVTYPE_ID = 0 order by 2"));
    AddServer(QStringLiteral("odsCustFilterPropDescr"),
        QStringLiteral("select 'Все' as CUST_PROP_DESCR union select '' union "
                       "select distinct CUST_PROP_DESCR from ZOLT.CUST_PROP where CUST_PROP_DESCR is not null"));
    AddServer(QStringLiteral("odsCustFiltCityLookup"),
        QStringLiteral("select LOCATION_ID, LOCATION_NAME from ZOLT.LOCATION order by LOCATION_NAME"));
    AddServer(QStringLiteral("odsPlanTimeStartLookup"),
        QStringLiteral("select distinct START_TIME from ZOLT.PLAN_TIME order by START_TIME"));
    AddServer(QStringLiteral("odsPlanTimeEndLookup"),
        QStringLiteral("select distinct END_TIME from ZOLT.PLAN_TIME order by END_TIME"));

    AddClient(QStringLiteral("cdsSingleServLookUp"), QStringLiteral("dspSingleServLookUp"),
        QStringLiteral("select SERV_ID, SERV_DESCR from ZOLT.SERV where SERVTYPE_ID=1 order by SERV_DESCR"))
        ->SetReadOnly(true);
    AddClient(QStringLiteral("cdsCustSingleServTarif"), QStringLiteral("dspCustSingleservTarif"),
        QStringLiteral("select SS.SINGLESERV_ID, T.TARIF_SUM from ZOLT.SINGLE_SERV SS join ZOLT.TARIF T "
                       "on T.SERV_ID = SS.SERV_ID and SS.SERV_DATE between T.DATE_FROM and T.DATE_TO"))
        ->SetReadOnly(true);
    AddClient(QStringLiteral("cdsSubscrServLookUp"), QStringLiteral("dspSubscrServLookUp"),
        QStringLiteral("select S.SERV_ID, S.SERV_DESCR, S.IS_DTV_PACKAGE, T.TARIF_SUM from ZOLT.SERV S "
                       "join ZOLT.TARIF T on T.SERV_ID = S.SERV_ID where S.SERVTYPE_ID = 0 "
                       "and sysdate between T.DATE_FROM and T.DATE_TO order by S.SERV_DESCR"));
    AddClient(QStringLiteral("cdsCustSubscrServHistActLookUp"), QStringLiteral("dspCustSubscrServHistActLookUp"),
        QStringLiteral("select SERV_ID, SERV_DESCR, SERVTYPE_ID from ZOLT.SERV "
                       "where SERVTYPE_ID between 2 and 3 and CHILDSERV_ID is not null"));
    AddClient(QStringLiteral("cdsCustSubscrServHistDisactLookUp"), QStringLiteral("dspCustSubscrServHistDisactLookUp"),
        QStringLiteral("select -1 as SERV_ID, '' as SERV_DESCR, -1 as CHILDSERV_ID union "
                       "select SERV_ID, SERV_DESCR, CHILDSERV_ID from ZOLT.SERV "
                       "where SERVTYPE_ID between 4 and 5 and CHILDSERV_ID is not null"));
    AddClient(QStringLiteral("cdsCustFiltStreetLookup"), QStringLiteral("dspCustFiltStreetLookup"),
        QStringLiteral("select * from ZOLT.STREET order by STREET_NAME"));
    AddClient(QStringLiteral("cdsCustFiltHouseNoLookup"), QStringLiteral("dspCustFiltHouseNoLookup"))
        ->BeforeOpen.add([this](TDataSet *ds) { CustFiltHouseNoBeforeOpen(ds); });
    AddClient(QStringLiteral("cdsCustPaymentsSourceList"), QStringLiteral("dspCustPaymentsSourceList"),
        QStringLiteral("select PAYSOURCE_ID, PAYSOURCE_DESCR from ZOLT.PAYSOURCE"));

    for (const char *name : { "cdsSingleServLookUp", "cdsCustSingleServTarif", "cdsSubscrServLookUp",
             "cdsCustSubscrServHistActLookUp", "cdsCustSubscrServHistDisactLookUp", "cdsCustFiltStreetLookup",
             "cdsCustFiltHouseNoLookup", "cdsCustPaymentsSourceList" })
        AddSource(QStringLiteral("ds") + QString::fromLatin1(name).mid(3), ClientDataSet(QString::fromLatin1(name)));
    for (const char *name : { "odsCustCompany", "odsHouseLookup", "odsSingleServLookUp",
             "odsCustFilterServLookup", "odsCustFilterActServLookup", "odsCustFilterPropDescr",
             "odsCustFiltCityLookup", "odsPlanTimeStartLookup", "odsPlanTimeEndLookup" })
        AddSource(QStringLiteral("ds") + QString::fromLatin1(name).mid(3), ServerDataSet(QString::fromLatin1(name)));
}

void TcustDM::CustFiltHouseNoBeforeOpen(TDataSet *ds)
{
    QString street;
    if (m_dm) {
        const TField *f = m_dm->mdTempCFG()->FieldByName(QStringLiteral("STREET_ID"));
        if (!f->IsNull() && f->AsInteger() != 0)
            street = QStringLiteral(" where H.STREET_ID=") + QString::number(f->AsInteger());
    }
    static_cast<TKyv_ClientDataSet *>(ds)->SetCommandText(
        QStringLiteral("select s.* from (select 0 as HOUSE_ID, '' as HOUSE_NO union "
                       "select distinct H.HOUSE_ID, H.HOUSE_NO from ZOLT.HOUSE H")
        + street + QStringLiteral(") s order by s.HOUSE_NO"));
}

// ---- New rows

QDateTime TcustDM::WorkDate(bool keepTime) const
{
    const QVariant v = m_dm ? m_dm->mdTempCFG()->FieldByName(QStringLiteral("WORK_DATE"))->Value() : QVariant();
    const QDateTime when = isNullValue(v) ? Services::clock()->now() : v.toDateTime();
    return keepTime ? when : QDateTime(when.date(), QTime(0, 0));
}

QVariant TcustDM::CurrentCustomer() const
{
    return cdsCustomer()->FieldByName(QStringLiteral("CUSTOMER_ID"))->Value();
}

void TcustDM::InstallDefaults()
{
    // A failure while filling a new row is logged, not shown: the row stays inserted with what was filled.
    const auto guarded = [](const char *name, std::function<void(TDataSet *)> fill) {
        return [name, fill = std::move(fill)](TDataSet *ds) {
            try {
                fill(ds);
            } catch (const std::exception &e) {
                LogError(exceptionMessage(e) + QStringLiteral("\r\nОшибка инициализации данных записи в ")
                    + QString::fromLatin1(name));
            }
        };
    };
    const auto on = [this](const char *name) { return &ClientDataSet(QString::fromLatin1(name))->OnNewRecord; };

    on("cdsCustomer")->add(guarded("cdsCustomer", [this](TDataSet *ds) {
        setValue(ds, "CUSTOMER_ID", m_dm->GetNextNo(QStringLiteral("CUSTOMER_ID"), QStringLiteral("ZOLT.CUSTOMER")));
        setValue(ds, "HOUSE_ID", 0);
        setValue(ds, "IS_COMPANY", 0);
        setValue(ds, "ACCOUNT_NO", QString::number(AppSettings().AccountNo + 1));
        for (const char *name : { "SURNAME", "INITIALS", "PHONE_NO", "FLAT_NO" })
            setValue(ds, name, QString());
        setValue(ds, "CONTRACT_DATE", WorkDate(true));
        ds->FieldByName(QStringLiteral("VALID_TO"))->Clear();
        setValue(ds, "CUST_STATE_DESCR", QStringLiteral("Не подключался"));
        setValue(ds, "COMPANY_ID", m_dmr ? m_dmr->GetCfgCompanyId() : QVariant(-1));
        for (const char *name : { "CUST_STATE", "START_DEBT_SUM", "DEBT_IN_SUM", "DEBT_SUM", "SEX" })
            setValue(ds, name, 0);
    }));
    on("cdsCustSingleServ")->add(guarded("cdsCustSingleServ", [this](TDataSet *ds) {
        setValue(
            ds, "SINGLESERV_ID", m_dm->GetNextNo(QStringLiteral("SINGLESERV_ID"), QStringLiteral("ZOLT.SINGLE_SERV")));
        setValue(ds, "SERV_DATE", WorkDate());
        setValue(ds, "CUSTOMER_ID", CurrentCustomer());
    }));
    on("cdsCustSubscrServ")->add(guarded("cdsCustSubscrServ", [this](TDataSet *ds) {
        setValue(ds, "SUBSCR_SERV_ID",
            m_dm->GetNextNo(QStringLiteral("SUBSCR_SERV_ID"), QStringLiteral("ZOLT.SUBSCR_SERV")));
        setValue(ds, "CUSTOMER_ID", CurrentCustomer());
    }));
    on("cdsCustSubscrServHist")->add(guarded("cdsCustSubscrServHist", [this](TDataSet *ds) {
        TDataSet *serv = ClientDataSet(QStringLiteral("cdsCustSubscrServ"));
        setValue(ds, "SUBSCR_HIST_ID",
            m_dm->GetNextNo(QStringLiteral("SUBSCR_HIST_ID"), QStringLiteral("ZOLT.SUBSCR_HIST")));
        for (const char *name : { "CUSTOMER_ID", "SUBSCR_SERV_ID", "SERV_ID" })
            setValue(ds, name, serv->FieldByName(QString::fromLatin1(name))->Value());
        setValue(ds, "DISACT_SERV_ID", -1);
        setValue(ds, "ACT_SERV_ID", 2);
        setValue(ds, "DATE_FROM", WorkDate());
        setValue(ds, "DATE_TO", OpenEnd);
    }));
    on("cdsCustDiscFactor")->add(guarded("cdsCustDiscFactor", [this](TDataSet *ds) {
        setValue(ds, "CUSTOMER_ID", CurrentCustomer());
        setValue(ds, "DATE_FROM", WorkDate());
        setValue(ds, "DATE_TO", OpenEnd);
        setValue(ds, "FACTOR_VALUE", 1);
    }));
    on("cdsCustSingleService")->add(guarded("cdsCustSingleService", [this](TDataSet *ds) {
        setValue(ds, "CUSTOMER_SERVICE_ID",
            m_dm->GetNextNo(QStringLiteral("CUSTOMER_SERVICE_ID"), QStringLiteral("ZOLT.CUSTOMER_SERVICE")));
        setValue(ds, "SERVICE_DATE", WorkDate());
        setValue(ds, "PUT_TIME", Services::clock()->now());
        setValue(ds, "CUSTOMER_ID", CurrentCustomer());
        setValue(ds, "QUANTITY", 1);
        setValue(ds, "PRICE", 0);
        setValue(ds, "AMOUNT", 0);
        TKyv_ADODataSet *prices = ServerDataSet(QStringLiteral("odsSingleServLookUp"));
        if (!prices->Active())
            prices->Open();
        prices->First();
        setValue(
            ds, "SINGLE_SERVICE_TARIF_ID", prices->FieldByName(QStringLiteral("SINGLE_SERVICE_TARIF_ID"))->Value());
    }));
    on("cdsCustDoc")->add(guarded("cdsCustDoc", [this](TDataSet *ds) {
        setValue(ds, "CUST_DOC_ID", m_dm->GetNextNo(QStringLiteral("CUST_DOC_ID"), QStringLiteral("ZOLT.CUST_DOC")));
        setValue(ds, "DOC_DATE", WorkDate());
        setValue(ds, "CUSTOMER_ID", CurrentCustomer());
    }));
    // A letter whose key the sequence does not hand out gets no values at all.
    on("cdsCustLetter")->add([this](TDataSet *ds) {
        QVariant id;
        if (!m_dm->GetNextSeqValue(DbSchema::LetterSequence, id))
            return;
        setValue(ds, "CUSTLETTERID", id);
        setValue(ds, "CUSTOMER_ID", CurrentCustomer());
        setValue(ds, "LETTERTYPEID", 1);
        setValue(ds, "CUSTLETTERDATE", QDateTime(Services::clock()->today(), QTime(0, 0)));
    });
}

// ---- Apply and commit

void TcustDM::InstallApplyRules()
{
    const auto applyAndCommit = [this](TDataSet *ds) {
        auto *cds = static_cast<TClientDataSet *>(ds);
        if (cds->Active() && cds->ChangeCount() > 0) {
            cds->ApplyUpdates(-1);
            m_dm->CommitWork();
        }
    };
    const auto applyAndReread = [this, applyAndCommit](TDataSet *ds) {
        applyAndCommit(ds);
        if (ds->Active() && !ds->IsEmpty())
            static_cast<TClientDataSet *>(ds)->RefreshRecord();
    };
    const auto commitOnly = [this](TDataSet *) { m_dm->CommitWork(); };
    const auto dropIndexes = [](TDataSet *ds) { static_cast<TKyv_ClientDataSet *>(ds)->DeleteCustomIndexes(); };
    const auto postPending = [](TDataSet *ds) {
        if (ds->State() == dsEdit || ds->State() == dsInsert)
            ds->Post();
    };
    const auto reconcile = [](TKyv_ClientDataSet *cds) {
        const QString label = cds->objectName();
        cds->OnReconcileError
            = [label](TClientDataSet *, const EReconcileError &e, TUpdateKind kind, TReconcileAction &action) {
                  ReportReconcileError(label, kind, e.message(), e.Context());
                  action = raCancel;
              };
    };

    TKyv_ClientDataSet *customer = cdsCustomer();
    customer->AfterPost.add([applyAndReread](TDataSet *ds) {
        TScreenCursorScope hourglass(crHourGlass);
        applyAndReread(ds);
    });
    customer->AfterDelete.add(applyAndCommit);
    customer->BeforeClose.add(dropIndexes);
    customer->BeforeClose.add(applyAndCommit);
    reconcile(customer);

    for (const char *name : { "cdsCustSingleServ", "cdsCustSingleService", "cdsCustDoc" }) {
        TKyv_ClientDataSet *cds = ClientDataSet(QString::fromLatin1(name));
        cds->AfterPost.add(applyAndReread);
        cds->AfterDelete.add(commitOnly);
        cds->BeforeClose.add(dropIndexes);
        cds->BeforeClose.add(applyAndReread);
        cds->AfterOpen.add(commitOnly);
        reconcile(cds);
    }
    for (const char *name : { "cdsCustSubscrServ", "cdsCustSubscrServHist" }) {
        TKyv_ClientDataSet *cds = ClientDataSet(QString::fromLatin1(name));
        cds->AfterPost.add(applyAndCommit);
        cds->BeforeClose.add(postPending);
        cds->BeforeClose.add(dropIndexes);
        cds->BeforeClose.add(applyAndCommit);
        cds->AfterOpen.add(commitOnly);
        reconcile(cds);
    }
    ClientDataSet(QStringLiteral("cdsCustSubscrServ"))->AfterDelete.add(commitOnly);
    ClientDataSet(QStringLiteral("cdsCustSubscrServHist"))->AfterDelete.add(applyAndCommit);

    for (const char *name : { "cdsCustDiscFactor", "cdsCustLetter", "cdsCustSmartCards" }) {
        TKyv_ClientDataSet *cds = ClientDataSet(QString::fromLatin1(name));
        cds->AfterPost.add(applyAndCommit);
        if (QByteArray(name) == "cdsCustLetter")
            cds->AfterDelete.add(commitOnly);
        else
            cds->AfterDelete.add(applyAndCommit);
        if (QByteArray(name) != "cdsCustDiscFactor")
            cds->BeforeClose.add(postPending);
        cds->BeforeClose.add(dropIndexes);
        cds->BeforeClose.add(applyAndCommit);
        cds->AfterOpen.add(commitOnly);
    }
    reconcile(ClientDataSet(QStringLiteral("cdsCustDiscFactor")));
    for (const char *name :
        { "cdsSingleServLookUp", "cdsSubscrServLookUp", "cdsCustFiltStreetLookup", "cdsCustFiltHouseNoLookup" })
        ClientDataSet(QString::fromLatin1(name))->AfterOpen.add(commitOnly);
}
