// The customer's balance as the shipped template prints it: whose statement it is, and long texts kept within
// their columns instead of running into the sums beside them. The prepared page's items are compared, on both
// engines.
#include "ReportsFixture.h"

#include "FR_ClassPrepared.h"

#include <gtest/gtest.h>

namespace {

class HardeningBalancePrint : public ReportsFixture
{
};

TEST_P(HardeningBalancePrint, TheStatementNamesItsCustomerAndKeepsEachTextClearOfTheSums)
{
    exec(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, HOUSE_ID, ACCOUNT_NO, SURNAME, FIRSTNAME, MIDLENAME, "
                        "FLAT_NO, COMPANY_ID) values (31, 7, '0042', 'Соколова', 'Анна', 'Петровна', '5', 1)"));
    const double user = m_dmr->UserId();
    const struct
    {
        int sign; // 1 income, -1 charge
        const char *descr;
        double sum;
    } lines[] = {
        { 1, "Платеж Абонентская плата 05.03.2024", 100 },
        { -1, "Цифровое ТВ, расширенный пакет (с: 01.03.2024 по: 31.03.2024) скидка: 0.5", -155.5 },
        { -1, "За услуги подключения", -20 },
    };
    int id = 1;
    for (const auto &l : lines)
        exec(QStringLiteral("insert into ZOLT.TMP_CUST_BALANCE (TMP_CUST_BALANCE_ID, CUSTOMER_ID, USER_ID, GROUP_ID, "
                            "GROUP_DESCR, SUM_VAL, SUM_SGN, DESCR) values (%1, 31, %2, 1, "
                            "'После расчетного периода: Апрель 2024 г.', %3, %4, '%5')")
                 .arg(id++)
                 .arg(user)
                 .arg(l.sum)
                 .arg(l.sign)
                 .arg(QString::fromUtf8(l.descr)));

    m_reports->prepareCustomerBalanceReport();
    TfrReport *report = m_reports->frCustomerBalance();
    ASSERT_TRUE(m_reports->ShowReport(report, QStringLiteral("CustomerBalance.frf"), TReportShow::MDIPreview));
    ASSERT_EQ(shown.size(), 1u);
    ASSERT_GE(report->EMFPages().GetCount(), 1);

    TfrEMFPages &pages = report->EMFPages();
    pages.ObjectsToPage(0);
    QList<TfrMemoView *> texts;
    for (const auto &v : pages[0]->Page->Objects)
        if (auto *memo = dynamic_cast<TfrMemoView *>(v.get()))
            texts << memo;
    auto joined = [](const TfrMemoView *m) { return QString(m->Memo.join(u' ')).remove(ParagraphEnd).simplified(); };

    bool named = false;
    for (const TfrMemoView *m : texts)
        named = named || (joined(m).contains(QStringLiteral("Соколова Анна Петровна")) && joined(m).contains("0042"));
    EXPECT_TRUE(named) << "the customer's name and account are printed";

    // Where each object's text ends: its widest line after the left gap (the engine's measure counts the gap on
    // both sides, the frame and one pixel of slack).
    const auto textRight = [](TfrMemoView *m) { return m->Left + m->MeasureWidth(m->Memo) - m->GapX - 1; };
    for (TfrMemoView *m : texts) {
        const QRect box(m->Left, m->Top, m->Width, m->Height);
        for (const TfrMemoView *other : texts) {
            if (other == m)
                continue;
            const QRect next(other->Left, other->Top, other->Width, other->Height);
            EXPECT_FALSE(box.intersects(next)) << joined(m).toStdString() << " | " << joined(other).toStdString();
            const bool sameRow = next.top() <= box.bottom() && box.top() <= next.bottom();
            if (sameRow && other->Left >= box.right()) {
                EXPECT_LE(textRight(m), other->Left)
                    << "runs into the next column: " << joined(m).toStdString() << " | " << joined(other).toStdString();
            }
        }
    }
    // Wrapped, the long text is still all there, and its row's sums beside it.
    const QString page = [&] {
        QStringList all;
        for (const TfrMemoView *m : texts)
            all << joined(m);
        return all.join(u' ');
    }();
    EXPECT_TRUE(page.contains(QStringLiteral("расширенный пакет"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("-155.5"))) << page.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningBalancePrint, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
