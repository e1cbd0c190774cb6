#pragma once

#include "DataSource.h"
#include "MemTable.h"
#include "ServiceFakes.h"

#include <QApplication>
#include <QLayout>
#include <QTest>
#include <QWidget>

#include <memory>

namespace tarvik::test {

// One record of every kind of field the editors show: ID integer, NAME string 20, NOTE string 30, AMOUNT float,
// PAID date-time, FLAG boolean, KIND string 10.
struct EditorTable
{
    TMemTable table;
    TDataSource source;

    EditorTable()
    {
        table.setObjectName(QStringLiteral("mdCard"));
        table.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
        table.FieldDefs().Add(QStringLiteral("NAME"), ftString, 20);
        table.FieldDefs().Add(QStringLiteral("NOTE"), ftString, 30);
        table.FieldDefs().Add(QStringLiteral("AMOUNT"), ftFloat);
        table.FieldDefs().Add(QStringLiteral("PAID"), ftDateTime);
        table.FieldDefs().Add(QStringLiteral("FLAG"), ftBoolean);
        table.FieldDefs().Add(QStringLiteral("KIND"), ftString, 10);
        table.Open();
        table.Append();
        field("ID")->SetValue(7);
        field("NAME")->SetValue(QStringLiteral("Иванов"));
        table.Post();
        source.SetDataSet(&table);
    }

    TField *field(const char *name) const { return table.FieldByName(QString::fromLatin1(name)); }
};

// Types text as key presses; characters beyond ASCII (which QTest cannot name as keys) go as the text of a
// key event.
void typeText(QWidget *w, const QString &text);

// A shown top-level window holding the editors under test and a second control that takes the focus away.
struct EditorWindow
{
    QWidget window;
    QWidget *other = nullptr;

    EditorWindow();
    // Gives w the focus and waits until it has it.
    static bool focus(QWidget *w);
    // Moves the focus to the other control (the editor's exit).
    bool leave();
};

} // namespace tarvik::test
