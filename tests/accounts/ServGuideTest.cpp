// The services editor and its tariff rules, on both engines.
#include "CustomerProgramFixture.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "FormClasses.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "MainWindowScope.h"
#include "ModalAnswer.h"
#include "ServiceFakes.h"
#include "WindowMessages.h"
#include "dmuSMS.h"
#include "frmuCASConsole.h"
#include "frmuServTypeGuide.h"
#include "uServTarifs.h"
#include "uSettings.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QPointer>
#include <QStackedWidget>
#include <QTest>

#include <limits>

#include <gtest/gtest.h>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

QDateTime day(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

class ServGuide : public CustomerWindowsFixture
{
protected:
    static constexpr int ServId = 10;

    ServGuide()
        : CustomerWindowsFixture(QDateTime(QDate(2021, 3, 20), QTime(10, 0)))
    {
    }

    void SetUp() override
    {
        CustomerWindowsFixture::SetUp();
        if (HasFatalFailure())
            return;
        RegisterServiceGuides();
        m_previousHandler = setExceptionHandler([this](const QString &message) { m_errors << message; });
        for (const char *sql : { "insert into ZOLT.SERV_PACKAGE (SERV_PACKAGE_ID, SERV_PACKAGE_DESCR) values (1, 'Базовый')",
                 "insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, CHILDSERV_ID, SERV_CODE, SERV_PACKAGE_ID, "
                 "IS_DTV_PACKAGE, DTV_PACKAGE_CODE) values (10, 'Абонплата', 0, -1, 'АП', 1, 0, 7)",
                 "insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, CHILDSERV_ID, SERV_CODE, SERV_PACKAGE_ID, "
                 "IS_DTV_PACKAGE, DTV_PACKAGE_CODE) values (11, 'Подключение', 2, 10, 'П', 1, 0, 3)" })
            m_dmr->dbConnection()->Execute(QString::fromUtf8(sql));
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) values "
                           "(1, 10, :P_FROM, :P_TO, 5)"),
            { { QStringLiteral("P_FROM"), day(2020, 1, 1) }, { QStringLiteral("P_TO"), day(4712, 12, 31) } });
    }
    void TearDown() override
    {
        stopAnswers();
        setExceptionHandler(m_previousHandler);
        CustomerWindowsFixture::TearDown();
    }

    // "TARIF_ID|DATE_FROM|DATE_TO|TARIF_SUM" of the service's tariffs in start order, as another user sees them.
    QStringList tarifs(int servId = ServId) const
    {
        QStringList out;
        TKyv_ADODataSet ds;
        ds.SetConnection(m_other->dbConnection());
        ds.SetCommandText(QStringLiteral("select TARIF_ID, DATE_FROM, DATE_TO, TARIF_SUM from ZOLT.TARIF "
                                         "where SERV_ID = %1 order by DATE_FROM, TARIF_ID")
                              .arg(servId));
        ds.Open();
        for (; !ds.Eof(); ds.Next())
            out << QStringLiteral("%1|%2|%3|%4")
                       .arg(ds.FieldByName(QStringLiteral("TARIF_ID"))->AsInteger())
                       .arg(ds.FieldByName(QStringLiteral("DATE_FROM"))->AsDateTime().date().toString(QStringLiteral("dd.MM.yyyy")))
                       .arg(ds.FieldByName(QStringLiteral("DATE_TO"))->AsDateTime().date().toString(QStringLiteral("dd.MM.yyyy")))
                       .arg(ds.FieldByName(QStringLiteral("TARIF_SUM"))->AsFloat());
        return out;
    }

    void whenEditorOpens(std::function<void(TfrmServTypeGuide *)> act)
    {
        whenReady([] { return activeModal<TfrmServTypeGuide>() != nullptr; },
            [act] {
                QPointer<TfrmServTypeGuide> form = activeModal<TfrmServTypeGuide>();
                act(form);
                // A failed assertion leaves the editor open; it must not hold the test.
                if (form && form->isVisible())
                    form->actClose->trigger();
            });
    }

    ExceptionHandler m_previousHandler;
    QStringList m_errors;
};

TEST_P(ServGuide, NewTarifEndsThePreviousOneOrChangesNothing)
{
    struct Case
    {
        const char *label;
        QDate from;
        double sum;
        const char *error; // null: stored
        QStringList after;
    };
    const QStringList start { "1|01.01.2020|31.12.4712|5" };
    const Case cases[] = {
        { "a start equal to the previous one is refused", QDate(2020, 1, 1), 6, "Не верная дата: ", start },
        { "an earlier start is refused", QDate(2019, 12, 31), 6, "Не верная дата: ", start },
        { "a sum the database refuses changes nothing", QDate(2021, 3, 1), std::numeric_limits<double>::quiet_NaN(),
            "Тариф не записан", start },
        { "a later start ends the previous tariff the day before", QDate(2021, 3, 1), 7.5, nullptr,
            { "1|01.01.2020|28.02.2021|5", "2|01.03.2021|31.12.4712|7.5" } },
    };
    for (const Case &c : cases) {
        int id = -1;
        QString error;
        const bool stored = AddServiceTarif(m_dmr.get(), ServId, LastTarifId(m_dmr.get(), ServId), c.from, c.sum, id, error);
        EXPECT_EQ(stored, c.error == nullptr) << c.label;
        if (c.error) {
            EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.error))) << c.label << ": " << error.toStdString();
        }
        EXPECT_EQ(tarifs(), c.after) << c.label;
        EXPECT_FALSE(m_dmr->dbConnection()->InTransaction()) << c.label;
    }
}

TEST_P(ServGuide, DeletingTheLastTarifReopensThePreviousOne)
{
    int id = 0;
    QString error;
    ASSERT_TRUE(AddServiceTarif(m_dmr.get(), ServId, 1, QDate(2021, 3, 1), 7.5, id, error));
    ASSERT_TRUE(DeleteLastTarif(m_dmr.get(), ServId, error)) << error.toStdString();
    EXPECT_EQ(tarifs(), QStringList { "1|01.01.2020|31.12.4712|5" });
    ASSERT_TRUE(DeleteLastTarif(m_dmr.get(), ServId, error));
    EXPECT_TRUE(tarifs().isEmpty());
    EXPECT_TRUE(DeleteLastTarif(m_dmr.get(), ServId, error)) << "nothing left to delete is no failure";
}

TEST_P(ServGuide, EditorAddsATarifThroughTheChainAndRefusesAnEarlierOne)
{
    m_dm->SetWorkDate(QDate(2021, 3, 1));
    QString refusal;
    whenEditorOpens([&](TfrmServTypeGuide *form) {
        ASSERT_TRUE(form->odsServicePackage->Locate(QStringLiteral("SERV_PACKAGE_ID"), 1));
        ASSERT_TRUE(form->cdsServ->Locate(QStringLiteral("SERV_ID"), ServId));
        ASSERT_EQ(form->cdsTarif->RecordCount(), 1);
        form->actNewTarif->trigger();
        ASSERT_EQ(form->cdsTarif->State(), dsInsert);
        EXPECT_EQ(form->cdsTarif->FieldByName(QStringLiteral("DATE_FROM"))->AsDateTime(), day(2021, 3, 1));
        form->cdsTarif->FieldByName(QStringLiteral("TARIF_SUM"))->SetValue(7.5);
        form->cdsTarif->Post();
        EXPECT_EQ(form->cdsTarif->RecordCount(), 2);

        // A tariff starting before the last one's start is refused and the row stays to be corrected.
        form->actNewTarif->trigger();
        form->cdsTarif->FieldByName(QStringLiteral("DATE_FROM"))->SetValue(day(2021, 2, 1));
        guard([&] { form->cdsTarif->Post(); });
        refusal = m_errors.value(0);
        m_errors.clear();
        EXPECT_EQ(form->cdsTarif->State(), dsInsert);
        form->cdsTarif->Cancel();
        form->actClose->trigger();
    });
    QVariant out;
    EXPECT_FALSE(executeServTypeGuide(0, 0, out));
    EXPECT_TRUE(refusal.startsWith(QStringLiteral("Не верная дата: "))) << refusal.toStdString();
    EXPECT_EQ(tarifs(), QStringList({ "1|01.01.2020|28.02.2021|5", "2|01.03.2021|31.12.4712|7.5" }));
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join(QLatin1Char('\n')).toStdString();
}

TEST_P(ServGuide, EditorDeletesTheLastTarifAfterAsking)
{
    int id = 0;
    QString error;
    ASSERT_TRUE(AddServiceTarif(m_dmr.get(), ServId, 1, QDate(2021, 3, 1), 7.5, id, error));
    m_messages.answer(mrYes);
    whenEditorOpens([&](TfrmServTypeGuide *form) {
        ASSERT_TRUE(form->odsServicePackage->Locate(QStringLiteral("SERV_PACKAGE_ID"), 1));
        ASSERT_TRUE(form->cdsServ->Locate(QStringLiteral("SERV_ID"), ServId));
        form->actDelTarif->trigger();
        EXPECT_EQ(form->cdsTarif->RecordCount(), 1);
        EXPECT_EQ(form->cdsTarif->FieldByName(QStringLiteral("DATE_TO"))->AsDateTime(), day(4712, 12, 31));
        form->actClose->trigger();
    });
    QVariant out;
    executeServTypeGuide(0, 0, out);
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(m_messages.requests[0].text, QStringLiteral("Удалить тариф 7.5 ?"));
    EXPECT_EQ(tarifs(), QStringList { "1|01.01.2020|31.12.4712|5" });
}

TEST_P(ServGuide, NewServiceGetsItsDefaultsAndAZeroTarifFromTheInitialisationDate)
{
    const QDate initDate = m_dmr->InitDate();
    ASSERT_TRUE(initDate.isValid());
    QVariant newId;
    whenEditorOpens([&](TfrmServTypeGuide *form) {
        form->actNewService->trigger();
        ASSERT_EQ(form->cdsServ->State(), dsInsert);
        EXPECT_EQ(form->cdsServ->FieldByName(QStringLiteral("SERV_PACKAGE_ID"))->AsInteger(), -1)
            << "the package list's first row";
        form->actCancel->trigger();
        ASSERT_TRUE(form->odsServicePackage->Locate(QStringLiteral("SERV_PACKAGE_ID"), 1));
        form->actNewService->trigger();
        ASSERT_EQ(form->cdsServ->State(), dsInsert);
        auto value = [form](const char *name) { return form->cdsServ->FieldByName(QString::fromLatin1(name))->Value(); };
        newId = value("SERV_ID");
        EXPECT_EQ(newId.toInt(), 12);
        EXPECT_EQ(value("SERV_CODE").toString(), QStringLiteral("*"));
        EXPECT_EQ(value("IS_DTV_PACKAGE").toInt(), 0);
        EXPECT_EQ(value("DTV_PACKAGE_CODE").toInt(), 8) << "the largest stored code plus 1";
        EXPECT_EQ(value("SERV_PACKAGE_ID").toInt(), 1) << "the chosen package";
        EXPECT_EQ(value("SERVTYPE_ID").toInt(), 0);
        EXPECT_EQ(value("CHILDSERV_ID").toInt(), -1);
        EXPECT_EQ(form->pcMain->currentWidget(), form->tsDetail);

        // Without a name nothing is stored.
        form->actApply->trigger();
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не введено наименование пакета услуг"));
        EXPECT_EQ(form->pcMain->currentWidget(), form->tsDetail);

        form->cdsServ->FieldByName(QStringLiteral("SERV_DESCR"))->SetValue(QStringLiteral("Пакет HD"));
        form->actApply->trigger();
        EXPECT_EQ(form->pcMain->currentWidget(), form->tsList);
        form->actClose->trigger();
    });
    QVariant out;
    executeServTypeGuide(0, 0, out);
    EXPECT_EQ(seen(QStringLiteral("select SERV_DESCR from ZOLT.SERV where SERV_ID = 12")).toString(),
        QStringLiteral("Пакет HD"));
    EXPECT_EQ(tarifs(12), QStringList { QStringLiteral("2|%1|31.12.4712|0").arg(initDate.toString(QStringLiteral("dd.MM.yyyy"))) });
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join(QLatin1Char('\n')).toStdString();
}

TEST_P(ServGuide, SavingAServiceKeepsTheParentOnlyForConnectionTypesAndDtvNeedsCas)
{
    whenEditorOpens([&](TfrmServTypeGuide *form) {
        ASSERT_TRUE(form->odsServicePackage->Locate(QStringLiteral("SERV_PACKAGE_ID"), 1));
        auto save = [form](int servId, const QVariant &type, const QVariant &child) {
            EXPECT_TRUE(form->cdsServ->Locate(QStringLiteral("SERV_ID"), servId));
            form->actEditService->trigger();
            form->cdsServ->FieldByName(QStringLiteral("SERVTYPE_ID"))->SetValue(type);
            form->cdsServ->FieldByName(QStringLiteral("CHILDSERV_ID"))->SetValue(child);
            form->actApply->trigger();
        };
        save(11, 2, 10); // first connection keeps its parent
        save(10, 0, 11); // a periodic service is nobody's child

        // The parent drop-down is open only to connection and disconnection services; the CAS group shows on a
        // periodic service only with CAS on.
        for (const bool cas : { false, true }) {
            AppSettings().useCAS = cas;
            form->cdsServ->Locate(QStringLiteral("SERV_ID"), 10);
            form->actEditService->trigger();
            EXPECT_FALSE(form->lcbChildServ->isEnabled());
            EXPECT_EQ(form->gbCAS->isVisibleTo(form), cas);
            EXPECT_FALSE(form->gbVoyager->isVisibleTo(form));
            form->actCancel->trigger();
        }
        form->cdsServ->Locate(QStringLiteral("SERV_ID"), 11);
        form->actEditService->trigger();
        EXPECT_TRUE(form->lcbChildServ->isEnabled());
        form->actCancel->trigger();

        // With CAS off a DTV package cannot be stored.
        AppSettings().useCAS = false;
        form->cdsServ->Locate(QStringLiteral("SERV_ID"), 10);
        form->actEditService->trigger();
        form->cdsServ->FieldByName(QStringLiteral("IS_DTV_PACKAGE"))->SetValue(1);
        form->actApply->trigger();
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("Режим использования CAS не включен"));
        EXPECT_EQ(form->pcMain->currentWidget(), form->tsDetail);
        form->actCancel->trigger();
        form->actClose->trigger();
    });
    QVariant out;
    executeServTypeGuide(0, 0, out);
    EXPECT_EQ(seen(QStringLiteral("select CHILDSERV_ID from ZOLT.SERV where SERV_ID = 11")).toInt(), 10);
    EXPECT_EQ(seen(QStringLiteral("select CHILDSERV_ID from ZOLT.SERV where SERV_ID = 10")).toInt(), -1);
    EXPECT_EQ(seen(QStringLiteral("select IS_DTV_PACKAGE from ZOLT.SERV where SERV_ID = 10")).toInt(), 0);
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join(QLatin1Char('\n')).toStdString();
}

TEST_P(ServGuide, ConsolesPickerHandsBackTheChosenServiceOrTheInitialKey)
{
    const TPicker pick = FindPicker(QStringLiteral("pickService"));
    ASSERT_TRUE(pick) << "registered by RegisterServiceGuides";
    struct Case
    {
        const char *label;
        bool ok;
        int want;
    };
    for (const Case &c : { Case { "Ok hands back the chosen service", true, 11 }, Case { "Cancel the initial key", false, 10 } }) {
        bool okEnabled = false;
        whenEditorOpens([&](TfrmServTypeGuide *form) {
            EXPECT_EQ(form->cdsServ->FieldByName(QStringLiteral("SERV_ID"))->AsInteger(), 10)
                << "opened on the key's package and service";
            okEnabled = form->actMrOk->isEnabled();
            form->cdsServ->Locate(QStringLiteral("SERV_ID"), 11);
            (c.ok ? form->actMrOk : form->actMrCancel)->trigger();
        });
        QVariant key = 10;
        EXPECT_EQ(pick(key), c.ok) << c.label;
        EXPECT_TRUE(okEnabled) << c.label;
        EXPECT_EQ(key.toInt(), c.want) << c.label;
    }
    // Browsing from the main menu: Ok stays disabled; the size the user left it at comes back next time.
    bool okEnabled = true;
    whenEditorOpens([&](TfrmServTypeGuide *form) {
        form->odsServicePackage->Locate(QStringLiteral("SERV_PACKAGE_ID"), 1);
        EXPECT_EQ(form->cdsServ->RecordCount(), 2);
        okEnabled = form->actMrOk->isEnabled();
        form->resize(777, 555);
        form->actClose->trigger();
    });
    QVariant out;
    executeServTypeGuide(0, 0, out);
    EXPECT_FALSE(okEnabled);
    QSize reopened;
    whenEditorOpens([&](TfrmServTypeGuide *form) {
        reopened = form->size();
        form->actClose->trigger();
    });
    executeServTypeGuide(0, 0, out);
    EXPECT_EQ(reopened, QSize(777, 555));
    EXPECT_EQ(out.toInt(), 0);
}

TEST_P(ServGuide, CasConsoleChoosesAPackageThroughTheEditorInPickMode)
{
    TdmSMS sms;
    TfrmCASConsole console;
    SendMessage(&console, AMRunQuery);
    console.show();
    console.cbCommand->setCurrentIndex(3); // a command that names a package
    TMemTable *record = sms.mdCASCFG();
    ASSERT_TRUE(record->Active());
    if (record->State() == dsBrowse)
        record->Edit();
    record->FieldByName(QStringLiteral("SERV_ID"))->SetValue(10);
    int shownMode = -1;
    whenEditorOpens([&](TfrmServTypeGuide *form) {
        shownMode = form->actMrOk->isEnabled() ? 1 : 0;
        EXPECT_EQ(form->cdsServ->FieldByName(QStringLiteral("SERV_ID"))->AsInteger(), 10);
        form->cdsServ->Locate(QStringLiteral("SERV_ID"), 11);
        form->actMrOk->trigger();
    });
    ASSERT_TRUE(console.btnPackage->isEnabled());
    QTest::mouseClick(console.btnPackage, Qt::LeftButton);
    EXPECT_EQ(shownMode, 1) << "the console's caller opens the editor to pick";
    EXPECT_EQ(record->FieldByName(QStringLiteral("SERV_ID"))->AsInteger(), 11);
    console.close();
}

INSTANTIATE_TEST_SUITE_P(ServGuide, ServGuide, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace

// An amount typed with a comma into the tariff grid's "Сумма" lost its comma: "12,5" was stored as 125.
class HardeningServGuideNumbers : public ServGuide
{
};

TEST_P(HardeningServGuideNumbers, ATarifSumTypedWithACommaIsStoredWithItsFraction)
{
    m_dm->SetWorkDate(QDate(2021, 3, 1));
    QString shown;
    whenEditorOpens([&](TfrmServTypeGuide *form) {
        ASSERT_TRUE(form->odsServicePackage->Locate(QStringLiteral("SERV_PACKAGE_ID"), 1));
        ASSERT_TRUE(form->cdsServ->Locate(QStringLiteral("SERV_ID"), ServId));
        form->activateWindow();
        QApplication::setActiveWindow(form);
        form->actNewTarif->trigger();
        TKyv_DBGridEh *grid = form->findChild<TKyv_DBGridEh *>(QStringLiteral("dbgTarif"));
        ASSERT_NE(grid, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([grid] { return grid->hasFocus(); })) << "the new tariff's sum waits for typing";
        ASSERT_EQ(grid->Columns()[grid->SelectedIndex()]->Title().Caption(), QStringLiteral("Сумма"));
        // The first digit opens the cell's editor, the rest goes into it.
        QTest::keyClick(grid, Qt::Key_1);
        ASSERT_TRUE(grid->InplaceEditor() && grid->InplaceEditor()->isVisible());
        QTest::keyClicks(grid->InplaceEditor(), QStringLiteral("2,5"));
        shown = grid->InplaceEditor()->text();
        QTest::keyClick(grid->InplaceEditor(), Qt::Key_Return);
        form->cdsTarif->Post();
        form->actClose->trigger();
    });
    QVariant out;
    executeServTypeGuide(0, 0, out);
    EXPECT_EQ(shown, QStringLiteral("12.5"));
    EXPECT_EQ(tarifs(), QStringList({ "1|01.01.2020|28.02.2021|5", "2|01.03.2021|31.12.4712|12.5" }));
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(HardeningServGuideNumbers, HardeningServGuideNumbers,
    ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);
