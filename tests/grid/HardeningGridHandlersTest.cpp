// What the program's own handlers raise while the grid handles an event stops where the grid handles it: it is
// reported once through the program's handler and never unwinds Qt's frames.
#include "DBGridEhInplace.h"
#include "Exceptions.h"
#include "ExceptionWatch.h"
#include "GridInteraction.h"

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <functional>

#include <gtest/gtest.h>

using namespace tarvik::test;

TEST(HardeningGridHandlers, WhatADatasetHandlerRaisesStopsAtTheGridsOwnEdge)
{
    const auto wheel = [](InteractionGrid &g) {
        QWidget *viewport = g.grid->viewport();
        const QPointF at = viewport->rect().center();
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    };
    const struct
    {
        const char *what;
        std::function<void(InteractionGrid &)> act;
    } cases[] = {
        {"a key", [](InteractionGrid &g) { g.press(Qt::Key_Down); }},
        {"a click", [](InteractionGrid &g) { g.click(1, g.rowOf(3)); }},
        {"a wheel turn", wheel},
        {"the scroll bar", [](InteractionGrid &g) { g.grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); }},
        {"a key in the cell editor",
         [](InteractionGrid &g) {
             g.grid->SetSelectedIndex(1);
             g.grid->ShowEditor();
             QApplication::processEvents();
             auto *editor = dynamic_cast<TDBGridInplaceEdit *>(g.grid->InplaceEditor());
             ASSERT_NE(editor, nullptr);
             QTest::keyClick(editor, Qt::Key_Down);
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        InteractionGrid g;
        g.ds.AfterScroll.add([](TDataSet *) { throw Exception(QStringLiteral("Переход запрещён")); });
        ExceptionWatch watch;
        c.act(g);
        QApplication::sendPostedEvents();
        QApplication::processEvents();
        EXPECT_EQ(watch.reported, QStringList{QStringLiteral("Переход запрещён")});
        EXPECT_EQ(watch.escaped, QStringList());
    }
}

TEST(HardeningGridHandlers, WhatAFieldRefusesWhileTypingStopsAtTheCellEditorsEdge)
{
    InteractionGrid g;
    g.field("NAME")->OnValidate = [](TField *, const QVariant &value) {
        if (value.toString().contains(QLatin1Char('!')))
            throw Exception(QStringLiteral("Недопустимый знак"));
    };
    g.grid->SetSelectedIndex(1);
    g.grid->ShowEditor();
    QApplication::processEvents();
    auto *editor = dynamic_cast<TDBGridInplaceEdit *>(g.grid->InplaceEditor());
    ASSERT_NE(editor, nullptr);
    ExceptionWatch watch;
    QTest::keyClick(editor, '!');
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::sendPostedEvents();
    QApplication::processEvents();
    EXPECT_EQ(watch.reported, QStringList{QStringLiteral("Недопустимый знак")});
    EXPECT_EQ(watch.escaped, QStringList());
    EXPECT_EQ(g.name(), QStringLiteral("Petrov"));
}
