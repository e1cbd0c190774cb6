// What every guide window does, as one table over the members, on both engines.
#include "GuideFixture.h"
#include "Kyv_db.h"
#include "frmuAreaGuide.h"
#include "frmuCompanyGuide.h"
#include "frmuCust_PropGuide.h"
#include "frmuEmployee.h"
#include "frmuTeam.h"
#include "frmuHouseGuide.h"
#include "frmuLocationGuide.h"
#include "frmuServicePackageGuide.h"
#include "frmuSingleServiceTarifGuide.h"
#include "frmuStreetGuide.h"
#include "frmuSubAreaGuide.h"

#include <QStackedWidget>

#include <gtest/gtest.h>

namespace {

using GuideRoutine = bool (*)(const QVariant &, int, QVariant &);

struct Member
{
    const char *name;
    GuideRoutine run;
    const char *table, *key, *nameField;
    const char *insert;   // a row with the key %1 and the name %2
    const char *referrer; // a row that refers to the key %1; null when nothing refuses a delete
    const char *refusal;  // the refusal's text, %1 the row's name
    TGuideCancelKey cancel = gckInitial;
    bool fullCheck = true;
    bool placeholderShown = false; // the list shows row 0, so it is never empty
    const char *confirmName = "%1"; // the row as the delete's confirmation names it: %1 its name, %2 its key
    bool textKey = false;           // the key is a text typed by the user, with no default
    bool locates = true;            // the list opens on the given key
    bool keyOnInsert = true;        // a new row has its key at once (else when it is stored)
    const char *referred = nullptr; // a row the referrer needs, made before it
};

const Member Members[] = {
    { "Area", executeAreaGuide, "AREA", "AREA_ID", "AREA_NAME",
      "insert into ZOLT.AREA (AREA_ID, AREA_NAME, LOCATION_ID) values (%1, '%2', 0)",
      "insert into ZOLT.HOUSE (HOUSE_ID, AREA_ID, HOUSE_NO, Q_PORCH) values (2, %1, '1', 1)",
      "\"%1\" удалить нельзя, т.к. есть ссылка на дома" },
    { "SubArea", executeSubAreaGuide, "SUBAREA", "SUBAREA_ID", "SUBAREA_NAME",
      "insert into ZOLT.SUBAREA (SUBAREA_ID, SUBAREA_NAME, LOCATION_ID) values (%1, '%2', 0)",
      "insert into ZOLT.HOUSE (HOUSE_ID, SUBAREA_ID, HOUSE_NO, Q_PORCH) values (3, %1, '1', 1)",
      "\"%1\" удалить нельзя, т.к. есть ссылка на дома", gckInitial, false },
    { "Location", executeLocationGuide, "LOCATION", "LOCATION_ID", "LOCATION_NAME",
      "insert into ZOLT.LOCATION (LOCATION_ID, LOCATION_NAME, LOCATION_TYPE_ID) values (%1, '%2', 0)",
      "insert into ZOLT.COMPANY (COMPANY_ID, COMPANY_NAME, LOCATION_ID) values (4, 'Почта', %1)",
      "\"%1\" удалить нельзя, т.к. есть ссылка на организацию. Вы можете переименовать нас. пункт.", gckInitial,
      true, true },
    { "Street", executeStreetGuide, "STREET", "STREET_ID", "STREET_NAME",
      "insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME) values (%1, '%1', '%2')",
      "insert into ZOLT.HOUSE (HOUSE_ID, STREET_ID, HOUSE_NO, Q_PORCH) values (4, %1, '1', 1)",
      "Данную улицу удалить нельзя, т.к. на нее есть ссылка из справочника домов" },
    { "House", executeHouseGuide, "HOUSE", "HOUSE_ID", "HOUSE_NO",
      "insert into ZOLT.HOUSE (HOUSE_ID, LOCATION_ID, STREET_ID, AREA_ID, SUBAREA_ID, HOUSE_NO, Q_FLAT, Q_PORCH) "
      "values (%1, 0, 0, 0, 0, '%2', 10, 1)",
      "insert into ZOLT.CUSTOMER (CUSTOMER_ID, HOUSE_ID, SURNAME) values (95, %1, 'Жилец')",
      "Данный дом удалить нельзя, т.к. на него есть ссылка из картотеки клиентов", gckNull, true, false, "- %1" },
    { "Company", executeCompanyGuide, "COMPANY", "COMPANY_ID", "COMPANY_NAME",
      "insert into ZOLT.COMPANY (COMPANY_ID, COMPANY_NAME, LOCATION_ID) values (%1, '%2', 0)",
      "insert into ZOLT.MAIN_CFG (CFG_ID, COMPANY_ID, REPORT_LOCALE, DTV_PROVIDER_ID) values (1, %1, 0, 0)",
      "\"%1\" удалить нельзя, т.к. есть ссылка на конфигурацию системы", gckInitial, true, true },
    { "CustProp", executeCustPropGuide, "CUST_PROP", "CUST_PROP_ID", "CUST_PROP_DESCR",
      "insert into ZOLT.CUST_PROP (CUST_PROP_ID, CUST_PROP_DESCR) values ('%1', '%2')", nullptr, nullptr,
      gckAlwaysNull, false, false, "%2", true, false, false },
    { "Team", executeTeamGuide, "TEAM", "TEAM_ID", "TEAM_NAME",
      "insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (%1, '%2')",
      "insert into ZOLT.EMPLOYEE (EMPLOYEE_ID, TEAM_ID, FULLNAME) values (4, %1, 'Монтёр')",
      "\"%1\" удалить нельзя, т.к. есть ссылка на сотрудников", gckInitial, true, false, "%1", false, false, false },
    { "Employee", executeEmployeeGuide, "EMPLOYEE", "EMPLOYEE_ID", "FULLNAME",
      "insert into ZOLT.EMPLOYEE (EMPLOYEE_ID, TEAM_ID, FULLNAME) values (%1, 1, '%2')", nullptr, nullptr,
      gckInitial, true, false, "%1", false, false, false },
    { "ServicePackage", executeServicePackageGuide, "SERV_PACKAGE", "SERV_PACKAGE_ID", "SERV_PACKAGE_DESCR",
      "insert into ZOLT.SERV_PACKAGE (SERV_PACKAGE_ID, SERV_PACKAGE_DESCR) values (%1, '%2')",
      "insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, SERV_PACKAGE_ID) values (40, 'Услуга', 0, %1)",
      "\"%1\" удалить нельзя, т.к. есть ссылка на услуги", gckInitial, false },
    // The price list comes with its balance-correction row, read first and sorted last.
    { "SingleServiceTarif", executeSingleServiceTarifGuide, "SINGLE_SERVICE_TARIF", "SINGLE_SERVICE_TARIF_ID",
      "SERVICE_NAME",
      "insert into ZOLT.SINGLE_SERVICE_TARIF (SINGLE_SERVICE_TARIF_ID, SERVICE_NAME, PRICE, MEASURE_ID) "
      "values (%1, '%2', 12.5, 1)",
      "insert into ZOLT.CUSTOMER_SERVICE (CUSTOMER_ID, CUSTOMER_SERVICE_ID, SINGLE_SERVICE_TARIF_ID, SERVICE_DATE, "
      "QUANTITY, PRICE, PUT_TIME) values (96, 1, %1, '2021-03-01 00:00:00', 1, 12.5, '2021-03-01 00:00:00')",
      "\"%1\" удалить нельзя, т.к. есть ссылка на услуги", gckInitial, false, true, "%1", false, true, true,
      "insert into ZOLT.CUSTOMER (CUSTOMER_ID, SURNAME) values (96, 'Заказчик')" },
};

class GuideFamily : public GuideFixture
{
protected:
    void seed(const Member &m, int id, const char *name)
    {
        exec(QString::fromUtf8(m.insert).arg(id).arg(QString::fromUtf8(name)));
    }
    // The rows the tests made (their keys start at 5).
    int count(const Member &m)
    {
        return seen(QStringLiteral("select count(*) from ZOLT.%1 where %2 >= %3")
                        .arg(QString::fromLatin1(m.table), QString::fromLatin1(m.key),
                             m.textKey ? QStringLiteral("'5'") : QStringLiteral("5")))
            .toInt();
    }
    static QVariant key(TfrmGuide *g, const Member &m)
    {
        return g->L->FieldByName(QString::fromLatin1(m.key))->Value();
    }
    // A key as the member's table holds it.
    static QVariant keyOf(const Member &m, int id) { return m.textKey ? QVariant(QString::number(id)) : QVariant(id); }
    static QVariant cancelled(const Member &m, const QVariant &init)
    {
        return m.cancel == gckInitial ? init : QVariant();
    }
};

TEST_P(GuideFamily, AnEmptyTableOffersOnlyInsert)
{
    for (const Member &m : Members) {
        SCOPED_TRACE(m.name);
        if (m.placeholderShown)
            continue;
        QVariant out;
        const bool ok = runGuide(m.run, 0, 1, out, [&](TfrmGuide *g) {
            EXPECT_TRUE(g->L->Active());
            EXPECT_TRUE(g->L->IsEmpty());
            EXPECT_TRUE(g->actInsertRecord->isEnabled());
            if (m.fullCheck) {
                EXPECT_FALSE(g->actMrOk->isEnabled());
                EXPECT_FALSE(g->actEditRecord->isEnabled());
                EXPECT_FALSE(g->actDeleteRecord->isEnabled());
            }
            g->listDoubleClick();
            EXPECT_EQ(g->pcMain->currentWidget(), g->tsList) << "a double click on nothing opens nothing";
        });
        EXPECT_FALSE(ok);
        EXPECT_EQ(out, cancelled(m, 0));
    }
}

TEST_P(GuideFamily, PickModeLocatesTheKeyAndHandsBackTheChoice)
{
    for (const Member &m : Members) {
        SCOPED_TRACE(m.name);
        seed(m, 5, "Альфа");
        seed(m, 6, "Бета");
        QVariant out;
        bool ok = runGuide(m.run, 999, 1, out, [&](TfrmGuide *g) {
            EXPECT_EQ(g->L->RecNo(), 1) << "a missing key leaves the list on its top row";
            g->actMrCancel->trigger();
        });
        EXPECT_FALSE(ok);
        EXPECT_EQ(out, cancelled(m, 999));

        ok = runGuide(m.run, 6, 1, out, [&](TfrmGuide *g) {
            if (m.cancel == gckAlwaysNull) {
                EXPECT_FALSE(g->actMrOk->isVisible()) << "nothing to choose";
                g->actMrOk->trigger();
                return;
            }
            EXPECT_EQ(key(g, m).toInt(), m.locates ? 6 : 5);
            EXPECT_TRUE(g->actMrOk->isEnabled());
            g->actMrOk->trigger();
        });
        if (m.cancel == gckAlwaysNull) {
            EXPECT_FALSE(ok);
            EXPECT_TRUE(out.isNull());
            continue;
        }
        EXPECT_TRUE(ok);
        EXPECT_EQ(out.toInt(), m.locates ? 6 : 5);
    }
}

TEST_P(GuideFamily, BrowseModeEditsOnDoubleClick)
{
    for (const Member &m : Members) {
        SCOPED_TRACE(m.name);
        seed(m, 5, "Альфа");
        QVariant out;
        runGuide(m.run, 5, 0, out, [&](TfrmGuide *g) {
            EXPECT_FALSE(g->actMrOk->isEnabled());
            g->actMrOk->trigger();
            EXPECT_TRUE(g->isVisible()) << "Ok does nothing in browse mode";
            g->listDoubleClick();
            if (m.cancel == gckAlwaysNull) {
                EXPECT_EQ(g->pcMain->currentWidget(), g->tsList) << "the customer-state guide has no double click";
                return;
            }
            EXPECT_EQ(g->pcMain->currentWidget(), g->tsDetail);
            EXPECT_EQ(g->L->State(), dsEdit);
            g->actCancel->trigger();
            EXPECT_EQ(g->pcMain->currentWidget(), g->tsList);
            EXPECT_EQ(g->L->State(), dsBrowse);
        });
    }
}

TEST_P(GuideFamily, ClosingDuringAnInsertAsksWhetherToStoreIt)
{
    for (const Member &m : Members) {
        SCOPED_TRACE(m.name);
        seed(m, 5, "Альфа");
        const int before = count(m);
        for (const TModalResult answer : { mrNo, mrYes }) {
            m_messages.answer(answer);
            QVariant out;
            runGuide(m.run, 0, 0, out, [&](TfrmGuide *g) {
                g->actInsertRecord->trigger();
                EXPECT_EQ(g->pcMain->currentWidget(), g->tsDetail);
                ASSERT_EQ(g->L->State(), dsInsert);
                if (m.keyOnInsert) {
                    EXPECT_EQ(key(g, m).toInt(), 6) << "a new key is the largest one plus 1";
                }
                if (m.textKey)
                    g->L->FieldByName(QString::fromLatin1(m.key))->SetValue(QStringLiteral("6"));
                g->L->FieldByName(QString::fromLatin1(m.nameField))->SetValue(QStringLiteral("Новая"));
                g->close();
                EXPECT_FALSE(g->isVisible());
            });
            EXPECT_EQ(m_messages.lastText(), QStringLiteral("Данные изменены, записать?"));
            EXPECT_EQ(count(m), answer == mrYes ? before + 1 : before);
        }
        EXPECT_EQ(seen(QStringLiteral("select %1 from ZOLT.%2 where %3 = %4")
                           .arg(QString::fromLatin1(m.nameField), QString::fromLatin1(m.table), QString::fromLatin1(m.key),
                                m.textKey ? QStringLiteral("'6'") : QStringLiteral("6")))
                      .toString(),
                  QStringLiteral("Новая")) << "the new row is stored with the largest key plus 1";
    }
}

TEST_P(GuideFamily, DeleteIsRefusedWhileReferredToAndConfirmedOtherwise)
{
    for (const Member &m : Members) {
        SCOPED_TRACE(m.name);
        seed(m, 5, "Альфа");
        seed(m, 6, "Бета");
        if (m.referred)
            exec(m.referred);
        if (m.referrer)
            exec(QString::fromUtf8(m.referrer).arg(5));
        QVariant out;
        runGuide(m.run, 5, 0, out, [&](TfrmGuide *g) {
            if (m.referrer) {
                m_messages.requests.clear();
                g->actDeleteRecord->trigger();
                ASSERT_EQ(m_messages.requests.size(), 1);
                EXPECT_EQ(m_messages.requests[0].type, mtWarning);
                EXPECT_EQ(m_messages.lastText(), QString::fromUtf8(m.refusal).arg(QStringLiteral("Альфа")));
            }
            ASSERT_TRUE(g->L->Locate(QString::fromLatin1(m.key), keyOf(m, 6)));
            m_messages.answer(mrNo);
            g->actDeleteRecord->trigger();
            EXPECT_EQ(m_messages.lastText(),
                      QStringLiteral("Удалять запись? ") + QString::fromUtf8(m.confirmName)
                                                            .replace(QStringLiteral("%1"), QStringLiteral("Бета"))
                                                            .replace(QStringLiteral("%2"), QStringLiteral("6")));
            m_messages.answer(mrYes);
            g->actDeleteRecord->trigger();
        });
        EXPECT_EQ(count(m), 1) << "the referred row stays, the other is gone";
        EXPECT_EQ(seen(QStringLiteral("select count(*) from ZOLT.%1 where %2 = %3")
                           .arg(QString::fromLatin1(m.table), QString::fromLatin1(m.key),
                                m.textKey ? QStringLiteral("'5'") : QStringLiteral("5")))
                      .toInt(),
                  1);
    }
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Guide, GuideFamily, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         [](const auto &info) { return info.param == TestEngine::SQLite ? "SQLite" : "PostgreSQL"; });
