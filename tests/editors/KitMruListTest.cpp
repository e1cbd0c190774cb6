#include "ToolCtrlsEh.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

QStringList L(std::initializer_list<const char *> items)
{
    QStringList l;
    for (const char *i : items)
        l << QString::fromUtf8(i);
    return l;
}

} // namespace

TEST(KitMruList, AddMovesAnEqualEntryToTheEnd)
{
    struct Case
    {
        QStringList before;
        QString added;
        bool caseSensitive;
        QStringList after;
    } cases[] = {
        {L({"abc", "x"}), "abc", false, L({"x", "abc"})},
        {L({"abc", "x"}), "ABC", false, L({"x", "abc"})},
        {L({"abc", "x"}), "ABC", true, L({"abc", "x", "ABC"})},
        {L({"Ёлка"}), "ёлка", false, L({"Ёлка"})},
        {L({"abc"}), "  ", false, L({"abc"})},
        {L({"abc"}), "\t\r\n", false, L({"abc"})},
        {L({"abc"}), " a ", false, L({"abc", " a "})},
    };
    for (const Case &c : cases) {
        TMRUListEh mru(nullptr);
        mru.CaseSensitive = c.caseSensitive;
        mru.SetItems(c.before);
        mru.Add(c.added);
        EXPECT_EQ(mru.Items(), c.after) << c.added.toStdString();
    }
}

TEST(KitMruList, LimitDropsTheOldest)
{
    TMRUListEh mru(nullptr);
    EXPECT_EQ(mru.Limit(), 100);
    EXPECT_EQ(mru.Rows(), 7);
    EXPECT_TRUE(mru.AutoAdd);
    mru.SetLimit(2);
    mru.Add(QStringLiteral("a"));
    mru.Add(QStringLiteral("b"));
    mru.Add(QStringLiteral("c"));
    EXPECT_EQ(mru.Items(), L({"b", "c"}));

    mru.SetLimit(5);
    mru.SetItems(L({"1", "2", "3", "4", "5"}));
    mru.SetLimit(3);
    EXPECT_EQ(mru.Items(), L({"3", "4", "5"}));

    TMRUListEh copy(nullptr);
    int toggled = 0;
    copy.OnActiveToggled = [&](TMRUListEh *) { ++toggled; };
    mru.SetActive(true);
    mru.AutoAdd = false;
    copy.Assign(mru);
    EXPECT_EQ(copy.Items(), mru.Items());
    EXPECT_EQ(copy.Limit(), 3);
    EXPECT_TRUE(copy.Active());
    EXPECT_EQ(toggled, 1);
    EXPECT_TRUE(copy.AutoAdd) << "AutoAdd is not copied";
}

TEST(KitMruList, FilterKeepsTheEntriesBeginningWithTheText)
{
    TMRUListEh mru(nullptr);
    mru.SetItems(L({"abc", "xab", "ABD", "ab"}));
    QStringList out;
    EXPECT_TRUE(mru.FilterItems(out, QString()));
    EXPECT_EQ(out, mru.Items());
    EXPECT_TRUE(mru.FilterItems(out, QStringLiteral("ab")));
    EXPECT_EQ(out, L({"abc", "ABD", "ab"}));
    mru.CaseSensitive = true;
    mru.FilterItems(out, QStringLiteral("ab"));
    EXPECT_EQ(out, L({"abc", "ab"}));

    mru.OnAcceptItem = [](TMRUListEh *, const QString &item, bool &accept) { accept = accept && item.size() > 2; };
    mru.FilterItems(out, QStringLiteral("ab"));
    EXPECT_EQ(out, L({"abc"}));
}

TEST(KitMruList, FilterStopsWhenAKeyIsPending)
{
    TMRUListEh mru(nullptr);
    QStringList many;
    for (int i = 0; i < 250; ++i)
        many << QStringLiteral("item %1").arg(i);
    mru.SetItems(many);
    int asked = 0;
    SetPendingKeyProbe([&asked] { return ++asked > 1; });
    QStringList out;
    EXPECT_FALSE(mru.FilterItems(out, QString()));
    EXPECT_EQ(out.size(), 100) << "looked at every hundredth entry";
    asked = 0;
    mru.StopOnPendingKey = false;
    EXPECT_TRUE(mru.FilterItems(out, QString()));
    EXPECT_EQ(out.size(), 250);
    SetPendingKeyProbe(nullptr);
}

TEST(KitSpecialRow, CellTextsAndOwnerColour)
{
    QWidget owner;
    TSpecRowEh row(&owner);
    int changes = 0;
    row.OnRowChanged = [&](TSpecRowEh *) { ++changes; };
    EXPECT_TRUE(row.Value().isNull());
    EXPECT_TRUE(row.ShowIfNotInKeyList());
    EXPECT_EQ(row.ShortCut(), QKeySequence(Qt::ALT | Qt::Key_Delete));

    struct Case
    {
        QString text;
        QStringList cells;
    } cases[] = {
        {"-;(none)", L({"-", "(none)"})},
        {"one", L({"one"})},
        {"\t a ;\"x;\"\"y\"\"\"; b", L({" a ", "x;\"y\"", " b"})},
        {"a;", L({"a"})},
        {"", QStringList()},
    };
    for (const Case &c : cases) {
        row.SetCellsText(c.text);
        EXPECT_EQ(row.CellTexts(), c.cells) << c.text.toStdString();
    }
    row.SetCellsText(QStringLiteral("-;(none)"));
    EXPECT_EQ(row.GetCellText(1), QStringLiteral("(none)"));
    EXPECT_EQ(row.GetCellText(5), QString());
    EXPECT_EQ(row.GetCellText(-1), QString());

    QPalette p = owner.palette();
    p.setColor(QPalette::Base, QColor(1, 2, 3));
    owner.setPalette(p);
    EXPECT_EQ(row.Color(), TColor(0x030201)) << "follows the owner's colour";
    EXPECT_FALSE(row.ColorSet()) << "and is not stored";
    row.SetColor(clBlue);
    EXPECT_TRUE(row.ColorSet());
    EXPECT_EQ(row.Color(), clBlue);

    changes = 0;
    row.BeginUpdate();
    row.SetVisible(true);
    row.SetValue(Variant(5.0));
    EXPECT_EQ(changes, 0);
    row.EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(row.MatchesValue(Variant(5.0)));
    EXPECT_FALSE(row.MatchesValue(Variant::Null()));
    row.SetVisible(false);
    EXPECT_FALSE(row.MatchesValue(Variant(5.0)));
}
