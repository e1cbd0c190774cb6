// Undoing the monthly close: reopening the last closed month, and throwing every month balance away.
#include "dmuRDM.h"

#include "Exceptions.h"
#include "LogSink.h"
#include "MoneyRule.h"
#include "Periods.h"
#include "Services.h"

#include <QDateTime>

QDate TDMR::AccDate()
{
    return ColumnDate(selectValue(QStringLiteral("select ACC_DATE from ZOLT.MAIN_CFG")));
}

QString TDMR::ReseedPayAccountStatement()
{
    // Earlier payments count whatever their sign; a customer without a starting debt gets a null balance, which
    // reads as 0.
    return QStringLiteral("insert into ZOLT.PAY_ACCOUNT (CUSTOMER_ID, REL_DATE,DEBT_SUM) "
                          "select C.CUSTOMER_ID, M.INIT_DATE, C.START_DEBT_SUM - coalesce((select SUM(P.PAY_SUM) "
                          "from ZOLT.PAYMENT P where P.CUSTOMER_ID = C.CUSTOMER_ID and P.PAY_DATE < M.INIT_DATE), 0) "
                          "from ZOLT.CUSTOMER C, ZOLT.MAIN_CFG M");
}

bool TDMR::ReturnAccPeriod(const QDate &initDate)
{
    const QDate acc = AccDate();
    CommitWork();
    if (!acc.isValid() || acc <= initDate) {
        if (!RemoveAllCalculation())
            return false;
        Services::messages()->information(QStringLiteral("Нет закрытых периодов"));
        return true;
    }
    if (!Services::messages()->confirm(QStringLiteral("Открыть период ") + MonthYearCaption(acc), mbNo))
        return false;
    // One transaction: a failure, or the program ending midway, leaves the balances and the open month as they
    // were.
    if (runOwnTransaction([&] {
            // The rows the close of the month before wrote at the open month, and any later ones.
            m_connection->Execute(QStringLiteral("delete from ZOLT.PAY_ACCOUNT where REL_DATE >= :P_DATE"),
                                  {{QStringLiteral("P_DATE"), QDateTime(acc, QTime(0, 0))}});
            m_connection->Execute(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = :P_DATE"),
                                  {{QStringLiteral("P_DATE"), QDateTime(acc.addMonths(-1), QTime(0, 0))}});
        }))
        return true;
    Services::messages()->error(QStringLiteral("Ошибка отката на предыдущий месяц."));
    return false;
}

bool TDMR::RemoveAllCalculation()
{
    // One transaction, as for the close: a failure or a kill midway must not leave the months closed over
    // balances already thrown away.
    if (runOwnTransaction([this] {
            if (AccDate().isValid())
                m_connection->Execute(QStringLiteral("delete from ZOLT.PAY_ACCOUNT"));
            m_connection->Execute(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE=INIT_DATE"));
            m_connection->Execute(ReseedPayAccountStatement());
            m_connection->Execute(QStringLiteral("update ZOLT.CUSTOMER set DEBT_IN_SUM = 0, DEBT_SUM = 0"));
        }))
        return true;
    Services::messages()->error(QStringLiteral("Ошибка сброса расчетов."));
    return false;
}
