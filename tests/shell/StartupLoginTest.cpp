// The connect action: login on a connection file, the refusal of a user without rights, the default
// configuration row of a first connect, disconnect, and the menus' enabling by the connection state.
#include "StartupFixture.h"

#include "FormClasses.h"
#include "frmuChangePassword.h"
#include "frmuDebtCalc.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace {

const QString ConnectError = QStringLiteral("Ошибка соединения с базой данных");
const QString PasswordHint = QStringLiteral("Возможно имя или пароль введены неверно");

// Every action that needs the database.
QList<QAction *> dataActions(TfrmMain *m)
{
    return { m->actShowCustList, m->actPayments, m->actServisConfig, m->actCompanyGuide, m->actAreaGuide,
        m->actSubAreaGuide, m->actStreetGuide, m->actHouseGuide, m->actServicePackages, m->actPaySourceGuide,
        m->actCust_Prop, m->actReturnAccPeriod, m->actImportPayments, m->actExportPayments,
        m->actReportNextTimeConnectedCust, m->actReportMainState, m->actCustDebt, m->actCustPayments,
        m->actChangePassword, m->actTickets };
}

// A configuration window that records being told to load its data.
class CfgWindow : public QWidget
{
public:
    bool event(QEvent *e) override
    {
        if (TMessageEvent *m = TMessageEvent::from(e); m && m->Msg == AMRunQuery)
            return true;
        return QWidget::event(e);
    }
};

class StartupLogin : public StartupFixture
{
};

} // namespace

TEST_F(StartupLogin, LoginEnablesMenusShowsMonthAndDisconnectDisablesThem)
{
    TfrmMain *m = makeMain();
    for (QAction *a : dataActions(m))
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(m->actNewAccPeriod->isEnabled());
    EXPECT_TRUE(m->mmiPeriod->text().isEmpty());
    EXPECT_TRUE(m->actFileDatabaseConnect->isEnabled());
    EXPECT_TRUE(m->actFileExit->isEnabled());
    EXPECT_FALSE(m->mmiFileChildSeparator->isVisible());

    login();
    ASSERT_TRUE(isConnected()) << m_messages.lastText().toStdString();
    EXPECT_TRUE(m_messages.requests.isEmpty()) << m_messages.lastText().toStdString();
    for (QAction *a : dataActions(m))
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Tarvik"));
    EXPECT_EQ(m->mmiPeriod->text(), QStringLiteral("Июнь 2020 г."));
    EXPECT_EQ(m->actFileDatabaseConnect->property("ImageIndex").toInt(), 132);
    EXPECT_TRUE(m->actFileDatabaseConnect->toolTip().endsWith(QStringLiteral("(VMDEMO@TEST)")));
    EXPECT_EQ(AppSettings().logonDataBase, QStringLiteral("TEST"));
    // Without the CAS and Voyager settings their menus stay off even when connected.
    EXPECT_FALSE(m->mmiCAS->isEnabled());
    EXPECT_FALSE(m->actDTVProviderGuide->isEnabled());
    EXPECT_FALSE(m->mmiVoyager->isEnabled());
    EXPECT_FALSE(m->actActivizAllCustomers->isEnabled());

    // The empty configuration table got one complete default row: the current month is open.
    EXPECT_EQ(selectValue(QStringLiteral("select count(*) from ZOLT.MAIN_CFG")).toInt(), 1);
    EXPECT_EQ(selectValue(QStringLiteral("select ACC_DAY + 0 from ZOLT.MAIN_CFG")).toInt(), 10);
    EXPECT_EQ(selectValue(QStringLiteral("select CUSTVALIDSUM + 0 from ZOLT.MAIN_CFG")).toInt(), 1000);
    EXPECT_EQ(selectValue(QStringLiteral("select COMPANY_ID + 0 from ZOLT.MAIN_CFG")).toInt(), 1);
    EXPECT_EQ(selectValue(QStringLiteral("select DEBTMODE + 0 from ZOLT.MAIN_CFG")).toInt(), 0);
    EXPECT_EQ(m->MainCfg().accDate, QDate(2020, 6, 1));
    EXPECT_EQ(DM->mdTempCFG()->FieldByName(QStringLiteral("WORK_DATE"))->Value().toDate(), QDate(2020, 6, 20));
    EXPECT_TRUE(DM->cdsAppUser()->Active());

    m->actFileDatabaseConnect->trigger();
    EXPECT_FALSE(isConnected());
    for (QAction *a : dataActions(m))
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(m->mmiPeriod->text().isEmpty());
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Tarvik[ Нет соединения с БД ]"));
    EXPECT_EQ(m->actFileDatabaseConnect->property("ImageIndex").toInt(), 131);
}

TEST_F(StartupLogin, UserWithoutRightsIsRefusedBeforeAnythingIsWritten)
{
    bool cfgOpened = false;
    RegisterFormClass(QStringLiteral("TfrmCFG"), [&cfgOpened] {
        cfgOpened = true;
        return new CfgWindow;
    });
    TfrmMain *m = makeMain();
    login(QStringLiteral("Ivanov"), QStringLiteral("x"));
    UnRegisterFormClass(QStringLiteral("TfrmCFG"));
    ASSERT_EQ(m_messages.requests.size(), 1) << m_messages.lastText().toStdString();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("У пользователя [Ivanov] нет прав для работы с программой"));
    EXPECT_EQ(m_messages.requests.constLast().type, mtError);
    EXPECT_FALSE(isConnected());
    // Neither the configuration row of a first connect nor its window.
    EXPECT_FALSE(cfgOpened);
    EXPECT_EQ(valueInFile(QStringLiteral("select count(*) from ZOLT.MAIN_CFG")).toInt(), 0);
    EXPECT_TRUE(m->ChildForms().isEmpty());
    EXPECT_FALSE(m->actShowCustList->isEnabled());
    EXPECT_TRUE(m->mmiPeriod->text().isEmpty());
}

TEST_F(StartupLogin, EmptyConfigurationGetsDefaultRowBeforeTheConfigurationWindowOpens)
{
    int rowsWhenOpened = -1;
    RegisterFormClass(QStringLiteral("TfrmCFG"), [this, &rowsWhenOpened] {
        rowsWhenOpened = selectValue(QStringLiteral("select count(*) from ZOLT.MAIN_CFG")).toInt();
        return new CfgWindow;
    });
    TfrmMain *m = makeMain();
    login();
    UnRegisterFormClass(QStringLiteral("TfrmCFG"));
    EXPECT_EQ(rowsWhenOpened, 1);
    ASSERT_EQ(m->ChildForms().size(), 1);
    EXPECT_EQ(FormClassName(m->ChildForms().first()), QStringLiteral("TfrmCFG"));

    // The second connect finds the row and opens nothing.
    m->actFileDatabaseConnect->trigger();
    EXPECT_TRUE(m->ChildForms().isEmpty());
    login();
    EXPECT_TRUE(m->ChildForms().isEmpty());
    EXPECT_EQ(selectValue(QStringLiteral("select count(*) from ZOLT.MAIN_CFG")).toInt(), 1);
}

TEST_F(StartupLogin, FailedLoginShowsTheConnectionErrorAndACancelledOneNothing)
{
    // A data file that cannot be made is no matter of name or password; the engine's words follow.
    writeUdl(QStringLiteral("TEST"),
             QStringLiteral("Provider=SQLite;Data Source=/proc/no-such-place/tarvik.db;Create If Missing=True;"));
    TfrmMain *m = makeMain();
    login(QStringLiteral("vmdemo"), QStringLiteral("wrong"));
    EXPECT_FALSE(isConnected());
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_TRUE(m_messages.requests[0].text.startsWith(ConnectError + QLatin1Char('\r')))
        << m_messages.requests[0].text.toStdString();
    EXPECT_FALSE(m_messages.requests[0].text.contains(PasswordHint)) << m_messages.requests[0].text.toStdString();
    EXPECT_TRUE(m_messages.requests[0].text.contains(QStringLiteral("/proc/no-such-place/tarvik.db")));
    EXPECT_EQ(m_messages.requests[0].buttons, TMsgDlgButtons(mbYes));
    EXPECT_FALSE(m->actShowCustList->isEnabled());

    // A cancelled dialog tried nothing and has nothing to say.
    answerLogin(QStringLiteral("vmdemo"), QStringLiteral("wisp"), false);
    m->actFileDatabaseConnect->trigger();
    EXPECT_EQ(m_messages.requests.size(), 1) << m_messages.lastText().toStdString();
    EXPECT_FALSE(isConnected());
}

TEST_F(StartupLogin, NewPeriodIsOfferedOnlyOnceTheNextMonthHasBegun)
{
    TfrmMain *m = makeMain();
    login();
    ASSERT_TRUE(isConnected());
    DMR->dbConnection()->Execute(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = :P_D"),
        { { QStringLiteral("P_D"), QDateTime(QDate(2020, 5, 1), QTime(0, 0)) } });
    struct Case
    {
        QDate today;
        bool enabled;
    };
    for (const Case &c :
        { Case { QDate(2020, 6, 20), true }, Case { QDate(2020, 6, 1), true }, Case { QDate(2020, 5, 31), false } }) {
        m_clock.setNow(QDateTime(c.today, QTime(9, 0)));
        m->ReloadMainCfg();
        m->UpdateMenu();
        EXPECT_EQ(m->actNewAccPeriod->isEnabled(), c.enabled) << c.today.toString().toStdString();
        EXPECT_EQ(m->mmiPeriod->text(), QStringLiteral("Май 2020 г."));
    }
}

TEST_F(StartupLogin, NewPeriodClosesTheMonthAndShowsTheNextOne)
{
    TfrmMain *m = makeMain();
    login();
    DMR->dbConnection()->Execute(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = :P_D, INIT_DATE = :P_D"),
        { { QStringLiteral("P_D"), QDateTime(QDate(2020, 5, 1), QTime(0, 0)) } });
    m->ReloadMainCfg();
    m->UpdateMenu();
    ASSERT_TRUE(m->actNewAccPeriod->isEnabled());

    whenReady([] { return frmDebtCalc && frmDebtCalc->isVisible(); },
        [] { QTest::mouseClick(frmDebtCalc->actStart, Qt::LeftButton); });
    m->actNewAccPeriod->trigger();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Месяц успешно закрыт"));
    EXPECT_EQ(m->mmiPeriod->text(), QStringLiteral("Июнь 2020 г."));
    EXPECT_FALSE(m->actNewAccPeriod->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(StartupLogin, CasMenuFollowsTheSetting)
{
    TfrmMain *m = makeMain();
    login();
    AppSettings().useCAS = true;
    AppSettings().useVoyager = true;
    m->UpdateMenu();
    for (QAction *a : { m->actConnectToCASServer, m->actReConnectToCASServer, m->actSmartCards, m->actCASConsole,
             m->actDTVProviderGuide })
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(m->mmiCAS->isEnabled());
    EXPECT_TRUE(m->mmiVoyager->isEnabled());
}

TEST(StartupLoginDialog, ShowsTheStoredChoiceAndKeepsValuesOnCancel)
{
    const auto loginDialogUp = [] { return frmPasswordDlg && frmPasswordDlg->isVisible(); };
    struct Case
    {
        QStringList choices;
        QString stored;
        QString shown;
        bool listEnabled;
    };
    const Case cases[] = {
        { { QStringLiteral("DEMO") }, QStringLiteral("OFFICE"), QStringLiteral("DEMO"), false },
        { { QStringLiteral("DEMO"), QStringLiteral("OFFICE") }, QStringLiteral("OFFICE"), QStringLiteral("OFFICE"),
            true },
        { { QStringLiteral("DEMO"), QStringLiteral("OFFICE") }, QStringLiteral("office"), QStringLiteral("DEMO"),
            true },
        { {}, QStringLiteral("DEMO"), QString(), false },
    };
    for (const Case &c : cases) {
        QString user = QStringLiteral("VMDEMO"), password = QStringLiteral("wisp"), database = c.stored;
        QString shown;
        bool enabled = true;
        bool passwordFocused = false;
        tarvik::test::ModalAnswer answer(loginDialogUp, [&] {
            TfrmPasswordDlg *d = frmPasswordDlg;
            shown = d->cbxDatabase->currentText();
            enabled = d->cbxDatabase->isEnabled();
            passwordFocused = d->focusWidget() == d->edUserPassword;
            QTest::keyClick(d, Qt::Key_Escape);
        });
        EXPECT_FALSE(ExecuteLoginDialog(user, password, database, c.choices));
        EXPECT_TRUE(answer.ran());
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(enabled, c.listEnabled);
        EXPECT_TRUE(passwordFocused);
        EXPECT_EQ(database, c.stored);
        EXPECT_EQ(frmPasswordDlg, nullptr);
    }

    // Ok hands back what was typed.
    QString user, password, database;
    tarvik::test::ModalAnswer answer(loginDialogUp, [] {
        TfrmPasswordDlg *d = frmPasswordDlg;
        EXPECT_EQ(d->focusWidget(), d->edUserName);
        QTest::keyClicks(d->edUserName, QStringLiteral("petrov"));
        QTest::keyClicks(d->edUserPassword, QStringLiteral("Secret"));
        d->cbxDatabase->setCurrentIndex(1);
        QTest::keyClick(d->edUserPassword, Qt::Key_Return);
    });
    EXPECT_TRUE(ExecuteLoginDialog(user, password, database, { QStringLiteral("DEMO"), QStringLiteral("OFFICE") }));
    EXPECT_TRUE(answer.ran());
    EXPECT_EQ(user, QStringLiteral("petrov"));
    EXPECT_EQ(password, QStringLiteral("Secret"));
    EXPECT_EQ(database, QStringLiteral("OFFICE"));
}

TEST_F(StartupLogin, ChangePasswordChecksTheOldOneInAnyCaseAndTheNewOneExactly)
{
    TfrmMain *m = makeMain();
    login(QStringLiteral("vmdemo"), QStringLiteral("Wisp"));
    ASSERT_TRUE(isConnected());

    // Typed into the dialog: the old password, the new one and its confirmation; Ok is pressed after each try.
    struct Try
    {
        QString oldPassword, newPassword, confirmation, error;
    };
    const QList<Try> tries = {
        { "wrong", "new1", "new1", "Текущий пароль не соответствует введенному" },
        { "WISP", "new1", "New1", "Новый пароль не подтвержден" },
        { "wIsP", "new1", "new1", QString() },
    };
    QStringList errors;
    whenReady([] { return tarvik::test::activeModal<TfrmChangePassword>() != nullptr; },
        [&] {
            auto *d = tarvik::test::activeModal<TfrmChangePassword>();
            for (const Try &t : tries) {
                for (QLineEdit *e : { d->edUserNameOldPassword, d->edNewPassword, d->edConfirmPassword })
                    e->clear();
                QTest::keyClicks(d->edUserNameOldPassword, t.oldPassword);
                QTest::keyClicks(d->edNewPassword, t.newPassword);
                QTest::keyClicks(d->edConfirmPassword, t.confirmation);
                const int shown = m_messages.requests.size();
                QTest::mouseClick(d->btnApply, Qt::LeftButton);
                errors << (m_messages.requests.size() > shown ? m_messages.lastText() : QString());
            }
        });
    m->actChangePassword->trigger();
    EXPECT_EQ(errors, (QStringList { tries[0].error, tries[1].error, tries[2].error }));
    // The embedded database keeps no passwords: the change is refused.
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Ошибка изменения пароля пользователя"));
    EXPECT_EQ(AppSettings().sessionPassword, QStringLiteral("Wisp"));
}

TEST_F(StartupLogin, OldStructureOffersTheUpdateWhichEndsDisconnected)
{
    const QString offer = QStringLiteral(
        "Формат базы данных не соответствует данной версии программы\rЧасть функций может не работать, или работать "
        "неправильно\r Рекомендуется произвести обновление структуры БД\r См. пункт меню \"Сервис -> Обновление "
        "структуры БД\"");
    TfrmMain *m = makeMain();
    login();
    DMR->dbConnection()->Execute(QStringLiteral("update ZOLT.DB_VERSION set DB_VERSION = 1"));
    m->actFileDatabaseConnect->trigger();

    // Declined: no session goes on with the old structure.
    m_messages.answer(mrNo);
    login();
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(m_messages.requests[0].text, offer);
    EXPECT_EQ(m_messages.requests[0].type, mtConfirmation);
    EXPECT_FALSE(isConnected());
    for (QAction *a : dataActions(m))
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Tarvik[ Нет соединения с БД ]"));

    // Accepted: the structure is brought up to date and the user connects again afterwards.
    m_messages.requests.clear();
    m_messages.answer(mrYes);
    login();
    EXPECT_EQ(m_messages.requests.size(), 1);
    EXPECT_FALSE(isConnected());
    EXPECT_FALSE(m->actShowCustList->isEnabled());
    login();
    EXPECT_TRUE(isConnected());
    EXPECT_TRUE(DMR->IsDbVersionCurrent());
}

TEST_F(StartupLogin, IncompleteTariffsOfferTheAutoCorrection)
{
    TfrmMain *m = makeMain();
    login();
    TADOConnection *c = DMR->dbConnection();
    c->Execute(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID) values (1, 'Пакет', 0)"));
    c->Execute(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) "
                              "values (1, 1, :P_FROM, :P_TO, 10)"),
        { { QStringLiteral("P_FROM"), QDateTime(QDate(2020, 1, 1), QTime(0, 0)) },
            { QStringLiteral("P_TO"), QDateTime(QDate(2020, 3, 31), QTime(0, 0)) } });
    DMR->CommitWork();
    ASSERT_TRUE(DMR->HasInvalidTarifs());
    m->actFileDatabaseConnect->trigger();

    m_messages.answer(mrYes);
    login();
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(m_messages.lastText(),
        QStringLiteral("Тарифы введены не полностью\rЧасть функций может не работать, или работать "
                       "неправильно\rРекомендуется произвести авто корректировку"));
    EXPECT_TRUE(isConnected());
    EXPECT_FALSE(DMR->HasInvalidTarifs());
}
