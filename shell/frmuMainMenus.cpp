// The main window's actions, menus and tool bars, and their enabling by the connection state and the settings.
#include "frmuMain.h"

#include "Periods.h"
#include "Services.h"
#include "WindowMessages.h"
#include "ScreenCursor.h"
#include "dmuDM.h"
#include "frmuAbout.h"
#include "frmuBugDebug.h"
#include "uCommon.h"
#include "uLog.h"
#include "uSettings.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QToolBar>

namespace {

// The product's web pages: the online manual and the support page.
const QString ProductWebAddress = QStringLiteral("https://tarvik.net");

} // namespace

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
    makeAction(actFileDatabaseConnect, "actFileDatabaseConnect", QStringLiteral("Database connection"));
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
        },
        true);
    makeAction(actSelectUILanguage, "actSelectUILanguage", QStringLiteral("Select UI Language"));
    connect(actSelectUILanguage, &QAction::triggered, this, guardedSlot([this] { actSelectUILanguageExecute(); }));
    makeAction(actChangeUILanguage, "actChangeUILanguage", QStringLiteral("Change UI Language"));
    connect(actChangeUILanguage, &QAction::triggered, this, guardedSlot([this] { actChangeUILanguageExecute(); }));
    makeAction(actTestSql, "actTestSql", QStringLiteral("Test Sql"));
    connect(actTestSql, &QAction::triggered, this, guardedSlot([this] { actTestSqlExecute(); }));
    makeAction(actTestCustomers, "actTestCustomers", QStringLiteral("Тестирование данных"));
    connect(actTestCustomers, &QAction::triggered, this, guardedSlot([this] { actTestCustomersExecute(); }));
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
    // The bank export's menu item has a caption of its own; it runs the action.
    QAction *bankExport = exchange->addAction(QStringLiteral("Подготовка данных в банк"));
    bankExport->setObjectName(QStringLiteral("mmiExportPayments"));
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
            popup.setObjectName(QStringLiteral("ToolBarPopup"));
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

    const bool connected = DM && DM->IsDatabaseConnected();
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
