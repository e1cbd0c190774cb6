// Storing an imported payment register: one document with its payments and the recalculation queue rows of
// its customers, written together.
#include "dmuRDM.h"

#include "BalanceEngine.h"
#include "BulkInsert.h"
#include "Exceptions.h"
#include "LogSink.h"
#include "Periods.h"

#include <QHash>

bool TDMR::newPayDocWithPayments(int paySourceId, const QString &docNo, const QString &notice, double sum,
    const QDate &date, const QList<TRegisterPayment> &payments, const QDate &accDate, int &docId)
{
    m_lastCommandError.clear();
    if (!m_connection->Connected() || !CommitWork()) {
        m_lastCommandError = QStringLiteral("Нет соединения с базой данных");
        return false;
    }
    try {
        m_connection->BeginTrans();
        const int id = insertPayDoc(paySourceId, docNo, notice, sum, date);
        const int firstPaymentId = nextId(QStringLiteral("PAYMENT_ID"), QStringLiteral("ZOLT.PAYMENT"));
        QList<QVariantList> rows;
        rows.reserve(payments.size());
        // A customer is queued once, from the earliest month the register touches (never after the open month).
        QHash<int, QDate> queueFrom;
        QList<int> queueOrder;
        for (const TRegisterPayment &p : payments) {
            rows.append({ id, p.customerId, firstPaymentId + int(rows.size()), -1, p.date, p.sum, QVariant() });
            // Without an open month (no configuration row yet) the payment's own month is the start.
            const QDate month = StartOfMonth(p.date);
            const QDate from = accDate.isValid() && accDate < month ? accDate : month;
            auto it = queueFrom.find(p.customerId);
            if (it == queueFrom.end()) {
                queueFrom.insert(p.customerId, from);
                queueOrder.append(p.customerId);
            } else if (from < *it) {
                *it = from;
            }
        }
        TBulkInsert::Insert(*m_connection, QStringLiteral("ZOLT.PAYMENT"),
            { QStringLiteral("PAY_DOC_ID"), QStringLiteral("CUSTOMER_ID"), QStringLiteral("PAYMENT_ID"),
                QStringLiteral("SERV_ID"), QStringLiteral("PAY_DATE"), QStringLiteral("PAY_SUM"),
                QStringLiteral("NOTICE") },
            rows);
        // As every writer of the queue does: a customer keeps its earlier queued months and gets one row from this
        // month on, however often a register is stored.
        QList<QVariantList> queue;
        queue.reserve(queueOrder.size());
        for (int customerId : queueOrder)
            queue.append({ customerId, QDateTime(queueFrom.value(customerId), QTime(0, 0)) });
        ExecuteInBatches(
            *m_connection, queue.size(),
            [&](qsizetype n) {
                return QStringLiteral("delete from ZOLT.INVALIDCUSTDEBT where exists (select 1 from (values ")
                    + ValuesRows(*m_connection, { TValueKind::Number, TValueKind::Date }, n)
                    + QStringLiteral(") V where V.column1 = INVALIDCUSTDEBT.CUSTOMER_ID "
                                     "and INVALIDCUSTDEBT.DATE_FROM >= V.column2)");
            },
            [&](TParams &params, qsizetype i) {
                for (const QVariant &value : queue.at(i))
                    params.CreateParam(ftUnknown, QString()).SetValue(value);
            });
        TBulkInsert::Insert(*m_connection, QStringLiteral("ZOLT.INVALIDCUSTDEBT"),
            { QStringLiteral("CUSTOMER_ID"), QStringLiteral("DATE_FROM") }, queue);
        if (!payments.isEmpty())
            LastPaymentSum = payments.last().sum;
        if (CommitWork()) {
            docId = id;
            return true;
        }
        m_lastCommandError = QStringLiteral("Не удалось подтвердить транзакцию");
    } catch (const Exception &e) {
        m_lastCommandError = e.message();
        platformLog(LogKind::Error, e.message());
    }
    rollbackQuietly();
    return false;
}
