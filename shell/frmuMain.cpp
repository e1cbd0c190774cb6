// The main window's creation and destruction, the program-wide values it sets, the command registry, the
// status bar and the title. Its other topics lie beside it: frmuMainMenus.cpp (actions, menus, enabling),
// frmuMainChildren.cpp (the child-window protocol), frmuMainConnect.cpp (the connect action),
// frmuMainActions.cpp (the other actions' work) and frmuMainTimers.cpp (showing, closing, timers).
#include "frmuMain.h"

#include "Exceptions.h"
#include "FR_Globals.h"
#include "FR_View.h"
#include "Services.h"
#include "WindowMessages.h"
#include "XmlSettingsStorage.h"
#include "ScreenCursor.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "Kyv_Translator.h"
#include "uCommon.h"
#include "uLog.h"
#include "uSettings.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

TfrmMain *frmMain = nullptr;

QDate NoEndDate;
QDate EarliestDate;
QDate SelectionPeriodFrom;
QDate SelectionPeriodTo;
int CASFailureCount = 0;
TColor CustListFontColors[6];

namespace {

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
    // The program's documents open in the report preview, as sub-windows here when a report asks for that.
    frInstallPreview();
    frEngine().MDIPreviewHost = [this](QWidget *preview) {
        QMdiSubWindow *window = mdiArea->addSubWindow(preview);
        window->setAttribute(Qt::WA_DeleteOnClose);
        // Pages are read at the size of the work area, not at the preview's own small one; the state stays
        // normal, so that the children opened after it are not maximised with it.
        window->setGeometry(QRect(QPoint(0, 0), mdiArea->viewport()->size()));
        // A preview that closes itself (Escape, its exit button) takes its frame along. Queued, because a frame
        // that is closing deletes the preview from its own destructor.
        connect(preview, &QObject::destroyed, window, &QWidget::close, Qt::QueuedConnection);
        window->show();
    };

    for (int i = 0; i < 3; ++i) {
        auto *panel = new QLabel(this);
        m_panels << panel;
        statusBar()->addWidget(panel, i == 0 ? 5 : (i == 1 ? 4 : 1));
    }
    statusBar()->setObjectName(QStringLiteral("stbMain"));

    // The window's texts and run-time messages in the interface language: sections "frmMain" and "messages".
    Translator = new TKyv_Translator(this);
    Translator->SetStringsSection(QStringLiteral("messages"));
    // The title tells the connection state at run time; it is no design text.
    Translator->SetIgnoreList({ QStringLiteral("frmMain") });
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
    installQtTranslation();
    RestoreFormPlacement(SettingsStorage(), *this, QStringLiteral("frmMain"));

    SetFolders(m_folders);

    UpdateMenu();
    Timer1->start();
    Timer2->start();
}

TfrmMain::~TfrmMain()
{
    frEngine().MDIPreviewHost = nullptr;
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

void TfrmMain::SetFolders(const TProgramFolders &folders)
{
    m_folders = folders;
    const QString base = m_folders.programFolder + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
        + QLatin1Char('_') + AppSettings().UILanguage;
    m_dictionaryFileName = base + QStringLiteral(".ini");
    m_manualFileName = base + QStringLiteral(".chm");
}

// ---- Status bar and title ----------------------------------------------------------------------------------

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
    else if (DM->IsDatabaseConnected())
        // A user who finds the changes gone must see why in every window of the session.
        setWindowTitle(DMR && DMR->IsReadOnly() ? QStringLiteral("Tarvik[ Только чтение ]") : QStringLiteral("Tarvik"));
    else
        setWindowTitle(QStringLiteral("Tarvik[ Нет соединения с БД ]"));
}

void TfrmMain::SetDebugMode(bool on)
{
    ::SetDebugMode(on);
    for (QAction *a : { actDebugMode, actSqlMonitor, actTestSql, actTestCustomers })
        a->setVisible(on);
}
