#include "uPayDocData.h"

#include "DataSource.h"
#include "DatabaseError.h"
#include "Services.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuMain.h"
#include "uLog.h"
#include "uFields.h"

namespace {

struct FieldSpec
{
    const char *name;
    TFieldType type;
    int size;
};

TField *addField(TDataSet *ds, const FieldSpec &spec, TFieldKind kind = fkData)
{
    return AddDataSetField(ds, QString::fromLatin1(spec.name), spec.type, spec.size, kind);
}

TField *field(TDataSet *ds, const char *name)
{
    return ds->FieldByName(QString::fromLatin1(name));
}

QDateTime dayOf(const QDate &d)
{
    return QDateTime(d, QTime(0, 0));
}

const char *const MoneyFormat = "### ### ### ### ##0.##";

} // namespace

TPayDocData::TPayDocData(TDM *dm, QObject *parent)
    : QObject(parent)
    , m_dm(dm)
{
    CreateLists();
    CreateDocuments();
    CreatePayments();
}

TPayDocData::~TPayDocData()
{
    CloseAll();
}

QDateTime TPayDocData::WorkDay() const
{
    TDataSet *temp = m_dm ? m_dm->mdTempCFG() : nullptr;
    const QVariant v = temp && temp->Active() && !temp->IsEmpty() ? field(temp, "WORK_DATE")->Value() : QVariant();
    const QDate day = isNullValue(v) ? Services::clock()->today() : v.toDateTime().date();
    return dayOf(day);
}

void TPayDocData::CreateLists()
{
    auto server = [](std::unique_ptr<TKyv_ADODataSet> &holder, const char *name, const QString &sql) {
        holder = std::make_unique<TKyv_ADODataSet>();
        holder->setObjectName(QString::fromLatin1(name));
        holder->SetCommandText(sql);
        if (DMR)
            holder->SetConnection(DMR->dbConnection());
    };
    server(m_payers, "odsPayDocPaymCustInfo", PayersStatement());
    server(m_kinds, "odsPayDocPaymType", PaymentKindsStatement());
    server(m_sources, "odsPayDocSourceLookUp", PaySourceLookupStatement());
    m_payers->BeforeOpen.add([this](TDataSet *) {
        m_payers->Params().ParamByName(QStringLiteral("P_NOW")).SetValue(Services::clock()->now());
    });
    auto source = [this](std::unique_ptr<TDataSource> &holder, const char *name, TDataSet *ds) {
        holder = std::make_unique<TDataSource>(this);
        holder->setObjectName(QString::fromLatin1(name));
        holder->SetDataSet(ds);
    };
    source(m_dsPayers, "dsPayDocPaymCustInfo", m_payers.get());
    source(m_dsKinds, "dsPayDocPaymType", m_kinds.get());
    source(m_dsSources, "dsPayDocSourceLookUp", m_sources.get());
}

void TPayDocData::CreateDocuments()
{
    m_payDoc = std::make_unique<TKyv_ClientDataSet>();
    TKyv_ClientDataSet *cds = m_payDoc.get();
    cds->setObjectName(QStringLiteral("cdsPayDoc"));
    cds->SetDataProvider(m_dm ? m_dm->Provider(QStringLiteral("dspPayDoc")) : nullptr);
    for (const char *name : { "P_DATE_FROM", "P_DATE_TO" })
        cds->Params().CreateParam(ftDateTime, QString::fromLatin1(name), ptInput);
    static const FieldSpec data[] = {
        { "PAY_DOC_ID", ftFloat, 0 },
        { "PAYSOURCE_ID", ftFloat, 0 },
        { "PAY_DOC_NO", ftString, 15 },
        { "PAY_DOC_DATE", ftDateTime, 0 },
        { "PAY_DOC_SUM", ftFloat, 0 },
        { "NOTICE", ftString, 255 },
        { "SUM_DIFFERENCE", ftFloat, 0 },
    };
    for (const FieldSpec &spec : data)
        addField(cds, spec);
    field(cds, "PAY_DOC_ID")->SetProviderFlags(pfInUpdate | pfInWhere | pfInKey);
    field(cds, "SUM_DIFFERENCE")->SetProviderFlags(0);
    struct Lookup
    {
        FieldSpec spec;
        const char *result;
    };
    static const Lookup lookups[] = {
        { { "L_PAYSOURCE", ftString, 20 }, "PAYSOURCE_DESCR" },
        { { "L_LEAK_PRC", ftFloat, 0 }, "LEAK_PRC" },
        { { "L_TAX_PRC", ftFloat, 0 }, "TAX_PRC" },
    };
    for (const Lookup &l : lookups) {
        TField *f = addField(cds, l.spec, fkLookup);
        f->SetLookupDataSet(m_sources.get());
        f->SetKeyFields(QStringLiteral("PAYSOURCE_ID"));
        f->SetLookupKeyFields(QStringLiteral("PAYSOURCE_ID"));
        f->SetLookupResultField(QString::fromLatin1(l.result));
    }
    for (const char *name : { "C_SUM_LEAK_TAX", "C_SUM_TAX", "C_SUM_LEAK" })
        addField(cds, { name, ftFloat, 0 }, fkCalculated)->SetDisplayFormat(QString::fromLatin1(MoneyFormat));
    cds->OnNewRecord.add([this](TDataSet *) { DocumentNewRecord(); });
    cds->BeforePost.add([this](TDataSet *) { DocumentBeforePost(); });
    cds->OnCalcFields.add([this](TDataSet *) { DocumentCalcFields(); });
    cds->BeforeOpen.add([this](TDataSet *) {
        if (TKyv_ADODataSet *ods = m_dm ? m_dm->ServerDataSet(QStringLiteral("odsPayDoc")) : nullptr)
            ods->SetCommandText(PayDocStatement());
        if (!m_sources->Active())
            m_sources->Open();
    });
    if (m_dm)
        m_dm->InstallUpdateRule(cds, QStringLiteral("TfrmPayDoct.cdsPayDocReconcileError"));
    m_dsPayDoc = std::make_unique<TDataSource>(this);
    m_dsPayDoc->setObjectName(QStringLiteral("dsPayDoc"));
    m_dsPayDoc->SetDataSet(cds);
}

void TPayDocData::CreatePayments()
{
    m_payment = std::make_unique<TKyv_ClientDataSet>();
    TKyv_ClientDataSet *cds = m_payment.get();
    cds->setObjectName(QStringLiteral("cdsPayDocPayment"));
    cds->SetDataProvider(m_dm ? m_dm->Provider(QStringLiteral("dspPayDocPayment")) : nullptr);
    cds->SetCommandText(PayDocPaymentStatement());
    cds->SqlSubstitutions().Add(QStringLiteral("idx1"));
    cds->Params().CreateParam(ftFloat, QStringLiteral("p1"), ptInput);
    static const FieldSpec data[] = {
        { "CUSTOMER_ID", ftFloat, 0 },
        { "SERV_ID", ftFloat, 0 },
        { "PAYMENT_ID", ftFloat, 0 },
        { "PAY_DOC_ID", ftFloat, 0 },
        { "PAY_DATE", ftDateTime, 0 },
        { "PAY_SUM", ftFloat, 0 },
        { "NOTICE", ftString, 255 },
        { "ACCOUNT_NO", ftString, 15 },
        { "CUST_CODE", ftString, 30 },
        { "CUST_DESCR", ftString, 60 },
        { "DEBT_SUM", ftFloat, 0 },
        { "CUST_STATE_DESCR", ftString, 60 },
        { "STREET_NAME", ftString, 40 },
        { "HOUSE_INFO", ftString, 100 },
        { "SERV_DESCR", ftString, 60 },
    };
    for (const FieldSpec &spec : data)
        addField(cds, spec);
    for (const char *key : { "PAY_DOC_ID", "CUSTOMER_ID", "PAYMENT_ID" })
        field(cds, key)->SetProviderFlags(pfInUpdate | pfInWhere | pfInKey);
    field(cds, "PAY_SUM")->SetDisplayFormat(QStringLiteral("### ### ### ##0.##"));
    addField(cds, { "C_REC_NO", ftInteger, 0 }, fkCalculated);
    cds->OnCalcFields.add([](TDataSet *ds) { field(ds, "C_REC_NO")->SetValue(ds->RecNo()); });
    cds->OnNewRecord.add([this](TDataSet *) { PaymentNewRecord(); });
    cds->BeforeEdit.add([this](TDataSet *ds) {
        m_oldCustomer = field(ds, "CUSTOMER_ID")->Value();
        m_oldDate = field(ds, "PAY_DATE")->Value();
    });
    cds->BeforeInsert.add([this](TDataSet *) {
        m_oldCustomer = QVariant();
        m_oldDate = QVariant();
    });
    cds->BeforePost.add([this](TDataSet *) { PaymentBeforePost(); });
    cds->BeforeDelete.add([this](TDataSet *) { PaymentBeforeDelete(); });
    // Every posted or deleted payment is applied together with its customer's queue rows (StorePaymentChange),
    // so the update rule of the other lists, which commits the apply on its own, is not used here.
    cds->AfterPost.add([this](TDataSet *) { PaymentAfterPost(); });
    cds->AfterDelete.add([this](TDataSet *) { PaymentAfterDelete(); });
    cds->BeforeClose.add([](TDataSet *ds) {
        if (ds->State() == dsEdit || ds->State() == dsInsert)
            ds->Post();
    });
    cds->OnReconcileError = [](TClientDataSet *, const EReconcileError &e, TUpdateKind kind, TReconcileAction &action) {
        ReportReconcileError(
            QStringLiteral("TfrmPayDoc.cdsPayDocPaymentReconcileError"), kind, e.message(), e.Context());
        action = raCancel;
    };
    m_dsPayment = std::make_unique<TDataSource>(this);
    m_dsPayment->setObjectName(QStringLiteral("dsPayDocPayment"));
    m_dsPayment->SetDataSet(cds);
}

void TPayDocData::SetPeriodParams()
{
    m_payDoc->Params().ParamByName(QStringLiteral("P_DATE_FROM")).SetValue(dayOf(SelectionPeriodFrom));
    // The period's last day counts whole: the statement takes the day after it as an open end.
    m_payDoc->Params().ParamByName(QStringLiteral("P_DATE_TO")).SetValue(dayOf(SelectionPeriodTo.addDays(1)));
}

void TPayDocData::OpenDocuments()
{
    m_payDoc->Close();
    SetPeriodParams();
    m_payDoc->Open();
}

void TPayDocData::ApplyChannelFilter(bool on, const QVariant &channelId)
{
    const bool filtered = on && !isNullValue(channelId);
    m_payDoc->SetFilter(
        filtered ? QStringLiteral("PAYSOURCE_ID=") + QString::number(channelId.toLongLong()) : QString());
    m_payDoc->SetFiltered(filtered);
    if (m_payDoc->Active())
        m_payDoc->First();
}

void TPayDocData::OpenPayments()
{
    m_payment->Close();
    m_payment->Params()
        .ParamByName(QStringLiteral("p1"))
        .SetValue(
            m_payDoc->Active() && !m_payDoc->IsEmpty() ? field(m_payDoc.get(), "PAY_DOC_ID")->Value() : QVariant(-1));
    const quint64 start = Services::clock()->tickCount();
    m_payment->Open();
    try {
        if (m_payment->IndexDefs().IndexOf(QStringLiteral("iPAYMENT_ID")) < 0)
            m_payment->AddIndex(QStringLiteral("iPAYMENT_ID"), QStringLiteral("PAYMENT_ID"));
        m_payment->SetIndexName(QStringLiteral("iPAYMENT_ID"));
    } catch (const std::exception &) {
        if (IsDebugMode())
            SendToEventMonitor(QStringLiteral("Ошибка создания индекса iPAYMENT_ID"));
    }
    if (IsDebugMode())
        SendToEventMonitor(QStringLiteral("Выбрано ") + QString::number(m_payment->RecordCount())
            + QStringLiteral(" зап. из cdsPayDocPayment. За ")
            + QString::number(double(Services::clock()->tickCount() - start) / 1000.0) + QStringLiteral(" с."));
}

void TPayDocData::OpenPayerLists()
{
    if (!m_payers->Active())
        m_payers->Open();
    if (!m_kinds->Active())
        m_kinds->Open();
}

void TPayDocData::ClosePayments()
{
    if (m_payment->State() == dsEdit || m_payment->State() == dsInsert)
        m_payment->Cancel();
    m_payment->Close();
    m_payers->Close();
    m_kinds->Close();
}

void TPayDocData::CloseAll()
{
    if (!m_payDoc)
        return;
    for (TDataSet *ds : { static_cast<TDataSet *>(m_payment.get()), static_cast<TDataSet *>(m_payDoc.get()) })
        if (ds->State() == dsEdit || ds->State() == dsInsert)
            ds->Cancel();
    ClosePayments();
    m_payDoc->Close();
    m_sources->Close();
}

void TPayDocData::ReadDefaultSum()
{
    try {
        TDataSet *temp = m_dm ? m_dm->mdTempCFG() : nullptr;
        const bool hasDay = temp && temp->Active() && !temp->IsEmpty() && !field(temp, "WORK_DATE")->IsNull();
        m_defaults.defaultSum = hasDay ? m_dm->GetFirstSubscrPaySum(WorkDay().date()) : 0;
    } catch (const std::exception &) {
        m_defaults.defaultSum = 0;
    }
}

void TPayDocData::DocumentNewRecord()
{
    TDataSet *ds = m_payDoc.get();
    field(ds, "PAY_DOC_ID")->SetValue(m_dm->GetNextNo(QStringLiteral("PAY_DOC_ID"), QStringLiteral("ZOLT.PAY_DOC")));
    field(ds, "PAYSOURCE_ID")->SetValue(0);
    field(ds, "PAY_DOC_DATE")->SetValue(WorkDay());
    field(ds, "PAY_DOC_SUM")->SetValue(0.0);
}

void TPayDocData::DocumentBeforePost()
{
    TDataSet *ds = m_payDoc.get();
    QString error = PayDocHeaderError(field(ds, "PAY_DOC_NO")->AsString());
    if (error.isEmpty())
        error = PaySourceError(m_dm, field(ds, "PAYSOURCE_ID")->Value());
    if (!error.isEmpty())
        throw EDatabaseError(error);
    const QVariant date = field(ds, "PAY_DOC_DATE")->Value();
    if (!isNullValue(date) && WidenPeriodFor(date.toDateTime().date(), SelectionPeriodFrom, SelectionPeriodTo)) {
        SetPeriodParams();
        PeriodWidened = true;
    }
}

void TPayDocData::DocumentCalcFields()
{
    TDataSet *ds = m_payDoc.get();
    try {
        const TPayDocCommission c = PayDocCommission(
            field(ds, "PAY_DOC_SUM")->AsFloat(), field(ds, "L_LEAK_PRC")->AsFloat(), field(ds, "L_TAX_PRC")->AsFloat());
        field(ds, "C_SUM_LEAK_TAX")->SetValue(c.leakTax);
        field(ds, "C_SUM_TAX")->SetValue(c.tax);
        field(ds, "C_SUM_LEAK")->SetValue(c.leak);
    } catch (const std::exception &) {
        // A value that is no number leaves the commission unset.
    }
}

void TPayDocData::PaymentNewRecord()
{
    TDataSet *ds = m_payment.get();
    field(ds, "PAYMENT_ID")->SetValue(m_dm->GetNextNo(QStringLiteral("PAYMENT_ID"), QStringLiteral("ZOLT.PAYMENT")));
    field(ds, "PAY_DOC_ID")->SetValue(field(m_payDoc.get(), "PAY_DOC_ID")->Value());
    field(ds, "PAY_DATE")->SetValue(WorkDay());
    field(ds, "CUSTOMER_ID")->SetValue(m_defaults.customerId);
    field(ds, "SERV_ID")->SetValue(m_defaults.servId);
    field(ds, "PAY_SUM")->SetValue(m_defaults.sum());
}

void TPayDocData::PaymentBeforePost()
{
    TDataSet *ds = m_payment.get();
    QString message;
    if (CheckPaymentValues(
            field(ds, "CUSTOMER_ID")->Value(), field(ds, "PAY_SUM")->Value(), field(ds, "SERV_ID")->Value(), message)
        != TPaymentField::None)
        throw EDatabaseError(message);
}

bool TPayDocData::StorePaymentChange(const std::function<void()> &queue)
{
    TKyv_ClientDataSet *cds = m_payment.get();
    if (cds->ChangeCount() == 0 || !DMR)
        return true;
    int refused = 0;
    if (DMR->runOwnTransaction([&] {
            refused = cds->ApplyUpdates(-1);
            // A refused row has been reported and taken back; the queue rows are not written for it.
            if (refused > 0)
                throw EDatabaseError(QStringLiteral("cdsPayDocPayment: платеж не принят базой данных"));
            // Our engines keep no payment trigger: the queue is what brings the debts up to date.
            if (m_dm->GetDbmsKind() != 1)
                queue();
        }))
        return true;
    if (refused == 0) {
        // The payment went in but its queue row did not: both went back, and the list shows what is stored.
        Services::messages()->error(QStringLiteral("Платеж не записан\r") + DMR->LastCommandError());
        cds->Refresh();
    }
    return false;
}

void TPayDocData::PaymentAfterPost()
{
    TDataSet *ds = m_payment.get();
    const QVariant customer = field(ds, "CUSTOMER_ID")->Value();
    const QVariant date = field(ds, "PAY_DATE")->Value();
    m_defaults.customerId = customer;
    m_defaults.servId = field(ds, "SERV_ID")->Value();
    m_defaults.lastSum = field(ds, "PAY_SUM")->AsFloat();
    PaymentsChanged = true;
    if (!StorePaymentChange([&] { QueuePaymentChange(m_dm, m_oldCustomer, m_oldDate, customer, date); }))
        return;
    m_oldCustomer = customer;
    m_oldDate = date;
    try {
        m_payment->RefreshRecord();
    } catch (const std::exception &) {
        // The row stays as it was posted when it cannot be read again.
    }
}

void TPayDocData::PaymentBeforeDelete()
{
    TDataSet *ds = m_payment.get();
    m_deletedCustomer = field(ds, "CUSTOMER_ID")->Value();
    m_deletedDate = field(ds, "PAY_DATE")->Value();
    PaymentsChanged = true;
}

void TPayDocData::PaymentAfterDelete()
{
    StorePaymentChange([this] { DMR->QueueInvalidCustDebt(m_deletedCustomer, m_deletedDate, m_dm->AccDate()); });
}
