#pragma once

#include "BalanceEngine.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class TDMR;
class TDataSet;
class TDataSource;
class TKyv_ADODataSet;

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
    // starts on `month` as the close computes them, and those dated after it. `orderBy` is program text appended
    // to the list's query. A failure to read the figures raises and leaves the list closed.
    void openCustDebtState(const QDate &month, const QString &orderBy = {});
    TKyv_ADODataSet *odsCustDebtState() const { return m_odsCustDebtState.get(); }
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
    std::unique_ptr<TKyv_ADODataSet> m_odsCustDebtState;
    std::unique_ptr<TDataSource> m_dsCustDebtState;
    bool m_abort = false;
    int m_sliceSize = 2000;
};

// The program's instance, created at start-up beside the database module.
extern TdmDebtCalc *dmDebtCalc;
