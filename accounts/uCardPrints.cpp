#include "uCardPrints.h"

#include "Kyv_db.h"
#include "MemTable.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "dmuReports.h"
#include "frmuPeriod.h"
#include "uCardWork.h"
#include "DbSchema.h"

namespace {

TReportShow showFor(bool design)
{
    return design ? TReportShow::Designer : TReportShow::MDIPreview;
}

void run(const std::function<void()> &f)
{
    if (f)
        f();
}

bool hasCurrentCustomer()
{
    TKyv_ClientDataSet *c = CustomerList();
    return dmReports && c && c->Active() && !c->IsEmpty();
}

TField *tempField(const char *name)
{
    return DM->mdTempCFG()->FieldByName(QString::fromLatin1(name));
}

} // namespace

QDate BalanceStartDate(const QVariant &contractDate, const QVariant &activizDate, const QDate &accDate)
{
    if (const QDate contract = DateOf(contractDate); contract.isValid())
        return contract;
    if (const QDate activiz = DateOf(activizDate); activiz.isValid())
        return activiz;
    return accDate;
}

void ShowCustomerBalance(bool design, const TCardView &view)
{
    if (!hasCurrentCustomer())
        return;
    const TDM::TMainCfg cfg = DM->OpenMainCFG();
    DMR->CheckInvalidCustDebt(cfg.debtMode, cfg.accDate);
    const QVariant id = CustomerField("CUSTOMER_ID");
    const QDate start = BalanceStartDate(CustomerField("CONTRACT_DATE"), CustomerField("ACTIVIZ_DATE"), cfg.accDate);
    if (!DMR->FillCustBalance(id, cfg.debtMode, cfg.accDate, start)) {
        Services::messages()->error(QStringLiteral("Баланс клиента не построен: база данных не приняла его строки."));
        return;
    }
    dmReports->prepareCustomerBalanceReport();
    dmReports->ShowReport(dmReports->frCustomerBalance(), QStringLiteral("CustomerBalance.frf"), showFor(design));
    TScreenCursorScope hourglass(crHourGlass);
    DMR->odsBalanceGroup()->Close();
    DMR->odsBalanceOutgo()->Close();
    DMR->odsBalanceIncome()->Close();
    DMR->mdsBalanceReport()->Close();
    RereadCustomer(view);
    run(view.pageChanged);
}

void PrintCustomersReport(bool design, const TCardView &view)
{
    if (!dmReports || !CustomerList())
        return;
    run(view.showInfoPage);
    RefreshCustomerList(view);
    dmReports->ShowReport(dmReports->frRepCustomers(), QStringLiteral("ВыборкаПоКлиентам.frf"), showFor(design));
}

void PrintCustomerContract(bool design)
{
    if (!hasCurrentCustomer())
        return;
    const QVariant id = CustomerField("CUSTOMER_ID");
    design ? dmReports->designContract(id) : dmReports->printContract(id);
}

void PrintCustomerRequest(bool design)
{
    if (!hasCurrentCustomer())
        return;
    const QVariant id = CustomerField("CUSTOMER_ID");
    design ? dmReports->designRequest(id) : dmReports->printRequest(id);
}

void PrintCustomerKvit(bool design, const TCardView &view)
{
    if (!hasCurrentCustomer())
        return;
    run(view.showServicesPage);
    RefreshCustomerList(view);
    dmReports->ShowReportFile(dmReports->frReportCustPayKvit(), dmReports->getPayKvitPath(), showFor(design));
}

void PrintCustomerPaymentKO1(bool design)
{
    TKyv_ADODataSet *payments = custDM ? custDM->ServerDataSet(QStringLiteral("odsCustPayment")) : nullptr;
    // Without a payment there is no cash order to print.
    if (!dmReports || !payments || !payments->Active() || payments->IsEmpty())
        return;
    const QVariant id = payments->FieldByName(QStringLiteral("PAYMENT_ID"))->Value();
    design ? dmReports->designPayDocKO1(id) : dmReports->printPayDocKO1(id);
}

QString LetterTemplateName(int letterType)
{
    return QStringLiteral("CustLetters") + QString::number(letterType) + QStringLiteral(".frf");
}

int RecordCustomerLetters(int letterType, const QDate &letterDate)
{
    TKyv_ClientDataSet *c = CustomerList();
    if (!c)
        return 0;
    // However the walk ends: the letters written so far are committed, the card's letters read again, and the
    // busy state given back (in the reverse order of these declarations).
    TBusyScope busy(true, true);
    struct ReopenLetters
    {
        ~ReopenLetters()
        {
            if (TKyv_ClientDataSet *letters = CustData("cdsCustLetter"); letters && letters->Active()) {
                letters->Close();
                letters->Open();
            }
        }
    } reopenLetters;
    TCommitAtEnd commitAtEnd;
    if (!c->Active())
        c->Open();
    const QVariant current = c->IsEmpty() ? QVariant() : CustomerField("CUSTOMER_ID");
    int written = 0;
    for (c->First(); !c->Eof(); c->Next()) {
        QVariant letterId;
        if (!DMR->GetNextSeqValue(DbSchema::LetterSequence, letterId))
            continue;
        DMR->cmdInsCustLetter(CustomerField("CUSTOMER_ID"), letterId, letterType, letterDate);
        ++written;
    }
    if (current.isValid() && !current.isNull())
        c->Locate(QStringLiteral("CUSTOMER_ID"), current);
    return written;
}

void PrintCustomerLetters(bool design, const std::function<bool()> &askLetterType, const TCardView &view)
{
    if (!dmReports || !CustomerList())
        return;
    const QVariant work = tempField("WORK_DATE")->Value();
    QDate from = work.isNull() || !work.isValid() ? Services::clock()->today() : work.toDate();
    QDate to = QDate(from.year(), from.month(), 1).addMonths(1);
    // Both questions are put, and the letters go out only when both were answered.
    const bool periodChosen = executePeriodDialog(from, to);
    const bool typeChosen = askLetterType && askLetterType();
    if (!periodChosen || !typeChosen)
        return;
    TMemTable *temp = DM->mdTempCFG();
    if (temp->State() != dsEdit && temp->State() != dsInsert)
        temp->Edit();
    tempField("PeriodFrom")->SetValue(from);
    tempField("PeriodTo")->SetValue(to);
    const int letterType = tempField("LetterTypeId3")->AsInteger();
    run(view.showInfoPage);
    if (!dmReports->ShowReport(dmReports->frRepCusLetters(), LetterTemplateName(letterType), showFor(design)) || design)
        return;
    // "Справка по задолженности" is information given, not a letter sent: it is never recorded.
    if (!Services::messages()->confirm(QStringLiteral("Занести информацию по письмам в базу данных ?"))
        || letterType == 0)
        return;
    RecordCustomerLetters(letterType, from);
}
