// What the program's own handlers raise while an edit control handles an event stops where the control handles
// it: it is reported once through the program's handler and never unwinds Qt's frames.
#include "DBCtrlsEh.h"
#include "EditControlsSupport.h"
#include "ExceptionWatch.h"
#include "Exceptions.h"
#include "ToolCtrlsEh.h"

#include <QLayout>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

using tarvik::test::EditorTable;
using tarvik::test::EditorWindow;
using tarvik::test::ExceptionWatch;

TEST(HardeningEditorsHandlers, WhatAHandlerRaisesStopsAtTheControlsOwnEdge)
{
    const auto refuse = [] { throw Exception(QStringLiteral("Действие запрещено")); };
    const struct
    {
        const char *what;
        std::function<void(EditorTable &, EditorWindow &)> act;
    } cases[] = {
        {"a key the edit's key handler refuses",
         [&](EditorTable &data, EditorWindow &w) {
             auto *edit = new TDBEditEh(&w.window);
             w.window.layout()->addWidget(edit);
             edit->SetDataSource(&data.source);
             edit->SetDataField(QStringLiteral("NAME"));
             edit->OnKeyPress = [&](QObject *, QChar &) { refuse(); };
             ASSERT_TRUE(EditorWindow::focus(edit));
             QTest::keyClick(edit, 'x');
         }},
        {"a click on a button whose handler refuses",
         [&](EditorTable &, EditorWindow &w) {
             auto *edit = new TDBEditEh(&w.window);
             w.window.layout()->addWidget(edit);
             TEditButtonEh *extra = edit->EditButtons()->Add();
             extra->OnClick = [&](QObject *, bool &) { refuse(); };
             ASSERT_TRUE(EditorWindow::focus(edit));
             TEditButtonControlEh *button = edit->ButtonControl(1);
             ASSERT_NE(button, nullptr);
             QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EditorTable data;
        EditorWindow w;
        ExceptionWatch watch;
        c.act(data, w);
        QApplication::sendPostedEvents();
        QApplication::processEvents();
        EXPECT_EQ(watch.reported, QStringList{QStringLiteral("Действие запрещено")});
        EXPECT_EQ(watch.escaped, QStringList());
    }
}
