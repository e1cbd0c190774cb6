// What an operator waits for, on an operator of N customers (10,000 and 100,000 by default; give sizes as
// arguments, and "sqlite" or "pg" to keep one engine) with two years of history, on SQLite and on PostgreSQL
// (when TARVIK_PG_HOST/TARVIK_PG_PORT name a server, as scripts/pg-peer sets them). Every window opens offscreen
// through its menu action as a user opens it; each figure stands beside a yardstick measured in the same run on
// the same rows (the window's own statements walked through sqlite3 or libpq), with the ratio, the load and the
// memory:
// - the customer list from the menu to its first painted grid, beside the same statement walked into a plain
//   table model shown by a QTableView; the memory it holds and what it gives back when it closes;
// - the incremental search, key by key, and a sort by a click on a title, beside a prefix scan and a
//   std::stable_sort of the same keys;
// - the card of a customer with two years of history, every page of it, beside its statements walked raw;
// - "Текущее состояние" and each statistical report of a month previewed from the menu, beside their statements
//   walked raw with every value formatted;
// - a login, beside the engine's own open of the same database;
// - the monthly close from its dialog, beside the engine's close of the same month.
#include "BenchDatabase.h"
#include "DBGridEh.h"
#include "DatabaseError.h"
#include "Formats.h"
#include "FR_View.h"
#include "KyvFrames.h"
#include "Kyv_DBGridEh.h"
#include "OperatorData.h"
#include "Periods.h"
#include "RawWalk.h"
#include "ServiceFakes.h"
#include "XmlSettingsStorage.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuDebtCalc.h"
#include "dmuRDM.h"
#include "dmuReports.h"
#include "frmuCustomer.h"
#include "frmuDebtCalc.h"
#include "frmuMain.h"
#include "frmuPeriod.h"
#include "frmuSelectMonth.h"
#include "frmuSelectRootServ.h"
#include "uAccounts.h"
#include "uCommon.h"
#include "uSettings.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <libpq-fe.h>
#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

using namespace OperatorData;

namespace {

const QDate ReportMonth(2023, 2, 1); // the month most customers were connected in

// Memory the process holds now, in MB.
double residentMb()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double seconds(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs = 1800000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The moment the first widget a test accepts is painted, on the given clock.
class PaintWatch : public QObject
{
public:
    PaintWatch(const QElapsedTimer &clock, std::function<bool(QWidget *)> accepts)
        : m_clock(clock)
        , m_accepts(std::move(accepts))
    {
        qApp->installEventFilter(this);
    }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    bool painted() const { return m_at >= 0; }
    double at() const { return double(m_at) / 1e9; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_at < 0 && event->type() == QEvent::Paint && watched->isWidgetType()
            && m_accepts(static_cast<QWidget *>(watched)))
            m_at = m_clock.nsecsElapsed();
        return false;
    }

private:
    const QElapsedTimer &m_clock;
    std::function<bool(QWidget *)> m_accepts;
    qint64 m_at = -1;
};

// Answers the modal dialogs that come up while it lives: `answer` gets each and says whether it answered.
class ModalAnswers
{
public:
    explicit ModalAnswers(std::function<bool(QWidget *)> answer)
        : m_answer(std::move(answer))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget *w = QApplication::activeModalWidget(); w && w->isVisible() && w != m_last) {
                if (m_answer(w))
                    m_last = w;
            }
        });
        m_timer.start(1);
    }
    void reset() { m_last = nullptr; }

private:
    std::function<bool(QWidget *)> m_answer;
    QTimer m_timer;
    QWidget *m_last = nullptr;
};

bool inside(QWidget *w, const char *className)
{
    for (; w; w = w->parentWidget())
        if (w->inherits(className))
            return true;
    return false;
}

// A plain model over rows read raw: the yardstick of the list.
class RawModel : public QAbstractTableModel
{
public:
    explicit RawModel(RawRows rows)
        : m_rows(std::move(rows))
    {
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows.rowCount(); }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.columns.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return m_rows.cells[size_t(index.row()) * size_t(m_rows.columns.size()) + size_t(index.column())];
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return o == Qt::Horizontal ? QVariant(m_rows.columns.value(section)) : QVariant(section + 1);
    }
    const RawRows &rows() const { return m_rows; }

private:
    RawRows m_rows;
};

void figure(const char *what, double ours, double baseline, qint64 load, int customers, const QString &extra = {})
{
    // Padded by characters, not bytes: the Russian names take two bytes a letter.
    std::printf("  %s %9.3f s  baseline %9.3f s  ratio %6.2f  %8.2f us/customer  load %9lld  peak %5ld MB%s\n",
                qPrintable(QString::fromUtf8(what).leftJustified(40)), ours, baseline, baseline > 0 ? ours / baseline : 0.0,
                customers > 0 ? ours * 1e6 / double(customers) : 0.0, static_cast<long long>(load), PeakMemoryMb(),
                qPrintable(extra));
    std::fflush(stdout);
}

void note(const QString &text)
{
    std::printf("  %s\n", qPrintable(text));
    std::fflush(stdout);
}

// The engine's own open of the database the login opens, with one question: the login's yardstick.
double rawOpenSeconds(TADOConnection &c)
{
    QElapsedTimer t;
    t.start();
    if (c.Provider() == TADOConnection::TProvider::SQLite) {
        sqlite3 *db = nullptr;
        const QByteArray path = c.ConnectionProperty(QStringLiteral("Data Source")).toUtf8();
        if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
            sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    } else {
        const QString source = c.ConnectionProperty(QStringLiteral("Data Source"));
        const QByteArray info = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 connect_timeout=10")
                                    .arg(source.section(u':', 0, 0), source.section(u':', 1, 1),
                                         c.ConnectionProperty(QStringLiteral("Initial Catalog")),
                                         QStringLiteral("VMDEMO"))
                                    .toUtf8();
        PGconn *conn = PQconnectdb(info.constData());
        if (PQstatus(conn) == CONNECTION_OK)
            PQclear(PQexec(conn, "select 1"));
        PQfinish(conn);
    }
    return seconds(t);
}

void login(TDMR &dmr, int customers)
{
    double best = 1e9, raw = 1e9;
    for (int i = 0; i < 3; ++i) {
        TDMR other;
        other.SetConnectionsFolder(dmr.ConnectionsFolder());
        QElapsedTimer t;
        t.start();
        other.DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("BENCH"));
        const double s = seconds(t);
        if (!other.Get_DatabaseConnectStatus()) {
            note(QStringLiteral("login FAILED"));
            return;
        }
        other.DbLogOut();
        best = std::min(best, s);
        raw = std::min(raw, rawOpenSeconds(*dmr.dbConnection()));
    }
    figure("login (best of 3)", best, raw, customers, customers);
}

// The program's modules and main window over the bench's database, as the program makes them.
struct Program
{
    explicit Program(TDMR &dmr)
    {
        SettingsStorage().setFileName(settingsDir.filePath(QStringLiteral("settings.xml")));
        SettingsStorage().clear();
        AppSettings() = TAppSettings::defaults();
        messages.defaultAnswer = mrYes;
        main = std::make_unique<TfrmMain>();
        main->resize(1280, 900);
        // The window's first showing runs the program's start: its connect command, which logs a connected
        // session out (and would ask for a login otherwise). The bench is logged on already, so the window
        // shows and settles before it is given the modules over the bench's connection.
        main->show();
        QCoreApplication::processEvents();
        DMR = &dmr;
        dmr.SetMainWindow(main.get());
        dm = std::make_unique<TDM>(&dmr);
        DM = dm.get();
        cust = std::make_unique<TcustDM>(dm.get(), &dmr);
        custDM = cust.get();
        calc = std::make_unique<TdmDebtCalc>(&dmr);
        dmDebtCalc = calc.get();
        reports = std::make_unique<TdmReports>(dm.get(), &dmr, cust.get());
        dmReports = reports.get();
        reports->SetTemplateFolder(QStringLiteral(TARVIK_SOURCE_DIR "/resources/fr_forms/"));
        main->ReloadMainCfg();
        main->UpdateMenu();
        QCoreApplication::processEvents();
    }
    ~Program()
    {
        for (QWidget *child : main->ChildForms())
            delete child;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dmReports = nullptr;
        reports.reset();
        dmDebtCalc = nullptr;
        calc.reset();
        custDM = nullptr;
        cust.reset();
        DM = nullptr;
        dm.reset();
        main.reset();
        DMR = nullptr;
        SettingsStorage().clear();
    }

    TfrmCustomer *customerList() const
    {
        for (QWidget *child : main->ChildForms())
            if (auto *form = qobject_cast<TfrmCustomer *>(child))
                return form;
        return nullptr;
    }

    QTemporaryDir settingsDir;
    FakeMessageService messages;
    std::unique_ptr<TfrmMain> main;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TcustDM> cust;
    std::unique_ptr<TdmDebtCalc> calc;
    std::unique_ptr<TdmReports> reports;
};

QString memoryText(double mb)
{
    return QString::number(mb, 'f', 1) + QStringLiteral(" MB");
}

// The list statement: the one that read the customers.
const RecordedStatement *listStatement(const QList<RecordedStatement> &statements)
{
    for (const RecordedStatement &s : statements)
        if (s.text.contains(QLatin1String("from ZOLT.CUSTOMER C join ZOLT.HOUSE H")))
            return &s;
    return nullptr;
}

void customerList(Program &p, TDMR &dmr, int customers)
{
    // Ours: from the menu to the first painted row of the grid.
    malloc_trim(0);
    const double before = residentMb();
    QElapsedTimer clock;
    std::unique_ptr<StatementRecorder> recorder = std::make_unique<StatementRecorder>(*dmr.dbConnection());
    TfrmCustomer *form = nullptr;
    double ours = 0;
    {
        // The list's grid painted with its rows: the hints shown while the list opens let the grid paint before
        // its rows are read, and that empty grid is not what the operator waits for.
        TDataSet *customers = p.cust->cdsCustomer();
        PaintWatch watch(clock, [customers](QWidget *w) {
            const TCustomDBGridEh *grid = nullptr;
            for (QWidget *a = w; a && !grid; a = a->parentWidget())
                grid = dynamic_cast<TCustomDBGridEh *>(a);
            return grid && grid->DataSource() && grid->DataSource()->DataSet() == customers && customers->Active()
                   && !customers->IsEmpty() && grid->updatesEnabled();
        });
        if (!p.main->actShowCustList->isEnabled()) {
            note(QStringLiteral("the customer list's menu command is disabled: the program is not connected"));
            return;
        }
        clock.start();
        p.main->actShowCustList->trigger();
        if (!waitFor([&] { return watch.painted(); })) {
            note(QStringLiteral("the customer list never painted"));
            return;
        }
        ours = watch.at();
        form = p.customerList();
    }
    const QList<RecordedStatement> statements = recorder->statements();
    recorder.reset();
    const double held = residentMb() - before;
    const RecordedStatement *statement = listStatement(statements);
    if (!form || !statement) {
        note(QStringLiteral("the customer list did not open"));
        return;
    }
    const int rows = p.cust->cdsCustomer()->RecordCount();

    // The yardstick: the same statement walked into a plain model shown by a table view.
    malloc_trim(0);
    const double rawBefore = residentMb();
    double raw = 0;
    qint64 ownBytes = 0;
    {
        QElapsedTimer rawClock;
        PaintWatch watch(rawClock, [](QWidget *w) { return inside(w, "QTableView"); });
        rawClock.start();
        auto model = std::make_unique<RawModel>(WalkRaw(*dmr.dbConnection(), *statement));
        ownBytes = model->rows().ownBytes;
        QTableView view;
        view.setModel(model.get());
        view.resize(form->size());
        view.show();
        waitFor([&] { return watch.painted(); });
        raw = watch.at();
        const double rawHeld = residentMb() - rawBefore;
        figure("customer list, menu to first paint", ours, raw, rows, customers,
               QStringLiteral("  holds %1 (plain model %2, rows' own %3, ratio to own %4)")
                   .arg(memoryText(held), memoryText(rawHeld), memoryText(ownBytes / 1048576.0))
                   .arg(held / (ownBytes / 1048576.0), 0, 'f', 2));
    }

    // The incremental search, key by key, under the order of a title clicked: the surnames.
    QStringList surnames;
    {
        const RawRows rawRows = WalkRaw(*dmr.dbConnection(), *statement);
        const int column = int(rawRows.columns.indexOf(QStringLiteral("SURNAME")) >= 0
                                   ? rawRows.columns.indexOf(QStringLiteral("SURNAME"))
                                   : rawRows.columns.indexOf(QStringLiteral("surname")));
        for (int r = 0; r < rawRows.rowCount(); ++r)
            surnames << rawRows.cells[size_t(r) * size_t(rawRows.columns.size()) + size_t(column)].toString();
    }
    TKyv_DBGridEh *grid = form->dbgCustomer;
    int surnameColumn = -1;
    for (int i = 0; i < grid->Columns().Count() && surnameColumn < 0; ++i)
        if (grid->Columns()[i]->FieldName().compare(QLatin1String("SURNAME"), Qt::CaseInsensitive) == 0)
            surnameColumn = i;
    if (surnameColumn < 0) {
        note(QStringLiteral("the customer list shows no surname"));
        return;
    }
    // The surname's own caption: the lower half of a title split in two, above the strip that selects the column.
    const QRect title = grid->CellRect(grid->IndicatorCols() + surnameColumn, 0);
    // A click gives the grid the focus only in the active window, as on a desktop; the hints shown while the list
    // opened took the activation with them when they hid.
    QApplication::setActiveWindow(p.main.get());
    // The yardsticks' rows were let go just now, a great many small blocks: the allocator sorts what they left on
    // the next large allocations, whoever makes them. A throwaway run of the yardstick's sort takes that on, so
    // that neither figure carries it.
    const auto sortSurnames = [&surnames] {
        QStringList keys = surnames;
        std::stable_sort(keys.begin(), keys.end(),
                         [](const QString &a, const QString &b) { return CompareTextIgnoreCase(a, b) < 0; });
        return keys;
    };
    sortSurnames();
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(title.center().x(), title.bottom() - title.height() / 4));
    QCoreApplication::processEvents();
    const double sort = seconds(t);
    t.start();
    sortSurnames();
    const double stdSort = seconds(t);
    figure("sort by a title click (surname)", sort, stdSort, rows, customers,
           QStringLiteral("  order %1").arg(p.cust->cdsCustomer()->IndexName()));

    QLineEdit *edit = form->SearchFrame->edtSearch;
    edit->setFocus();
    QCoreApplication::processEvents();
    const QString typed = QStringLiteral("Кузнецов");
    double worst = 0, total = 0, rawWorst = 0;
    for (int i = 0; i < typed.size(); ++i) {
        t.start();
        // A key of the Russian layout: its text, as the keyboard hands it over.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed.mid(i, 1));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, typed.mid(i, 1));
        QApplication::sendEvent(edit, &press);
        QApplication::sendEvent(edit, &release);
        QCoreApplication::processEvents();
        const double key = seconds(t);
        worst = std::max(worst, key);
        total += key;
        const QString prefix = typed.left(i + 1).toUpper();
        t.start();
        int found = -1;
        for (int r = 0; r < surnames.size() && found < 0; ++r)
            if (surnames[r].toUpper().startsWith(prefix))
                found = r;
        rawWorst = std::max(rawWorst, seconds(t));
    }
    figure("incremental search, slowest key", worst, rawWorst, rows, customers,
           QStringLiteral("  mean %1 ms a key (target: 16 ms a key), found %2")
               .arg(total * 1000 / typed.size(), 0, 'f', 2)
               .arg(p.cust->cdsCustomer()->FieldByName(QStringLiteral("SURNAME"))->AsString()));

    // The card of a customer with two years of history, every page of it.
    const int target = (customers / 2) / 20 * 20;
    p.cust->cdsCustomer()->Locate(QStringLiteral("CUSTOMER_ID"), target);
    QCoreApplication::processEvents();
    // The first opening reads the customer's pages of the file; the figure is the second, which finds them read,
    // as its yardstick does.
    const auto openCard = [&] {
        QElapsedTimer clock;
        clock.start();
        form->actPnlClientInfoStatus->trigger();
        QCoreApplication::processEvents();
        for (int page = 1; page < 10; ++page) {
            form->actNextPageCopy->trigger();
            QCoreApplication::processEvents();
        }
        const double s = seconds(clock);
        form->actPnlClientInfoStatus->trigger();
        QCoreApplication::processEvents();
        return s;
    };
    const double firstCard = openCard();
    recorder = std::make_unique<StatementRecorder>(*dmr.dbConnection());
    const double card = openCard();
    const QList<RecordedStatement> cardStatements = recorder->statements();
    recorder.reset();
    t.start();
    qint64 cardRows = 0;
    for (const RecordedStatement &s : cardStatements)
        cardRows += WalkRaw(*dmr.dbConnection(), s).rowCount();
    figure("card, every page", card, seconds(t), cardRows, customers,
           QStringLiteral("  %1 statements; first opening %2 s").arg(cardStatements.size()).arg(firstCard, 0, 'f', 3));

    // Closing the list's window gives its memory back; what the bench itself read is let go first.
    surnames = QStringList();
    const QPointer<TfrmCustomer> closed(form);
    if (auto *frame = qobject_cast<QMdiSubWindow *>(form->parentWidget()))
        frame->close();
    else
        form->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    const double afterClose = residentMb() - before;
    note(QStringLiteral("customer list closed%4: %1 of the %2 it held kept (%3 after a trim)")
             .arg(memoryText(afterClose), memoryText(held))
             .arg(memoryText((malloc_trim(0), residentMb()) - before))
             .arg(closed ? QStringLiteral(" (its window NOT destroyed)") : QString()));
}

// A report from the menu: from the action to the first painted preview, its dialogs answered as they come.
void report(Program &p, TDMR &dmr, const char *action, const char *what, int customers)
{
    SelectionPeriodFrom = ReportMonth;
    SelectionPeriodTo = EndOfMonth(ReportMonth);
    QAction *act = p.main->findChild<QAction *>(QString::fromLatin1(action));
    if (!act || !act->isEnabled()) {
        note(QStringLiteral("no enabled action %1").arg(QLatin1String(action)));
        return;
    }
    ModalAnswers answers([](QWidget *w) {
        if (auto *dialog = qobject_cast<QDialog *>(w)) {
            if (w->inherits("TfrmSelectMonth") || w->inherits("TfrmPeriod") || w->inherits("TfrmSelectRootServ")) {
                dialog->accept();
                return true;
            }
        }
        return false;
    });
    QElapsedTimer clock;
    auto recorder = std::make_unique<StatementRecorder>(*dmr.dbConnection());
    PaintWatch watch(clock, [](QWidget *w) { return inside(w, "TfrPreviewForm"); });
    clock.start();
    act->trigger();
    const bool painted = waitFor([&] { return watch.painted(); }, 600000);
    const double ours = painted ? watch.at() : seconds(clock);
    const QList<RecordedStatement> statements = recorder->statements();
    recorder.reset();
    for (TfrPreviewForm *preview : p.main->findChildren<TfrPreviewForm *>())
        preview->close();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->inherits("TfrPreviewForm"))
            w->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();

    QElapsedTimer t;
    t.start();
    qint64 bytes = 0;
    const qint64 rows = WalkAndFormat(*dmr.dbConnection(), statements, &bytes);
    figure(what, ours, seconds(t), rows, customers, painted ? QString() : QStringLiteral("  NO PREVIEW"));
}

void monthClose(Program &p, TDMR &dmr, int customers)
{
    // The engine's close of the open month, then the same month again from the dialog.
    QElapsedTimer t;
    t.start();
    const bool engineClosed = p.calc->closeAccountingMonth(0, AccMonth);
    const double engine = seconds(t);
    p.dm->ReturnAccPeriod();
    p.dm->CommitWork();
    p.main->ReloadMainCfg();
    p.main->UpdateMenu();
    ModalAnswers answers([](QWidget *w) {
        if (auto *dialog = qobject_cast<TfrmDebtCalc *>(w)) {
            QTimer::singleShot(0, dialog, [dialog] { dialog->actStart->click(); });
            return true;
        }
        return false;
    });
    t.start();
    p.main->actNewAccPeriod->trigger();
    const double dialog = seconds(t);
    const QDate acc = p.dm->OpenMainCFG(true).accDate;
    figure(engineClosed && acc > AccMonth ? "monthly close from its dialog" : "monthly close FAILED", dialog, engine,
           2LL * customers, customers, QStringLiteral("  (baseline: the engine's close of the same month)"));
    Q_UNUSED(dmr);
}

void run(const char *engine, TDMR &dmr, int customers)
{
    std::printf("%s, %d customers\n", engine, customers);
    QElapsedTimer t;
    t.start();
    const qint64 payments = Generate(dmr, customers);
    dmr.RecalcAllCustomers(at(AccMonth), 0);
    note(QStringLiteral("operator generated and recalculated in %1 s (%2 payments)")
             .arg(seconds(t), 0, 'f', 1)
             .arg(payments));
    login(dmr, customers);
    {
        Program p(dmr);
        customerList(p, dmr, customers);
        report(p, dmr, "actReportMainState", "\"Текущее состояние\" of a month", customers);
        report(p, dmr, "actReportNewConnectCustALLPerMonth", "connected in a month, all", customers);
        report(p, dmr, "actReportNewConnectCustPayedPerMonth", "connected in a month, paid", customers);
        report(p, dmr, "actReportNewConnectCustNotPayedPerMonth", "connected in a month, free", customers);
        report(p, dmr, "actReportNextTimeConnectedCustPerMonth", "reconnected in a month", customers);
        report(p, dmr, "actReportDisactCustByMonth", "disconnected in a month", customers);
        monthClose(p, dmr, customers);
    }
    std::printf("  peak memory so far %ld MB\n", PeakMemoryMb());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    RegisterAccountsForms();
    QList<int> sizes;
    QString only;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLatin1(argv[i]);
        bool number = false;
        const int n = a.toInt(&number);
        if (number && n > 0)
            sizes << n;
        else
            only = a;
    }
    if (sizes.isEmpty())
        sizes = {10000, 100000};
    for (int customers : sizes)
        ForEachBenchDatabase(only, [customers](const char *engine, TDMR &dmr) { run(engine, dmr, customers); });
    std::printf("peak memory %ld MB\n", PeakMemoryMb());
    return 0;
}
