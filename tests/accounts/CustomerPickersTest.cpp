// The date-range dialog and the month picker, driven as a user drives them.
#include "FormClasses.h"
#include "FormatSettings.h"
#include "ModalAnswer.h"
#include "Periods.h"
#include "ServiceFakes.h"
#include "frmuPeriod.h"
#include "frmuSelectMonth.h"
#include "uAccounts.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

QDate d(int y, int m, int day)
{
    return QDate(y, m, day);
}

// Runs `act` on the period dialog once it is up; the answer closes it or leaves that to `act`.
ModalAnswer onPeriodDialog(std::function<void(TfrmPeriod *)> act)
{
    return ModalAnswer([] { return activeModal<TfrmPeriod>() != nullptr; }, [act] { act(activeModal<TfrmPeriod>()); });
}

void trigger(TfrmPeriod *dialog, const char *action)
{
    auto *a = dialog->findChild<QAction *>(QString::fromLatin1(action));
    ASSERT_NE(a, nullptr) << action;
    ASSERT_TRUE(a->isEnabled());
    a->trigger();
}

void clickOk(QDialog *dialog)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
}

struct MonthButtonCase
{
    const char *action;
    QDate from, to; // given
    QDate wantFrom, wantTo;
};

TEST(CustomerPickers, PeriodButtonsSetTheirSpans)
{
    FakeClock clock(QDateTime(QDate(2016, 3, 17), QTime(11, 0)));
    const MonthButtonCase cases[] = {
        { "actPrevMonth", d(2016, 3, 1), d(2016, 3, 31), d(2016, 2, 1), d(2016, 2, 29) },
        { "actNextMonth", d(2016, 1, 5), d(2016, 1, 31), d(2016, 2, 1), d(2016, 2, 29) },
        { "actNextMonth", d(2015, 12, 1), d(2015, 12, 10), d(2016, 1, 1), d(2016, 1, 31) },
        { "actCurMonth", d(2010, 1, 1), d(2010, 1, 2), d(2016, 3, 1), d(2016, 3, 31) },
        { "actCurDate", d(2010, 1, 1), d(2010, 1, 2), d(2016, 3, 17), d(2016, 3, 17) },
        { "actAllPeriod", d(2010, 1, 1), d(2010, 1, 2), ZeroDate(), d(2016, 3, 31) },
    };
    for (const MonthButtonCase &k : cases) {
        SCOPED_TRACE(k.action);
        QDate from = k.from, to = k.to;
        ModalAnswer answer = onPeriodDialog([&](TfrmPeriod *dialog) {
            trigger(dialog, k.action);
            clickOk(dialog);
        });
        EXPECT_TRUE(executePeriodDialog(from, to));
        EXPECT_TRUE(answer.ran());
        EXPECT_EQ(from, k.wantFrom);
        EXPECT_EQ(to, k.wantTo);
        EXPECT_EQ(frmPeriod, nullptr) << "the dialog is freed when it closes";
    }
}

TEST(CustomerPickers, ReadyWithTheStartAfterTheEndMovesTheStartAndStaysOpen)
{
    QDate from = d(2016, 5, 10), to = d(2016, 5, 1);
    bool stayedOpen = false;
    QDate startShown;
    ModalAnswer answer = onPeriodDialog([&](TfrmPeriod *dialog) {
        clickOk(dialog);
        stayedOpen = dialog->isVisible();
        startShown = dialog->findChild<QDateEdit *>(QStringLiteral("dtpFrom"))->date();
        clickOk(dialog);
    });
    EXPECT_TRUE(executePeriodDialog(from, to));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(startShown, d(2016, 5, 1));
    EXPECT_EQ(from, d(2016, 5, 1));
    EXPECT_EQ(to, d(2016, 5, 1));
}

TEST(CustomerPickers, CancelLeavesTheDatesAndTheUsersFormatsComeBack)
{
    FormatSettingsScope formats;
    FormatSettings().ShortDateFormat = QStringLiteral("dd.MM.yyyy");
    FormatSettings().LongDateFormat = QStringLiteral("d MMMM yyyy");
    FormatSettings().DateSeparator = QLatin1Char('.');
    QDate from = d(2016, 5, 10), to = d(2016, 5, 20);
    QString shownFormat, shownText;
    ModalAnswer answer = onPeriodDialog([&](TfrmPeriod *dialog) {
        shownFormat = FormatSettings().ShortDateFormat;
        shownText = dialog->findChild<QDateEdit *>(QStringLiteral("dtpFrom"))->text();
        trigger(dialog, "actPrevMonth");
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnCancel")), Qt::LeftButton);
    });
    EXPECT_FALSE(executePeriodDialog(from, to));
    EXPECT_EQ(shownFormat, QStringLiteral("dd/MM/yyyy"));
    EXPECT_EQ(shownText, QStringLiteral("10/05/2016"));
    EXPECT_EQ(from, d(2016, 5, 10));
    EXPECT_EQ(to, d(2016, 5, 20));
    EXPECT_EQ(FormatSettings().ShortDateFormat, QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(FormatSettings().LongDateFormat, QStringLiteral("d MMMM yyyy"));
    EXPECT_EQ(FormatSettings().DateSeparator, QLatin1Char('.'));
    EXPECT_EQ(frmPeriod, nullptr);
}

TEST(CustomerPickers, MonthPickerStartsAtTheGivenMonthAndAnswersItsFirstDay)
{
    QDate date = d(2015, 8, 15);
    QString monthShown;
    int yearShown = 0;
    ModalAnswer answer([] { return activeModal<TfrmSelectMonth>() != nullptr; },
        [&] {
            auto *dialog = activeModal<TfrmSelectMonth>();
            monthShown = dialog->findChild<QComboBox *>(QStringLiteral("cbMonth"))->currentText();
            yearShown = dialog->findChild<QSpinBox *>(QStringLiteral("seYear"))->value();
            clickOk(dialog);
        });
    EXPECT_TRUE(executeSelectMonth(date));
    EXPECT_EQ(monthShown, QStringLiteral("Август"));
    EXPECT_EQ(yearShown, 2015);
    EXPECT_EQ(date, d(2015, 8, 1));
    EXPECT_EQ(frmSelectMonth, nullptr);
}

TEST(CustomerPickers, MonthPickerTakesTheChosenMonthAndYearOrNothingOnCancel)
{
    QDate date = d(2015, 8, 15);
    {
        ModalAnswer answer([] { return activeModal<TfrmSelectMonth>() != nullptr; },
            [] {
                auto *dialog = activeModal<TfrmSelectMonth>();
                auto *year = dialog->findChild<QSpinBox *>(QStringLiteral("seYear"));
                year->selectAll();
                QTest::keyClicks(year, QStringLiteral("2199"));
                dialog->findChild<QComboBox *>(QStringLiteral("cbMonth"))->setCurrentIndex(1);
                clickOk(dialog);
            });
        EXPECT_TRUE(executeSelectMonth(date));
        EXPECT_EQ(date, d(2199, 2, 1));
    }
    {
        ModalAnswer answer([] { return activeModal<TfrmSelectMonth>() != nullptr; },
            [] {
                auto *dialog = activeModal<TfrmSelectMonth>();
                dialog->findChild<QComboBox *>(QStringLiteral("cbMonth"))->setCurrentIndex(11);
                dialog->close();
            });
        EXPECT_FALSE(executeSelectMonth(date)) << "closing the window is no choice";
        EXPECT_TRUE(answer.ran());
        EXPECT_EQ(date, d(2199, 2, 1));
    }
}

TEST(CustomerPickers, RegisteredByClassName)
{
    RegisterAccountsForms();
    for (const char *name : { "TfrmPeriod", "TfrmSelectMonth" }) {
        const TFormFactory factory = FindFormClass(QString::fromLatin1(name));
        ASSERT_TRUE(factory) << name;
        std::unique_ptr<QWidget> form(factory());
        EXPECT_EQ(QString::fromLatin1(form->metaObject()->className()), QString::fromLatin1(name));
    }
}

} // namespace
