#pragma once

// A designer with a real report around the dialogs: a data module "DM" in the component registry holding two
// tables and a report data source for each, a report owned by the module that is the current report, and a
// recording designer that is the current designer, showing the report's first page.
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "FR_DataDict.h"
#include "FR_Globals.h"

#include "ComponentRegistry.h"
#include "FakeReportDesigner.h"
#include "MemTable.h"
#include "ModalAnswer.h"
#include "ServiceFakes.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

class DialogsFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        module.setObjectName(QStringLiteral("DM"));
        ComponentRegistry &registry = ComponentRegistry::instance();
        registry.registerOwner(&module, QStringLiteral("DM"));
        customers.LoadData(
            { TFieldDef(QStringLiteral("ID"), ftInteger), TFieldDef(QStringLiteral("NAME"), ftString, 30),
                TFieldDef(QStringLiteral("DEBT"), ftFloat) },
            { { 1, QStringLiteral("Иванов"), 10.5 } });
        payments.LoadData(
            { TFieldDef(QStringLiteral("PAYDATE"), ftDate), TFieldDef(QStringLiteral("SUMMA"), ftFloat) }, {});
        registry.registerComponent(&module, &customers, QStringLiteral("Customers"));
        registry.registerComponent(&module, &payments, QStringLiteral("Payments"));
        customerSource.SetDataSet(&customers);
        paymentSource.SetDataSet(&payments);
        registry.registerComponent(&module, &customerSource, QStringLiteral("frCustomers"));
        registry.registerComponent(&module, &paymentSource, QStringLiteral("frPayments"));
        frEngine().CurrentReport = &report;
        report.Pages().Add();
        designer.Page = report.Pages().GetPage(0);
        frEngine().CurrentDesigner = &designer;
    }
    void TearDown() override
    {
        frResetEngine();
        ComponentRegistry::instance().unregister(&module);
    }

    TfrPage *page() { return report.Pages().GetPage(0); }
    TfrDataDictionary &dictionary() { return report.Dictionary(); }

    TfrBandView *addBand(int type, const QString &name, const QString &text = QString(), TfrPage *on = nullptr)
    {
        auto *band = new TfrBandView;
        band->SetBandType(type);
        band->Name = name;
        band->FormatText = text;
        (on ? on : page())->AddObject(band);
        return band;
    }

    // Runs `act` on the dialog of class T once it is up.
    template <class T> tarvik::test::ModalAnswer whenShown(std::function<void(T &)> act)
    {
        return tarvik::test::ModalAnswer([] { return tarvik::test::activeModal<T>() != nullptr; },
            [act = std::move(act)] { act(*tarvik::test::activeModal<T>()); });
    }

    static void clickRow(QListWidget *list, int row)
    {
        QListWidgetItem *item = list->item(row);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
    static void doubleClickRow(QListWidget *list, int row)
    {
        QListWidgetItem *item = list->item(row);
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    // Clicks a check box or radio button on its box, which a click in the middle of a wide button misses.
    static void clickBox(QAbstractButton *button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    // Picks a row of a combo box with the keyboard, as a user does.
    static void chooseInCombo(QComboBox *combo, int row)
    {
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < row; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
    }
    static void retype(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    static QStringList texts(const QListWidget *list)
    {
        QStringList result;
        for (int i = 0; i < list->count(); ++i)
            result << list->item(i)->text();
        return result;
    }
    static QStringList texts(const QComboBox *combo)
    {
        QStringList result;
        for (int i = 0; i < combo->count(); ++i)
            result << combo->itemText(i);
        return result;
    }

    FakeMessageService messages;
    QObject module;
    TMemTable customers, payments;
    TfrDBDataSet customerSource, paymentSource;
    TfrReport report { &module };
    tarvik::test::FakeReportDesigner designer { true };
};
