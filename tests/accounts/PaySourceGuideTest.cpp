// The payment sources guide on both engines: a new channel's defaults, the refusal of a used one, pick mode.
#include "GuideFixture.h"
#include "frmuPaySourceGuide.h"

#include <gtest/gtest.h>

namespace {

class PaySourceGuide : public GuideFixture
{
protected:
    void SetUp() override
    {
        GuideFixture::SetUp();
        if (HasFatalFailure())
            return;
        exec("insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR, LEAK_PRC, TAX_PRC) values (4, 'Банк', 1.5, "
             "20)");
        exec("insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR, LEAK_PRC, TAX_PRC) values (5, 'Касса', 0, 0)");
        exec("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_SUM) values (1, 4, '1', 10)");
    }

    static TField *field(TfrmGuide *g, const char *name) { return g->L->FieldByName(QString::fromLatin1(name)); }
};

TEST_P(PaySourceGuide, ANewChannelStartsWithoutCommissionOrVat)
{
    QVariant out;
    runGuide(executePaySourceGuide, 5, 0, out, [&](TfrmGuide *g) {
        EXPECT_EQ(g->windowTitle(), QStringLiteral("Источники платежей"));
        trigger(g->actInsertRecord);
        ASSERT_EQ(g->L->State(), dsInsert);
        EXPECT_EQ(field(g, "PAYSOURCE_ID")->AsInteger(), 6);
        EXPECT_EQ(field(g, "LEAK_PRC")->AsFloat(), 0);
        EXPECT_EQ(field(g, "TAX_PRC")->AsFloat(), 0);
        field(g, "PAYSOURCE_DESCR")->SetValue(QStringLiteral("Почта"));
        trigger(g->actApply);
    });
    EXPECT_EQ(
        seen("select PAYSOURCE_DESCR from ZOLT.PAYSOURCE where PAYSOURCE_ID = 6").toString(), QStringLiteral("Почта"));
    EXPECT_EQ(seen("select TAX_PRC from ZOLT.PAYSOURCE where PAYSOURCE_ID = 6").toInt(), 0);
}

TEST_P(PaySourceGuide, AChannelUsedByADocumentIsNotDeleted)
{
    QVariant out;
    runGuide(executePaySourceGuide, 4, 0, out, [&](TfrmGuide *g) {
        m_messages.requests.clear();
        trigger(g->actDeleteRecord);
        ASSERT_EQ(m_messages.requests.size(), 1);
        EXPECT_EQ(m_messages.requests[0].type, mtWarning);
        EXPECT_EQ(
            m_messages.lastText(), QStringLiteral("\"Банк\" удалить нельзя, т.к. есть ссылка из платежных документов"));
        ASSERT_TRUE(g->L->Locate(QStringLiteral("PAYSOURCE_ID"), 5));
        m_messages.answer(mrYes);
        trigger(g->actDeleteRecord);
    });
    EXPECT_EQ(seen("select count(*) from ZOLT.PAYSOURCE").toInt(), 1);
    EXPECT_EQ(seen("select count(*) from ZOLT.PAYSOURCE where PAYSOURCE_ID = 4").toInt(), 1);
}

TEST_P(PaySourceGuide, PickModeHandsBackTheChosenChannel)
{
    QVariant out;
    const bool ok = runGuide(executePaySourceGuide, 4, 1, out, [&](TfrmGuide *g) {
        EXPECT_TRUE(g->actMrOk->isEnabled());
        ASSERT_TRUE(g->L->Locate(QStringLiteral("PAYSOURCE_ID"), 5));
        trigger(g->actMrOk);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.toInt(), 5);
    const bool cancelled = runGuide(executePaySourceGuide, 4, 1, out, [](TfrmGuide *) {});
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(out.toInt(), 4) << "a cancelled guide answers the key it was opened with";
}

INSTANTIATE_TEST_SUITE_P(
    PaySource, PaySourceGuide, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
