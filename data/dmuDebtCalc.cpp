#include "dmuDebtCalc.h"

#include "BalanceEngine.h"
#include "Exceptions.h"
#include "LogSink.h"
#include "MoneyRule.h"
#include "Periods.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuRDM.h"

#include <QCoreApplication>

TdmDebtCalc *dmDebtCalc = nullptr;

TdmDebtCalc::TdmDebtCalc(TDMR *dmr, QObject *parent)
    : QObject(parent)
    , m_dmr(dmr)
{
}

TdmDebtCalc::~TdmDebtCalc()
{
    if (dmDebtCalc == this)
        dmDebtCalc = nullptr;
}

void TdmDebtCalc::hint(const QString &text)
{
    if (OnHint)
        OnHint(text);
    QCoreApplication::processEvents();
}

bool TdmDebtCalc::closeAccountingMonth(int debtMode, const QDate &d)
{
    TADOConnection *connection = m_dmr->dbConnection();
    if (!connection->Connected() || !d.isValid())
        return false;
    const QDate month = StartOfMonth(d);
    const QDate next = StartOfMonth(month.addMonths(1));

    TScreenCursorScope wait(crHourGlass);
    m_dmr->FixTarifDates();
    m_dmr->CommitWork();
    bool result = false;
    try {
        connection->BeginTrans();
        hint(QStringLiteral("Удаляем всю информацию по состояниям долгов на период перевода остатков"));
        const QDate init = m_dmr->InitDate();
        if (next > init) {
            // A repeated close of the same month (after a rollback) starts clean.
            connection->Execute(QStringLiteral("delete from ZOLT.PAY_ACCOUNT where REL_DATE >= :P_DATE"),
                                {{QStringLiteral("P_DATE"), QDateTime(next, QTime(0, 0))}});
            if (init.addMonths(1) >= next) {
                // Closing the initialisation month reseeds its balances, inside the close's transaction, so an
                // aborted close gives them back.
                connection->Execute(QStringLiteral("delete from ZOLT.PAY_ACCOUNT"));
                connection->Execute(TDMR::ReseedPayAccountStatement());
            }
        }

        hint(QStringLiteral("Входящий долг по таблице состояний"));
        TTariffBook tariffs;
        tariffs.load(*connection);
        hint(QStringLiteral("Выборка по списку клиентов"));
        TActivityReader reader(*connection, tariffs, QString(), month);
        reader.SetSliceSize(m_sliceSize);
        reader.SetActivitySince(month);
        m_dmr->sendToMainWindow(AMHideAnimate);
        hint(QString());

        const int count = int(reader.keys().size());
        int done = 0;
        result = true;
        for (int slice = 0; result && slice < reader.sliceCount(); ++slice) {
            QList<TCustomerActivity> customers = reader.readSlice(slice);
            TBalanceWriter writer(*connection);
            for (TCustomerActivity &a : customers) {
                if (m_abort) {
                    result = false;
                    break;
                }
                // The closed month's outgoing balance is the next month's row, for every customer; the debt adds
                // everything dated after the closed month (and, prepaid, the next month's subscriptions).
                const TMonthFigures closed =
                    ComputeMonth(a, tariffs, ColumnMoney(a.payAccount.value(month)), month, false, debtMode);
                writer.insertPayAccount(a.id, next, closed.out);
                const TMonthFigures open = ComputeMonth(a, tariffs, closed.out, next, true, debtMode);
                if (MoneyDiffers(a.debtIn, closed.out) || MoneyDiffers(a.debtSum, open.debt))
                    writer.setDebts(a.id, closed.out, open.debt);
                ++done;
                if (OnProgress)
                    OnProgress(done, count);
                QCoreApplication::processEvents();
            }
            if (result)
                writer.flush();
        }
        if (result) {
            connection->Execute(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = :P_DATE"),
                                {{QStringLiteral("P_DATE"), QDateTime(next, QTime(0, 0))}});
            connection->CommitTrans();
        } else {
            connection->RollbackTrans();
        }
    } catch (const std::exception &e) {
        // Nothing of a failed close stays, and the user learns why it failed.
        result = false;
        const QString message = exceptionMessage(e);
        if (connection->InTransaction()) {
            try {
                connection->RollbackTrans();
            } catch (const std::exception &re) {
                platformLog(LogKind::Error, exceptionMessage(re));
            }
        }
        platformLog(LogKind::Error, message);
        Services::messages()->error(message);
    }
    hint(QString());
    return result;
}
