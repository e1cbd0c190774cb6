// The structure upgrade: a fixed list of steps, each guarded by a check of the catalogue or of a seed row, so
// that it can run any number of times. A new database is the tables that predate the steps plus every step.
#include "dmuRDM.h"

#include "DatabaseError.h"
#include "DbSchema.h"
#include "LogSink.h"
#include "WindowMessages.h"

#include <limits>
#include <vector>

namespace {

struct Step
{
    int number;
    std::function<bool(TDMR &, const Dialect &, TADOConnection &)> check;
    std::function<QStringList(TDMR &, const Dialect &)> statements;
};

using Check = std::function<bool(TDMR &, const Dialect &, TADOConnection &)>;
using Build = std::function<QStringList(TDMR &, const Dialect &)>;

Check tableMissing(const char *table)
{
    return [t = QString::fromLatin1(table)](TDMR &, const Dialect &d, TADOConnection &c) { return !d.tableExists(c, t); };
}

Check columnMissing(const char *table, const char *column)
{
    return [t = QString::fromLatin1(table), col = QString::fromLatin1(column)](TDMR &, const Dialect &d,
                                                                               TADOConnection &c) {
        return !d.columnExists(c, t, col);
    };
}

// A column still of its old width.
Check columnWidthIs(const char *table, const char *column, int width)
{
    return [t = QString::fromLatin1(table), col = QString::fromLatin1(column), width](TDMR &, const Dialect &d,
                                                                                      TADOConnection &c) {
        return d.columnWidth(c, t, col) == width;
    };
}

Check rowMissing(const char *table, const char *keyColumn, int key)
{
    return [t = QString::fromLatin1(table), k = QString::fromLatin1(keyColumn), key](TDMR &, const Dialect &,
                                                                                     TADOConnection &c) {
        return c.SelectValue(QStringLiteral("select COUNT(*) as QRec from ZOLT.%1 where %2 = %3").arg(t, k).arg(key))
                   .toInt()
               < 1;
    };
}

Check constraintPresent(const char *table, const char *name)
{
    return [t = QString::fromLatin1(table), n = QString::fromLatin1(name)](TDMR &, const Dialect &d, TADOConnection &c) {
        return d.constraintExists(c, t, n);
    };
}

Check always()
{
    return [](TDMR &, const Dialect &, TADOConnection &) { return true; };
}

QString create(const Dialect &d, const char *table)
{
    return DbSchema::createTableStatement(d, DbSchema::table(QString::fromLatin1(table)));
}

QString add(const Dialect &d, const char *table, const char *column)
{
    return DbSchema::addColumnStatement(d, QString::fromLatin1(table), QString::fromLatin1(column));
}

QString index(const Dialect &d, const char *name)
{
    return DbSchema::createIndexStatement(d, QString::fromLatin1(name));
}

QString fk(const Dialect &d, const char *name)
{
    return DbSchema::addForeignKeyStatement(d, QString::fromLatin1(name));
}

QString modify(const Dialect &d, const char *table, const char *column, const char *type)
{
    return d.modifyColumn(QString::fromLatin1(table), QString::fromLatin1(column), QString::fromLatin1(type));
}

QString sql(const char *text)
{
    return QString::fromUtf8(text);
}

Build stmts(std::function<QStringList(const Dialect &)> f)
{
    return [f = std::move(f)](TDMR &, const Dialect &d) { return f(d); };
}

std::vector<Step> upgradeSteps()
{
    std::vector<Step> s;
    s.push_back({1, tableMissing("TMP_CUST_BALANCE"), stmts([](const Dialect &d) {
                     return QStringList{create(d, "TMP_CUST_BALANCE")};
                 })});
    s.push_back({2, columnMissing("SUBSCR_HIST", "CONTRACT_TILL"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "SUBSCR_HIST", "CONTRACT_TILL")}; })});
    s.push_back({3, columnMissing("SUBSCR_HIST", "SMARTCARD_ID"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "SUBSCR_HIST", "SMARTCARD_ID")}; })});
    s.push_back({4, columnMissing("SERV", "NOTICE"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "SERV", "NOTICE"), add(d, "SERV", "IS_DTV_PACKAGE"),
                                        add(d, "SERV", "DTV_PACKAGE_CODE")};
                 })});
    s.push_back({5, tableMissing("SMARTCARD"), stmts([](const Dialect &d) { return QStringList{create(d, "SMARTCARD")}; })});
    s.push_back({6, tableMissing("CUSTOMER_SMARTCARDS"), stmts([](const Dialect &d) {
                     return QStringList{create(d, "CUSTOMER_SMARTCARDS"), fk(d, "FK_SMARTCARD_REF_CUSTOMERSMART"),
                                        fk(d, "FK_CUSTOMER_REF_CUSTSMARTCARD")};
                 })});
    s.push_back({7, tableMissing("DTV_PROVIDER"),
                 stmts([](const Dialect &d) { return QStringList{create(d, "DTV_PROVIDER")}; })});
    s.push_back({8, rowMissing("DTV_PROVIDER", "DTV_PROVIDER_ID", 0), stmts([](const Dialect &) {
                     return QStringList{sql("insert into ZOLT.DTV_PROVIDER (DTV_PROVIDER_ID, PROVIDER_NAME, CAS_CODE) "
                                            "values (0, null, '0')")};
                 })});
    s.push_back({9, columnMissing("SMARTCARD", "DTV_PROVIDER_ID"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "SMARTCARD", "DTV_PROVIDER_ID"), fk(d, "FK_DTVPROVIDER_REF_SMARTCARD")};
                 })});
    s.push_back({10, columnMissing("MAIN_CFG", "DTV_PROVIDER_ID"), stmts([](const Dialect &d) {
                      return QStringList{add(d, "MAIN_CFG", "DTV_PROVIDER_ID"), fk(d, "FK_DTVPROVIDER_REF_MAINCFG")};
                  })});
    const char *const customerNames[] = {"FIRSTNAME", "MIDLENAME", "TAX_NO", "IS_COMPANY"};
    for (int i = 0; i < 4; ++i) {
        const char *column = customerNames[i];
        s.push_back({11 + i, columnMissing("CUSTOMER", column),
                     stmts([column](const Dialect &d) { return QStringList{add(d, "CUSTOMER", column)}; })});
    }
    s.push_back({15, tableMissing("DB_VERSION"),
                 stmts([](const Dialect &d) { return QStringList{create(d, "DB_VERSION")}; })});
    // Every run: the customer codes follow the streets and houses. Payments have no trigger: the commands that
    // write a payment queue its customer for recalculation.
    s.push_back({15, always(), stmts([](const Dialect &) {
                     return QStringList{sql("update ZOLT.CUSTOMER set CUST_CODE = (select CONCAT(S.STREET_CODE, '.', "
                                            "H.HOUSE_NO, '.', CUSTOMER.FLAT_NO, '.') from ZOLT.HOUSE H, ZOLT.STREET S "
                                            "where H.HOUSE_ID = CUSTOMER.HOUSE_ID and H.STREET_ID = S.STREET_ID)")};
                 })});
    s.push_back({16, tableMissing("SERV_PACKAGE"), stmts([](const Dialect &d) {
                     return QStringList{
                         create(d, "SERV_PACKAGE"),
                         sql("insert into ZOLT.SERV_PACKAGE (SERV_PACKAGE_ID, SERV_PACKAGE_DESCR) "
                             "select SERV_ID, COALESCE(SERV_DESCR, '-') from ZOLT.SERV where SERVTYPE_ID = 0"),
                         sql("insert into ZOLT.SERV_PACKAGE (SERV_PACKAGE_ID, SERV_PACKAGE_DESCR) values (-1, '-')"),
                         add(d, "SERV", "SERV_PACKAGE_ID"),
                         sql("update ZOLT.SERV set SERV_PACKAGE_ID = COALESCE(CHILDSERV_ID, SERV_ID)"),
                         fk(d, "FK_SERV_SERVPACKAGE")};
                 })});
    s.push_back({17, columnMissing("CUSTOMER", "PASP_NO"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "CUSTOMER", "PASP_NO"), add(d, "CUSTOMER", "PASP_DATE"),
                                        add(d, "CUSTOMER", "PASP_ORG")};
                 })});
    s.push_back({18, columnMissing("CUSTOMER", "CONTRACT_NO"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "CUSTOMER", "CONTRACT_NO")}; })});
    s.push_back({19, columnMissing("PAYMENT", "NOTICE"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "PAYMENT", "NOTICE")}; })});
    s.push_back({20, columnMissing("CUSTOMER", "NOTICE2"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "CUSTOMER", "NOTICE2")}; })});
    s.push_back({21, tableMissing("LOCATION_TYPE"), stmts([](const Dialect &d) {
                     return QStringList{
                         create(d, "LOCATION_TYPE"), index(d, "XIE1LOCATION_TYPE"), index(d, "XIE2LOCATION_TYPE"),
                         sql("insert into ZOLT.LOCATION_TYPE values (0, 'г.', 'город')"),
                         sql("insert into ZOLT.LOCATION_TYPE values (1, 'д.', 'деревня')"),
                         sql("insert into ZOLT.LOCATION_TYPE values (2, 'п.', 'поселок')")};
                 })});
    s.push_back({22, columnMissing("LOCATION", "LOCATION_TYPE_ID"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "LOCATION", "LOCATION_TYPE_ID"), index(d, "XIF119LOCATION"),
                                        fk(d, "FK_LOCATION_LOCATIONTYPE")};
                 })});
    s.push_back({23, tableMissing("STREET_TYPE"), stmts([](const Dialect &d) {
                     QStringList out{create(d, "STREET_TYPE"), index(d, "XIE1STREET_TYPE"), index(d, "XIE2STREET_TYPE")};
                     const char *const rows[][2] = {{"-", "-"},         {"ул.", "Улица"},      {"пер.", "Переулок"},
                                                    {"пр-д.", "Проезд"}, {"пр.", "Проспект"},   {"тр.", "Тракт"},
                                                    {"б-р.", "Бульвар"}, {"туп.", "Тупик"},     {"пл.", "Площадь"},
                                                    {"ко.", "Кольцо"},   {"наб.", "Набережная"}};
                     for (int i = 0; i < 11; ++i)
                         out << QStringLiteral("insert into ZOLT.STREET_TYPE values (%1, '%2', '%3')")
                                    .arg(i)
                                    .arg(QString::fromUtf8(rows[i][0]), QString::fromUtf8(rows[i][1]));
                     return out;
                 })});
    s.push_back({24, columnMissing("STREET", "STREET_TYPE_ID"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "STREET", "STREET_TYPE_ID"), index(d, "XIF118STREET"),
                                        fk(d, "FK_STREET_STREETTYPE")};
                 })});
    s.push_back({25, columnMissing("HOUSE", "Q_PORCH"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "HOUSE", "Q_PORCH"), add(d, "HOUSE", "CHAIRMAN_NAME"),
                                        add(d, "HOUSE", "CHAIRMAN_PHONE"), add(d, "HOUSE", "NOTICE")};
                 })});
    s.push_back({26, columnMissing("MAIN_CFG", "REPORT_LOCALE"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "MAIN_CFG", "REPORT_LOCALE")}; })});
    s.push_back({27, columnWidthIs("CUSTOMER", "PHONE_NO", 20),
                 stmts([](const Dialect &d) { return QStringList{modify(d, "CUSTOMER", "PHONE_NO", "VARCHAR2(50)")}; })});
    s.push_back({28, tableMissing("EMPLOYEE"), stmts([](const Dialect &d) { return QStringList{create(d, "EMPLOYEE")}; })});
    s.push_back({29, columnMissing("SUBSCR_SERV", "NOTICE"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "SUBSCR_SERV", "NOTICE")}; })});
    s.push_back({30, columnWidthIs("COMPANY", "BANK_CODE", 3),
                 stmts([](const Dialect &d) { return QStringList{modify(d, "COMPANY", "BANK_CODE", "VARCHAR2(9)")}; })});
    s.push_back({31, columnMissing("SINGLE_SERV", "NOTICE"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "SINGLE_SERV", "NOTICE")}; })});
    s.push_back({32, columnMissing("COMPANY", "LOCATION_ID"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "COMPANY", "LOCATION_ID"), index(d, "XIF120COMPANY"),
                                        fk(d, "FK_LOCATION_TO_COMPANY")};
                 })});
    const char *const letterTypes[] = {"-", "Первичное уведомление", "Вторичное уведомление", "Исковое заявление"};
    for (int i = 0; i < 4; ++i) {
        const QString descr = QString::fromUtf8(letterTypes[i]);
        s.push_back({33 + i, rowMissing("LETTERTYPE", "LETTERTYPEID", i), stmts([i, descr](const Dialect &) {
                         return QStringList{
                             QStringLiteral("insert into ZOLT.LETTERTYPE (LETTERTYPEID, LETTERTYPEDESCR) values (%1, '%2')")
                                 .arg(i)
                                 .arg(descr)};
                     })});
    }
    s.push_back({37, columnMissing("CUSTOMER", "REF_NO"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "CUSTOMER", "REF_NO")}; })});
    s.push_back({38, columnMissing("SERV", "USE_VOYAGER"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "SERV", "USE_VOYAGER")}; })});
    s.push_back({39, columnMissing("CUSTOMER", "BIRTHDAY"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "CUSTOMER", "BIRTHDAY"), add(d, "CUSTOMER", "SEX")};
                 })});
    s.push_back({40, rowMissing("LOCATION", "LOCATION_ID", 0), stmts([](const Dialect &) {
                     return QStringList{sql("insert into ZOLT.LOCATION (LOCATION_ID, LOCATION_TYPE_ID, LOCATION_NAME) "
                                            "values (0, 0, '-')")};
                 })});
    s.push_back({41, columnMissing("AREA", "LOCATION_ID"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "AREA", "LOCATION_ID"), index(d, "XIF121AREA"), fk(d, "FK_LOCATION_TO_AREA"),
                                        add(d, "SUBAREA", "LOCATION_ID"), index(d, "XIF122SUBAREA"),
                                        fk(d, "FK_LOCATION_TO_SUBAREA")};
                 })});
    s.push_back({42, columnMissing("STREET", "LOCATION_ID"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "STREET", "LOCATION_ID"), index(d, "XIF123STREET"),
                                        fk(d, "FK_LOCATION_TO_STREET")};
                 })});
    s.push_back({43, columnMissing("CUSTOMER", "COMPANY_ID"), [](TDMR &dmr, const Dialect &d) {
                     bool ok = false;
                     int company = dmr.GetCfgCompanyId().toInt(&ok);
                     if (!ok || company < 0)
                         company = 1;
                     return QStringList{d.addColumn(QStringLiteral("CUSTOMER"), QStringLiteral("COMPANY_ID"),
                                                    QStringLiteral("%1 DEFAULT %2 NOT NULL")
                                                        .arg(d.columnType(QStringLiteral("NUMBER(10)")))
                                                        .arg(company)),
                                        index(d, "XIF123CUSTOMER"), fk(d, "FK_COMPANY_TO_CUSTOMER")};
                 }});
    s.push_back({44, columnMissing("COMPANY", "ERIP"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "COMPANY", "ERIP"), modify(d, "COMPANY", "DIRECT_PHONE", "VARCHAR2(40)"),
                                        modify(d, "COMPANY", "BUH_PHONE", "VARCHAR2(40)")};
                 })});
    s.push_back({45, columnMissing("COMPANY", "POST_PATH_IN"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "COMPANY", "POST_PATH_IN")}; })});
    s.push_back({46, columnMissing("COMPANY", "POST_PATH_OUT"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "COMPANY", "POST_PATH_OUT")}; })});
    s.push_back({47, columnWidthIs("CUSTOMER", "CUST_STATE", 2),
                 stmts([](const Dialect &d) { return QStringList{modify(d, "CUSTOMER", "CUST_STATE", "NUMBER(10)")}; })});
    s.push_back({48, tableMissing("SINGLE_SERVICE_TARIF"), stmts([](const Dialect &d) {
                     return QStringList{create(d, "SINGLE_SERVICE_TARIF"),
                                        sql("insert into ZOLT.SINGLE_SERVICE_TARIF (SINGLE_SERVICE_TARIF_ID, PRICE, "
                                            "SERVICE_NAME, MEASURE_ID) values (1, 0, 'Корректировка баланса', 1)")};
                 })});
    s.push_back({49, tableMissing("CUSTOMER_SERVICE"), stmts([](const Dialect &d) {
                     return QStringList{create(d, "CUSTOMER_SERVICE"), fk(d, "FK_CUSTOMER_SERVICE_TO_CUSTOMER"),
                                        fk(d, "FK_CUSTOMER_SERVICE_TO_SS_TARIF"), index(d, "XIF1_CUSTOMER_SERVICE"),
                                        index(d, "XIF2_CUSTOMER_SERVICE"), index(d, "XIF3_CUSTOMER_SERVICE")};
                 })});
    s.push_back({50, tableMissing("REQUEST_TYPE"),
                 stmts([](const Dialect &d) { return QStringList{create(d, "REQUEST_TYPE")}; })});
    s.push_back({51, tableMissing("FIX_TYPE"), stmts([](const Dialect &d) {
                     return QStringList{create(d, "FIX_TYPE"),
                                        sql("insert into ZOLT.FIX_TYPE (FIX_TYPE_ID, FIX_TYPE_NAME) values (0, '-')")};
                 })});
    s.push_back({52, tableMissing("SUPPORT_REQUEST"), stmts([](const Dialect &d) {
                     return QStringList{create(d, "SUPPORT_REQUEST"), fk(d, "FK_SUPPORT_REQUEST_TO_CUSTOMER"),
                                        fk(d, "FK_SUPPORT_REQUEST_TO_REQUEST_TYPE"), fk(d, "FK_SUPPORT_REQUEST_TO_FIX_TYPE"),
                                        index(d, "XIF1_SUPPORT_REQUEST"), index(d, "XIF2_SUPPORT_REQUEST"),
                                        index(d, "XIF3_SUPPORT_REQUEST"), index(d, "XIF4_SUPPORT_REQUEST")};
                 })});
    s.push_back({53, columnWidthIs("SERV", "CHILDSERV_ID", 10),
                 stmts([](const Dialect &d) { return QStringList{modify(d, "SERV", "CHILDSERV_ID", "NUMBER(5)")}; })});
    s.push_back({54, columnMissing("CUSTOMER", "PASSW"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "CUSTOMER", "PASSW")}; })});
    s.push_back({55, tableMissing("CUSTOMER_TOKEN"), stmts([](const Dialect &d) {
                     return QStringList{create(d, "CUSTOMER_TOKEN"), index(d, "XIF1CUSTOMER_TOKEN"),
                                        fk(d, "FK_CUSTOMER_REF_CUSTTOKEN")};
                 })});
    s.push_back({56, tableMissing("CUST_DOC"), stmts([](const Dialect &d) {
                     return QStringList{create(d, "CUST_DOC"), index(d, "XIF1CUST_DOC_CUSTOMER_ID")};
                 })});
    s.push_back({57, tableMissing("TEAM"), stmts([](const Dialect &d) {
                     return QStringList{create(d, "TEAM"),
                                        sql("insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (1, '-')")};
                 })});
    s.push_back({58, tableMissing("TICKET"), stmts([](const Dialect &d) {
                     return QStringList{
                         create(d, "TICKET_STATUS"),
                         sql("insert into ZOLT.TICKET_STATUS values (1, 'План')"),
                         sql("insert into ZOLT.TICKET_STATUS values (2, 'В работе')"),
                         sql("insert into ZOLT.TICKET_STATUS values (3, 'Выполнена')"),
                         sql("insert into ZOLT.TICKET_STATUS values (4, 'Отмена')"),
                         create(d, "TICKET_CAUSE"),
                         sql("insert into ZOLT.TICKET_CAUSE values (1, 'Неисправна сеть КТВ')"),
                         create(d, "TICKET"),
                         fk(d, "FK_TICKET_TO_TEAM"),
                         fk(d, "FK_TICKET_TO_TICKET_CAUSE")};
                 })});
    s.push_back({59, tableMissing("PLAN_TIME"), stmts([](const Dialect &d) {
                     QStringList out{create(d, "PLAN_TIME")};
                     // Half hours from 9:00 to 13:00 and from 14:00 to 16:00; the lunch hour is left out.
                     for (int minutes = 9 * 60; minutes < 16 * 60; minutes += 30) {
                         if (minutes >= 13 * 60 && minutes < 14 * 60)
                             continue;
                         const auto hhmm = [](int m) {
                             return QStringLiteral("%1:%2").arg(m / 60, 2, 10, QLatin1Char('0')).arg(m % 60, 2, 10,
                                                                                                   QLatin1Char('0'));
                         };
                         out << QStringLiteral("insert into ZOLT.PLAN_TIME (START_TIME, END_TIME) values ('%1', '%2')")
                                    .arg(hhmm(minutes), hhmm(minutes + 30));
                     }
                     return out;
                 })});
    s.push_back({60, tableMissing("PROFESSION"), stmts([](const Dialect &d) {
                     return QStringList{create(d, "PROFESSION"),
                                        sql("insert into ZOLT.PROFESSION (PROFESSION_ID, PROFESSION_NAME) values (1, '-')")};
                 })});
    s.push_back({61, columnMissing("EMPLOYEE", "PROFESSION_ID"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "EMPLOYEE", "PROFESSION_ID"), fk(d, "FK_EMPLOYEE_TO_PROFESSION")};
                 })});
    s.push_back({62, columnMissing("EMPLOYEE", "TEAM_ID"), stmts([](const Dialect &d) {
                     return QStringList{add(d, "EMPLOYEE", "TEAM_ID"), fk(d, "FK_EMPLOYEE_TO_TEAM")};
                 })});
    s.push_back({63, columnMissing("EMPLOYEE", "FULLNAME"),
                 stmts([](const Dialect &d) { return QStringList{add(d, "EMPLOYEE", "FULLNAME")}; })});
    s.push_back({64, rowMissing("AREA", "AREA_ID", 0),
                 stmts([](const Dialect &) { return QStringList{sql("insert into ZOLT.AREA (AREA_ID) values (0)")}; })});
    s.push_back({65, constraintPresent("SUBSCR_HIST", "FK_ACT_SERV_ID"), stmts([](const Dialect &) {
                     return QStringList{sql("ALTER TABLE ZOLT.SUBSCR_HIST DROP CONSTRAINT FK_ACT_SERV_ID")};
                 })});
    s.push_back({66, constraintPresent("SUBSCR_HIST", "FK_DISACTSERV_ID"), stmts([](const Dialect &) {
                     return QStringList{sql("ALTER TABLE ZOLT.SUBSCR_HIST DROP CONSTRAINT FK_DISACTSERV_ID")};
                 })});
    s.push_back({67, columnWidthIs("COMPANY", "TAX_CODE", 20),
                 stmts([](const Dialect &d) { return QStringList{modify(d, "COMPANY", "TAX_CODE", "VARCHAR2(30)")}; })});
    return s;
}

} // namespace

void TDMR::CreateBaseSchema()
{
    const Dialect &d = *m_connection->SqlDialect();
    QStringList statements = d.createSchemaStatements();
    for (const DbSchema::Table &t : DbSchema::tables())
        if (t.step == 0)
            statements << DbSchema::createTableStatement(d, t);
    for (const QString &name : DbSchema::baseIndexNames())
        statements << DbSchema::createIndexStatement(d, name);
    statements << d.createSequenceStatements(DbSchema::LetterSequence);
    statements << DbSchema::baseSeedStatements();
    // Location 0 stands for "none" and is what every new address row points at.
    statements << QStringLiteral("insert into ZOLT.LOCATION (LOCATION_ID, LOCATION_NAME) values (0, '-')");
    if (!runStep(statements))
        throw EDatabaseError(m_lastUpgradeError);
}

bool TDMR::runStep(const QStringList &statements)
{
    // A step is one transaction: when a statement fails, the step leaves nothing half-done.
    StartTransactionIfNone();
    for (const QString &statement : statements) {
        if (statement.isEmpty()) // the engine has nothing to do for this form
            continue;
        if (!ExecSqlScript(statement)) {
            m_lastUpgradeError = QStringLiteral("Ошибка обновления структуры БД: ") + statement;
            return false;
        }
    }
    return CommitWork();
}

bool TDMR::RunUpgradeSteps(int lastStep)
{
    const Dialect &d = *m_connection->SqlDialect();
    for (const Step &step : upgradeSteps()) {
        if (step.number > lastStep)
            break;
        const bool needed = step.check(*this, d, *m_connection);
        CommitWork();
        if (!needed)
            continue;
        if (!runStep(step.statements(*this, d)))
            return false;
        if (step.number == 54 && InitEmptyWebPasswords)
            InitEmptyWebPasswords();
    }
    return true;
}

bool TDMR::IsDbVersionCurrent()
{
    const Dialect &d = *m_connection->SqlDialect();
    bool current = d.tableExists(*m_connection, QStringLiteral("DB_VERSION"));
    if (current)
        current = selectValue(QStringLiteral("select COUNT(*) as QRec from ZOLT.DB_VERSION where MODULE_ID = 1 "
                                             "and DB_VERSION >= :P_VER"),
                              {{QStringLiteral("P_VER"), DbSchema::CurrentVersion}})
                      .toInt()
                  >= 1;
    CommitWork();
    return current;
}

bool TDMR::StampDbVersion()
{
    const int rows = selectValue(QStringLiteral("select COUNT(*) as QRec from ZOLT.DB_VERSION where MODULE_ID = 1")).toInt();
    CommitWork();
    const TParams ver = {{QStringLiteral("VER"), DbSchema::CurrentVersion}};
    if (rows < 1)
        m_connection->Execute(QStringLiteral("insert into ZOLT.DB_VERSION (module_id, db_version) values (1, :VER)"), ver);
    else
        m_connection->Execute(QStringLiteral("update ZOLT.DB_VERSION set DB_VERSION = :VER where MODULE_ID = 1"), ver);
    CommitWork();
    return true;
}

bool TDMR::UpdateDbStructure()
{
    m_lastUpgradeError.clear();
    if (m_connection->Connected())
        CommitWork();
    m_connection->Close();
    m_connection->SetConnectionProperty(QStringLiteral("User ID"), QString::fromLatin1(SchemaOwner));
    // An office that gave the owner a password of its own says it in the environment.
    const QString ownerPassword = qEnvironmentVariable("TARVIK_OWNER_PASSWORD");
    m_connection->SetConnectionProperty(QStringLiteral("Password"), ownerPassword.isEmpty()
                                                                        ? QString::fromLatin1(SchemaOwnerPassword)
                                                                        : ownerPassword);
    // The engine's words tell a wrong owner password from a database that has gone.
    QString refusal;
    try {
        m_connection->Open();
    } catch (const Exception &e) {
        refusal = e.message();
        platformLog(LogKind::Error, refusal);
    }
    if (!m_connection->Connected()) {
        m_lastUpgradeError = QStringLiteral("Нет подключения к БД владельцем схемы");
        if (!refusal.isEmpty())
            m_lastUpgradeError += QLatin1Char('\r') + refusal;
        return false;
    }

    sendToMainWindow(AMShowAnimate);
    struct HideAnimate
    {
        TDMR *self;
        ~HideAnimate() { self->sendToMainWindow(AMHideAnimate); }
    } hide{this};

    const Dialect &d = *m_connection->SqlDialect();
    // An empty database gets the tables that predate the steps first; the steps do the rest.
    if (!d.tableExists(*m_connection, QStringLiteral("CUSTOMER")))
        CreateBaseSchema();
    if (!RunUpgradeSteps(std::numeric_limits<int>::max()))
        return false;

    QStringList finish;
    // A database made before the indexes by customer existed gets them here; the close and the recalculation
    // read every table by customer.
    for (const QString &name : DbSchema::baseIndexNames())
        finish << DbSchema::createIndexStatement(d, name);
    for (const DbSchema::View &v : DbSchema::views())
        finish << d.createOrReplaceView(v.name, v.body);
    if (d.engine() == Dialect::Engine::PostgreSQL) {
        // The staff log on as roles of their own and work on the owner's tables through the group role
        // TARVIK_STAFF, made here when the server lacks it; a role outside it reads and changes nothing (the
        // grants earlier versions gave every role are taken back).
        const TParams staff = {{QStringLiteral("P_ROLE"), QString::fromLatin1(StaffRole)}};
        if (m_connection->SelectValue(QStringLiteral("select count(*) from pg_roles where rolname = :P_ROLE"), staff)
                .toInt()
            == 0)
            finish << QStringLiteral("CREATE ROLE \"%1\" NOLOGIN").arg(QLatin1String(StaffRole));
        finish << QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA zolt FROM PUBLIC")
               << QStringLiteral("REVOKE ALL ON ALL SEQUENCES IN SCHEMA zolt FROM PUBLIC")
               << QStringLiteral("REVOKE ALL ON SCHEMA zolt FROM PUBLIC")
               << QStringLiteral("GRANT USAGE ON SCHEMA zolt TO \"%1\"").arg(QLatin1String(StaffRole))
               << QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA zolt TO \"%1\"")
                      .arg(QLatin1String(StaffRole))
               << QStringLiteral("GRANT USAGE, SELECT, UPDATE ON ALL SEQUENCES IN SCHEMA zolt TO \"%1\"")
                      .arg(QLatin1String(StaffRole));
    }
    if (!runStep(finish))
        return false;
    return StampDbVersion();
}
