#pragma once

#include "BalanceEngine.h"
#include "Kyv_db.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TDMR;
class TDataSet;
class TDataSource;
class TField;

// The customer list of the services-for-the-month view. Its rows come in the order the query reads them; a sort
// asked of it reorders them in memory by any of its fields, the figures computed after reading included, since
// the database cannot order by what it never sees. Texts compare ignoring case, except the account numbers,
// which compare right-aligned as the query orders them; nulls come first ascending and last descending; rows
// that tie keep the order they were read in.
class TCustDebtStateDataSet : public TKyv_ADODataSet
{
    Q_OBJECT
public:
    using TKyv_ADODataSet::TKyv_ADODataSet;

    // The fields to order by, "A;B" by precedence, and which of them descend. Empty fields give the order read.
    // An open list keeps its current record. An unknown field raises and leaves the order as it was.
    void SetSortFields(const QString &fields, const QString &descFields = {});
    QString SortFields() const { return m_sortFields; }
    QString DescFields() const { return m_descFields; }

protected:
    std::vector<int> BaseOrder() const override;

private:
    QString m_sortFields;
    QString m_descFields;
};

// The monthly close: every customer's outgoing balance of the open month becomes the next month's incoming one,
// the customers' debts are brought up to date and the open month moves on. A close happens whole or not at all:
// one transaction from the first delete to the move of ACC_DATE.
class TdmDebtCalc : public QObject
{
public:
    explicit TdmDebtCalc(TDMR *dmr, QObject *parent = nullptr);
    ~TdmDebtCalc() override;

    // Closes month d (its first day) in debt mode debtMode; true when the month was closed. A failure rolls the
    // whole close back and shows the error; an abort rolls it back silently.
    bool closeAccountingMonth(int debtMode, const QDate &d);

    // The abort flag the dialog sets while a close runs; cleared only when the dialog opens.
    void Abort() { m_abort = true; }
    void ClearAbort() { m_abort = false; }
    bool Aborted() const { return m_abort; }

    // Told after each customer: (customers done, customer count).
    std::function<void(int, int)> OnProgress;
    // Told what the close is doing (the application hint); an empty text when it walks the customers.
    std::function<void(const QString &)> OnHint;
    // Customers read and written at a time; memory holds the key list and one slice.
    void SetSliceSize(int size) { m_sliceSize = size; }

    // The customer list of the services-for-the-month view: every customer with the figures of the month that
    // starts on `month` as the close computes them, and those dated after it, read in the order of the account
    // numbers right-aligned and then put in the list's own sort order. A failure to read the figures raises and
    // leaves the list closed.
    void openCustDebtState(const QDate &month);
    TCustDebtStateDataSet *odsCustDebtState() const { return m_odsCustDebtState.get(); }
    TDataSource *dsCustDebtState() const { return m_dsCustDebtState.get(); }

private:
    void hint(const QString &text);
    void odsCustDebtStateCalcFields(TDataSet *ds);

    // One customer of the list: its month and everything dated after it.
    struct TCustFigures
    {
        TMonthFigures month;
        TMonthFigures after;
    };

    TDMR *m_dmr;
    QHash<qint64, TCustFigures> m_custFigures;
    QDate m_listMonth;
    std::unique_ptr<TCustDebtStateDataSet> m_odsCustDebtState;
    // The list's fields its calculation reads and writes; the figures' in the order of their table.
    TField *m_idField = nullptr;
    TField *m_dateFromField = nullptr;
    TField *m_dateToField = nullptr;
    TField *m_toPayField = nullptr;
    std::vector<TField *> m_figureFields;
    std::unique_ptr<TDataSource> m_dsCustDebtState;
    bool m_abort = false;
    int m_sliceSize = 2000;
};

// The program's instance, created at start-up beside the database module.
extern TdmDebtCalc *dmDebtCalc;
