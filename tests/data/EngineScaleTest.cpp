// The engine on more customers than one statement batch holds, each with two years of months: every customer's
// stored debts must be those of its own open month, whichever path wrote them.
#include "EngineFixture.h"
#include "BalanceEngine.h"
#include "BulkInsert.h"
#include "DatabaseError.h"
#include "Money.h"

namespace {

class EngineScale : public EngineDb
{
protected:
    static QDate initMonth() { return QDate(2023, 1, 1); }
    static QDate accMonth() { return QDate(2025, 1, 1); }
    static QDateTime at(const QDate &d) { return QDateTime(d, QTime(0, 0)); }

    // Periodic services whose price changes after a year, a connection service, and customers who subscribe in
    // the first months and pay a different sum every month, so that every month moves every balance.
    void makeLargeOperator(int customers)
    {
        TADOConnection &c = *dmr->dbConnection();
        exec(QStringLiteral("delete from ZOLT.MAIN_CFG"));
        c.Execute(QStringLiteral("insert into ZOLT.MAIN_CFG (CFG_ID, COMPANY_ID, INIT_DATE, ACC_DATE, DEBTMODE) "
                                 "values (1, 1, :P_INIT, :P_ACC, 0)"),
                  {{QStringLiteral("P_INIT"), at(initMonth())}, {QStringLiteral("P_ACC"), at(accMonth())}});
        QList<QVariantList> servs, tariffs, cust, subscr, hist, payments;
        for (int serv : {10, 11, 12, 20}) {
            servs.append({serv, QStringLiteral("Услуга %1").arg(serv), serv == 20 ? 2 : 0, -1});
            tariffs.append({2 * serv, serv, at(QDate(2000, 1, 1)), at(QDate(2023, 12, 31)), 10.0 + serv});
            tariffs.append({2 * serv + 1, serv, at(QDate(2024, 1, 1)), at(QDate(4712, 12, 31)), 11.5 + serv});
        }
        qint64 paymentId = 1;
        for (int id = 1; id <= customers; ++id) {
            cust.append({id, QString::number(id), QStringLiteral("Абонент"), id % 4 ? QVariant(id % 50) : QVariant()});
            const int serv = 10 + id % 3;
            subscr.append({id, id, serv, 1});
            hist.append({id, id, id, serv, at(initMonth().addDays(id % 90)), at(QDate(4712, 12, 31)), 20});
            for (int month = 0; month <= 24; month += 1 + id % 2)
                payments.append({paymentId++, 1, id, serv, at(initMonth().addMonths(month).addDays(id % 27)),
                                 double(5 + (id * 7 + month * 3) % 40)});
        }
        c.BeginTrans();
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.SERV"), {"SERV_ID", "SERV_DESCR", "SERVTYPE_ID", "SERV_PACKAGE_ID"},
                                   servs);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.TARIF"),
                                   {"TARIF_ID", "SERV_ID", "DATE_FROM", "DATE_TO", "TARIF_SUM"}, tariffs);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.CUSTOMER"), {"CUSTOMER_ID", "ACCOUNT_NO", "SURNAME", "START_DEBT_SUM"},
                                   cust);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.SUBSCR_SERV"),
                                   {"SUBSCR_SERV_ID", "CUSTOMER_ID", "SERV_ID", "STATE_SGN"}, subscr);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.SUBSCR_HIST"),
                                   {"SUBSCR_HIST_ID", "CUSTOMER_ID", "SUBSCR_SERV_ID", "SERV_ID", "DATE_FROM",
                                    "DATE_TO", "ACT_SERV_ID"},
                                   hist);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.PAYMENT"),
                                   {"PAYMENT_ID", "PAY_DOC_ID", "CUSTOMER_ID", "SERV_ID", "PAY_DATE", "PAY_SUM"},
                                   payments);
        c.CommitTrans();
        if (fixture->engine() == TestEngine::PostgreSQL)
            for (const char *table : {"CUSTOMER", "SUBSCR_SERV", "SUBSCR_HIST", "PAYMENT", "TARIF"})
                exec(QStringLiteral("analyze ZOLT.") + QLatin1String(table));
    }

    struct Stored
    {
        double debtIn = 0;
        double debt = 0;
        double openRow = 0; // the balance row of the open month
        double nextRow = 0; // the running outgoing balance of the open month
    };
    QHash<int, Stored> stored()
    {
        QHash<int, Stored> result;
        QSqlQuery q = dmr->dbConnection()->OpenQuery(
            QStringLiteral("select C.CUSTOMER_ID, C.DEBT_IN_SUM, C.DEBT_SUM, A.DEBT_SUM, N.DEBT_SUM from ZOLT.CUSTOMER C "
                           "left join ZOLT.PAY_ACCOUNT A on A.CUSTOMER_ID = C.CUSTOMER_ID and A.REL_DATE = :P_ACC "
                           "left join ZOLT.PAY_ACCOUNT N on N.CUSTOMER_ID = C.CUSTOMER_ID and N.REL_DATE = :P_NEXT"),
            {{QStringLiteral("P_ACC"), at(accMonth())}, {QStringLiteral("P_NEXT"), at(accMonth().addMonths(1))}});
        while (q.next())
            result.insert(q.value(0).toInt(), {ColumnMoney(q.value(1)), ColumnMoney(q.value(2)),
                                               ColumnMoney(q.value(3)), ColumnMoney(q.value(4))});
        return result;
    }
    // Customers whose debts are not those of their own open month.
    static QStringList wrongDebts(const QHash<int, Stored> &rows)
    {
        QStringList wrong;
        for (auto it = rows.constBegin(); it != rows.constEnd(); ++it)
            if (MoneyDiffers(it->debtIn, it->openRow) || MoneyDiffers(it->debt, it->nextRow))
                wrong << QStringLiteral("%1: %2/%3 rows %4/%5")
                             .arg(it.key())
                             .arg(it->debtIn)
                             .arg(it->debt)
                             .arg(it->openRow)
                             .arg(it->nextRow);
        return wrong;
    }
};

TEST_P(EngineScale, EveryCustomerHoldsTheDebtsOfItsOwnOpenMonth)
{
    constexpr int Customers = 700; // more than one statement batch on either engine
    makeLargeOperator(Customers);
    dmr->RecalcAllCustomers(at(accMonth()), 0);
    const QHash<int, Stored> bulk = stored();
    ASSERT_EQ(bulk.size(), Customers);
    QStringList wrong = wrongDebts(bulk);
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " customers, first " << wrong.mid(0, 5).join(", ").toStdString();

    // The queue, every customer from the initialisation month, on balances thrown away, gives the same debts.
    exec(QStringLiteral("delete from ZOLT.PAY_ACCOUNT"));
    exec(QStringLiteral("update ZOLT.CUSTOMER set DEBT_IN_SUM = null, DEBT_SUM = null"));
    dmr->dbConnection()->Execute(
        QStringLiteral("insert into ZOLT.INVALIDCUSTDEBT (CUSTOMER_ID, DATE_FROM) select CUSTOMER_ID, :P_INIT from "
                       "ZOLT.CUSTOMER"),
        {{QStringLiteral("P_INIT"), at(initMonth())}});
    dmr->CheckInvalidCustDebt(0, accMonth());
    EXPECT_EQ(dmr->GetRecordsCount(QStringLiteral("INVALIDCUSTDEBT")), 0);
    const QHash<int, Stored> queued = stored();
    wrong = wrongDebts(queued);
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " customers, first " << wrong.mid(0, 5).join(", ").toStdString();
    int differ = 0;
    for (auto it = bulk.constBegin(); it != bulk.constEnd(); ++it)
        differ += MoneyDiffers(it->debt, queued.value(it.key()).debt) ? 1 : 0;
    EXPECT_EQ(differ, 0);

    // Every customer's first payment grows: the queue writes over stored balance rows of every month after it,
    // and ends where a bulk recalculation of the changed payments ends.
    exec(QStringLiteral("update ZOLT.PAYMENT set PAY_SUM = PAY_SUM + 1.25 where PAYMENT_ID in "
                        "(select min(PAYMENT_ID) from ZOLT.PAYMENT group by CUSTOMER_ID)"));
    dmr->dbConnection()->Execute(
        QStringLiteral("insert into ZOLT.INVALIDCUSTDEBT (CUSTOMER_ID, DATE_FROM) select CUSTOMER_ID, :P_INIT from "
                       "ZOLT.CUSTOMER"),
        {{QStringLiteral("P_INIT"), at(initMonth())}});
    dmr->CheckInvalidCustDebt(0, accMonth());
    const QHash<int, Stored> requeued = stored();
    const QStringList rowsAfterQueue = payAccount();
    dmr->RecalcAllCustomers(at(accMonth()), 0);
    EXPECT_EQ(payAccount(), rowsAfterQueue);
    const QHash<int, Stored> recalculated = stored();
    differ = 0;
    for (auto it = requeued.constBegin(); it != requeued.constEnd(); ++it)
        differ += MoneyDiffers(it->debt, recalculated.value(it.key()).debt) ? 1 : 0;
    EXPECT_EQ(differ, 0);
    EXPECT_NE(requeued.value(1).debt, queued.value(1).debt);
}

// Many rows go to the engine in one write of its fast path (the server's COPY, SQLite's prepared insert) and
// come back as they were given: text with the characters COPY escapes, empty text and null as null, dates of
// every kind, numbers as given. A refused row leaves nothing of the write behind.
TEST_P(EngineScale, ManyRowsTakeTheEnginesFastPathAndComeBackAsGiven)
{
    TADOConnection &c = *dmr->dbConnection();
    QStringList traced;
    const auto previous = c.OnWillExecute;
    c.OnWillExecute = [&](TADOConnection &connection, const TExecuteInfo &info) {
        if (previous)
            previous(connection, info);
        traced << info.CommandText;
    };
    struct Case
    {
        QString surname;
        QVariant contract;
        QVariant startDebt;
        QString surnameBack; // "null" for null
        QString contractBack;
        QString startDebtBack;
    };
    const QList<Case> cases{
        {QStringLiteral("tab\there"), QDate(2024, 2, 29), 0.1 + 0.2, QStringLiteral("tab\there"),
         QStringLiteral("2024-02-29 00:00:00"), QStringLiteral("0.3")},
        {QStringLiteral("back\\slash\nline\rend"), QDateTime(QDate(2024, 3, 1), QTime(15, 30), Qt::UTC), 12,
         QStringLiteral("back\\slash\nline\rend"), QStringLiteral("2024-03-01 15:30:00"), QStringLiteral("12")},
        {QString(), QDateTime(QDate(2024, 3, 1), QTime(0, 0)), QVariant(), QStringLiteral("null"),
         QStringLiteral("2024-03-01 00:00:00"), QStringLiteral("null")},
        {QStringLiteral("Абонент"), QVariant(), -1234.56, QStringLiteral("Абонент"), QStringLiteral("null"),
         QStringLiteral("-1234.56")},
    };
    QList<QVariantList> rows;
    for (int i = 0; i < 300; ++i) { // more rows than one statement batch on either engine
        const Case &k = cases.at(i % cases.size());
        rows.append({1000 + i, QString::number(i), k.surname, k.contract, k.startDebt});
    }
    const QStringList columns{"CUSTOMER_ID", "ACCOUNT_NO", "SURNAME", "CONTRACT_DATE", "START_DEBT_SUM"};
    c.BeginTrans();
    TBulkInsert::Insert(c, QStringLiteral("ZOLT.CUSTOMER"), columns, rows);
    c.CommitTrans();
    ASSERT_EQ(traced.size(), 1) << traced.join(QLatin1Char('\n')).left(300).toStdString();
    EXPECT_TRUE(traced.first().startsWith(fixture->engine() == TestEngine::PostgreSQL
                                              ? QLatin1String("COPY ZOLT.CUSTOMER (")
                                              : QLatin1String("insert into ZOLT.CUSTOMER (")))
        << traced.first().toStdString();

    const auto text = [](const QVariant &v) {
        if (!v.isValid() || v.isNull())
            return QStringLiteral("null");
        if (v.typeId() == QMetaType::QString && v.toString().size() == 19 && v.toString().at(4) == u'-')
            return v.toString();
        if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate)
            return ColumnDateTime(v).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (v.typeId() == QMetaType::QString)
            return v.toString();
        return QString::number(RoundCents(v.toDouble()));
    };
    QSqlQuery q = c.OpenQuery(QStringLiteral("select CUSTOMER_ID, SURNAME, CONTRACT_DATE, START_DEBT_SUM from "
                                             "ZOLT.CUSTOMER where CUSTOMER_ID >= 1000 order by CUSTOMER_ID"));
    int read = 0;
    while (q.next()) {
        const Case &k = cases.at(read % cases.size());
        EXPECT_EQ(q.value(0).toInt(), 1000 + read);
        EXPECT_EQ(text(q.value(1)), k.surnameBack) << read;
        EXPECT_EQ(text(q.value(2)), k.contractBack) << read;
        EXPECT_EQ(text(q.value(3)), k.startDebtBack) << read;
        ++read;
    }
    EXPECT_EQ(read, rows.size());

    // A key written twice: the engine's refusal reaches the caller, and the rollback leaves none of the rows.
    traced.clear();
    QList<QVariantList> clash{{5000, QStringLiteral("a"), QStringLiteral("x"), QVariant(), 1},
                              {5001, QStringLiteral("b"), QStringLiteral("y"), QVariant(), 2},
                              {1000, QStringLiteral("c"), QStringLiteral("z"), QVariant(), 3}};
    c.BeginTrans();
    EXPECT_THROW(TBulkInsert::Insert(c, QStringLiteral("ZOLT.CUSTOMER"), columns, clash), EDatabaseError);
    c.RollbackTrans();
    c.OnWillExecute = previous;
    EXPECT_EQ(c.SelectValue(QStringLiteral("select count(*) from ZOLT.CUSTOMER where CUSTOMER_ID >= 5000")).toInt(), 0);
    EXPECT_EQ(c.SelectValue(QStringLiteral("select count(*) from ZOLT.CUSTOMER where CUSTOMER_ID >= 1000")).toInt(),
              rows.size());
}

TEST(EngineBatches, RunsAreCutIntoAFewStatementSizes)
{
    EXPECT_EQ(TBalanceWriter::BatchSizes(0, 40), QList<qsizetype>());
    EXPECT_EQ(TBalanceWriter::BatchSizes(40, 40), QList<qsizetype>({40}));
    EXPECT_EQ(TBalanceWriter::BatchSizes(93, 40), QList<qsizetype>({40, 40, 8, 4, 1}));
    EXPECT_EQ(TBalanceWriter::BatchSizes(39, 40), QList<qsizetype>({32, 4, 2, 1}));
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineScale, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);

} // namespace
