#pragma once

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>

class TDMR;

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

private:
    void hint(const QString &text);

    TDMR *m_dmr;
    bool m_abort = false;
    int m_sliceSize = 2000;
};

// The program's instance, created at start-up beside the database module.
extern TdmDebtCalc *dmDebtCalc;
