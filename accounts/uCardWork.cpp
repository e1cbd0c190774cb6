#include "uCardWork.h"

#include "Kyv_db.h"
#include "ScreenCursor.h"
#include "WindowMessages.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuMain.h"
#include "uSubscrActions.h"
#include "uWindowActions.h"

TKyv_ClientDataSet *CustData(const char *name)
{
    return custDM ? custDM->ClientDataSet(QString::fromLatin1(name)) : nullptr;
}

TKyv_ClientDataSet *CustomerList()
{
    return custDM ? custDM->cdsCustomer() : nullptr;
}

QVariant CustomerField(const char *field)
{
    return CustomerList()->FieldByName(QString::fromLatin1(field))->Value();
}

QDate DateOf(const QVariant &value)
{
    return value.isNull() || !value.isValid() ? QDate() : value.toDate();
}

int CustomersWithAccount(const QString &accountNo)
{
    if (!DM)
        return 0;
    return DM->GetRecordsCount(QStringLiteral("Customer"), QStringLiteral("where ACCOUNT_NO = :ACCOUNT_NO"),
        { { QStringLiteral("ACCOUNT_NO"), accountNo } });
}

int CustomersInFlat(const QVariant &houseId, const QString &flatNo)
{
    if (!DM)
        return 0;
    return DM->GetRecordsCount(QStringLiteral("Customer"),
        QStringLiteral("where HOUSE_ID = :HOUSE_ID and FLAT_NO = :FLAT_NO"),
        { { QStringLiteral("HOUSE_ID"), houseId }, { QStringLiteral("FLAT_NO"), flatNo } });
}

void PostPending(TKyv_ClientDataSet *ds)
{
    if (ds && (ds->State() == dsEdit || ds->State() == dsInsert))
        ds->Post();
}

struct TBusyScope::Cursor
{
    TScreenCursorScope scope { crHourGlass };
};

TBusyScope::TBusyScope(bool animate, bool freezeList)
    : m_cursor(new Cursor)
    , m_animate(animate)
    , m_list(freezeList ? CustomerList() : nullptr)
{
    if (m_list)
        m_list->DisableControls();
    if (m_animate)
        TellMainWindow(AMShowAnimate);
}

TBusyScope::~TBusyScope()
{
    if (m_animate)
        TellMainWindow(AMHideAnimate);
    if (m_list)
        m_list->EnableControls();
    delete m_cursor;
}

TCommitAtEnd::~TCommitAtEnd()
{
    if (DMR)
        DMR->CommitWork();
}

void RefreshCustomerList(const TCardView &view)
{
    if (view.refreshList) {
        view.refreshList();
        return;
    }
    TKyv_ClientDataSet *c = CustomerList();
    if (!c || !c->Active())
        return;
    const QVariant id = c->IsEmpty() ? QVariant() : CustomerField("CUSTOMER_ID");
    c->Close();
    c->Open();
    if (id.isValid() && !id.isNull())
        c->Locate(QStringLiteral("CUSTOMER_ID"), id);
}

void RereadCustomer(const TCardView &view)
{
    try {
        CustomerList()->RefreshRecord();
    } catch (const std::exception &) {
        RefreshCustomerList(view);
    }
}
