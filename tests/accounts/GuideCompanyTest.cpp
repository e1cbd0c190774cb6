// The organisations, customer-state, teams and employees guides beyond the family, on both engines.
#include "DBCtrlsEh.h"
#include "FormClasses.h"
#include "GuideFixture.h"
#include "Kyv_db.h"
#include "frmuCompanyGuide.h"
#include "frmuCust_PropGuide.h"
#include "frmuEmployee.h"
#include "frmuTeam.h"
#include "uGuides.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

class GuideCompany : public GuideFixture
{
protected:
    static QVariant value(TfrmGuide *g, const char *field)
    {
        return g->L->FieldByName(QString::fromLatin1(field))->Value();
    }
    static void set(TfrmGuide *g, const char *field, const QVariant &v)
    {
        g->L->FieldByName(QString::fromLatin1(field))->SetValue(v);
    }
};

TEST(GuideCompanyCode, NextCodeFollowsTheLargestNumericCode)
{
    struct Case
    {
        QStringList codes;
        const char *want;
    };
    const Case cases[] = {
        { {}, "1" },
        { { "7", "12" }, "13" },
        { { "7", "A12", "", " 9 " }, "10" },
        { { "abc" }, "1" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(NextCompanyCode(c.codes), QString::fromLatin1(c.want)) << c.codes.join(',').toStdString();
}

TEST_P(GuideCompany, NewOrganisationGetsTheNextCodeAndTheDefaults)
{
    exec("update ZOLT.COMPANY set CODE = '7' where COMPANY_ID = 1");
    exec("insert into ZOLT.COMPANY (COMPANY_ID, CODE, COMPANY_NAME, LOCATION_ID) values (5, '12', 'Почта', 0)");
    exec("insert into ZOLT.COMPANY (COMPANY_ID, CODE, COMPANY_NAME, LOCATION_ID) values (6, 'Б-1', 'Банк', 0)");
    QVariant out;
    runGuide(executeCompanyGuide, 0, 0, out, [&](TfrmGuide *g) {
        g->actInsertRecord->trigger();
        ASSERT_EQ(g->L->State(), dsInsert);
        EXPECT_EQ(value(g, "COMPANY_ID").toInt(), 7);
        EXPECT_EQ(value(g, "CODE").toString(), QStringLiteral("13"));
        EXPECT_EQ(value(g, "ADRESSCOUNTRY").toString(), QStringLiteral("Республика Беларусь"));
        EXPECT_EQ(value(g, "DIRECT_PROF").toString(), QStringLiteral("директор"));
        EXPECT_EQ(value(g, "BUH_PROF").toString(), QStringLiteral("гл. бухгалтер"));
        EXPECT_EQ(value(g, "LOCATION_ID").toInt(), 0);
        EXPECT_TRUE(static_cast<TfrmCompanyGuide *>(g)->chkResident->Checked()) << "\"Резидент\" is ticked";
        set(g, "COMPANY_NAME", QStringLiteral("Новая"));
        g->actApply->trigger();
    });
    EXPECT_EQ(seen("select CODE from ZOLT.COMPANY where COMPANY_ID = 7").toString(), QStringLiteral("13"));
    EXPECT_EQ(seen("select BELARUS_SGN from ZOLT.COMPANY where COMPANY_ID = 7").toInt(), 1);
}

TEST_P(GuideCompany, OnlyTheConfiguredOrganisationIsRefusedAndAStoredChangeReloadsTheConfiguration)
{
    exec("insert into ZOLT.COMPANY (COMPANY_ID, COMPANY_NAME, LOCATION_ID) values (5, 'Почта', 0)");
    exec("insert into ZOLT.COMPANY (COMPANY_ID, COMPANY_NAME, LOCATION_ID) values (6, 'Банк', 0)");
    exec("insert into ZOLT.MAIN_CFG (CFG_ID, COMPANY_ID, REPORT_LOCALE, DTV_PROVIDER_ID) values (1, 5, 0, 0)");
    m_dmr->CommitWork();
    m_dm->OpenMainCFG(true);
    QVariant out;
    runGuide(executeCompanyGuide, 5, 0, out, [&](TfrmGuide *g) {
        g->actDeleteRecord->trigger();
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("\"Почта\" удалить нельзя, т.к. есть ссылка на конфигурацию системы"));
        g->actEditRecord->trigger();
        set(g, "COMPANY_NAME", QStringLiteral("Почта края"));
        g->actApply->trigger();
        EXPECT_EQ(m_dm->cdsMainCFG()->FieldByName(QStringLiteral("COMPANY_NAME"))->AsString(), QStringLiteral("Почта края"))
            << "the configuration row is read again";
        ASSERT_TRUE(g->L->Locate(QStringLiteral("COMPANY_ID"), 6));
        m_messages.answer(mrYes);
        g->actDeleteRecord->trigger();
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("Удалять запись? Банк")) << "nothing else is checked";
    });
    EXPECT_EQ(seen("select count(*) from ZOLT.COMPANY where COMPANY_ID = 5").toInt(), 1);
    EXPECT_EQ(seen("select count(*) from ZOLT.COMPANY where COMPANY_ID = 6").toInt(), 0);
}

TEST_P(GuideCompany, RejectedOrganisationChangeIsReportedAndCancelled)
{
    exec("insert into ZOLT.COMPANY (COMPANY_ID, COMPANY_NAME, LOCATION_ID) values (5, 'Почта', 0)");
    QStringList reported;
    const ReconcileErrorSink previous = setReconcileErrorSink(
        [&](const QString &name, TUpdateKind, const QString &, const QString &) { reported << name; });
    QVariant out;
    runGuide(executeCompanyGuide, 5, 0, out, [&](TfrmGuide *g) {
        g->actInsertRecord->trigger();
        set(g, "COMPANY_ID", 5); // the key of another organisation
        set(g, "COMPANY_NAME", QStringLiteral("Двойник"));
        g->actApply->trigger();
        EXPECT_EQ(g->L->State(), dsBrowse);
    });
    setReconcileErrorSink(previous);
    EXPECT_EQ(reported, QStringList { QStringLiteral("frmCompanyGuide.cdsCompany") });
    EXPECT_EQ(seen("select COMPANY_NAME from ZOLT.COMPANY where COMPANY_ID = 5").toString(), QStringLiteral("Почта"));
}

TEST_P(GuideCompany, ConfigurationWindowPicksTheCompanyByItsPicker)
{
    RegisterGuides();
    exec("insert into ZOLT.COMPANY (COMPANY_ID, COMPANY_NAME, LOCATION_ID) values (5, 'Почта', 0)");
    const TPicker pick = FindPicker(QStringLiteral("pickCompany"));
    ASSERT_TRUE(pick);
    tarvik::test::ModalAnswer answer([] { return tarvik::test::activeModal<TfrmCompanyGuide>() != nullptr; }, [] {
        TfrmGuide *g = tarvik::test::activeModal<TfrmCompanyGuide>();
        g->L->Locate(QStringLiteral("COMPANY_ID"), 5);
        g->actMrOk->trigger();
    });
    QVariant key = 1;
    EXPECT_TRUE(pick(key));
    EXPECT_EQ(key.toInt(), 5);
}

TEST_P(GuideCompany, CustomerStateCodesOfferCodesWrittenOnCards)
{
    exec("insert into ZOLT.CUST_PROP (CUST_PROP_ID, CUST_PROP_DESCR) values ('Б', 'долг')");
    exec("insert into ZOLT.CUSTOMER (CUSTOMER_ID, SURNAME, CUST_PROP) values (90, 'Клиент', ' ЛГ ')");
    exec("insert into ZOLT.CUSTOMER (CUSTOMER_ID, SURNAME, CUST_PROP) values (91, 'Клиент', 'Б')");
    exec("insert into ZOLT.CUSTOMER (CUSTOMER_ID, SURNAME) values (92, 'Клиент')");
    m_dmr->CommitWork();
    EXPECT_EQ(CustPropCodes(), (QStringList { QStringLiteral("Б"), QStringLiteral("ЛГ") }));
    QVariant out = 5;
    const bool ok = runGuide(executeCustPropGuide, QStringLiteral("Б"), 1, out, [&](TfrmGuide *g) {
        auto *cp = static_cast<TfrmCust_PropGuide *>(g);
        EXPECT_EQ(cp->FMode, 0) << "always opened for browsing";
        EXPECT_EQ(cp->cbCode->Items(), (QStringList { QStringLiteral("Б"), QStringLiteral("ЛГ") }));
        g->actInsertRecord->trigger();
        EXPECT_TRUE(cp->cbCode->hasFocus() || !g->isActiveWindow());
        set(g, "CUST_PROP_ID", QStringLiteral("ЛГ"));
        set(g, "CUST_PROP_DESCR", QStringLiteral("льгота"));
        g->actApply->trigger();
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(out.isNull());
    EXPECT_EQ(seen("select CUST_PROP_DESCR from ZOLT.CUST_PROP where CUST_PROP_ID = 'ЛГ'").toString(),
              QStringLiteral("льгота"));
}

TEST_P(GuideCompany, TeamsSaveThroughTheirChecksOnYes)
{
    exec("insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (5, 'Север')");
    QVariant out;
    runGuide(executeTeamGuide, 0, 0, out, [&](TfrmGuide *g) {
        EXPECT_FALSE(g->L->Locate(QStringLiteral("TEAM_ID"), 1)) << "the team \"-\" is never listed";
        ASSERT_TRUE(g->L->Locate(QStringLiteral("TEAM_ID"), 5));
        g->actEditRecord->trigger();
        set(g, "TEAM_NAME", QStringLiteral("  "));
        m_messages.answer(mrYes);
        g->close();
        EXPECT_TRUE(g->isVisible()) << "an empty name keeps the window open with the edit";
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не введено наименование"));
        EXPECT_EQ(g->L->State(), dsEdit);
        set(g, "TEAM_NAME", QStringLiteral("Север-2"));
        m_messages.answer(mrYes);
        g->close();
        EXPECT_FALSE(g->isVisible());
    });
    EXPECT_EQ(seen("select TEAM_NAME from ZOLT.TEAM where TEAM_ID = 5").toString(), QStringLiteral("Север-2"));
}

TEST_P(GuideCompany, EmployeesSaveThroughYesOnTheTeamNone)
{
    exec("insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (5, 'Север')");
    exec("insert into ZOLT.EMPLOYEE (EMPLOYEE_ID, TEAM_ID, FULLNAME) values (3, 5, 'Петров')");
    QVariant out;
    runGuide(executeEmployeeGuide, 0, 0, out, [&](TfrmGuide *g) {
        g->actInsertRecord->trigger();
        EXPECT_EQ(value(g, "TEAM_ID").toInt(), 1);
        set(g, "FULLNAME", QStringLiteral("Иванов"));
        m_messages.answer(mrYes);
        g->close();
    });
    EXPECT_EQ(seen("select TEAM_ID from ZOLT.EMPLOYEE where EMPLOYEE_ID = 4").toInt(), 1);
    EXPECT_EQ(seen("select FULLNAME from ZOLT.EMPLOYEE where EMPLOYEE_ID = 4").toString(), QStringLiteral("Иванов"));
    EXPECT_EQ(seen("select PROFESSION_ID from ZOLT.EMPLOYEE where EMPLOYEE_ID = 4").toInt(), 1);

    runGuide(executeEmployeeGuide, 0, 0, out, [&](TfrmGuide *g) {
        ASSERT_TRUE(g->L->Locate(QStringLiteral("EMPLOYEE_ID"), 3));
        EXPECT_EQ(value(g, "RO_TEAM_NAME").toString(), QStringLiteral("Север"));
        g->actEditRecord->trigger();
        set(g, "FULLNAME", QString());
        g->actApply->trigger();
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не введено краткое наименование"));
        EXPECT_EQ(g->pcMain->currentWidget(), g->tsDetail);
        set(g, "FULLNAME", QStringLiteral("Петров П."));
        set(g, "TEAM_ID", 1);
        g->actApply->trigger();
        EXPECT_EQ(g->pcMain->currentWidget(), g->tsList);
        EXPECT_EQ(g->L->State(), dsBrowse);
    });
    EXPECT_EQ(seen("select FULLNAME from ZOLT.EMPLOYEE where EMPLOYEE_ID = 3").toString(), QStringLiteral("Петров П."));
    EXPECT_EQ(seen("select TEAM_ID from ZOLT.EMPLOYEE where EMPLOYEE_ID = 3").toInt(), 1);
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Guide, GuideCompany, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         [](const auto &info) { return info.param == TestEngine::SQLite ? "SQLite" : "PostgreSQL"; });
