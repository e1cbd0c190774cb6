#pragma once

#include <QDate>
#include <QVariant>

class TKyv_ClientDataSet;
struct TCardView;

// What the card's actions share: the customer module's datasets, the busy state they put the program in, and
// the refreshes they end with.

// A dataset of the customer module by name ("cdsCustSubscrServ"); null without the module.
TKyv_ClientDataSet *CustData(const char *name);
// The customer list; null without the module.
TKyv_ClientDataSet *CustomerList();
QVariant CustomerField(const char *field);
// The date of a stored value; invalid for none.
QDate DateOf(const QVariant &value);
// How many customers of the file hold the account number; how many live in the flat of the house. 0 without the
// data module.
int CustomersWithAccount(const QString &accountNo);
int CustomersInFlat(const QVariant &houseId, const QString &flatNo);
// Posts a pending edit or insert of the dataset, when there is one.
void PostPending(TKyv_ClientDataSet *ds);

// Hourglass, busy animation (the main window's) and frozen list, each given back however the action ends.
class TBusyScope
{
public:
    TBusyScope(bool animate, bool freezeList);
    ~TBusyScope();
    TBusyScope(const TBusyScope &) = delete;
    TBusyScope &operator=(const TBusyScope &) = delete;

private:
    struct Cursor;
    Cursor *m_cursor;
    bool m_animate;
    TKyv_ClientDataSet *m_list;
};

// Commits the connection's work when it goes, however the action it guards ends: what was written so far stays.
struct TCommitAtEnd
{
    TCommitAtEnd() = default;
    TCommitAtEnd(const TCommitAtEnd &) = delete;
    TCommitAtEnd &operator=(const TCommitAtEnd &) = delete;
    ~TCommitAtEnd();
};

// The list read again, back on the customer it was on (the card's own refresh when it gave one).
void RefreshCustomerList(const TCardView &view);
// The current customer's row read again; a row that cannot be read again makes the whole list read again.
void RereadCustomer(const TCardView &view);
