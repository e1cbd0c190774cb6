// The date-time editor: its layout grammar, the year window, normalisation, stepping and the calendar.
#include "DBCtrlsEh.h"
#include "EditControlsSupport.h"
#include "FormatSettings.h"

#include <QLayout>

#include <gtest/gtest.h>

using tarvik::test::EditorTable;
using tarvik::test::EditorWindow;

namespace {

QDateTime At(int y, int m, int d, int h = 0, int n = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, n));
}

struct DateFixture
{
    FakeClock clock { At(2026, 6, 10, 9, 0) };
    EditorTable data;
    EditorWindow w;
    TDBDateTimeEditEh *edit = new TDBDateTimeEditEh(&w.window);

    DateFixture() { w.window.layout()->addWidget(edit); }

    void bind()
    {
        edit->SetDataSource(&data.source);
        edit->SetDataField(QStringLiteral("PAID"));
    }
    // Types into the editor from a position (the first by default).
    bool type(const QString &keys, int from = 0)
    {
        if (!EditorWindow::focus(edit))
            return false;
        edit->setCursorPosition(from);
        QTest::keyClicks(edit, keys);
        return true;
    }
};

} // namespace

TEST(EditControlsDateTime, EditFormatGivesMaskDisplayFormatAndElements)
{
    struct Case
    {
        const char *editFormat;
        const char *mask;
        const char *display;
        int dayPos, monthPos, yearPos, minPos;
    };
    const Case cases[] = {
        { "DD/MM/YYYY", "!99/99/9999;1; ", "DD/MM/YYYY", 1, 4, 7, -1 },
        { "DD.MM.YYYY HH:NN", "!99.99.9999 99:99;1; ", "DD'.'MM'.'YYYY' 'HH:NN", 1, 4, 7, 15 },
        { "DD\\DMM", "!99D99;1; ", "DD'D'MM", 1, 4, -1, -1 },
        { "YY-MM-DD", "!99-99-99;1; ", "YY'-'MM'-'DD", 7, 4, 1, -1 },
    };
    for (const Case &c : cases) {
        TDateTimeElementsEh elements;
        QString mask;
        DateTimeEditFormat::BuildMask(QString::fromUtf8(c.editFormat), elements, mask);
        EXPECT_EQ(mask, QString::fromUtf8(c.mask)) << c.editFormat;
        EXPECT_EQ(DateTimeEditFormat::ToDisplayFormat(QString::fromUtf8(c.editFormat)), QString::fromUtf8(c.display));
        EXPECT_EQ(elements[dteDay].Pos, c.dayPos) << c.editFormat;
        EXPECT_EQ(elements[dteMonth].Pos, c.monthPos) << c.editFormat;
        EXPECT_EQ(elements[dteYear].Pos, c.yearPos) << c.editFormat;
        EXPECT_EQ(elements[dteMin].Pos, c.minPos) << c.editFormat;
    }
}

TEST(EditControlsDateTime, BadEditFormatsRaiseTheirErrors)
{
    const std::pair<const char *, const char *> cases[] = {
        { "DYY", "Invalid datetime format element length: \"D\"" },
        { "DD/MM/YYYYY", "Element in EditFormat: \"DD/MM/YYYYY\" is too long. Pos: 11" },
        { "DD/MM/DD", "Duplicating datetime format element: \"D\"" },
    };
    TDBDateTimeEditEh edit;
    for (const auto &[format, message] : cases) {
        try {
            edit.SetEditFormat(QString::fromUtf8(format));
            ADD_FAILURE() << format;
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(message));
        }
    }
    EXPECT_EQ(edit.Kind(), dtkDateEh) << "a refused layout leaves the old one";
}

TEST(EditControlsDateTime, TwoDigitYearsFallIntoTheWindow)
{
    FakeClock clock(At(2026, 1, 1));
    EXPECT_EQ(DateTimeEditFormat::ExpandTwoDigitYear(5), 2005);
    EXPECT_EQ(DateTimeEditFormat::ExpandTwoDigitYear(66), 1966);
    EXPECT_EQ(DateTimeEditFormat::ExpandTwoDigitYear(65), 2065);
    EXPECT_EQ(DateTimeEditFormat::ExpandTwoDigitYear(1999), 1999);

    DateFixture f;
    f.edit->SetEditFormat(QStringLiteral("DD/MM/YY"));
    ASSERT_TRUE(f.type(QStringLiteral("010366")));
    EXPECT_EQ(f.edit->Value().toDateTime().date(), QDate(1966, 3, 1));
}

TEST(EditControlsDateTime, LeavingCompletesAndClampsTheDate)
{
    DateFixture f;
    ASSERT_TRUE(f.type(QStringLiteral("31022025")));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(f.edit->Value().toDateTime().date(), QDate(2025, 2, 28));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("28/02/2025"));

    DateFixture g;
    ASSERT_TRUE(g.type(QStringLiteral("032025"), 3));
    ASSERT_TRUE(g.w.leave());
    EXPECT_EQ(g.edit->Value().toDateTime().date(), QDate(2025, 3, 10)) << "today's day fills a blank day";
}

TEST(EditControlsDateTime, DayAndMonthTypedWithTabGiveTheCurrentYear)
{
    struct Case
    {
        char separator;
        const char *keys;
        QDate expected;
    };
    const Case cases[] = {
        { '/', "3112", QDate(2026, 12, 31) },  { '/', "31/12", QDate(2026, 12, 31) },
        { '/', "3/12", QDate(2026, 12, 3) },   { '.', "31.12", QDate(2026, 12, 31) },
        { '.', "1.2.", QDate(2026, 2, 1) },    { '/', "31/12/25", QDate(2025, 12, 31) },
    };
    for (const Case &c : cases) {
        FormatSettingsScope scope;
        FormatSettings().DateSeparator = QLatin1Char(c.separator);
        DateFixture f;
        f.bind();
        ASSERT_TRUE(f.type(QString::fromLatin1(c.keys)));
        QTest::keyClick(f.edit, Qt::Key_Tab);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !f.edit->hasFocus(); })) << c.keys;
        EXPECT_EQ(f.data.field("PAID")->AsDateTime(), QDateTime(c.expected, QTime(0, 0))) << c.keys;
    }
}

TEST(EditControlsDateTime, AnImpossibleDateOnExitIsAnErrorAndTheFocusStays)
{
    // A layout without the day keeps the field's day 31, which February lacks; an unmasked editor takes any text.
    struct Case
    {
        const char *editFormat;
        const char *keys;
        const char *kept;
    };
    const Case cases[] = {
        { "MM/YYYY", "02", "02/2025" },
        { "", "99/99/2025", "99/99/2025" },
    };
    for (const Case &c : cases) {
        FakeMessageService messages;
        DateFixture f;
        f.data.table.Edit();
        f.data.field("PAID")->SetValue(At(2025, 1, 31, 10, 0));
        f.data.table.Post();
        f.edit->SetEditFormat(QString::fromLatin1(c.editFormat));
        f.bind();
        ASSERT_TRUE(EditorWindow::focus(f.edit));
        f.edit->selectAll();
        if (!f.edit->IsMasked())
            QTest::keyClick(f.edit, Qt::Key_Delete);
        ASSERT_TRUE(f.type(QString::fromLatin1(c.keys)));
        f.w.other->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.requests.isEmpty() && f.edit->hasFocus(); }))
            << c.editFormat;
        EXPECT_EQ(messages.requests.constLast().type, mtError);
        EXPECT_EQ(f.edit->EditText(), QString::fromLatin1(c.kept)) << "the typed text stays";
        EXPECT_EQ(f.data.field("PAID")->AsDateTime(), At(2025, 1, 31, 10, 0)) << "nothing was written";
    }
}

TEST(EditControlsDateTime, StepsTheElementUnderTheCaret)
{
    struct Case
    {
        const char *format;
        const char *text;
        int pos;
        bool up;
        const char *expected;
    };
    const Case cases[] = {
        { "DD/MM/YYYY", "31/05/2025", 1, true, "01/05/2025" },
        { "DD/MM/YYYY", "15/01/2025", 4, false, "15/12/2025" },
        { "DD/MM/YYYY", "15/01/9999", 8, true, "15/01/0001" },
        { "HH:NN:SS", "10:00:00", 4, false, "10:59:00" },
        { "HH:NN:SS", "23:00:00", 1, true, "00:00:00" },
        { "DD/MM/YYYY", "15/01/2025", 3, true, "15/02/2025" }, // on a separator: the next element
    };
    for (const Case &c : cases) {
        QString result;
        int len = 0;
        int pos = c.pos;
        DateTimeEditFormat::StepText(QString::fromUtf8(c.text),
                                     DateTimeEditFormat::ToTemplate(QString::fromUtf8(c.format)), c.up, result, len,
                                     pos);
        EXPECT_EQ(result, QString::fromUtf8(c.expected)) << c.text << " at " << c.pos;
    }

    DateFixture f;
    ASSERT_TRUE(f.type(QStringLiteral("31052025")));
    f.edit->setCursorPosition(1);
    QTest::keyClick(f.edit, Qt::Key_Up);
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("01/05/2025"));
    EXPECT_EQ(f.edit->selectedText(), QStringLiteral("01")) << "the stepped element stays selected";
    EXPECT_EQ(f.edit->Value().toDateTime().date(), QDate(2025, 5, 1));

    // An up-down main button steps the same element: its upper half up, its lower half down.
    f.edit->EditButton()->SetStyle(ebsUpDownEh);
    TEditButtonControlEh *button = f.edit->ButtonControl(0);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, 2));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("02/05/2025"));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() - 2));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() - 2));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("31/05/2025")) << "the day wraps below 1";
    EXPECT_FALSE(f.edit->CalendarDropped());
}

TEST(EditControlsDateTime, TheSeparatorKeyJumpsByTheEditorsOwnLayout)
{
    DateFixture f;
    f.edit->SetEditFormat(QStringLiteral("YYYY/MM/DD"));
    ASSERT_TRUE(f.type(QStringLiteral("20")));
    QTest::keyClick(f.edit, Qt::Key_Slash);
    EXPECT_EQ(f.edit->selectionStart(), 5);
    EXPECT_EQ(f.edit->selectedText().size(), 2) << "the month of this layout";
}

TEST(EditControlsDateTime, ADateOnlyEditorKeepsTheFieldsTimeOfDay)
{
    DateFixture f;
    f.data.table.Edit();
    f.data.field("PAID")->SetValue(At(2020, 3, 5, 14, 30));
    f.data.table.Post();
    f.bind();
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("05/03/2020"));
    ASSERT_TRUE(f.type(QStringLiteral("06")));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(f.data.field("PAID")->AsDateTime(), At(2020, 3, 6, 14, 30));
}

TEST(EditControlsDateTime, AClearedTextStoresNull)
{
    DateFixture f;
    f.data.table.Edit();
    f.data.field("PAID")->SetValue(At(2020, 3, 5));
    f.data.table.Post();
    f.bind();
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    f.edit->selectAll();
    QTest::keyClick(f.edit, Qt::Key_Delete);
    ASSERT_TRUE(f.w.leave());
    EXPECT_TRUE(f.data.field("PAID")->IsNull());
    EXPECT_FALSE(f.edit->Value().isValid());
}

TEST(EditControlsDateTime, TheCalendarOpensOnTodayAndKeepsTheTimeOfDay)
{
    DateFixture f;
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    f.edit->DropDown();
    ASSERT_TRUE(f.edit->CalendarDropped());
    EXPECT_EQ(f.edit->Calendar()->Date(), QDate(2026, 6, 10));
    f.edit->CloseUp(false);

    ASSERT_TRUE(f.w.leave());
    f.data.table.Edit();
    f.data.field("PAID")->SetValue(At(2020, 3, 5, 14, 30));
    f.data.table.Post();
    f.bind();
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    QTest::keyClick(f.edit, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(f.edit->CalendarDropped());
    EXPECT_EQ(f.edit->Calendar()->Date(), QDate(2020, 3, 5));
    f.edit->Calendar()->SetDate(QDate(2020, 3, 10));
    QTest::keyClick(f.edit, Qt::Key_Return);
    EXPECT_FALSE(f.edit->CalendarDropped());
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("10/03/2020"));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(f.data.field("PAID")->AsDateTime(), At(2020, 3, 10, 14, 30)) << "the time of day is kept";
}

TEST(EditControlsDateTime, RecentDatesMatchWhatIsTypedSoFar)
{
    DateFixture f;
    f.edit->MRUList()->SetItems({ QStringLiteral("31/12/2025"), QStringLiteral("30/11/2025"), QStringLiteral("01/01/2026") });
    f.edit->MRUList()->SetActive(true);
    ASSERT_TRUE(f.type(QStringLiteral("3")));
    ASSERT_TRUE(f.edit->MRUList()->ListShown);
    EXPECT_EQ(f.edit->GetMRUListbox()->count(), 2);
    QTest::keyClicks(f.edit, QStringLiteral("11"));
    ASSERT_TRUE(f.edit->MRUList()->ListShown);
    EXPECT_EQ(f.edit->GetMRUListbox()->count(), 1);
    QTest::keyClick(f.edit, Qt::Key_Down);
    QTest::keyClick(f.edit, Qt::Key_Return);
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("31/12/2025"));
}
