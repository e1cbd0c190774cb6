// Storing an imported payment register: one document with its payments and the recalculation queue rows of
// its customers, written together.
#include "dmuRDM.h"

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
        // The queue may hold a customer more than once; the earliest month wins when it is worked off.
        QList<QVariantList> queue;
        queue.reserve(queueOrder.size());
        for (int customerId : queueOrder)
            queue.append({ customerId, queueFrom.value(customerId) });
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
