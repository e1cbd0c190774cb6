#include "frmuMain.h"

#include "CalculatorEh.h"
#include "Exceptions.h"
#include "FormClasses.h"
#include "Guard.h"
#include "Services.h"
#include "WindowMessages.h"
#include "XmlSettingsStorage.h"
#include "ScreenCursor.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuDebtCalc.h"
#include "frmuAbout.h"
#include "frmuBugDebug.h"
#include "frmuChangePassword.h"
#include "uCommon.h"
#include "uLog.h"
#include "uSettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

TfrmMain *frmMain = nullptr;

QDate NoEndDate;
QDate EarliestDate;
QDate SelectionPeriodFrom;
QDate SelectionPeriodTo;
int CASFailureCount = 0;
TColor CustListFontColors[6];

namespace {

// The product's web pages: the online manual and the support page.
const QString ProductWebAddress = QStringLiteral("https://tarvik.net");

QHash<QString, std::function<void()>> &commands()
{
    static QHash<QString, std::function<void()>> registered;
    return registered;
}

QString replaceSegment(QString path, const QString &from, const QString &to)
{
    return path.replace(QLatin1Char('/') + from + QLatin1Char('/'), QLatin1Char('/') + to + QLatin1Char('/'));
}

// The program's exception handler: the message is logged and shown in an error box, as an exception nobody
// handled is shown to the user. A failure while such a box is up (a paint that keeps failing) or on another
// thread is only logged, so that boxes never pile up and no window is made off the user-interface thread.
void UnTrapedError(const QString &message)
{
    static bool showing = false;
    LogError(message);
    if (QThread::currentThread() != QCoreApplication::instance()->thread() || showing)
        return;
    showing = true;
    struct Reset
    {
        ~Reset() { showing = false; }
    } reset;
    Services::messages()->error(message);
}

// The built-in calculator of the main window: it has the focus, so typed keys reach it at once, and its Ok (Enter
// or "=" with no operation pending) closes the dialog with the value shown.
class TDialogCalculator final : public TCalculatorEh
{
public:
    explicit TDialogCalculator(QDialog *dialog)
        : TCalculatorEh(dialog)
        , m_dialog(dialog)
    {
        setObjectName(QStringLiteral("Calculator"));
        setFocusPolicy(Qt::StrongFocus);
    }

    void CalcKey(QChar key) override
    {
        const bool accept = key == QChar(u'\r') || key == QLatin1Char('=');
        if (accept && State() != csError && EqualButton()->Caption() == QLatin1String("Ok")) {
            m_dialog->accept();
            return;
        }
        TCalculatorEh::CalcKey(key);
    }

private:
    QDialog *m_dialog;
};

// A slot that ignores the signal's arguments and hands exceptions to the program's handler.
template <class F> auto guardedSlot(F fn)
{
    return [fn = std::move(fn)](auto &&...) { guard(fn); };
}

} // namespace

TProgramFolders TProgramFolders::from(const QString &programFolder)
{
    TProgramFolders f;
    f.programFolder = programFolder.endsWith(QLatin1Char('/')) ? programFolder : programFolder + QLatin1Char('/');
    const QString templates = replaceSegment(f.programFolder, QStringLiteral("bin"), QStringLiteral("fr_forms"));
    f.connectionsFolder = TDMR::DefaultConnectionsFolder() + QLatin1Char('/');
    const QString variable = qEnvironmentVariable("TARVIK_TEMPLATES");
    f.reportsFolder = variable.isEmpty() ? templates : variable;
    return f;
}

void RegisterCommand(const QString &name, std::function<void()> command)
{
    commands().insert(name, std::move(command));
}

void UnRegisterCommand(const QString &name)
{
    commands().remove(name);
}

bool RunCommand(const QString &name, bool logMissing)
{
    const std::function<void()> command = commands().value(name);
    if (!command) {
        if (logMissing)
            LogError(QStringLiteral("Не подключено: ") + name);
        return false;
    }
    command();
    return true;
}

QString MainWindowString(const QString &key)
{
    static const QHash<QString, QString> texts = {
        { QStringLiteral("connectCaption"), QStringLiteral("Database connection") },
        { QStringLiteral("connectHint"), QStringLiteral("Connect to database") },
        { QStringLiteral("disconnectCaption"), QStringLiteral("Disconnect") },
        { QStringLiteral("disconnectHint"), QStringLiteral("Disconnect from database") },
        { QStringLiteral("uiChangedRestart"),
            QStringLiteral("The interface language will change at the next start. Close the program now?") },
    };
    return texts.value(key, key);
}

// ---- Creation and destruction --------------------------------------------------------------------------------

TfrmMain::TfrmMain(const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent)
{
    frmMain = this;
    setObjectName(QStringLiteral("frmMain"));
    setMinimumSize(652, 480);
    setProperty("HelpContext", 3000);

    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(mdiArea);

    for (int i = 0; i < 3; ++i) {
        auto *panel = new QLabel(this);
        m_panels << panel;
        statusBar()->addWidget(panel, i == 0 ? 5 : (i == 1 ? 4 : 1));
    }
    statusBar()->setObjectName(QStringLiteral("stbMain"));

    createActions();
    createMenus();
    createToolBars();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(300000);
    connect(Timer1, &QTimer::timeout, this, guardedSlot([this] { Timer1Timer(); }));
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(15000);
    Timer2->setSingleShot(true);
    connect(Timer2, &QTimer::timeout, this, guardedSlot([this] { Timer2Timer(); }));

    m_previousExceptionHandler = setExceptionHandler(UnTrapedError);
    m_previousHintHandler = setApplicationHintHandler([this] { ShowHint(); });
    // The data modules below reach the user and this window through these.
    setReconcileErrorSink(
        [](const QString &dataSetName, TUpdateKind kind, const QString &message, const QString &context) {
            HandleReconcileError(dataSetName,
                kind == ukInsert       ? ReconcileKind::Insert
                    : kind == ukDelete ? ReconcileKind::Delete
                                       : ReconcileKind::Modify,
                message, context);
        });
    setCloseApplicationHook([] {
        if (frmMain)
            PostMessage(frmMain, AMCloseApplication);
    });

    CASFailureCount = 0;
    NoEndDate = QDate::fromString(QStringLiteral("31/12/4712"), QStringLiteral("dd/MM/yyyy"));
    EarliestDate = QDate::fromString(QStringLiteral("01/01/1980"), QStringLiteral("dd/MM/yyyy"));
    SelectionPeriodFrom = Services::clock()->today();
    SelectionPeriodTo = SelectionPeriodFrom;

    for (QLabel *panel : m_panels)
        panel->clear();

    m_folders = TProgramFolders::from(QCoreApplication::applicationDirPath());

    SetDebugMode(false);
    for (const QString &argument : arguments) {
        const QString a = argument.toLower();
        if (a == QLatin1String("/monitore") || a == QLatin1String("-monitore"))
            SetDebugMode(true);
        // "/clean" and "-clean" are accepted and change nothing.
    }
    SetSqlMonitor(actSqlMonitor->isChecked());

    const TColor colors[6] = { clWindowText, clTeal, clGray, clRed, clMaroon, clBlue };
    std::copy(std::begin(colors), std::end(colors), std::begin(CustListFontColors));

    LoadSettings();
    RestoreFormPlacement(SettingsStorage(), *this, QStringLiteral("frmMain"));

    const QString base = m_folders.programFolder + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
        + QLatin1Char('_') + AppSettings().UILanguage;
    m_dictionaryFileName = base + QStringLiteral(".ini");
    m_manualFileName = base + QStringLiteral(".chm");

    UpdateMenu();
    Timer1->start();
    Timer2->start();
}

TfrmMain::~TfrmMain()
{
    Timer1->stop();
    Timer2->stop();
    try {
        StoreFormPlacement(SettingsStorage(), *this, QStringLiteral("frmMain"));
        SaveSettings();
    } catch (const std::exception &e) {
        LogError(exceptionMessage(e));
    }
    setExceptionHandler(m_previousExceptionHandler);
    setApplicationHintHandler(m_previousHintHandler);
    setReconcileErrorSink({});
    setCloseApplicationHook({});
    if (frmMain == this)
        frmMain = nullptr;
}

// ---- Actions, menus and tool bars ----------------------------------------------------------------------------

QAction *TfrmMain::makeAction(QAction *&slot, const char *name, const QString &caption)
{
    slot = new QAction(caption, this);
    slot->setObjectName(QString::fromLatin1(name));
    // Shortcuts work whether or not the action sits in a menu.
    addAction(slot);
    return slot;
}

void TfrmMain::openChild(QAction *action, const QString &className)
{
    connect(action, &QAction::triggered, this, guardedSlot([this, className] {
        SetScreenCursor(crHourGlass);
        CreateChildForm(className, 1);
        setDefaultCursor();
    }));
}

void TfrmMain::runCommandAction(QAction *action, const QString &command, bool logMissing)
{
    connect(action, &QAction::triggered, this, guardedSlot([command, logMissing] { RunCommand(command, logMissing); }));
}

void TfrmMain::createActions()
{
    makeAction(actFileDatabaseConnect, "actFileDatabaseConnect", MainWindowString(QStringLiteral("connectCaption")));
    actFileDatabaseConnect->setProperty("HelpContext", 4100);
    actFileDatabaseConnect->setProperty("ImageIndex", 131);
    connect(
        actFileDatabaseConnect, &QAction::triggered, this, guardedSlot([this] { actFileDatabaseConnectExecute(); }));
    makeAction(actFileExit, "actFileExit", QStringLiteral("Exit"));
    connect(actFileExit, &QAction::triggered, this, &QWidget::close);

    openChild(
        makeAction(actShowCustList, "actShowCustList", QStringLiteral("Customers")), QStringLiteral("TfrmCustomer"));
    openChild(makeAction(actPayments, "actPayments", QStringLiteral("Payments")), QStringLiteral("TfrmPayDoc"));
    openChild(makeAction(actTickets, "actTickets", QStringLiteral("Заявки")), QStringLiteral("TfrmTickets"));
    makeAction(actNewAccPeriod, "actNewAccPeriod", QStringLiteral("New period"));
    connect(actNewAccPeriod, &QAction::triggered, this, guardedSlot([this] { actNewAccPeriodExecute(); }));
    makeAction(actReturnAccPeriod, "actReturnAccPeriod", QStringLiteral("Return to previous period"));
    connect(actReturnAccPeriod, &QAction::triggered, this, guardedSlot([this] { actReturnAccPeriodExecute(); }));

    openChild(makeAction(actImportPayments, "actImportPayments", QStringLiteral("Получение платежей из банка / почты")),
        QStringLiteral("TfrmExternalPayments"));

    // Actions whose work a subsystem above registers as a command: the guides under their routines' names, the
    // rest under the action's own name.
    struct Command
    {
        QAction *&slot;
        const char *name;
        const char *caption;
        const char *command = nullptr;
    };
    const auto addCommands = [this](std::initializer_list<Command> list, bool logMissing) {
        for (const Command &c : list) {
            makeAction(c.slot, c.name, QString::fromUtf8(c.caption));
            runCommandAction(c.slot, QString::fromLatin1(c.command ? c.command : c.name), logMissing);
        }
    };
    addCommands(
        {
            { actCompanyGuide, "actCompanyGuide", "Организации", "executeCompanyGuide" },
            { actLocation, "actLocation", "Нас. пункты", "executeLocationGuide" },
            { actAreaGuide, "actAreaGuide", "Районы", "executeAreaGuide" },
            { actSubAreaGuide, "actSubAreaGuide", "Участки", "executeSubAreaGuide" },
            { actStreetGuide, "actStreetGuide", "Улицы", "executeStreetGuide" },
            { actHouseGuide, "actHouseGuide", "Houses", "executeHouseGuide" },
            { actTeam, "actTeam", "Бригады", "executeTeamGuide" },
            { actEmployee, "actEmployee", "Сотрудники", "executeEmployeeGuide" },
            { actCust_Prop, "actCust_Prop", "Расшифр. состояния", "executeCustPropGuide" },
            { actPaySourceGuide, "actPaySourceGuide", "Источники платежей", "executePaySourceGuide" },
            { actSmartCards, "actSmartCards", "SMART карты", "executeSmartCardsGuide" },
            { actDTVProviderGuide, "actDTVProviderGuide", "DTV провайдеры", "executeDTVProviderGuide" },
            // The reports of the "Отчеты" menu.
            { actReportNewConnectCust, "actReportNewConnectCust", "Вновь подключенные" },
            { actReportNewConnectCustALL, "actReportNewConnectCustALL", "Все" },
            { actReportNewConnectCustNotPayed, "actReportNewConnectCustNotPayed", "Бесплатно" },
            { actReportNewConnectCustPayed, "actReportNewConnectCustPayed", "Платно" },
            { actReportNextTimeConnectedCust, "actReportNextTimeConnectedCust", "Повторно подключенные" },
            { actReportDisactCustByPeriod, "actReportDisactCustByPeriod", "Отключенные за период" },
            { actReportNewConnectCustALLPerMonth, "actReportNewConnectCustALLPerMonth", "Все" },
            { actReportNewConnectCustPayedPerMonth, "actReportNewConnectCustPayedPerMonth", "Платно" },
            { actReportNewConnectCustNotPayedPerMonth, "actReportNewConnectCustNotPayedPerMonth", "Бесплатно" },
            { actReportNextTimeConnectedCustPerMonth, "actReportNextTimeConnectedCustPerMonth",
                "Повторно подключенные за месяц" },
            { actReportDisactCustByMonth, "actReportDisactCustByMonth", "Отключенные за месяц" },
            { actReportSubscrSum, "actReportSubscrSum", "Суммы подписки" },
            { actReportMainState, "actReportMainState", "Общее состояние" },
            { actCustDebt, "actCustDebt", "Услуги за месяц" },
            { actExportPayments, "actExportPayments", "Export data" },
            { actExportPaymentsPost, "actExportPaymentsPost", "Подготовка данных для Почты" },
            { actServicePackages, "actServicePackages", "Packages", "executeServTypeGuide" },
            { actSelectUILanguage, "actSelectUILanguage", "Select UI Language" },
            { actTestSql, "actTestSql", "Test Sql" },
            { actTestCustomers, "actTestCustomers", "Тестирование данных" },
        },
        true);
    makeAction(actCustPayments, "actCustPayments", QStringLiteral("Инф. по платежам"));
    connect(actCustPayments, &QAction::triggered, this, guardedSlot([this] { actCustPaymentsExecute(); }));

    makeAction(actViewStatusBar, "actViewStatusBar", QStringLiteral("Панель сообщений"));
    actViewStatusBar->setCheckable(true);
    actViewStatusBar->setChecked(true);
    connect(actViewStatusBar, &QAction::triggered, this, guardedSlot([this] { UpdateMenu(); }));
    makeAction(actViewLargeIcons, "actViewLargeIcons", QStringLiteral("Большие иконки"));
    actViewLargeIcons->setCheckable(true);
    actViewLargeIcons->setVisible(false);
    actViewLargeIcons->setEnabled(false);
    connect(actViewLargeIcons, &QAction::triggered, this, guardedSlot([this] {
        AppSettings().useLargeIcons = !AppSettings().useLargeIcons;
        UpdateMenu();
    }));

    makeAction(actCalculator, "actCalculator", QStringLiteral("Калькулятор"));
    actCalculator->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F2));
    connect(actCalculator, &QAction::triggered, this, guardedSlot([this] { actCalculatorExecute(); }));
    makeAction(actServisConfig, "actServisConfig", QStringLiteral("Настройка конфигурации"));
    connect(actServisConfig, &QAction::triggered, this, guardedSlot([this] { actServisConfigExecute(); }));
    makeAction(actChangePassword, "actChangePassword", QStringLiteral("Сменить пароль"));
    connect(actChangePassword, &QAction::triggered, this, guardedSlot([this] { actChangePasswordExecute(); }));

    // The links of the CAS, Voyager and web modules, which the timers run whether or not the modules exist.
    addCommands(
        {
            { actConnectToVoyager, "actConnectToVoyager", "Подключиться к Voyager" },
            { actConnectToCASServer, "actConnectToCASServer", "Подключение к CAS серверу" },
            { actReConnectToCASServer, "actReConnectToCASServer", "Переподключение к CAS серверу" },
            { actTestCASConnection, "actTestCASConnection", "Test CAS Connection" },
            { actStartWebServer, "actStartWebServer", "Start web server" },
            { actStopWebServer, "actStopWebServer", "Stop web server" },
        },
        false);
    openChild(
        makeAction(actCASConsole, "actCASConsole", QStringLiteral("CAS консоль")), QStringLiteral("TfrmCASConsole"));

    makeAction(actDebugMode, "actDebugMode", QStringLiteral("Монитор событий"));
    connect(actDebugMode, &QAction::triggered, this, guardedSlot([] { ShowEventMonitor(); }));
    makeAction(actSqlMonitor, "actSqlMonitor", QStringLiteral("SQL Монитор"));
    actSqlMonitor->setCheckable(true);
    actSqlMonitor->setChecked(true);
    connect(actSqlMonitor, &QAction::toggled, this, [](bool on) { SetSqlMonitor(on); });
    makeAction(actCorrectData, "actCorrectData", QStringLiteral("Обновление структуры БД"));
    connect(actCorrectData, &QAction::triggered, this, guardedSlot([this] { actCorrectDataExecute(); }));
    makeAction(actActivizAllCustomers, "actActivizAllCustomers", QStringLiteral("Подключить всех"));
    actActivizAllCustomers->setEnabled(false);
    makeAction(actShowSystemInfo, "actShowSystemInfo", QStringLiteral("Информация о системе"));
    connect(actShowSystemInfo, &QAction::triggered, this, guardedSlot([] { ShowMemoryInfo(); }));
    makeAction(actRemoveAllCalculation, "actRemoveAllCalculation", QStringLiteral("Сбросить расчеты"));
    connect(
        actRemoveAllCalculation, &QAction::triggered, this, guardedSlot([this] { actRemoveAllCalculationExecute(); }));

    makeAction(actAppHelp, "actAppHelp", QStringLiteral("Справка"));
    connect(actAppHelp, &QAction::triggered, this, guardedSlot([this] { actAppHelpExecute(); }));
    makeAction(actAppOnlineHelp, "actAppOnlineHelp", QStringLiteral("&Справка (онлайн)"));
    connect(actAppOnlineHelp, &QAction::triggered, this, guardedSlot([] {
        Services::shell()->openDocument(
            ProductWebAddress + QLatin1Char('/') + AppSettings().UILanguage + QStringLiteral("/docs/default.html"));
    }));
    const auto openSupport = [] {
        Services::shell()->openDocument(ProductWebAddress + QStringLiteral("/support?v=") + GetProgramVersion());
    };
    makeAction(actSendBugReport, "actSendBugReport", QStringLiteral("Сообщить об ошибке"));
    connect(actSendBugReport, &QAction::triggered, this, guardedSlot(openSupport));
    makeAction(actSendTip, "actSendTip", QStringLiteral("Рекомендации по улучшению"));
    connect(actSendTip, &QAction::triggered, this, guardedSlot(openSupport));
    makeAction(HelpAbout, "HelpAbout", QStringLiteral("О &Программе"));
    connect(HelpAbout, &QAction::triggered, this, guardedSlot([] { ShowAboutBox(); }));
    // No context-help viewer exists here: the manual stands in for it.
    makeAction(actHelp, "actHelp", QStringLiteral("Контекстная помощь"));
    actHelp->setShortcut(QKeySequence(Qt::Key_F1));
    connect(actHelp, &QAction::triggered, this, guardedSlot([this] { actAppHelpExecute(); }));

    makeAction(EditCut, "EditCut", QStringLiteral("Cu&t"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    makeAction(EditCopy1, "EditCopy1", QStringLiteral("&Copy"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    makeAction(EditPaste1, "EditPaste1", QStringLiteral("&Paste"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    makeAction(EditUndo1, "EditUndo1", QStringLiteral("&Undo"))->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Backspace));
    for (QAction *a : { EditCut, EditCopy1, EditPaste1, EditUndo1 }) {
        // Only inside a child window: elsewhere the focused editor keeps its own keys.
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        mdiArea->addAction(a);
    }
    connect(EditCut, &QAction::triggered, this, [this] { sendEditCommand("cut"); });
    connect(EditCopy1, &QAction::triggered, this, [this] { sendEditCommand("copy"); });
    connect(EditPaste1, &QAction::triggered, this, [this] { sendEditCommand("paste"); });
    connect(EditUndo1, &QAction::triggered, this, [this] { sendEditCommand("undo"); });
    makeAction(WindowCloseAll, "WindowCloseAll", QStringLiteral("Закрыть все"));
    connect(WindowCloseAll, &QAction::triggered, this, [this] { SendMessage(this, AMCloseAllChildForms); });

    for (QAction *a : findChildren<QAction *>())
        connect(a, &QAction::hovered, this,
            [this, a] { showHint(a->statusTip().isEmpty() ? a->toolTip() : a->statusTip()); });
}

void TfrmMain::createMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    const auto menu = [bar](const QString &title, const char *name) {
        QMenu *m = bar->addMenu(title);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    mmiFile = menu(QStringLiteral("&File"), "mmiFile");
    mmiFile->addAction(actFileDatabaseConnect);
    mmiFileChildSeparator = mmiFile->addSeparator();
    mmiFile->addAction(actFileExit);

    QMenu *operations = menu(QStringLiteral("Operations"), "mmiOperations");
    operations->addAction(actShowCustList);
    operations->addSeparator();
    operations->addAction(actPayments);
    operations->addAction(actTickets);
    operations->addSeparator();
    operations->addAction(actServicePackages);
    operations->addSeparator();
    operations->addAction(actNewAccPeriod);
    operations->addAction(actReturnAccPeriod);

    QMenu *exchange = menu(QStringLiteral("Обмен данными"), "mmiExchange");
    exchange->addAction(actImportPayments);
    QAction *bankExport = exchange->addAction(QStringLiteral("Подготовка данных в банк"));
    connect(bankExport, &QAction::triggered, actExportPayments, &QAction::trigger);
    connect(actExportPayments, &QAction::changed, bankExport,
        [this, bankExport] { bankExport->setEnabled(actExportPayments->isEnabled()); });
    exchange->addSeparator();
    exchange->addAction(actExportPaymentsPost);

    QMenu *guides = menu(QStringLiteral("&Справочники"), "mmiGuides");
    for (QAction *a : { actCompanyGuide, actLocation, actAreaGuide, actSubAreaGuide, actStreetGuide, actHouseGuide,
             actTeam, actEmployee, actCust_Prop, actPaySourceGuide })
        guides->addAction(a);
    guides->addSeparator();
    guides->addAction(actServicePackages);

    QMenu *reports = menu(QStringLiteral("Отчеты"), "mmiReports");
    mmiRepNewCust = reports->addMenu(QStringLiteral("Вновь подключенные"));
    mmiRepNewCust->setObjectName(QStringLiteral("mmiRepNewCust"));
    mmiRepNewCust->addActions(
        { actReportNewConnectCustALL, actReportNewConnectCustNotPayed, actReportNewConnectCustPayed });
    reports->addAction(actReportNextTimeConnectedCust);
    reports->addAction(actReportDisactCustByPeriod);
    reports->addSeparator();
    mmiRepNewCustPerMonth = reports->addMenu(QStringLiteral("Вновь подключенные за месяц"));
    mmiRepNewCustPerMonth->setObjectName(QStringLiteral("mmiRepNewCustPerMonth"));
    mmiRepNewCustPerMonth->addActions({ actReportNewConnectCustALLPerMonth, actReportNewConnectCustPayedPerMonth,
        actReportNewConnectCustNotPayedPerMonth });
    reports->addAction(actReportNextTimeConnectedCustPerMonth);
    reports->addAction(actReportDisactCustByMonth);
    reports->addSeparator();
    reports->addActions({ actCustDebt, actReportMainState, actCustPayments });

    QMenu *view = menu(QStringLiteral("&Вид"), "mmiView");
    view->addAction(actViewStatusBar);
    view->addSeparator();
    view->addActions({ actViewLargeIcons, actSelectUILanguage });

    QMenu *service = menu(QStringLiteral("Сервис"), "mmiService");
    service->addAction(actCalculator);
    service->addSeparator();
    service->addActions({ actServisConfig, actChangePassword });
    service->addSeparator();
    mmiVoyager = service->addMenu(QStringLiteral("Voyager"));
    mmiVoyager->setObjectName(QStringLiteral("mmiVoyager"));
    mmiVoyager->addAction(actConnectToVoyager);
    mmiCAS = service->addMenu(QStringLiteral("CAS"));
    mmiCAS->setObjectName(QStringLiteral("mmiCAS"));
    mmiCAS->addActions({ actConnectToCASServer, actReConnectToCASServer });
    mmiCAS->addSeparator();
    mmiCAS->addActions({ actSmartCards, actDTVProviderGuide });
    mmiCAS->addSeparator();
    mmiCAS->addAction(actCASConsole);
    service->addSeparator();
    service->addActions({ actDebugMode, actSqlMonitor, actTestSql, actTestCustomers, actCorrectData,
        actActivizAllCustomers, actShowSystemInfo });
    service->addSeparator();
    service->addAction(actRemoveAllCalculation);

    QMenu *help = menu(QStringLiteral("&Помощь"), "mmiHelp");
    help->addActions({ actAppHelp, actAppOnlineHelp });
    help->addSeparator();
    help->addActions({ actSendBugReport, actSendTip });
    help->addSeparator();
    help->addAction(HelpAbout);

    // The open accounting month, right-aligned in the menu bar.
    mmiPeriod = new QLabel(bar);
    mmiPeriod->setObjectName(QStringLiteral("mmiPeriod"));
    mmiPeriod->setEnabled(false);
    mmiPeriod->setContentsMargins(8, 0, 8, 0);
    bar->setCornerWidget(mmiPeriod, Qt::TopRightCorner);
}

void TfrmMain::createToolBars()
{
    const auto fill = [this](QToolBar *bar) {
        bar->addActions({ actShowCustList, actPayments, actTickets, actServicePackages, actHouseGuide });
        bar->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(bar, &QWidget::customContextMenuRequested, this, [this, bar](const QPoint &pos) {
            QMenu popup;
            popup.addAction(actViewStatusBar);
            popup.exec(bar->mapToGlobal(pos));
        });
    };
    pnlTopToolBar = new QToolBar(QStringLiteral("pnlTopToolBar"), this);
    pnlTopToolBar->setObjectName(QStringLiteral("pnlTopToolBar"));
    addToolBar(Qt::TopToolBarArea, pnlTopToolBar);
    leftToolBar = new QToolBar(QStringLiteral("leftToolBar"), this);
    leftToolBar->setObjectName(QStringLiteral("leftToolBar"));
    addToolBar(Qt::LeftToolBarArea, leftToolBar);
    for (QToolBar *bar : { pnlTopToolBar, leftToolBar }) {
        bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        bar->setMovable(false);
        fill(bar);
    }
    pnlTopToolBar->hide();
}

// ---- The child-window protocol -------------------------------------------------------------------------------

QList<QWidget *> TfrmMain::ChildForms() const
{
    QList<QWidget *> forms;
    for (QMdiSubWindow *window : mdiArea->subWindowList()) {
        // A closed child is hidden at once and destroyed later.
        if (!window->isHidden() && window->widget())
            forms << window->widget();
    }
    return forms;
}

QMdiSubWindow *TfrmMain::findChildWindow(const QString &className) const
{
    for (QMdiSubWindow *window : mdiArea->subWindowList()) {
        if (!window->isHidden() && FormClassName(window->widget()) == className)
            return window;
    }
    return nullptr;
}

QWidget *TfrmMain::CreateChildForm(const QString &className, qintptr wParam)
{
    if (QMdiSubWindow *window = findChildWindow(className)) {
        if (window->isMinimized())
            window->showNormal();
        mdiArea->setActiveSubWindow(window);
        window->raise();
        SendMessage(window->widget(), AMRunQuery, wParam, 0);
        return window->widget();
    }
    const TFormFactory factory = FindFormClass(className);
    if (!factory) {
        LogError(QStringLiteral("Окно ") + className + QStringLiteral(" не зарегистрировано"));
        return nullptr;
    }
    QWidget *form = factory();
    SetFormClassName(form, className);
    form->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *window = mdiArea->addSubWindow(form);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Whether or not the child says so itself, its closing refreshes the menus.
    connect(form, &QObject::destroyed, this, [this] { PostMessage(this, AMChildClose); });
    window->show();
    SendMessage(form, AMRunQuery, wParam, 0);
    UpdateMenu();
    return form;
}

QWidget *TfrmMain::QueryChildForm(const QString &className, qintptr wParam)
{
    if (QMdiSubWindow *window = findChildWindow(className)) {
        SendMessage(window->widget(), AMRunQuery, wParam, 0);
        return window->widget();
    }
    return CreateChildForm(className, wParam);
}

void TfrmMain::closeAllChildForms()
{
    const QList<QMdiSubWindow *> windows = mdiArea->subWindowList();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if ((*it)->isHidden())
            continue;
        (*it)->close();
        QApplication::processEvents();
    }
    UpdateMenu();
}

bool TfrmMain::event(QEvent *event)
{
    TMessageEvent *m = TMessageEvent::from(event);
    if (!m)
        return QMainWindow::event(event);
    switch (m->Msg) {
    case AMCreateChild:
        m->Result = reinterpret_cast<qintptr>(CreateChildForm(m->Data.toString(), m->LParam));
        break;
    case AMQueryChild:
        m->Result = reinterpret_cast<qintptr>(QueryChildForm(m->Data.toString(), m->LParam));
        break;
    case AMChildClose:
        QApplication::processEvents();
        UpdateMenu();
        setDefaultCursor();
        break;
    case AMCloseAllChildForms:
        closeAllChildForms();
        break;
    case AMShowAnimate:
        if (m->WParam == 0)
            SetStatusMsg(QStringLiteral(" .."));
        break;
    case AMHideAnimate:
        break;
    case AMCloseApplication:
        close();
        break;
    default:
        return QMainWindow::event(event);
    }
    return true;
}

// ---- Status bar, title, menus --------------------------------------------------------------------------------

void TfrmMain::SetStatusMsg(const QString &text)
{
    m_panels[0]->setText(text);
    QApplication::processEvents();
}

void TfrmMain::ShowHint()
{
    m_panels[0]->setText(ApplicationHint());
}

void TfrmMain::SetCASStatusMsg(const QString &text)
{
    m_panels[1]->setText(text);
    QApplication::processEvents();
}

void TfrmMain::SetVoyagerStatusMsg(const QString &text)
{
    SetCASStatusMsg(text);
}

QString TfrmMain::StatusText(int panel) const
{
    return m_panels.value(panel) ? m_panels[panel]->text() : QString();
}

void TfrmMain::showHint(const QString &text)
{
    m_panels[0]->setText(text);
}

void TfrmMain::setDefaultCursor()
{
    SetScreenCursor(crDefault);
}

void TfrmMain::RefreshTitle()
{
    if (!DM)
        setWindowTitle(QStringLiteral("[ Нет соединения с БД ]"));
    else if (Session::IsDatabaseConnected())
        setWindowTitle(QStringLiteral("Tarvik"));
    else
        setWindowTitle(QStringLiteral("Tarvik[ Нет соединения с БД ]"));
}

void TfrmMain::SetDebugMode(bool on)
{
    ::SetDebugMode(on);
    for (QAction *a : { actDebugMode, actSqlMonitor, actTestSql, actTestCustomers })
        a->setVisible(on);
}

void TfrmMain::ReloadMainCfg()
{
    m_mainCfg = Session::ReadMainCfg(true);
}

void TfrmMain::UpdateMenu()
{
    if (m_updatingMenu) {
        m_menuUpdateAgain = true;
        return;
    }
    const QScopedValueRollback<bool> updating(m_updatingMenu, true);
    do {
        m_menuUpdateAgain = false;
        updateMenuOnce();
    } while (m_menuUpdateAgain);
}

void TfrmMain::updateMenuOnce()
{
    const bool hasChildren = !ChildForms().isEmpty();
    mmiFileChildSeparator->setVisible(hasChildren);
    WindowCloseAll->setEnabled(hasChildren);

    RefreshTitle();
    statusBar()->setVisible(actViewStatusBar->isChecked());
    actViewStatusBar->setToolTip(actViewStatusBar->isChecked() ? QStringLiteral("Убрать панель статуса")
                                                               : QStringLiteral("Показать панель статуса"));

    const bool connected = Session::IsDatabaseConnected();
    for (QAction *a :
        { actShowCustList, actPayments, actServisConfig, actCompanyGuide, actAreaGuide, actSubAreaGuide, actStreetGuide,
            actHouseGuide, actServicePackages, actPaySourceGuide, actCust_Prop, actReturnAccPeriod, actImportPayments,
            actExportPayments, actReportNewConnectCust, actReportNextTimeConnectedCust, actReportMainState,
            actReportDisactCustByPeriod, actReportNextTimeConnectedCustPerMonth, actReportDisactCustByMonth,
            actReportSubscrSum, actCustDebt, actCustPayments, actChangePassword, actTickets })
        a->setEnabled(connected);
    mmiRepNewCustPerMonth->setEnabled(connected);
    mmiRepNewCust->setEnabled(connected);

    actNewAccPeriod->setEnabled(false);

    const bool cas = connected && AppSettings().useCAS;
    mmiCAS->setEnabled(cas);
    for (QAction *a :
        { actConnectToCASServer, actReConnectToCASServer, actSmartCards, actCASConsole, actDTVProviderGuide })
        a->setEnabled(cas);
    mmiVoyager->setEnabled(connected && AppSettings().useVoyager);

    QString period;
    if (connected && m_mainCfg.exists && m_mainCfg.accDate.isValid()) {
        if (!guard([&] {
                actNewAccPeriod->setEnabled(m_mainCfg.accDate.addMonths(1) <= StartOfMonth(Services::clock()->today()));
                period = MonthYearCaption(m_mainCfg.accDate);
            }))
            period = QStringLiteral("Ошибка");
    }
    if (mmiPeriod->text() != period) {
        mmiPeriod->setText(period);
        mmiPeriod->adjustSize();
        // The menu bar lays its corner out again only when it is given one.
        menuBar()->setCornerWidget(mmiPeriod, Qt::TopRightCorner);
    }

    if (actViewLargeIcons->isChecked() != AppSettings().useLargeIcons) {
        actViewLargeIcons->setChecked(AppSettings().useLargeIcons);
        for (QWidget *w : QApplication::topLevelWidgets())
            PostMessage(w, AMLargeIconsChanged);
        for (QWidget *w : ChildForms())
            PostMessage(w, AMLargeIconsChanged);
    }

    const TAppSettings &s = AppSettings();
    pnlTopToolBar->setVisible(s.useToolBar && !s.useLeftToolBar);
    leftToolBar->setVisible(s.useToolBar && s.useLeftToolBar);
    QApplication::processEvents();
}

// ---- Showing, closing, resizing, timers ----------------------------------------------------------------------

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // The login dialog runs once the window is on the screen, not inside its showing.
        QMetaObject::invokeMethod(
            this, [this] { guard([this] { FormShow(); }); }, Qt::QueuedConnection);
    }
}

void TfrmMain::FormShow()
{
    if (DM && !DM->InitDM()) {
        close();
        return;
    }
    if (IsDebugMode())
        ShowEventMonitor();
    actFileDatabaseConnect->trigger();
    UpdateMenu();
    setDefaultCursor();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    guard([this] {
        actStopWebServer->trigger();
        if (OnCloseCASSocket)
            OnCloseCASSocket();
        SendMessage(this, AMCloseAllChildForms);
        Session::LogOut();
    });
    event->accept();
    emit closed();
}

void TfrmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    const int w = width();
    m_panels[0]->setMinimumWidth(int(w * 0.5) - 8);
    m_panels[1]->setMinimumWidth(int(w * 0.4) - 8);
}

void TfrmMain::Timer1Timer()
{
    actConnectToCASServer->trigger();
    actTestCASConnection->trigger();
    actStartWebServer->trigger();
}

void TfrmMain::Timer2Timer()
{
    actConnectToVoyager->trigger();
    actStartWebServer->trigger();
    actConnectToCASServer->trigger();
    actTestCASConnection->trigger();
    Timer2->stop();
}

// ---- The actions' work ---------------------------------------------------------------------------------------

void TfrmMain::actFileDatabaseConnectExecute()
{
    SetKeyboardLanguage(QStringLiteral("EN"));
    if (DMR)
        DMR->SetMainWindow(this);
    if (Session::IsDatabaseConnected()) {
        SendMessage(this, AMCloseAllChildForms);
        Session::LogOut();
    } else if (!Session::Login(m_folders.connectionsFolder)) {
        // The engine's own words follow the system's text: a wrong password, a missing or damaged file and a
        // server that does not answer each need a different remedy.
        QString text = QStringLiteral("Ошибка соединения с базой данных\rВозможно имя или пароль введены неверно");
        if (const QString reason = Session::LastLoginError(); !reason.isEmpty())
            text += QLatin1Char('\r') + reason;
        Services::messages()->messageDlg(text, mtError, mbYes, mbYes);
    }

    if (Session::IsDatabaseConnected() && !DMR->IsDbVersionCurrent()) {
        // No session goes on with a structure of another version: the update ends it as well.
        if (Services::messages()->confirm(QStringLiteral("Формат базы данных не соответствует данной версии программы\r"
                                                         "Часть функций может не работать, или работать неправильно\r"
                                                         " Рекомендуется произвести обновление структуры БД\r"
                                                         " См. пункт меню \"Сервис -> Обновление структуры БД\"")))
            actCorrectDataExecute();
        else
            logOut();
    }

    // A user without rights is refused before the session writes anything (the configuration row, the
    // tariff correction, the recalculation queue).
    if (Session::IsDatabaseConnected() && !Session::UserHasRights()) {
        Services::messages()->error(QStringLiteral("У пользователя [") + AppSettings().logonUserName
            + QStringLiteral("] нет прав для работы с программой"));
        logOut();
    }

    if (Session::IsDatabaseConnected()) {
        guard([this] {
            ReloadMainCfg();
            if (!m_mainCfg.exists) {
                // The configuration window opens on a complete row rather than an empty table.
                Session::InsertDefaultMainCfg(Services::clock()->today());
                ReloadMainCfg();
                actServisConfigExecute();
            }
        });
    }

    if (Session::IsDatabaseConnected() && DMR->HasInvalidTarifs()) {
        if (Services::messages()->confirm(QStringLiteral("Тарифы введены не полностью\r"
                                                         "Часть функций может не работать, или работать неправильно\r"
                                                         "Рекомендуется произвести авто корректировку")))
            // A correction that cannot be written (a read-only database) is shown; the connect goes on.
            guard([] { DMR->AutoCorrectTarifs(); });
    }

    if (Session::IsDatabaseConnected()) {
        if (!m_mainCfg.exists) {
            Session::InsertDefaultMainCfg(Services::clock()->today());
            ReloadMainCfg();
        }
        DMR->CheckInvalidCustDebt(m_mainCfg.debtMode, m_mainCfg.accDate);
        DM->cdsAppUser()->Open();
        Session::StartWorkDate(Services::clock()->today());
        actFileDatabaseConnect->setProperty("ImageIndex", 132);
        actFileDatabaseConnect->setText(MainWindowString(QStringLiteral("disconnectCaption")));
        actFileDatabaseConnect->setToolTip(MainWindowString(QStringLiteral("disconnectHint")) + QStringLiteral(" (")
            + Session::GetLoginName() + QLatin1Char('@') + AppSettings().logonDataBase + QLatin1Char(')'));
    }

    showConnectionState();
}

void TfrmMain::logOut()
{
    SendMessage(this, AMCloseAllChildForms);
    Session::LogOut();
}

void TfrmMain::showConnectionState()
{
    if (!Session::IsDatabaseConnected()) {
        Session::CloseMainCfg();
        m_mainCfg = {};
        actFileDatabaseConnect->setProperty("ImageIndex", 131);
        actFileDatabaseConnect->setText(MainWindowString(QStringLiteral("connectCaption")));
        actFileDatabaseConnect->setToolTip(MainWindowString(QStringLiteral("connectHint")));
        SendMessage(this, AMCloseAllChildForms);
    }

    UpdateMenu();
    setDefaultCursor();
    QApplication::processEvents();
}

void TfrmMain::actCorrectDataExecute()
{
    if (!DMR)
        return;
    if (!DMR->UpdateDbStructure())
        Services::messages()->error(DMR->LastUpgradeError());
    // Logs out: the user connects again on the new structure. A failed update whose owner logon did not even
    // connect ends disconnected as well, without asking for a login.
    if (Session::IsDatabaseConnected())
        actFileDatabaseConnectExecute();
    else
        showConnectionState();
}

void TfrmMain::actNewAccPeriodExecute()
{
    SendMessage(this, AMCloseAllChildForms);
    executeMonthClose(this);
    DM->CommitWork();
    mmiPeriod->clear();
    ReloadMainCfg();
    UpdateMenu();
    setDefaultCursor();
}

void TfrmMain::actReturnAccPeriodExecute()
{
    SendMessage(this, AMCloseAllChildForms);
    DM->ReturnAccPeriod();
    DM->CommitWork();
    ReloadMainCfg();
    mmiPeriod->clear();
    UpdateMenu();
    setDefaultCursor();
}

void TfrmMain::actCustPaymentsExecute()
{
    DMR->CheckInvalidCustDebt(m_mainCfg.debtMode, m_mainCfg.accDate);
    SetScreenCursor(crHourGlass);
    CreateChildForm(QStringLiteral("TfrmCustPayments"), 1);
    setDefaultCursor();
}

void TfrmMain::actServisConfigExecute()
{
    SendMessage(this, AMCloseAllChildForms);
    SetScreenCursor(crHourGlass);
    CreateChildForm(QStringLiteral("TfrmCFG"), 1);
    setDefaultCursor();
}

void TfrmMain::actCalculatorExecute()
{
    if (Services::shell()->startProgram(QStringLiteral("CALC.EXE"), {}, QStringLiteral("C:\\")))
        return;
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("RxCalculator1"));
    dialog.setWindowTitle(QStringLiteral("Калькулятор"));
    auto *calculator = new TDialogCalculator(&dialog);
    calculator->SetDisplayValue(m_calculatorValue);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(calculator);
    calculator->setFocus();
    if (dialog.exec() == QDialog::Accepted)
        m_calculatorValue = calculator->DisplayValue();
}

void TfrmMain::actChangePasswordExecute()
{
    QString newPassword;
    if (!ExecuteChangePassword(AppSettings().sessionPassword, newPassword))
        return;
    if (DMR && DMR->ChangeDbPassword(newPassword)) {
        AppSettings().sessionPassword = newPassword;
        DMR->CommitWork();
        Services::messages()->information(QStringLiteral("Пароль заменен. Требуется перезагрузка программы"));
        actFileExit->trigger();
    } else {
        Services::messages()->error(QStringLiteral("Ошибка изменения пароля пользователя"));
    }
}

void TfrmMain::actRemoveAllCalculationExecute()
{
    if (!Services::messages()->confirm(
            QStringLiteral("Удалить все расчетные данные? Нужно будет перезапустить тарификацию"), mbNo))
        return;
    // A failed reset has shown its error and changed nothing: the program carries on.
    if (!DMR->RemoveAllCalculation())
        return;
    Services::messages()->information(QStringLiteral("Нет закрытых периодов, программа будет перезагружена"));
    PostMessage(this, AMCloseApplication);
}

void TfrmMain::actAppHelpExecute()
{
    if (QFileInfo::exists(m_manualFileName))
        Services::shell()->openDocument(m_manualFileName);
    else
        ShowInfoMessage(QStringLiteral("File : ") + m_manualFileName + QStringLiteral(" not found"));
}

void TfrmMain::sendEditCommand(const char *slot)
{
    QMdiSubWindow *active = mdiArea->activeSubWindow();
    QWidget *focused = QApplication::focusWidget();
    if (active && focused && active->isAncestorOf(focused))
        QMetaObject::invokeMethod(focused, slot);
}
