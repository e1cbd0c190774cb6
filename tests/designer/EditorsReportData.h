#pragma once

#include "FR_Class.h"
#include "FR_DataDict.h"
#include "FR_Expr.h"
#include "FR_Fields.h"
#include "FR_Globals.h"

#include "ComponentRegistry.h"
#include "MemTable.h"
#include "ModalAnswer.h"
#include "Registry.h"
#include "ServiceFakes.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

// A data module "DM" holding the tables Customers (ID, Name) and Orders (ORDER_ID, TOTAL), and a report of that
// module as the current report; a fresh registry and no dataset, category or function remembered.
class EditorsReportData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        TRegistry::useTemporaryStorage();
        LastFieldsDataset.clear();
        LastInsFieldsDataset.clear();
        LastVarCategory.clear();
        module.setObjectName(QStringLiteral("DM"));
        ComponentRegistry &registry = ComponentRegistry::instance();
        registry.registerOwner(&module, QStringLiteral("DM"));
        customers.LoadData(
            { TFieldDef(QStringLiteral("ID"), ftInteger), TFieldDef(QStringLiteral("Name"), ftString, 30) }, {});
        orders.LoadData(
            { TFieldDef(QStringLiteral("ORDER_ID"), ftInteger), TFieldDef(QStringLiteral("TOTAL"), ftFloat) }, {});
        registry.registerComponent(&module, &customers, QStringLiteral("Customers"));
        registry.registerComponent(&module, &orders, QStringLiteral("Orders"));
        frEngine().CurrentReport = &report;
    }
    void TearDown() override
    {
        frResetEngine();
        ComponentRegistry::instance().unregister(&module);
    }

    static QStringList texts(const QListWidget *list)
    {
        QStringList result;
        for (int i = 0; i < list->count(); ++i)
            result << list->item(i)->text();
        return result;
    }
    // Clicks the row of that text as the user would.
    static void clickRow(QListWidget *list, const QString &text)
    {
        const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << text.toStdString();
        list->scrollToItem(found.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
    }

    // The events a double-click on the row brings: press, release, press, double-click, release.
    static void doubleClickRow(QListWidget *list, const QString &text)
    {
        clickRow(list, text);
        const QPoint at = list->visualItemRect(list->findItems(text, Qt::MatchExactly).first()).center();
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
        QMouseEvent twice(QEvent::MouseButtonDblClick, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &twice);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }

    FakeDialogService dialogs;
    FakeMessageService messages;
    QObject module;
    TMemTable customers, orders;
    TfrReport report { &module };
};
