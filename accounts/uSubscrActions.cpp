#include "uSubscrActions.h"

#include "Exceptions.h"
#include "Kyv_db.h"
#include "Periods.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuActSubscr.h"
#include "frmuDisactSubscr.h"
#include "frmuMain.h"
#include "frmuSelectActService.h"
#include "frmuSubscrHistory.h"
#include "uSettings.h"
#include "uCardWork.h"
#include "uSubscr.h"
#include "uWindowActions.h"

#include <QCoreApplication>

namespace {

const QString ContractAfterConnection = QStringLiteral("Дата договора > даты первичного подключения.");

QVariant valueOf(TDataSet *ds, const char *field)
{
    return ds->FieldByName(QString::fromLatin1(field))->Value();
}

// The open month and the debt mode of the configuration row.
struct TAccounting
{
    QDate accDate;
    int debtMode = 0;
};
TAccounting accounting()
{
    const TDM::TMainCfg cfg = DM->OpenMainCFG();
    return { cfg.accDate, cfg.debtMode };
}

// The current customer as the list last read it: what the state derivation compares against.
struct TCustomerRow
{
    QVariant id, state, stateDescr, custProp, activizDate, contractDate;
};
TCustomerRow currentCustomer()
{
    TKyv_ClientDataSet *c = CustomerList();
    return { valueOf(c, "CUSTOMER_ID"), valueOf(c, "CUST_STATE"), valueOf(c, "CUST_STATE_DESCR"),
        valueOf(c, "CUST_PROP"), valueOf(c, "ACTIVIZ_DATE"), valueOf(c, "CONTRACT_DATE") };
}

void updateState(const TCustomerRow &row)
{
    DMR->UpdateCustState(row.id, row.state, row.stateDescr, row.custProp, row.activizDate);
}

// A contract dated after the first connection is worth a word, though the work goes on.
void noteLateContract(const TCustomerRow &row)
{
    const QDate contract = DateOf(row.contractDate);
    const QDate activiz = DateOf(row.activizDate);
    if (contract.isValid() && activiz.isValid() && contract > activiz)
        Services::messages()->information(ContractAfterConnection);
}

void refreshServices(const TCardView &view)
{
    if (view.refreshServices) {
        view.refreshServices();
        return;
    }
    for (const char *name : { "cdsCustSubscrServ", "cdsCustSubscrServHist" }) {
        TKyv_ClientDataSet *ds = CustData(name);
        if (ds && ds->Active()) {
            ds->Close();
            ds->Open();
        }
    }
}

void run(const std::function<void()> &f)
{
    if (f)
        f();
}

// The one-customer recalculation of "Пересчитать долг и признаки", without the list's refresh.
void recalcCurrentCustomer()
{
    const TCustomerRow row = currentCustomer();
    const TAccounting acc = accounting();
    const QDate start = RecalcStartDate(row.contractDate, row.activizDate, acc.accDate);
    noteLateContract(row);
    DMR->delCustPayAccount(row.id);
    DMR->CheckFullCustDebt(row.id, acc.accDate, start, acc.debtMode);
    updateState(row);
}

// What every subscription change does once its dialog has written: commit, recalculate as `recalc` says, commit,
// and show the customer, its services and the card as they now are.
void afterSubscriptionChange(
    const TCardView &view, const std::function<void()> &recalc, const std::function<void()> &voyagerOffer)
{
    recalc();
    DM->CommitWork();
    RereadCustomer(view);
    refreshServices(view);
    if (AppSettings().useVoyager)
        run(voyagerOffer);
}

// A customer never calculated has no balance to start the open month from: only the whole accounting gives it
// the balances a full recalculation would.
bool neverCalculated(const QVariant &customerId)
{
    return DMR->dbConnection()
               ->SelectValue(QStringLiteral("select count(*) from ZOLT.PAY_ACCOUNT where CUSTOMER_ID = :P_CUSTOMER_ID"),
                   { { QStringLiteral("P_CUSTOMER_ID"), customerId } })
               .toInt()
        == 0;
}

} // namespace

QDate RecalcStartDate(const QVariant &contractDate, const QVariant &activizDate, const QDate &accDate)
{
    const QDate contract = DateOf(contractDate);
    const QDate activiz = DateOf(activizDate);
    if (!contract.isValid())
        return accDate;
    return !activiz.isValid() || contract < activiz ? contract : activiz;
}

void RecalcCustomerDebt(const TCardView &view)
{
    TKyv_ClientDataSet *c = CustomerList();
    if (!c || !c->Active() || c->IsEmpty())
        return;
    TBusyScope busy(false, false);
    PostPending(c);
    recalcCurrentCustomer();
    RefreshCustomerList(view);
    QCoreApplication::processEvents();
}

void RecalcListedCustomers(bool withDebt, const TCardView &view)
{
    TKyv_ClientDataSet *c = CustomerList();
    if (!c)
        return;
    TBusyScope busy(false, false);
    if (!c->Active())
        c->Open();
    const TAccounting acc = accounting();
    int done = 0;
    while (!c->Eof()) {
        const TCustomerRow row = currentCustomer();
        updateState(row);
        if (withDebt)
            DMR->CheckFullCustDebt(row.id, acc.accDate, row.contractDate, acc.debtMode);
        QCoreApplication::processEvents();
        if (++done % 100 == 0)
            DM->CommitWork();
        c->Next();
    }
    // The last customers are committed too, not left to whatever commits next on the connection.
    DM->CommitWork();
    RefreshCustomerList(view);
}

void RecalcAfterActivation(const QDate &answered)
{
    const TCustomerRow row = currentCustomer();
    const TAccounting acc = accounting();
    const QDate month = !answered.isValid() || answered == ZeroDate() ? acc.accDate : StartOfMonth(answered);
    updateState(row);
    if (month != acc.accDate || neverCalculated(row.id))
        DMR->CheckFullCustDebt(row.id, acc.accDate, row.contractDate, acc.debtMode);
    else
        DM->CheckCustDebtFrom(row.id, month);
}

bool ConnectCustomerService(const TCardView &view)
{
    TKyv_ClientDataSet *c = CustomerList();
    if (!c || !c->Active() || c->IsEmpty())
        return false;
    PostPending(c);
    QDate answered;
    if (!executeActivateSubscr(valueOf(c, "CUSTOMER_ID"), answered))
        return false;
    DM->CommitWork();
    {
        TBusyScope busy(false, true);
        afterSubscriptionChange(
            view, [&] { RecalcAfterActivation(answered); }, view.confirmActivateVoyagerUser);
        noteLateContract(currentCustomer());
    }
    run(view.pageChanged);
    return true;
}

void RecalcAfterDisactivation(const QDate &dateTo)
{
    const TCustomerRow row = currentCustomer();
    const TAccounting acc = accounting();
    updateState(row);
    // A recalculation never starts in the middle of a month: only a disconnection on the open month's first day
    // is the one month's business.
    if (dateTo != acc.accDate || neverCalculated(row.id))
        DMR->CheckFullCustDebt(row.id, acc.accDate, StartOfMonth(dateTo).addMonths(-1), acc.debtMode);
    else
        DM->CheckCustDebtFrom(row.id, dateTo);
}

bool DisconnectCustomerService(const TCardView &view)
{
    TKyv_ClientDataSet *c = CustomerList();
    TKyv_ClientDataSet *serv = CustData("cdsCustSubscrServ");
    if (!c || !c->Active() || c->IsEmpty() || !serv || !serv->Active() || serv->IsEmpty())
        return false;
    PostPending(c);
    PostPending(serv);
    if (serv->FieldByName(QStringLiteral("STATE_SGN"))->AsInteger() == 0) {
        Services::messages()->information(QStringLiteral("Уже отключен"));
        return false;
    }
    QDate dateTo;
    if (!executeDisactivateSubscr(dateTo))
        return false;
    DM->CommitWork();
    {
        TBusyScope busy(false, true);
        TKyv_ClientDataSet *hist = CustData("cdsCustSubscrServHist");
        if (hist && hist->Active() && !hist->IsEmpty() && valueOf(hist, "IS_DTV_PACKAGE").toInt() == 1) {
            // The disconnection is stored already: a refusal of the CAS server is told, not undone.
            const TCasAnswer answer = BlockCasPackage(true, valueOf(hist, "SMARTCARD_NO").toString(),
                valueOf(hist, "RO_DTV_PROVIDER_CODE").toString(), valueOf(hist, "DTV_PACKAGE_CODE"));
            if (answer.outcome == TCasOutcome::NoConnection)
                Services::messages()->error(QStringLiteral("CAS connection error"));
            if (answer.outcome == TCasOutcome::Refused)
                Services::messages()->error(QStringLiteral("Ошибка деактивации карты\r") + answer.description());
            if (answer.outcome == TCasOutcome::Refused || answer.outcome == TCasOutcome::Accepted)
                TellMainWindow(AMHideAnimate);
        }
        afterSubscriptionChange(
            view, [&] { RecalcAfterDisactivation(dateTo); }, view.confirmBlockVoyagerUser);
    }
    run(view.pageChanged);
    return true;
}

void EditCustomerHistory(const TCardView &view)
{
    TKyv_ClientDataSet *c = CustomerList();
    if (!c || !c->Active() || c->IsEmpty())
        return;
    PostPending(c);
    DM->CommitWork();
    executeSubscrHistory();
    // The hourglass is for the recalculation; the history window is the user's to work in.
    TBusyScope busy(false, false);
    afterSubscriptionChange(view,
        [] {
            const TCustomerRow row = currentCustomer();
            const TAccounting acc = accounting();
            updateState(row);
            DMR->CheckFullCustDebt(row.id, acc.accDate, row.contractDate, acc.debtMode);
        },
        {});
    noteLateContract(currentCustomer());
}

namespace {

// The end text of "Подключить всех" when activations were refused: how many of those tried, and the first of
// their accounts (a list the database refused whole would not fit a box).
QString listedActivationRefusals(const QStringList &accounts, int tried)
{
    constexpr int Shown = 20;
    QString text = QStringLiteral("Подключение не записано у %1 из %2 абонентов: база данных отказала в записи."
                                  "\rЛиц. счета: ")
                       .arg(accounts.size())
                       .arg(tried)
        + accounts.mid(0, Shown).join(QStringLiteral(", "));
    if (accounts.size() > Shown)
        text += QStringLiteral(" и ещё %1").arg(accounts.size() - Shown);
    return text;
}

// The customer list to walk, its pending change posted and opened when it was closed; null without one.
TKyv_ClientDataSet *openListedCustomers()
{
    TKyv_ClientDataSet *c = CustomerList();
    if (c) {
        PostPending(c);
        if (!c->Active())
            c->Open();
    }
    return c;
}

} // namespace

void ConnectListedCustomers(const TCardView &view)
{
    TKyv_ClientDataSet *c = openListedCustomers();
    if (!c)
        return;
    c->First();
    if (c->IsEmpty())
        return;
    QStringList refused;
    int tried = 0;
    {
        TCommitAtEnd commitAtEnd;
        TBusyScope busy(true, false);
        run(view.showInfoPage);
        for (const char *name : { "cdsCustSubscrServHist", "cdsCustSubscrServ" })
            if (TKyv_ClientDataSet *ds = CustData(name))
                ds->Close();
        QVariant actServId, servId;
        QDate dateFrom;
        bool firstConnection = false;
        if (!executeSelectActService(valueOf(c, "CUSTOMER_ID"), actServId, servId, dateFrom, firstConnection))
            return;
        c->DisableControls();
        struct Release
        {
            TKyv_ClientDataSet *list;
            ~Release() { list->EnableControls(); }
        } release { c };
        while (!c->Eof()) {
            const QVariant id = valueOf(c, "CUSTOMER_ID");
            // A customer who has the package connected keeps the period it runs on.
            if (!HasConnectedService(id, servId)) {
                ++tried;
                // A customer who had the package continues its subscription rather than getting a second one.
                const QVariant existing = DMR->FindSubscrServId(id, servId);
                const bool newSubscr = existing.isNull() || !existing.isValid();
                if (DMR->ActivateSubscr(newSubscr, id, false, 0, servId, actServId, TDMR::OpenEndDate(), dateFrom))
                    recalcCurrentCustomer();
                else
                    refused << valueOf(c, "ACCOUNT_NO").toString().trimmed();
            }
            QCoreApplication::processEvents();
            c->Next();
        }
        RefreshCustomerList(view);
    }
    // Told once the work is committed and the program is no longer busy.
    if (!refused.isEmpty())
        Services::messages()->error(listedActivationRefusals(refused, tried));
}

void ClearListedHistory(const TCardView &view)
{
    if (!Services::messages()->confirm(QStringLiteral("Удалить всю историю подключений для выборки абонентов ?"))
        || !Services::messages()->confirm(QStringLiteral("Внимание! Вся история подключений будет удалена. Удалить ?")))
        return;
    TKyv_ClientDataSet *c = openListedCustomers();
    if (!c)
        return;
    TCommitAtEnd commitAtEnd;
    TBusyScope busy(true, true);
    c->First();
    while (!c->Eof()) {
        DMR->DeleteCustSubscr(valueOf(c, "CUSTOMER_ID"));
        QCoreApplication::processEvents();
        recalcCurrentCustomer();
        c->Next();
    }
    RefreshCustomerList(view);
}
