#include "OperatorData.h"

#include "BalanceEngine.h"
#include "BenchDatabase.h"

#include <algorithm>
#include <random>

namespace OperatorData {

namespace {

constexpr int Slice = 2000;
constexpr int Streets = 60;
constexpr int FlatsPerHouse = 48;

const char *const Surnames[] = { "Иванов", "Петров", "Сидоров", "Кузнецов", "Смирнов", "Попов", "Васильев",
    "Новиков", "Морозов", "Волков", "Соловьёв", "Лебедев", "Козлов", "Егоров", "Павлов", "Семёнов", "Голубев",
    "Виноградов", "Богданов", "Воробьёв", "Фёдоров", "Михайлов", "Беляев", "Тарасов", "Белов", "Комаров",
    "Орлов", "Киселёв", "Макаров", "Андреев", "Ковалёв", "Ильин", "Гусев", "Титов", "Кузьмин", "Кудрявцев",
    "Баранов", "Куликов", "Алексеев", "Степанов", "Яковлев", "Сорокин", "Сергеев", "Романов", "Захаров" };

void exec(TDMR &dmr, const QString &sql)
{
    dmr.dbConnection()->Execute(sql);
}

} // namespace

qint64 Generate(TDMR &dmr, int customers)
{
    TADOConnection &c = *dmr.dbConnection();
    std::mt19937 random(46); // the same operator on every run
    exec(dmr, QStringLiteral("delete from ZOLT.MAIN_CFG"));
    c.Execute(QStringLiteral("insert into ZOLT.MAIN_CFG (CFG_ID, COMPANY_ID, INIT_DATE, ACC_DATE, DEBTMODE) "
                             "values (1, 1, :P_INIT, :P_ACC, 0)"),
              {{QStringLiteral("P_INIT"), at(InitMonth)}, {QStringLiteral("P_ACC"), at(AccMonth)}});
    QList<QVariantList> rows;
    int tarifId = 1;
    // Periodic services, the connection (type 2) and the disconnection (type 4), and the single service.
    for (const auto &[serv, type] : { std::pair{10, 0}, {11, 0}, {12, 0}, {20, 2}, {21, 4}, {30, 1} }) {
        c.Execute(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, SERV_PACKAGE_ID) "
                                 "values (:P_ID, :P_DESCR, :P_TYPE, -1)"),
                  {{QStringLiteral("P_ID"), serv}, {QStringLiteral("P_DESCR"), QStringLiteral("Услуга %1").arg(serv)},
                   {QStringLiteral("P_TYPE"), type}});
        const double sum = serv < 20 ? 100 + serv : 15;
        rows.append({tarifId++, serv, at(QDate(2000, 1, 1)), at(QDate(2023, 12, 31)), sum});
        rows.append({tarifId++, serv, at(QDate(2024, 1, 1)), at(QDate(4712, 12, 31)), sum * 1.1});
    }
    TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.TARIF"),
                               {"TARIF_ID", "SERV_ID", "DATE_FROM", "DATE_TO", "TARIF_SUM"}, rows);
    exec(dmr, QStringLiteral("insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR) values (1, 'Касса')"));
    exec(dmr, QStringLiteral("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO) values (1, 1, '1')"));
    exec(dmr, QStringLiteral("insert into ZOLT.SINGLE_SERVICE_TARIF (SINGLE_SERVICE_TARIF_ID, PRICE, SERVICE_NAME) "
                             "values (1000, 50, 'Вызов мастера')"));

    // One town of Streets streets; a house of FlatsPerHouse flats for every FlatsPerHouse customers.
    exec(dmr, QStringLiteral("insert into ZOLT.LOCATION (LOCATION_ID, LOCATION_NAME, LOCATION_TYPE_ID) "
                             "values (1, 'Город', 0)"));
    QList<QVariantList> streets, houses;
    for (int s = 1; s <= Streets; ++s)
        streets.append({s, QStringLiteral("%1").arg(s, 3, 10, QLatin1Char('0')), QStringLiteral("Улица %1").arg(s), 1, 1});
    const int houseCount = (customers + FlatsPerHouse - 1) / FlatsPerHouse;
    for (int h = 1; h <= houseCount; ++h)
        houses.append({h, 1, 1 + h % Streets, QString::number(1 + h / Streets), FlatsPerHouse, 4});
    c.BeginTrans();
    TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.STREET"),
                               {"STREET_ID", "STREET_CODE", "STREET_NAME", "STREET_TYPE_ID", "LOCATION_ID"}, streets);
    TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.HOUSE"),
                               {"HOUSE_ID", "LOCATION_ID", "STREET_ID", "HOUSE_NO", "Q_FLAT", "Q_PORCH"}, houses);
    c.CommitTrans();

    qint64 paymentId = 1;
    const int surnames = int(std::size(Surnames));
    for (int first = 1; first <= customers; first += Slice) {
        QList<QVariantList> cust, subscr, hist, factors, single, byFact, payments;
        const int last = std::min(customers, first + Slice - 1);
        for (int id = first; id <= last; ++id) {
            const int house = 1 + (id - 1) / FlatsPerHouse;
            const QString flat = QString::number(1 + (id - 1) % FlatsPerHouse);
            const QString surname = QString::fromUtf8(Surnames[random() % unsigned(surnames)]);
            const QString initials = QString(QChar(u'А' + int(random() % 30))) + QLatin1Char('.')
                + QChar(u'А' + int(random() % 30)) + QLatin1Char('.');
            const QString code = QStringLiteral("%1.%2.%3")
                                     .arg(houses[house - 1][2].toInt(), 3, 10, QLatin1Char('0'))
                                     .arg(houses[house - 1][3].toString(), flat);
            cust.append({id, QString::number(id), surname, 1, id % 3 ? QVariant(id % 50) : QVariant(), house, flat,
                         initials, code, at(QDate(4712, 12, 31)), at(InitMonth.addDays(id % 90))});
            const int serv = 10 + id % 3;
            const QDate start = InitMonth.addDays(id % 90);
            subscr.append({id, id, serv, 1});
            if (id % 5 == 0)
                hist.append({2 * id, id, id, serv, at(start.addDays(-200)), at(start.addDays(-20)), 20, 21});
            hist.append({2 * id + 1, id, id, serv, at(start), at(QDate(4712, 12, 31)), 20, QVariant()});
            if (id % 10 == 0)
                factors.append({id, at(InitMonth), at(QDate(2024, 12, 31)), 0.9});
            if (id % 20 == 0)
                single.append({id, id, 30, at(start.addDays(40))});
            if (id % 20 == 1)
                byFact.append({id, id, 1000, 50, 1, 50, at(start.addDays(50)), at(start.addDays(50))});
            for (int month = 0; month < 24; ++month)
                payments.append({paymentId++, 1, id, serv, at(InitMonth.addMonths(month).addDays(id % 27)),
                                 100 + (id + month) % 30});
        }
        c.BeginTrans();
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.CUSTOMER"),
                                   {"CUSTOMER_ID", "ACCOUNT_NO", "SURNAME", "CUST_STATE", "START_DEBT_SUM", "HOUSE_ID",
                                    "FLAT_NO", "INITIALS", "CUST_CODE", "VALID_TO", "CONTRACT_DATE"},
                                   cust);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.SUBSCR_SERV"),
                                   {"SUBSCR_SERV_ID", "CUSTOMER_ID", "SERV_ID", "STATE_SGN"}, subscr);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.SUBSCR_HIST"),
                                   {"SUBSCR_HIST_ID", "CUSTOMER_ID", "SUBSCR_SERV_ID", "SERV_ID", "DATE_FROM",
                                    "DATE_TO", "ACT_SERV_ID", "DISACT_SERV_ID"},
                                   hist);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.DISCOUNT_FACTOR"),
                                   {"CUSTOMER_ID", "DATE_FROM", "DATE_TO", "FACTOR_VALUE"}, factors);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.SINGLE_SERV"),
                                   {"SINGLESERV_ID", "CUSTOMER_ID", "SERV_ID", "SERV_DATE"}, single);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.CUSTOMER_SERVICE"),
                                   {"CUSTOMER_ID", "CUSTOMER_SERVICE_ID", "SINGLE_SERVICE_TARIF_ID", "PRICE",
                                    "QUANTITY", "AMOUNT", "SERVICE_DATE", "PUT_TIME"},
                                   byFact);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.PAYMENT"),
                                   {"PAYMENT_ID", "PAY_DOC_ID", "CUSTOMER_ID", "SERV_ID", "PAY_DATE", "PAY_SUM"},
                                   payments);
        c.CommitTrans();
    }
    if (c.Provider() == TADOConnection::TProvider::PostgreSQL)
        for (const char *table : {"CUSTOMER", "SUBSCR_SERV", "SUBSCR_HIST", "DISCOUNT_FACTOR", "SINGLE_SERV",
                                  "CUSTOMER_SERVICE", "PAYMENT", "TARIF", "HOUSE", "STREET"})
            exec(dmr, QStringLiteral("analyze ZOLT.") + QLatin1String(table));
    return paymentId - 1;
}

} // namespace OperatorData
