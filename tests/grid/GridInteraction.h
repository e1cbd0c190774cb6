#pragma once

// A shown grid over a few records for the tests of keys, mouse, search and selections.
#include "GridSupport.h"
#include "ServiceFakes.h"

#include <QTest>

namespace tarvik::test {

// Columns ID, NAME and AMOUNT over the given names (ID 1, 2, ...), shown and focused, the first record current.
struct InteractionGrid : GridFixture
{
    explicit InteractionGrid(const QStringList &names = {QStringLiteral("Petrov"), QStringLiteral("Ivanov"),
                                                         QStringLiteral("Sidorov"), QStringLiteral("Ivashov"),
                                                         QStringLiteral("Kuznetsov")},
                             TDBGridOptions extraOptions = 0)
    {
        for (const char *name : {"ID", "NAME", "AMOUNT"})
            grid->Columns().Add()->SetFieldName(QString::fromLatin1(name));
        grid->SetOptions(grid->Options() | extraOptions);
        ds.DisableControls();
        for (int i = 0; i < names.size(); ++i)
            add(i + 1, names[i], (i + 1) * 10.0);
        ds.EnableControls();
        ds.First();
        show();
    }

    int id() { return field("ID")->AsInteger(); }
    QString name() { return field("NAME")->AsString(); }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(grid.get(), Qt::Key(key), modifiers);
    }
    void type(const QString &text)
    {
        for (QChar c : text)
            QTest::keyClick(grid.get(), c.toLatin1());
    }
    // A press and release at the centre of a grid cell (column 0 is the indicator, row 0 the titles).
    void click(int col, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, grid->CellRect(col, row).center());
    }
    // Where record `id` is shown (the records fit on screen).
    int rowOf(int wantedId)
    {
        const int top = grid->TopFixedRows();
        for (int r = 0; r < grid->DataLink()->RecordCount(); ++r) {
            int shown = 0;
            const int old = grid->DataLink()->ActiveRecord();
            grid->DataLink()->SetActiveRecord(r);
            shown = field("ID")->AsInteger();
            grid->DataLink()->SetActiveRecord(old);
            if (shown == wantedId)
                return r + top;
        }
        return -1;
    }
    // The ids of the selected records, in the list's order.
    QList<int> selectedIds()
    {
        QList<int> ids;
        const QByteArray here = ds.GetBookmark();
        for (const QByteArray &bookmark : grid->SelectedBookmarks().Bookmarks()) {
            ds.GotoBookmark(bookmark);
            ids << id();
        }
        ds.GotoBookmark(here);
        return ids;
    }
    void gotoId(int wanted) { ds.Locate(QStringLiteral("ID"), wanted); }
};

} // namespace tarvik::test
