// The smart-cards and DTV-provider guides against a fake CAS server on loopback, on both engines.
#include "DBCtrlsEh.h"
#include "FakeCasServer.h"
#include "FormClasses.h"
#include "GuideFixture.h"
#include "Kyv_db.h"
#include "GridTexts.h"
#include "Screenshot.h"
#include "dmuSMS.h"
#include "frmuBatchCardsInsert.h"
#include "frmuDTVProviderGuide.h"
#include "frmuMain.h"
#include "frmuSmartCards.h"
#include "uCasPacket.h"
#include "uSettings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSqlQuery>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Card "123" (id 7) belongs to nobody, card "50" (id 8, active, first in number order) to customer 40; provider "TV"
// (id 3) has CAS code "A".
class SmartCardsGuide : public GuideFixture
{
protected:
    void SetUp() override
    {
        GuideFixture::SetUp();
        if (HasFatalFailure())
            return;
        for (const char *sql :
            {
                "insert into ZOLT.DTV_PROVIDER (DTV_PROVIDER_ID, PROVIDER_NAME, CAS_CODE) values (3, 'TV', 'A')",
                "insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE, DTV_PROVIDER_ID) "
                "values (7, '123', 0, 3)",
                "insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE, DTV_PROVIDER_ID) "
                "values (8, '50', 1, 3)",
                "insert into ZOLT.LOCATION (LOCATION_ID, LOCATION_NAME, LOCATION_TYPE_ID) values (3, 'Гродно', 0)",
                "insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME, STREET_TYPE_ID, LOCATION_ID) "
                "values (5, '012', 'Лесная', 1, 3)",
                "insert into ZOLT.HOUSE (HOUSE_ID, LOCATION_ID, STREET_ID, HOUSE_NO, Q_PORCH) values (7, 3, 5, '14', "
                "1)",
                "insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, HOUSE_ID, FLAT_NO, SURNAME, INITIALS, IS_COMPANY, "
                "SEX, COMPANY_ID) values (40, '40', 7, '1', 'Орлова', 'А.', 0, 0, 1)",
                "insert into ZOLT.CUSTOMER_SMARTCARDS (CUSTOMER_ID, SMARTCARD_ID, IS_MAIN) values (40, 8, 1)",
            })
            exec(sql);
        m_dmr->CommitWork();
        AppSettings().useCAS = true;
        AppSettings().CASserverIP = QStringLiteral("127.0.0.1");
        AppSettings().CASserverPort = m_server.portText();
        AppSettings().CASResponseTimeOut = 400;
        m_reach.reachable << QStringLiteral("127.0.0.1");
        m_sms = std::make_unique<TdmSMS>();
        RegisterSmartCardGuides();
    }
    void TearDown() override
    {
        m_sms.reset();
        AppSettings() = TAppSettings::defaults();
        GuideFixture::TearDown();
    }

    static TfrmSmartCards *cards(TfrmGuide *g) { return qobject_cast<TfrmSmartCards *>(g); }
    static QString value(TfrmGuide *g, const char *field)
    {
        return g->L->FieldByName(QString::fromLatin1(field))->AsString();
    }
    int active(int cardId) const
    {
        return seen(QStringLiteral("select IS_ACTIVE from ZOLT.SMARTCARD where SMARTCARD_ID = %1").arg(cardId)).toInt();
    }
    // Runs the guide in browse mode on card `key` with `act` done on its window.
    void onCards(const QVariant &key, const std::function<void(TfrmSmartCards *)> &act, int mode = 0)
    {
        QVariant out;
        runGuide(executeSmartCardsGuide, key, mode, out, [&](TfrmGuide *g) { act(cards(g)); });
    }
    QStringList listed(TfrmGuide *g)
    {
        QStringList numbers;
        for (g->L->First(); !g->L->Eof(); g->L->Next())
            numbers << value(g, "SMARTCARD_NO");
        return numbers;
    }

    tarvik::test::FakeCasServer m_server;
    FakeReachability m_reach;
    FakeClock m_clock { QDateTime(QDate(2024, 2, 10), QTime(9, 30)) };
    std::unique_ptr<TdmSMS> m_sms;
};

TEST_P(SmartCardsGuide, ActivationSendsTheCardsRequestAndMarksTheCardActiveWhenTheServerAccepts)
{
    onCards(7, [&](TfrmSmartCards *g) {
        EXPECT_EQ(g->windowTitle(), QStringLiteral("SMART карты"));
        EXPECT_EQ(value(g, "SMARTCARD_NO"), QStringLiteral("123"));
        ASSERT_TRUE(g->actActivateSmartCard->isEnabled());
        EXPECT_FALSE(g->actDeactivateSmartCard->isEnabled());
        g->actActivateSmartCard->trigger();
        EXPECT_EQ(g->pcMain->currentWidget(), g->tsDetail);
        EXPECT_EQ(g->L->State(), dsEdit);
        g->actApplyAndActivete->trigger();
        EXPECT_EQ(value(g, "IS_ACTIVE"), QStringLiteral("1"));
        EXPECT_FALSE(g->actActivateSmartCard->isEnabled());
        EXPECT_TRUE(g->actDeactivateSmartCard->isEnabled());
        EXPECT_FALSE(g->edtCardNo->isEnabled()) << "an active card's number is locked";
    });
    ASSERT_EQ(m_server.requests().size(), 1);
    EXPECT_EQ(m_server.requests().first(),
        buildCardActivateRequest(CasPacketLead, CasPacketSender, QStringLiteral("0201"), QStringLiteral("123"),
            QStringLiteral("A"), QStringLiteral("TV"))
            .toLatin1());
    EXPECT_TRUE(m_server.requests().first().startsWith("0015")) << m_server.requests().first().constData();
    EXPECT_EQ(active(7), 1);
    EXPECT_TRUE(m_messages.requests.isEmpty());
}

TEST_P(SmartCardsGuide, ARefusedActivationShowsTheReplyAndLeavesTheCardInactive)
{
    m_server.reply(tarvik::test::FakeCasServer::replyWith("E201"));
    onCards(7, [&](TfrmSmartCards *g) {
        g->actActivateSmartCard->trigger();
        g->actApplyAndActivete->trigger();
    });
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Ошибка активации карты\rE201 - Invalid smartcard number"));
    EXPECT_EQ(active(7), 0);
}

TEST_P(SmartCardsGuide, DeactivationSendsTheBlockRequestAndClearsTheCard)
{
    exec("update ZOLT.SMARTCARD set IS_ACTIVE = 1 where SMARTCARD_ID = 7");
    m_dmr->CommitWork();
    onCards(7, [&](TfrmSmartCards *g) {
        ASSERT_TRUE(g->actDeactivateSmartCard->isEnabled());
        g->actDeactivateSmartCard->trigger();
        EXPECT_EQ(value(g, "IS_ACTIVE"), QStringLiteral("0"));
    });
    ASSERT_EQ(m_server.requests().size(), 1);
    EXPECT_EQ(m_server.requests().first(), QByteArray("0015001B000102030000000123A"));
    EXPECT_EQ(active(7), 0);
}

TEST_P(SmartCardsGuide, ARefusedDeactivationAsksWhetherToClearTheMarkAnyway)
{
    const struct
    {
        TModalResult answer;
        int stored;
    } cases[] = { { mrNo, 1 }, { mrYes, 0 } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored);
        exec("update ZOLT.SMARTCARD set IS_ACTIVE = 1 where SMARTCARD_ID = 7");
        m_dmr->CommitWork();
        m_server.reply(tarvik::test::FakeCasServer::replyWith("E999"));
        m_messages.answer(c.answer);
        onCards(7, [](TfrmSmartCards *g) { g->actDeactivateSmartCard->trigger(); });
        ASSERT_FALSE(m_messages.requests.isEmpty());
        EXPECT_EQ(m_messages.lastText(),
            QStringLiteral("Ошибка деактивации карты на уровне CAS\rE999 - Other errors such "
                           "as database error\r\rСбросить метку активности карты?"));
        EXPECT_EQ(active(7), c.stored);
    }
}

TEST_P(SmartCardsGuide, CardActionsNeedAnOpenConnectionAndDoNothingWithCasOff)
{
    m_reach.reachable.clear();
    onCards(7, [](TfrmSmartCards *g) {
        g->actActivateSmartCard->trigger();
        g->actApplyAndActivete->trigger();
    });
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("CAS connection error"));
    EXPECT_EQ(active(7), 0);

    m_messages.requests.clear();
    AppSettings().useCAS = false;
    onCards(7, [](TfrmSmartCards *g) {
        g->actActivateSmartCard->trigger();
        g->actApplyAndActivete->trigger();
        g->actCancel->trigger();
        g->actDeactivateSmartCard->trigger();
    });
    EXPECT_TRUE(m_messages.requests.isEmpty());
    EXPECT_EQ(m_server.connections(), 0) << "with CAS off no socket is opened";
    EXPECT_EQ(active(7), 0);
}

TEST_P(SmartCardsGuide, ANewCardNeedsANumberThatIsNotRegisteredYet)
{
    const struct
    {
        const char *typed;
        const char *action; // activation checks the card, and so does a plain "Готово"
        const char *error;
    } cases[] = {
        { "", "actApplyAndActivete", "Invalid card number" },
        { "123", "actApplyAndActivete", "Card with number [123] exists" },
        { "", "actApply", "Invalid card number" },
        { "123", "actApply", "Card with number [123] exists" },
    };
    const int before = seen("select count(*) from ZOLT.SMARTCARD").toInt();
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.action) + " " + c.typed);
        bool stayed = false;
        QVariant newKey;
        onCards(7, [&](TfrmSmartCards *g) {
            g->actInsertRecord->trigger();
            newKey = g->L->FieldByName(QStringLiteral("SMARTCARD_ID"))->Value();
            EXPECT_EQ(value(g, "IS_ACTIVE"), QStringLiteral("0"));
            g->L->FieldByName(QStringLiteral("SMARTCARD_NO"))->SetValue(QString::fromLatin1(c.typed));
            g->findChild<QAction *>(QString::fromLatin1(c.action))->trigger();
            stayed = g->pcMain->currentWidget() == g->tsDetail;
        });
        EXPECT_EQ(newKey.toInt(), 9) << "the next key";
        EXPECT_EQ(m_messages.lastText(), QString::fromLatin1(c.error));
        EXPECT_TRUE(stayed);
        EXPECT_TRUE(m_server.requests().isEmpty());
        EXPECT_EQ(seen("select count(*) from ZOLT.SMARTCARD").toInt(), before);
    }
    onCards(7, [](TfrmSmartCards *g) {
        g->actInsertRecord->trigger();
        g->L->FieldByName(QStringLiteral("SMARTCARD_NO"))->SetValue(QStringLiteral("124"));
        g->actApply->trigger();
    });
    EXPECT_EQ(seen("select SMARTCARD_NO from ZOLT.SMARTCARD where SMARTCARD_ID = 9").toString(), QStringLiteral("124"));
}

TEST_P(SmartCardsGuide, ClosingWithANewCardAsksAndChecksItBeforeStoring)
{
    const int before = seen("select count(*) from ZOLT.SMARTCARD").toInt();
    m_messages.answer(mrYes); // "Данные изменены, записать?"
    bool stayedOpen = false;
    onCards(7, [&](TfrmSmartCards *g) {
        g->actInsertRecord->trigger();
        g->reject();
        stayedOpen = g->isVisible();
    });
    ASSERT_GE(m_messages.requests.size(), 2);
    EXPECT_EQ(m_messages.requests[0].text, QStringLiteral("Данные изменены, записать?"));
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Invalid card number"));
    EXPECT_TRUE(stayedOpen) << "what was typed stays to be mended";
    EXPECT_EQ(seen("select count(*) from ZOLT.SMARTCARD").toInt(), before);
}

TEST_P(SmartCardsGuide, PickModesHandBackTheChosenCard)
{
    // Mode 2 lists only the cards nobody has; Ok is there at once.
    QVariant out;
    QStringList shown;
    bool okInMode2 = false;
    EXPECT_TRUE(runGuide(executeSmartCardsGuide, 0, 2, out, [&](TfrmGuide *g) {
        shown = listed(g);
        g->L->First();
        okInMode2 = g->actMrOk->isEnabled();
        g->actMrOk->trigger();
    }));
    EXPECT_EQ(shown.join(QLatin1Char(',')), QStringLiteral("123"));
    EXPECT_TRUE(okInMode2);
    EXPECT_EQ(out.toInt(), 7);

    // Mode 1 opened on a card with a customer: Ok comes with a card of nobody's and then stays.
    bool okOnOwned = true, okOnFree = false, okBackOnOwned = false;
    EXPECT_TRUE(runGuide(executeSmartCardsGuide, 8, 1, out, [&](TfrmGuide *g) {
        okOnOwned = g->actMrOk->isEnabled();
        g->L->Locate(QStringLiteral("SMARTCARD_ID"), 7);
        okOnFree = g->actMrOk->isEnabled();
        g->L->Locate(QStringLiteral("SMARTCARD_ID"), 8);
        okBackOnOwned = g->actMrOk->isEnabled();
        g->actMrOk->trigger();
    }));
    EXPECT_FALSE(okOnOwned);
    EXPECT_TRUE(okOnFree);
    EXPECT_TRUE(okBackOnOwned);
    EXPECT_EQ(out.toInt(), 8);

    bool okInBrowse = true;
    EXPECT_FALSE(
        runGuide(executeSmartCardsGuide, 7, 0, out, [&](TfrmGuide *g) { okInBrowse = g->actMrOk->isEnabled(); }));
    EXPECT_FALSE(okInBrowse);
}

TEST_P(SmartCardsGuide, TheConsolesPickerAndTheMenuCommandOpenTheGuide)
{
    const TPicker pick = FindPicker(QStringLiteral("pickSmartCard"));
    ASSERT_TRUE(pick);
    tarvik::test::ModalAnswer answer([] { return tarvik::test::activeModal<TfrmSmartCards>() != nullptr; },
        [] {
            TfrmSmartCards *g = tarvik::test::activeModal<TfrmSmartCards>();
            EXPECT_EQ(g->FMode, 1);
            g->actMrOk->trigger();
        });
    QVariant key = 7;
    EXPECT_TRUE(pick(key));
    EXPECT_EQ(key.toInt(), 7);

    bool opened = false;
    tarvik::test::ModalAnswer menu([] { return tarvik::test::activeModal<TfrmSmartCards>() != nullptr; },
        [&opened] {
            TfrmSmartCards *g = tarvik::test::activeModal<TfrmSmartCards>();
            opened = g->FMode == 0;
            g->reject();
        });
    QAction *action = m_scope.main()->findChild<QAction *>(QStringLiteral("actSmartCards"));
    ASSERT_NE(action, nullptr);
    m_scope.main()->UpdateMenu();
    action->setEnabled(true);
    action->trigger();
    EXPECT_TRUE(opened);
}

TEST_P(SmartCardsGuide, TheStateFilterAndTheSearchByNumber)
{
    onCards(7, [&](TfrmSmartCards *g) {
        g->cbCardState->setCurrentIndex(1); // "Не активная"
        g->actCardTypeFilter->trigger();
        EXPECT_EQ(g->actCardTypeFilter->text(), QStringLiteral("Отключить фильтр"));
        EXPECT_EQ(listed(g), QStringList { QStringLiteral("123") });
        g->cbCardState->setCurrentIndex(0);
        EXPECT_EQ(listed(g), QStringList { QStringLiteral("50") });
        g->actCardTypeFilter->trigger();
        EXPECT_EQ(g->actCardTypeFilter->text(), QStringLiteral("Активизировать фильтр"));
        EXPECT_EQ(listed(g).size(), 2);

        g->L->Locate(QStringLiteral("SMARTCARD_ID"), 7);
        g->edtSearch->setText(QStringLiteral("50"));
        EXPECT_EQ(value(g, "SMARTCARD_NO"), QStringLiteral("50")) << "typed numbers are aligned as the list shows them";
        g->edtSearch->setText(QStringLiteral("77"));
        EXPECT_EQ(g->edtSearch->palette().color(QPalette::Text), QColor(Qt::red));
    });
    EXPECT_EQ(m_dm->mdTempCFG()->FieldByName(QStringLiteral("SMART_CARD_IS_ACTIVE"))->AsInteger(), 1)
        << "the chosen state lives in the filter record";
}

TEST_P(SmartCardsGuide, ABatchAddsTheNumbersNotRegisteredAndTheListShowsThem)
{
    exec("insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE) values (20, '1002', 0)");
    m_dmr->CommitWork();
    QStringList shown;
    onCards(7, [&](TfrmSmartCards *g) {
        tarvik::test::ModalAnswer batch([] { return tarvik::test::activeModal<TfrmBatchCardsInsert>() != nullptr; },
            [] {
                TfrmBatchCardsInsert *d = tarvik::test::activeModal<TfrmBatchCardsInsert>();
                d->edStartNo->setText(QStringLiteral("1000"));
                d->edQuantity->setText(QStringLiteral("5"));
                QTest::mouseClick(d->OkCancelBtns->bbtnOk, Qt::LeftButton);
            });
        g->acBatchCardsInsert->trigger();
        EXPECT_TRUE(batch.ran());
        shown = listed(g);
    });
    EXPECT_EQ(shown.join(QLatin1Char(',')), QStringLiteral("50,123,1000,1001,1002,1003,1004"));
    EXPECT_EQ(
        seen("select count(*) from ZOLT.SMARTCARD where SMARTCARD_NO in ('1000', '1001', '1003', '1004')").toInt(), 4)
        << "committed for every connection";
}

TEST_P(SmartCardsGuide, Screenshot)
{
    onCards(7, [&](TfrmSmartCards *g) {
        if (GetParam() == TestEngine::SQLite)
            tarvik::test::SaveScreenshot(g, QStringLiteral("accounts-smartcards"), QSize(980, 360));
        // The picture: both cards by number, the owned one with its customer, the card it was opened on current.
        EXPECT_EQ(g->pcMain->currentWidget(), g->tsList);
        EXPECT_EQ(ShownGridRows(g->dbgList),
            QStringList({ QStringLiteral("        50|1|TV|40|Орлова А."), QStringLiteral("       123|0|TV|| ") }));
        EXPECT_EQ(value(g, "SMARTCARD_NO"), QStringLiteral("123"));
    });
}

// ---- DTV providers

TEST_P(SmartCardsGuide, DTVProviderGuideAddsAProviderWithCasCodeZeroAndHidesTheSentinel)
{
    ASSERT_EQ(seen("select count(*) from ZOLT.DTV_PROVIDER where DTV_PROVIDER_ID = 0").toInt(), 1) << "the sentinel";
    QVariant out;
    QStringList names;
    QString caption;
    EXPECT_FALSE(runGuide(executeDTVProviderGuide, 3, 0, out, [&](TfrmGuide *g) {
        caption = g->windowTitle();
        for (g->L->First(); !g->L->Eof(); g->L->Next())
            names << g->L->FieldByName(QStringLiteral("PROVIDER_NAME"))->AsString();
        g->actInsertRecord->trigger();
        EXPECT_EQ(g->L->FieldByName(QStringLiteral("CAS_CODE"))->AsString(), QStringLiteral("0"));
        g->L->FieldByName(QStringLiteral("PROVIDER_NAME"))->SetValue(QStringLiteral("Спутник"));
        g->actApply->trigger();
    }));
    EXPECT_EQ(caption, QStringLiteral("DTV провайдеры"));
    EXPECT_EQ(names.join(QLatin1Char(',')), QStringLiteral("TV"));
    EXPECT_EQ(
        seen("select CAS_CODE from ZOLT.DTV_PROVIDER where PROVIDER_NAME = 'Спутник'").toString(), QStringLiteral("0"));
    EXPECT_EQ(seen("select DTV_PROVIDER_ID from ZOLT.DTV_PROVIDER where PROVIDER_NAME = 'Спутник'").toInt(), 4);

    const TPicker pick = FindPicker(QStringLiteral("pickDTVProvider"));
    ASSERT_TRUE(pick);
    tarvik::test::ModalAnswer answer([] { return tarvik::test::activeModal<TfrmDTVProviderGuide>() != nullptr; },
        [] {
            TfrmDTVProviderGuide *g = tarvik::test::activeModal<TfrmDTVProviderGuide>();
            g->L->Locate(QStringLiteral("PROVIDER_NAME"), QStringLiteral("Спутник"));
            g->actMrOk->trigger();
        });
    QVariant key = 3;
    EXPECT_TRUE(pick(key));
    EXPECT_EQ(key.toInt(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    SmartCards, SmartCardsGuide, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
