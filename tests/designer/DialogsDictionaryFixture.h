#pragma once

// The data dictionary editor on the dialogs' report, whose dictionary holds two categories of variables: a field,
// an expression and a system variable.
#include "DialogsFixture.h"

#include "FR_Ctrls.h"
#include "FR_Dict.h"

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QTreeWidget>

#include <memory>

class DialogsDictionary : public DialogsFixture
{
protected:
    using Entries = QList<QPair<QString, QString>>;

    static Entries entries(const TfrVariables &list)
    {
        Entries result;
        for (int i = 0; i < list.GetCount(); ++i)
            result << qMakePair(list.GetName(i), list.GetValueAt(i).toString());
        return result;
    }
    static void fill(TfrVariables &list, const Entries &values)
    {
        list.Clear();
        for (const auto &[name, value] : values)
            list.SetValue(name, Variant(value));
    }

    // Runs the editor on the report, acting on it once it is up; answers whether it was confirmed.
    bool edit(std::function<void(TfrDictForm &)> act)
    {
        tarvik::test::ModalAnswer answer = whenShown<TfrDictForm>([act = std::move(act)](TfrDictForm &form) {
            // Keys go where the focus is, which needs the window to be the active one.
            form.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
            act(form);
        });
        const bool confirmed = TfrDictForm::Execute(report);
        EXPECT_TRUE(answer.ran());
        return confirmed;
    }

    static QStringList tree(const QTreeWidget *view)
    {
        QStringList lines;
        for (QTreeWidgetItemIterator it(const_cast<QTreeWidget *>(view)); *it; ++it) {
            QString indent;
            for (const QTreeWidgetItem *p = (*it)->parent(); p; p = p->parent())
                indent += u' ';
            lines << indent + (*it)->text(0);
        }
        return lines;
    }
    static QTreeWidgetItem *find(const QTreeWidget *view, const QString &text)
    {
        const QList<QTreeWidgetItem *> found = view->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        EXPECT_FALSE(found.isEmpty()) << text.toStdString();
        return found.value(0);
    }
    static void click(QTreeWidget *view, const QString &text)
    {
        QTreeWidgetItem *item = find(view, text);
        ASSERT_NE(item, nullptr);
        view->scrollToItem(item);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(item).center());
    }
    static void key(QWidget *widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        widget->setFocus();
        QTest::keyClick(widget, key, modifiers);
    }
    // Types over the name being edited in the tree and ends the edit with Enter.
    static void typeName(const QString &name)
    {
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr) << "a name is being edited";
        editor->selectAll();
        QTest::keyClicks(editor, name);
        QTest::keyClick(editor, Qt::Key_Return);
        // The tree takes the name once the key has been handled.
        const QPointer<QLineEdit> closing(editor);
        EXPECT_TRUE(QTest::qWaitFor([&closing] { return !closing || !closing->isVisible(); }));
    }
    static void press(TfrSpeedButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    static void drop(QAbstractItemView *target, QAbstractItemView *source)
    {
        const QModelIndex current = source->currentIndex();
        std::unique_ptr<QMimeData> data(source->model()->mimeData({ current }));
        const QPoint at = target->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(target->viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(target->viewport(), &dropped);
        EXPECT_TRUE(dropped.isAccepted());
        EXPECT_EQ(dropped.dropAction(), Qt::CopyAction);
    }

    void SetUp() override
    {
        DialogsFixture::SetUp();
        fill(dictionary().Variables,
            { { " Абоненты", "" }, { "Имя", "Customers.\"NAME\"" }, { "Долг", "[Customers.\"DEBT\"] * 2" },
                { " Даты", "" }, { "Сегодня", "date" } });
    }
};
