// The month-close dialog driven through the main window as a user drives it, and the names of the controls a
// user touches in every window of the shell, with each window's picture in its main state.
#include "StartupFixture.h"

#include "FormClasses.h"
#include "MoneyRule.h"
#include "Screenshot.h"
#include "frmuAbout.h"
#include "frmuChangePassword.h"
#include "frmuDebtCalc.h"
#include "frmuSettingsDialogs.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QMenu>
#include <QProgressBar>
#include <QToolBar>
#include <QCloseEvent>
#include <QToolButton>

namespace {

QDateTime day(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

class StartupMonthClose : public StartupFixture
{
protected:
    // A session whose open month is May 2020 (today is 20 June 2020): "New period" is offered.
    TfrmMain *connectedInMay()
    {
        TfrmMain *m = makeMain();
        login();
        DMR->dbConnection()->Execute(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = :P_D, INIT_DATE = :P_D"),
            { { QStringLiteral("P_D"), day(2020, 5, 1) } });
        DMR->CommitWork();
        m->ReloadMainCfg();
        m->UpdateMenu();
        m_messages.requests.clear();
        return m;
    }

    QDate accDateInDatabase() { return ColumnDate(selectValue(QStringLiteral("select ACC_DATE from ZOLT.MAIN_CFG"))); }
};

// The controls of `window` a user can click or type into that have no name of their own. Buttons a tool bar
// makes for an action carry the action's name; Qt's own parts (names beginning "qt_") are not ours.
QStringList unnamedControls(QWidget *window)
{
    QStringList unnamed;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        if (auto *tool = qobject_cast<QToolButton *>(w); tool && tool->defaultAction())
            continue;
        const bool touched = qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w)
            || qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QPlainTextEdit *>(w)
            || qobject_cast<QProgressBar *>(w);
        // A line edit inside a combo box or a spin box belongs to it.
        const bool part
            = qobject_cast<QComboBox *>(w->parentWidget()) || qobject_cast<QAbstractSpinBox *>(w->parentWidget());
        if (touched && !part && w->objectName().isEmpty())
            unnamed << QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(':')
                    + (qobject_cast<QAbstractButton *>(w) ? qobject_cast<QAbstractButton *>(w)->text() : QString());
    }
    for (QAction *a : window->findChildren<QAction *>()) {
        if (a->isSeparator() || a->objectName().startsWith(QLatin1String("qt_")))
            continue;
        // A menu's own action carries the menu's name; a tool bar's show-and-hide action is the tool bar's.
        if (a->menu() && !a->menu()->objectName().isEmpty())
            continue;
        if (auto *bar = qobject_cast<QToolBar *>(a->parent()); bar && bar->toggleViewAction() == a)
            continue;
        if (a->objectName().isEmpty())
            unnamed << QStringLiteral("QAction:") + a->text();
    }
    return unnamed;
}

} // namespace

TEST_F(StartupMonthClose, UserClosesTheMonthThroughTheMenuAndTheDialog)
{
    TfrmMain *m = connectedInMay();
    // Changed behind the window's back: the dialog reads the configuration row afresh.
    DMR->dbConnection()->Execute(
        QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = :P_D"), { { QStringLiteral("P_D"), day(2020, 4, 1) } });
    DMR->CommitWork();
    auto *action = m->findChild<QAction *>(QStringLiteral("actNewAccPeriod"));
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(action->isEnabled());

    QString caption;
    bool allTicked = true;
    whenReady([] { return tarvik::test::activeModal<TfrmDebtCalc>() != nullptr; },
        [&] {
            auto *dialog = tarvik::test::activeModal<TfrmDebtCalc>();
            caption = dialog->windowTitle();
            allTicked = dialog->findChild<QCheckBox *>(QStringLiteral("cbxAll"))->isChecked();
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("actStart")), Qt::LeftButton);
        });
    action->trigger();

    EXPECT_EQ(caption, QStringLiteral(" Закрыть месяц Апрель 2020 г. Перевод остатков на Май 2020 г."));
    EXPECT_FALSE(allTicked);
    ASSERT_EQ(m_messages.requests.size(), 1) << m_messages.lastText().toStdString();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Месяц успешно закрыт"));
    EXPECT_EQ(m_messages.requests[0].type, mtInformation);
    // Only the one month: "Все" was not ticked.
    EXPECT_EQ(accDateInDatabase(), QDate(2020, 5, 1));
    EXPECT_EQ(m->mmiPeriod->text(), QStringLiteral("Май 2020 г."));
    EXPECT_EQ(frmDebtCalc, nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(StartupMonthClose, LeavingTheDialogUnstartedClosesNothing)
{
    TfrmMain *m = connectedInMay();
    struct Case
    {
        const char *how;
        std::function<void(TfrmDebtCalc *)> leave;
    };
    const Case cases[] = {
        { "Отмена",
            [](TfrmDebtCalc *d) {
                QTest::mouseClick(d->findChild<QPushButton *>(QStringLiteral("actAbort")), Qt::LeftButton);
            } },
        { "Escape", [](TfrmDebtCalc *d) { QTest::keyClick(d, Qt::Key_Escape); } },
    };
    for (const Case &c : cases) {
        m_messages.requests.clear();
        tarvik::test::ModalAnswer &answer
            = whenReady([] { return tarvik::test::activeModal<TfrmDebtCalc>() != nullptr; },
                [&c] { c.leave(tarvik::test::activeModal<TfrmDebtCalc>()); });
        m->actNewAccPeriod->trigger();
        EXPECT_TRUE(answer.ran()) << c.how;
        ASSERT_EQ(m_messages.requests.size(), 1) << c.how;
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("Отмена закрытия месяца")) << c.how;
        EXPECT_EQ(m_messages.requests[0].type, mtError) << c.how;
        EXPECT_EQ(accDateInDatabase(), QDate(2020, 5, 1)) << c.how;
        EXPECT_TRUE(m->actNewAccPeriod->isEnabled()) << c.how;
    }
}

// A window the user keeps open with Cancel when asked about its unsaved edits.
class KeptOpenWindow : public QWidget
{
public:
    bool mayClose = false;

protected:
    void closeEvent(QCloseEvent *event) override { event->setAccepted(mayClose); }
};

TEST_F(StartupMonthClose, AWindowTheUserKeepsOpenStopsTheMonthClose)
{
    TfrmMain *m = connectedInMay();
    RegisterFormClass(QStringLiteral("TKeptOpenWindow"), [] { return new KeptOpenWindow; });
    auto *kept = static_cast<KeptOpenWindow *>(m->CreateChildForm(QStringLiteral("TKeptOpenWindow"), 1));
    UnRegisterFormClass(QStringLiteral("TKeptOpenWindow"));
    ASSERT_NE(kept, nullptr);

    // Not through whenReady: the dialog must not come.
    tarvik::test::ModalAnswer dialog([] { return tarvik::test::activeModal<TfrmDebtCalc>() != nullptr; },
        [] { QTest::keyClick(tarvik::test::activeModal<TfrmDebtCalc>(), Qt::Key_Escape); });
    m->actNewAccPeriod->trigger();
    QCoreApplication::sendPostedEvents();

    EXPECT_FALSE(dialog.ran());
    EXPECT_EQ(accDateInDatabase(), QDate(2020, 5, 1));
    EXPECT_EQ(m->ChildForms().size(), 1);
    kept->mayClose = true;
    SendMessage(m, AMCloseAllChildForms);
    EXPECT_TRUE(m->ChildForms().isEmpty());
}

TEST_F(StartupMonthClose, EveryControlAndActionAUserTouchesHasItsName)
{
    TfrmMain *m = makeMain();
    const QString current = QStringLiteral("Wisp");
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.push_back(std::make_unique<TfrmPasswordDlg>());
    windows.push_back(std::make_unique<TfrmChangePassword>(current));
    windows.push_back(std::make_unique<TfrmAbout>());
    windows.push_back(std::make_unique<TfrmCasServerParams>());
    windows.push_back(std::make_unique<TfrmRoundTest>());
    windows.push_back(std::make_unique<TfrmDebtCalc>());
    QList<QWidget *> all { m, ShowEventMonitor() };
    for (const auto &w : windows)
        all << w.get();
    for (QWidget *w : all) {
        const char *className = w->metaObject()->className();
        // Every window is known to the meta-object system by its own class name.
        EXPECT_EQ(className[0], 'T') << className;
        EXPECT_FALSE(w->objectName().isEmpty()) << className;
        EXPECT_EQ(unnamedControls(w).join(QStringLiteral(", ")).toStdString(), "") << className;
        if (w != m) {
            const QString folder = w == windows.back().get() ? QStringLiteral("data-") : QStringLiteral("shell-");
            tarvik::test::SaveScreenshot(w, folder + w->objectName());
        }
    }
}
