// The account statement of one customer: its groups and lines, on both engines.
#include "EngineFixture.h"
#include "Kyv_db.h"

namespace {

class EngineBalance : public EngineDb
{
protected:
    // "group | caption | sign | text | sum" per line, in order.
    std::string text(const QStringList &rows) { return rows.join(QLatin1Char('\n')).toStdString(); }
    QStringList lines()
    {
        QStringList rows;
        QSqlQuery q = dmr->dbConnection()->OpenQuery(
            QStringLiteral("select GROUP_ID, GROUP_DESCR, SUM_SGN, DESCR, SUM_VAL, USER_ID from ZOLT.TMP_CUST_BALANCE "
                           "order by TMP_CUST_BALANCE_ID"));
        while (q.next())
            rows << QStringLiteral("%1 | %2 | %3 | %4 | %5")
                        .arg(q.value(0).toInt())
                        .arg(q.value(1).toString())
                        .arg(q.value(2).toInt())
                        .arg(q.value(3).toString())
                        .arg(q.value(4).toDouble());
        return rows;
    }
};

TEST_P(EngineBalance, StatementOfOneCustomer)
{
    makeOperator();
    // A payment not tied to a service is listed too.
    exec(QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM) "
                        "values (20, 1, 1, null, '2024-03-02 00:00:00', 4)"));
    dmr->RecalcAllCustomers(march(), 1);
    // Prepayment mode: the open month shows the next full month of the running subscription.
    ASSERT_TRUE(dmr->FillCustBalance(1, 1, march(), QDate()));
    EXPECT_EQ(text(lines()), text({
                           "1 | на дату инициализации (01.01.2024) | 1 | Платеж ТВ 20.12.2023 | 5",
                           "1 | на дату инициализации (01.01.2024) | -1 | Долг на дату инициализации (01.01.2024) | 10",
                           "2 | Январь 2024 г.  Вх. долг = 5 | -1 | ТВ (с: 10.01.2024 по: 31.01.2024) | 22",
                           "2 | Январь 2024 г.  Вх. долг = 5 | -1 | За услуги подключения | 5",
                           "3 | Февраль 2024 г.  Вх. долг = 32 | -1 | ТВ (за Февраль 2024 г.) | 31",
                           "3 | Февраль 2024 г.  Вх. долг = 32 | 1 | ТВ 29.02.2024 | 40",
                           "4 | Март 2024 г.  Вх. долг = 23 | 1 |  02.03.2024 | 4",
                           "4 | Март 2024 г.  Вх. долг = 23 | -1 | Предоплата Март 2024 г. | 31",
                       }));

    // The next statement replaces the user's lines. Customer 2: no starting group; the cent case with its factor;
    // the payment after the open month in the last group.
    ASSERT_TRUE(dmr->FillCustBalance(2, 0, march(), QDate()));
    EXPECT_EQ(text(lines()), text({
                           "3 | Февраль 2024 г. | -1 | Радио (с: 10.02.2024 по: 20.02.2024) скидка: 0.5 | 2.27",
                           "5 | После расчетного периода: Апрель 2024 г. | 1 | Платеж ТВ 05.05.2024 | 1",
                       }));
}

TEST_P(EngineBalance, NothingIsWrittenWhenTheOldLinesCannotBeDeleted)
{
    makeOperator();
    auto owner = fixture->makeDmr();
    owner->DbLogON(TDMR::SchemaOwner, TDMR::SchemaOwnerPassword, QStringLiteral("TEST"));
    ASSERT_TRUE(owner->Get_DatabaseConnectStatus());
    owner->dbConnection()->Execute(QStringLiteral("alter table ZOLT.TMP_CUST_BALANCE rename to TMP_AWAY"));
    EXPECT_FALSE(dmr->FillCustBalance(1, 0, march(), QDate()));
    owner->dbConnection()->Execute(QStringLiteral("alter table ZOLT.TMP_AWAY rename to TMP_CUST_BALANCE"));
    EXPECT_TRUE(lines().isEmpty());
}

TEST_P(EngineBalance, ReadersShowTheGroupsWithTheirIncomeAndCharges)
{
    makeOperator();
    // Another user's statement in the same table must not show.
    exec(QStringLiteral("insert into ZOLT.TMP_CUST_BALANCE (TMP_CUST_BALANCE_ID, CUSTOMER_ID, USER_ID, GROUP_ID, "
                        "GROUP_DESCR, SUM_VAL, SUM_SGN, DESCR) values (1000, 1, 999, 3, 'чужая', 7, 1, 'чужой')"));
    dmr->RecalcAllCustomers(march(), 1);
    ASSERT_TRUE(dmr->FillCustBalance(1, 1, march(), QDate()));
    TDataSet *groups = dmr->odsBalanceGroup();
    groups->Open();
    const auto rows = [](TDataSet *ds) {
        QStringList out;
        for (ds->First(); !ds->Eof(); ds->Next())
            out << ds->FieldByName(QStringLiteral("DESCR"))->AsString() + QStringLiteral(" = ")
                       + ds->FieldByName(QStringLiteral("SUM_VAL"))->AsString();
        return out.join(QStringLiteral("; "));
    };
    QStringList seen;
    for (groups->First(); !groups->Eof(); groups->Next())
        seen << QStringLiteral("%1 %2 | %3 | %4")
                    .arg(groups->FieldByName(QStringLiteral("GROUP_ID"))->AsInteger())
                    .arg(groups->FieldByName(QStringLiteral("GROUP_DESCR"))->AsString(),
                         rows(dmr->odsBalanceIncome()), rows(dmr->odsBalanceOutgo()));
    EXPECT_EQ(text(seen), text({
                          "1 на дату инициализации (01.01.2024) | Платеж ТВ 20.12.2023 = 5 | "
                          "Долг на дату инициализации (01.01.2024) = 10",
                          "2 Январь 2024 г.  Вх. долг = 5 |  | ТВ (с: 10.01.2024 по: 31.01.2024) = 22; "
                          "За услуги подключения = 5",
                          "3 Февраль 2024 г.  Вх. долг = 32 | ТВ 29.02.2024 = 40 | ТВ (за Февраль 2024 г.) = 31",
                          "4 Март 2024 г.  Вх. долг = 23 |  | Предоплата Март 2024 г. = 31",
                      }));

    // Reopening after the next statement reads the new lines; closing the groups closes the lines.
    ASSERT_TRUE(dmr->FillCustBalance(2, 0, march(), QDate()));
    groups->Close();
    EXPECT_FALSE(dmr->odsBalanceIncome()->Active());
    groups->Open();
    EXPECT_EQ(groups->RecordCount(), 2);
    EXPECT_EQ(rows(dmr->odsBalanceOutgo()).toStdString(), "Радио (с: 10.02.2024 по: 20.02.2024) скидка: 0.5 = 2.27");
    groups->Close();
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineBalance, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);

} // namespace
