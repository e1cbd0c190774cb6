#pragma once

#include "ApplicationHint.h"
#include "Color.h"
#include "Guard.h"
#include "uSession.h"

#include <QDate>
#include <QMainWindow>
#include <QStringList>

#include <functional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;
class TKyv_Translator;

// Values the main window's creation sets for the whole program.
extern QDate NoEndDate; // 31/12/4712: "no end"
extern QDate EarliestDate; // 01/01/1980: the earliest date accepted
// The report and selection period that payment windows, reports and the tickets window share.
extern QDate SelectionPeriodFrom;
extern QDate SelectionPeriodTo;
extern int CASFailureCount;
// The font colours of the customer list, by customer state.
extern TColor CustListFontColors[6];

// The folders of an installation: <root>/bin holds the program, <root>/fr_forms the report templates; the
// connection files lie in "connections" of the user's data folder, outside the installation and any build.
struct TProgramFolders
{
    QString programFolder; // with a trailing "/"
    QString reportsFolder;
    QString connectionsFolder; // with a trailing "/"

    // The "bin" segment of the program folder becomes "fr_forms" for the templates (TARVIK_TEMPLATES points
    // elsewhere when set). Letter case is kept.
    static TProgramFolders from(const QString &programFolder);
};

// Named operations of the subsystems above the shell (guides, reports, the CAS and web links) that the main
// window's actions run. Running a name nobody registered does nothing; `logMissing` then logs one line.
void RegisterCommand(const QString &name, std::function<void()> command);
void UnRegisterCommand(const QString &name);
bool RunCommand(const QString &name, bool logMissing = true);

// The program's multiple-document main window: menus, tool bars and actions, the status bar, the two link
// timers, the connect action (whose work is the session unit's) and the protocol by which its child windows are
// opened and report closing. Its source lies in frmuMain*.cpp, one file a topic.
class TfrmMain : public QMainWindow
{
    Q_OBJECT

public:
    // Touches no data module: defaults, folders, the command line (arguments without the program) and the
    // settings file.
    explicit TfrmMain(const QStringList &arguments = {}, QWidget *parent = nullptr);
    // Stores the window placement and writes the settings file.
    ~TfrmMain() override;

    // The open child of that class, brought to the front, or a new one; either way it is sent AMRunQuery
    // with `wParam`. A class nobody registered opens nothing, logs one line and answers null.
    QWidget *CreateChildForm(const QString &className, qintptr wParam);
    // As CreateChildForm, but an open child is only told to load its data, not brought to the front.
    QWidget *QueryChildForm(const QString &className, qintptr wParam);
    // The open children, first opened first.
    QList<QWidget *> ChildForms() const;

    void SetStatusMsg(const QString &text);
    // The application's hint handler: status panel 0 shows the current hint.
    void ShowHint();
    void SetCASStatusMsg(const QString &text);
    void SetVoyagerStatusMsg(const QString &text);
    QString StatusText(int panel) const;

    void RefreshTitle();
    // Enables the actions by the connection state and the settings, shows the accounting month. It lets pending
    // events run at its end; an update asked for meanwhile runs after the current one, never inside it.
    void UpdateMenu();
    void SetDebugMode(bool on);
    // The work of the first showing: event monitor, connect, menus. Runs once, queued after the first show.
    void FormShow();

    const TProgramFolders &Folders() const { return m_folders; }
    // Tests and installations that keep their files elsewhere.
    void SetFolders(const TProgramFolders &folders);
    // The target dictionary (program name, "_", the interface language, ".ini" in the program folder) and
    // the base one ("_en"); a missing target gives way to the base at the first showing.
    QString DictionaryFileName() const { return m_dictionaryFileName; }
    QString BaseDictionaryFileName() const;
    QString ManualFileName() const { return m_manualFileName; }
    // The configuration row as the connect action last read it.
    const TDM::TMainCfg &MainCfg() const { return m_mainCfg; }
    void ReloadMainCfg();

    // Closes the CAS link at shut-down; set by the CAS module.
    std::function<void()> OnCloseCASSocket;

    QMdiArea *mdiArea = nullptr;
    QToolBar *pnlTopToolBar = nullptr;
    QToolBar *leftToolBar = nullptr;
    QLabel *mmiPeriod = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;

    QMenu *mmiFile = nullptr;
    QMenu *mmiRepNewCust = nullptr;
    QMenu *mmiRepNewCustPerMonth = nullptr;
    QMenu *mmiVoyager = nullptr;
    QMenu *mmiCAS = nullptr;
    QAction *mmiFileChildSeparator = nullptr;

    QAction *actFileDatabaseConnect = nullptr, *actFileExit = nullptr;
    QAction *actShowCustList = nullptr, *actPayments = nullptr, *actTickets = nullptr, *actServicePackages = nullptr;
    QAction *actNewAccPeriod = nullptr, *actReturnAccPeriod = nullptr;
    QAction *actImportPayments = nullptr, *actExportPayments = nullptr, *actExportPaymentsPost = nullptr;
    QAction *actCompanyGuide = nullptr, *actLocation = nullptr, *actAreaGuide = nullptr, *actSubAreaGuide = nullptr;
    QAction *actStreetGuide = nullptr, *actHouseGuide = nullptr, *actTeam = nullptr, *actEmployee = nullptr;
    QAction *actCust_Prop = nullptr, *actPaySourceGuide = nullptr;
    QAction *actReportNewConnectCust = nullptr, *actReportNewConnectCustALL = nullptr;
    QAction *actReportNewConnectCustNotPayed = nullptr, *actReportNewConnectCustPayed = nullptr;
    QAction *actReportNextTimeConnectedCust = nullptr, *actReportDisactCustByPeriod = nullptr;
    QAction *actReportNewConnectCustALLPerMonth = nullptr, *actReportNewConnectCustPayedPerMonth = nullptr;
    QAction *actReportNewConnectCustNotPayedPerMonth = nullptr, *actReportNextTimeConnectedCustPerMonth = nullptr;
    QAction *actReportDisactCustByMonth = nullptr, *actReportSubscrSum = nullptr;
    QAction *actCustDebt = nullptr, *actReportMainState = nullptr, *actCustPayments = nullptr;
    QAction *actViewStatusBar = nullptr, *actViewLargeIcons = nullptr, *actSelectUILanguage = nullptr;
    QAction *actCalculator = nullptr, *actServisConfig = nullptr, *actChangePassword = nullptr;
    QAction *actConnectToVoyager = nullptr, *actConnectToCASServer = nullptr, *actReConnectToCASServer = nullptr;
    QAction *actTestCASConnection = nullptr, *actSmartCards = nullptr, *actDTVProviderGuide = nullptr;
    QAction *actCASConsole = nullptr;
    QAction *actDebugMode = nullptr, *actSqlMonitor = nullptr, *actTestSql = nullptr, *actTestCustomers = nullptr;
    QAction *actCorrectData = nullptr, *actActivizAllCustomers = nullptr, *actShowSystemInfo = nullptr;
    QAction *actRemoveAllCalculation = nullptr;
    QAction *actAppHelp = nullptr, *actAppOnlineHelp = nullptr, *actSendBugReport = nullptr, *actSendTip = nullptr;
    QAction *HelpAbout = nullptr, *actHelp = nullptr;
    QAction *EditCut = nullptr, *EditCopy1 = nullptr, *EditPaste1 = nullptr, *EditUndo1 = nullptr;
    QAction *WindowCloseAll = nullptr;
    QAction *actChangeUILanguage = nullptr;
    TKyv_Translator *Translator = nullptr;
    QAction *actStartWebServer = nullptr, *actStopWebServer = nullptr;

signals:
    // The window closed: the program ends.
    void closed();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolBars();
    QAction *makeAction(QAction *&slot, const char *name, const QString &caption);
    void openChild(QAction *action, const QString &className);
    void runCommandAction(QAction *action, const QString &command, bool logMissing);

    QMdiSubWindow *findChildWindow(const QString &className) const;
    // Answers whether every window closed: one the user kept open stops what needed them all closed.
    bool closeAllChildForms();

    // The actions' work.
    void actFileDatabaseConnectExecute();
    void actCorrectDataExecute();
    void actNewAccPeriodExecute();
    void actReturnAccPeriodExecute();
    void actCustPaymentsExecute();
    void actCalculatorExecute();
    void actServisConfigExecute();
    void actChangePasswordExecute();
    void actRemoveAllCalculationExecute();
    void actAppHelpExecute();
    void actChangeUILanguageExecute();
    void actSelectUILanguageExecute();
    void actTestSqlExecute();
    void actTestCustomersExecute();
    // A run-time message of the window in the interface language.
    QString GetString(const QString &key) const;
    // What the session's connect flow asks of this window: the login dialog, closing the children, the
    // configuration window.
    Session::TConnectHooks sessionHooks();
    // The connect action's image, caption and hint, the menus and the title after a connect or a logout.
    void showConnectionState();
    // Qt's own dialogs and standard buttons in the stored interface language.
    void installQtTranslation();
    void sendEditCommand(const char *slot);
    void Timer1Timer();
    void Timer2Timer();

    void showHint(const QString &text);
    void setDefaultCursor();

    // A slot that ignores the signal's arguments and hands exceptions to the program's handler.
    template <class F> static auto guardedSlot(F fn)
    {
        return [fn = std::move(fn)](auto &&...) { guard(fn); };
    }

    TProgramFolders m_folders;
    QString m_dictionaryFileName;
    QString m_manualFileName;
    QList<QLabel *> m_panels;
    TDM::TMainCfg m_mainCfg;
    bool m_shown = false;
    // The value the built-in calculator closed with; it opens with it next time.
    double m_calculatorValue = 0;
    void updateMenuOnce();
    bool m_updatingMenu = false;
    bool m_menuUpdateAgain = false;
    ExceptionHandler m_previousExceptionHandler;
    ApplicationHintHandler m_previousHintHandler;
};

// The main window of the run, or null.
extern TfrmMain *frmMain;
