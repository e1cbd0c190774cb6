// Customer state worked for a whole slice by the bulk recalculation equals the state the customer card works for
// one customer, on a table of cases.
#include "EngineFixture.h"

namespace {

class EngineState : public EngineDb
{
protected:
    void service(int id, const char *descr, int type, const char *code)
    {
        dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, SERV_CODE, SERV_PACKAGE_ID) "
                           "values (:I, :D, :T, :C, -1)"),
            {{QStringLiteral("I"), id},
             {QStringLiteral("D"), QString::fromUtf8(descr)},
             {QStringLiteral("T"), type},
             {QStringLiteral("C"), QString::fromUtf8(code)}});
    }
    void period(int id, int cust, int subscr, int serv, const char *from, const char *to, int act, int disact)
    {
        dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, DATE_FROM, "
                           "DATE_TO, ACT_SERV_ID, DISACT_SERV_ID) values (:I, :C, :S, :V, :F, :T, :A, :D)"),
            {{QStringLiteral("I"), id},
             {QStringLiteral("C"), cust},
             {QStringLiteral("S"), subscr},
             {QStringLiteral("V"), serv},
             {QStringLiteral("F"), QDateTime(QDate::fromString(QLatin1String(from), QStringLiteral("yyyy-MM-dd")), QTime(0, 0))},
             {QStringLiteral("T"), QDateTime(QDate::fromString(QLatin1String(to), QStringLiteral("yyyy-MM-dd")), QTime(0, 0))},
             {QStringLiteral("A"), act ? QVariant(act) : QVariant()},
             {QStringLiteral("D"), disact ? QVariant(disact) : QVariant()}});
    }
    void subscribed(int id, int cust, int serv, int stateSgn)
    {
        exec(QStringLiteral("insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN) "
                            "values (%1, %2, %3, %4)")
                 .arg(id)
                 .arg(cust)
                 .arg(serv)
                 .arg(stateSgn));
    }
    // Every customer's stored state and every subscription's sign, one line each.
    QStringList states()
    {
        QStringList lines;
        QSqlQuery q = dmr->dbConnection()->OpenQuery(
            QStringLiteral("select CUSTOMER_ID, CUST_STATE, CUST_STATE_DESCR, CUST_PROP, CUST_PROP_DESCR, ACTIVIZ_DATE "
                           "from ZOLT.CUSTOMER order by CUSTOMER_ID"));
        while (q.next())
            lines << QStringLiteral("%1|%2|%3|%4|%5|%6")
                         .arg(q.value(0).toInt())
                         .arg(q.value(1).toInt())
                         .arg(q.value(2).toString(), q.value(3).toString(), q.value(4).toString(),
                              ColumnDate(q.value(5)).toString(QStringLiteral("dd.MM.yyyy")));
        QSqlQuery s = dmr->dbConnection()->OpenQuery(
            QStringLiteral("select SUBSCR_SERV_ID, STATE_SGN from ZOLT.SUBSCR_SERV order by SUBSCR_SERV_ID"));
        while (s.next())
            lines << QStringLiteral("subscription %1|%2").arg(s.value(0).toInt()).arg(s.value(1).toInt());
        return lines;
    }
    void forgetStates()
    {
        exec(QStringLiteral("update ZOLT.CUSTOMER set CUST_STATE = 1, CUST_STATE_DESCR = null, CUST_PROP = null, "
                            "CUST_PROP_DESCR = null, ACTIVIZ_DATE = null"));
        exec(QStringLiteral("update ZOLT.SUBSCR_SERV set STATE_SGN = 1 - STATE_SGN"));
    }
};

TEST_P(EngineState, SliceStateEqualsOneCustomerState)
{
    exec(QStringLiteral("delete from ZOLT.MAIN_CFG"));
    exec(QStringLiteral("insert into ZOLT.MAIN_CFG (CFG_ID, COMPANY_ID, INIT_DATE, ACC_DATE, DEBTMODE) "
                        "values (1, 1, '2011-01-01 00:00:00', '2011-06-01 00:00:00', 0)"));
    service(10, "ТВ", 0, "ТВ");
    service(11, "Радио", 0, "Р");
    service(12, "Интернет", 0, "И");
    service(20, "Подключение", 2, "П");
    service(21, "Переподключение", 0, "ПВ");
    service(17, "Отключение", 0, "О");
    service(13, "Спорт", 0, "С");
    service(22, "Смена", 0, "ABCDE");
    service(23, "Смена 2", 0, "FGHIJK");
    service(24, "Смена 3", 0, "LMNOPQ");
    service(25, "Смена 4", 0, "RS");
    exec(QStringLiteral("insert into ZOLT.CUST_PROP (CUST_PROP_ID, CUST_PROP_DESCR) values ('П ', 'Подкл')"));
    for (int id = 1; id <= 8; ++id)
        customer(id, QStringLiteral("null"));
    // 1: never connected, its subscription without periods.
    subscribed(1, 1, 10, 1);
    // 2: one open period opened by a first connection.
    subscribed(2, 2, 10, 0);
    period(1, 2, 2, 10, "2011-01-10", "4712-12-31", 20, 0);
    // 3: reconnected by a service of another type.
    subscribed(3, 3, 10, 0);
    period(2, 3, 3, 10, "2011-01-02", "2011-02-01", 20, 17);
    period(3, 3, 3, 10, "2011-05-03", "4712-12-31", 21, 0);
    // 4: its only service closed by the disconnection service on 05.03.2011.
    subscribed(4, 4, 10, 1);
    period(4, 4, 4, 10, "2011-01-01", "2011-03-05", 20, 17);
    // 5: two services, one open and one closed; the first period read decides.
    subscribed(5, 5, 11, 1);
    subscribed(6, 5, 10, 1);
    period(5, 5, 5, 11, "2011-01-01", "2011-02-10", 20, 17);
    period(6, 5, 6, 10, "2011-02-01", "4712-12-31", 21, 0);
    // 6: services whose codes make more than 20 characters.
    for (int serv : {10, 11, 12, 13}) {
        subscribed(10 + serv, 6, serv, 1);
        period(10 + serv, 6, 10 + serv, serv, "2011-01-05", "4712-12-31", serv + 12, 0);
    }
    period(30, 6, 22, 12, "2010-12-01", "2010-12-31", 20, 17);
    // 7: two latest periods of one service ending the same day.
    subscribed(31, 7, 10, 1);
    period(31, 7, 31, 10, "2011-01-01", "2011-04-30", 20, 17);
    period(32, 7, 31, 10, "2011-02-01", "2011-04-30", 21, 17);
    // 8: connected, its code listed in the code list.
    subscribed(33, 8, 10, 0);
    period(33, 8, 33, 10, "2011-03-01", "4712-12-31", 20, 0);

    int stateWrites = 0;
    const auto previous = dmr->dbConnection()->OnWillExecute;
    dmr->dbConnection()->OnWillExecute = [&](TADOConnection &c, const TExecuteInfo &info) {
        if (previous)
            previous(c, info);
        stateWrites += info.CommandText.contains(QLatin1String("set CUST_STATE")) ? 1 : 0;
    };
    dmr->RecalcAllCustomers(QDateTime(QDate(2011, 6, 1), QTime(0, 0)), 0);
    const QStringList slice = states();
    EXPECT_EQ(slice.mid(0, 8),
              QStringList({"1|0|Не подключался|Нп||",
                           "2|1|Подключен|П|Подкл|10.01.2011",
                           "3|1|Переподключение 03.05.2011|ПВ||02.01.2011",
                           "4|17|Отключение 05.03.2011|О||01.01.2011",
                           "5|17|Отключение 10.02.2011|О ПВ||01.01.2011",
                           "6|1|Смена 05.01.2011|ABCDE FGHIJK LMNOPQ||01.12.2010",
                           "7|17|Отключение 30.04.2011|О О||01.01.2011",
                           "8|1|Подключен|П|Подкл|01.03.2011"}));
    EXPECT_EQ(slice.mid(8), QStringList({"subscription 1|0", "subscription 2|1", "subscription 3|1",
                                         "subscription 4|0", "subscription 5|0", "subscription 6|1",
                                         "subscription 20|1", "subscription 21|1", "subscription 22|1",
                                         "subscription 23|1",
                                         "subscription 31|0", "subscription 33|1"}));
    EXPECT_GT(stateWrites, 0);
    // Nothing changed: the second run writes no customer's state.
    stateWrites = 0;
    dmr->RecalcAllCustomers(QDateTime(QDate(2011, 6, 1), QTime(0, 0)), 0);
    EXPECT_EQ(stateWrites, 0);
    dmr->dbConnection()->OnWillExecute = previous;

    // The card's routine, customer by customer, from the same stored values.
    forgetStates();
    for (int id = 1; id <= 8; ++id)
        dmr->UpdateCustState(id, 1, QVariant(), QVariant(), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    EXPECT_EQ(states(), slice);
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineState, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);

} // namespace
