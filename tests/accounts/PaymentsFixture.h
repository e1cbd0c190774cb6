#pragma once

// The customer fixture with the database module as the program's own (the payment windows and exports reach it
// globally), and the helpers of the payment tests: statements, a customer's key, the recalculation queue.
#include "CustomerProgramFixture.h"

#include <QSqlQuery>

class PaymentsFixture : public CustomerProgramFixture
{
protected:
    void exec(const char *sql) { m_dmr->dbConnection()->Execute(QString::fromUtf8(sql)); }

    int idOf(const QString &surname) const
    {
        return m_dmr->dbConnection()
            ->SelectValue(QStringLiteral("select CUSTOMER_ID from ZOLT.CUSTOMER where SURNAME = :P_S"),
                ParamsOf({ { QStringLiteral("P_S"), surname } }))
            .toInt();
    }

    // The queue as the second connection sees it: "customer:yyyy-MM-dd" rows in order.
    QStringList queue() const
    {
        QSqlQuery q = m_other->dbConnection()->OpenQuery(
            QStringLiteral("select CUSTOMER_ID, DATE_FROM from ZOLT.INVALIDCUSTDEBT order by CUSTOMER_ID, DATE_FROM"));
        QStringList rows;
        while (q.next())
            rows << QString::number(q.value(0).toInt()) + QLatin1Char(':')
                    + q.value(1).toDateTime().date().toString(Qt::ISODate);
        return rows;
    }

    static QString queued(int customer, const char *date)
    {
        return QString::number(customer) + QLatin1Char(':') + QString::fromLatin1(date);
    }
};
