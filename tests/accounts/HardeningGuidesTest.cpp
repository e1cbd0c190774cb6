// Guide rows no list could show or name, the houses' totals, and what the services editor shows of a service
// it has just stored or a tariff the database refused; on both engines.
#include "GuideFixture.h"
#include "RefuseInserts.h"

#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "frmuHouseGuide.h"
#include "frmuPaySourceGuide.h"
#include "frmuServTypeGuide.h"

#include <QPointer>

#include <gtest/gtest.h>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

class HardeningGuides : public GuideFixture
{
protected:
    void SetUp() override
    {
        GuideFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_previousHandler = setExceptionHandler([this](const QString &message) { m_errors << message; });
        for (const char *sql :
            { "insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME) values (5, '12', 'Лесная')",
                "insert into ZOLT.HOUSE (HOUSE_ID, LOCATION_ID, STREET_ID, AREA_ID, SUBAREA_ID, HOUSE_NO, Q_FLAT, "
                "Q_PORCH) values (10, 0, 5, 0, 0, '7', 4, 1)",
                "insert into ZOLT.CUSTOMER (CUSTOMER_ID, HOUSE_ID, FLAT_NO, SURNAME, CUST_STATE, CUST_CODE) values "
                "(100, 10, '1', 'Жилец', 1, 'X')",
                "insert into ZOLT.SERV_PACKAGE (SERV_PACKAGE_ID, SERV_PACKAGE_DESCR) values (1, 'Базовый')",
                "insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, CHILDSERV_ID, SERV_CODE, SERV_PACKAGE_ID, "
                "IS_DTV_PACKAGE, DTV_PACKAGE_CODE) values (10, 'Абонплата', 0, -1, 'АП', 1, 0, 7)" })
            exec(sql);
    }
    void TearDown() override
    {
        setExceptionHandler(m_previousHandler);
        GuideFixture::TearDown();
    }

    // The services editor, with `act` done on it once it is up; it is closed afterwards whatever happened.
    void runServices(const std::function<void(TfrmServTypeGuide *)> &act)
    {
        ModalAnswer answer([] { return activeModal<TfrmServTypeGuide>() != nullptr; },
            [act] {
                QPointer<TfrmServTypeGuide> form = activeModal<TfrmServTypeGuide>();
                act(form);
                if (form && form->isVisible())
                    form->actClose->trigger();
            });
        QVariant out;
        executeServTypeGuide(0, 0, out);
        EXPECT_TRUE(answer.ran());
    }

    static QString shownText(TKyv_DBGridEh *grid, const char *field)
    {
        for (int i = 0; i < grid->Columns().Count(); ++i) {
            TColumnEh *c = grid->Columns()[i];
            if (c->FieldName().compare(QLatin1String(field), Qt::CaseInsensitive) == 0)
                return c->GetColumnDisplayText();
        }
        return QStringLiteral("no column");
    }
    // The footer's text as the grid draws it: its own text, then what the window makes of it.
    static QString footerText(TKyv_DBGridEh *grid, const char *field)
    {
        for (int i = 0; i < grid->Columns().Count(); ++i) {
            TColumnEh *c = grid->Columns()[i];
            if (c->FieldName().compare(QLatin1String(field), Qt::CaseInsensitive) != 0)
                continue;
            QString text = grid->GetFooterText(c->Footer(), *c);
            if (grid->OnGetFooterParams) {
                TFont font;
                TColor background = c->Footer().Color();
                TAlignment alignment = c->Footer().Alignment();
                grid->OnGetFooterParams(grid, i, grid->FirstFooterRow(), c, font, background, alignment, {}, text);
            }
            return text;
        }
        return QStringLiteral("no column");
    }

    ExceptionHandler m_previousHandler;
    QStringList m_errors;
};

TEST_P(HardeningGuides, AHouseWithoutAStreetIsRefusedAndNothingIsStored)
{
    struct Case
    {
        const char *label;
        QVariant street;
    };
    const Case cases[] = { { "the placeholder street 0, a new house's default", 0 }, { "no street", QVariant() } };
    QVariant out;
    runGuide(executeHouseGuide, 0, 0, out, [&](TfrmGuide *g) {
        trigger(g->actInsertRecord);
        ASSERT_EQ(g->L->State(), dsInsert);
        EXPECT_EQ(g->L->FieldByName(QStringLiteral("STREET_ID"))->AsInteger(), 0);
        g->L->FieldByName(QStringLiteral("HOUSE_NO"))->SetValue(QStringLiteral("9"));
        g->L->FieldByName(QStringLiteral("Q_FLAT"))->SetValue(12);
        for (const Case &c : cases) {
            SCOPED_TRACE(c.label);
            g->L->FieldByName(QStringLiteral("STREET_ID"))->SetValue(c.street);
            m_messages.requests.clear();
            trigger(g->actApply);
            EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не выбрана улица"));
            EXPECT_EQ(g->pcMain->currentWidget(), g->tsDetail);
            EXPECT_EQ(seen("select count(*) from ZOLT.HOUSE").toInt(), 1);
            ASSERT_EQ(g->L->State(), dsInsert);
        }
        g->L->FieldByName(QStringLiteral("STREET_ID"))->SetValue(5);
        trigger(g->actApply);
    });
    EXPECT_EQ(seen("select STREET_ID from ZOLT.HOUSE where HOUSE_NO = '9'").toInt(), 5);
}

TEST_P(HardeningGuides, APaymentSourceWithoutANameIsRefused)
{
    QVariant out;
    runGuide(executePaySourceGuide, 0, 0, out, [&](TfrmGuide *g) {
        trigger(g->actInsertRecord);
        ASSERT_EQ(g->L->State(), dsInsert);
        for (const QVariant &name : { QVariant(), QVariant(QStringLiteral("   ")) }) {
            g->L->FieldByName(QStringLiteral("PAYSOURCE_DESCR"))->SetValue(name);
            m_messages.requests.clear();
            trigger(g->actApply);
            EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не введено наименование источника платежа"));
            ASSERT_EQ(g->L->State(), dsInsert);
        }
        g->L->FieldByName(QStringLiteral("PAYSOURCE_DESCR"))->SetValue(QStringLiteral("Почта"));
        trigger(g->actApply);
    });
    EXPECT_EQ(seen("select PAYSOURCE_DESCR from ZOLT.PAYSOURCE").toString(), QStringLiteral("Почта"));
}

TEST_P(HardeningGuides, TheHousesFooterTotalsWhatItsRowsShow)
{
    // The list read first when it was empty, as on a new database: its counts must not stay typed as text.
    exec("delete from ZOLT.CUSTOMER");
    exec("delete from ZOLT.HOUSE");
    QVariant out;
    runGuide(executeHouseGuide, 0, 0, out, [&](TfrmGuide *g) { EXPECT_EQ(g->L->RecordCount(), 0); });
    exec("insert into ZOLT.HOUSE (HOUSE_ID, LOCATION_ID, STREET_ID, AREA_ID, SUBAREA_ID, HOUSE_NO, Q_FLAT, Q_PORCH) "
         "values (10, 0, 5, 0, 0, '7', 4, 1)");
    exec("insert into ZOLT.HOUSE (HOUSE_ID, LOCATION_ID, STREET_ID, AREA_ID, SUBAREA_ID, HOUSE_NO, Q_FLAT, Q_PORCH) "
         "values (11, 0, 5, 0, 0, '9', 6, 1)");
    exec("insert into ZOLT.CUSTOMER (CUSTOMER_ID, HOUSE_ID, FLAT_NO, SURNAME, CUST_STATE, CUST_CODE) values "
         "(100, 10, '1', 'Жилец', 1, 'X')");
    runGuide(executeHouseGuide, 10, 0, out, [&](TfrmGuide *g) {
        ASSERT_EQ(g->L->RecordCount(), 2);
        ASSERT_TRUE(g->L->Locate(QStringLiteral("HOUSE_ID"), 10));
        EXPECT_EQ(shownText(g->dbgList, "L_Q_ACT_CUST"), QStringLiteral("1"));
        EXPECT_EQ(footerText(g->dbgList, "L_Q_ACT_CUST"), QStringLiteral("1"));
        EXPECT_EQ(footerText(g->dbgList, "C_PERCENT"), QStringLiteral("10")) << "1 connected of 10 flats";
    });
}

TEST_P(HardeningGuides, ANewServiceShowsItsTypeAndParentOnceStored)
{
    const QString firstConnection = seen("select DESCR from ZOLT.SERVTYPE where SERVTYPE_ID = 2").toString();
    ASSERT_FALSE(firstConnection.isEmpty());
    runServices([&](TfrmServTypeGuide *form) {
        ASSERT_TRUE(form->odsServicePackage->Locate(QStringLiteral("SERV_PACKAGE_ID"), 1));
        form->actNewService->trigger();
        ASSERT_EQ(form->cdsServ->State(), dsInsert);
        form->cdsServ->FieldByName(QStringLiteral("SERV_DESCR"))->SetValue(QStringLiteral("Подключение"));
        form->cdsServ->FieldByName(QStringLiteral("SERVTYPE_ID"))->SetValue(2);
        form->cdsServ->FieldByName(QStringLiteral("CHILDSERV_ID"))->SetValue(10);
        form->actApply->trigger();
        ASSERT_EQ(form->cdsServ->State(), dsBrowse);
        ASSERT_EQ(form->cdsServ->FieldByName(QStringLiteral("SERV_DESCR"))->AsString(), QStringLiteral("Подключение"));
        EXPECT_EQ(shownText(form->dbgServ, "RO_SERV_TYPE"), firstConnection);
        EXPECT_EQ(shownText(form->dbgServ, "L_CHILDSERV"), QStringLiteral("Абонплата"));
    });
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join(QLatin1Char('\n')).toStdString();
}

TEST_P(HardeningGuides, ARefusedTariffShowsTheDatabasesReason)
{
    RefuseInserts(m_data, "TARIF", "tariff refused");
    if (HasFatalFailure())
        return;
    m_dm->SetWorkDate(QDate(2021, 3, 1));
    runServices([&](TfrmServTypeGuide *form) {
        ASSERT_TRUE(form->odsServicePackage->Locate(QStringLiteral("SERV_PACKAGE_ID"), 1));
        ASSERT_TRUE(form->cdsServ->Locate(QStringLiteral("SERV_ID"), 10));
        form->actNewTarif->trigger();
        ASSERT_EQ(form->cdsTarif->State(), dsInsert);
        form->cdsTarif->FieldByName(QStringLiteral("TARIF_SUM"))->SetValue(7.5);
        guard([&] { form->cdsTarif->Post(); });
        EXPECT_EQ(form->cdsTarif->State(), dsInsert) << "the row stays to be put right";
        form->cdsTarif->Cancel();
    });
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors[0].startsWith(QStringLiteral("Тариф не записан"))) << m_errors[0].toStdString();
    EXPECT_TRUE(m_errors[0].contains(QStringLiteral("tariff refused"))) << m_errors[0].toStdString();
    EXPECT_EQ(seen("select count(*) from ZOLT.TARIF").toInt(), 0);
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningGuides, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);
