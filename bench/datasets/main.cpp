// Figures of the dataset layer on 1,000,000 rows of 10 fields, each beside its baseline from the same run:
// opening a client dataset through its provider against a bare QSqlQuery walk, building and switching to an
// index against std::stable_sort of the same keys with the same collator, Locate on the indexed field, the
// bytes a row costs beyond its values, and the peak memory.
#include "ClientDataSet.h"
#include "DataSetProvider.h"
#include "Formats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

const char *connectionName = "bench";

// A server dataset reading every row of its query, as the database layer's datasets do.
class QueryDataSet : public TDataSet
{
protected:
    void InternalOpen() override
    {
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(connectionName)));
        q.setForwardOnly(true);
        if (!q.exec(m_commandText))
            throw EDatabaseError(q.lastError().text());
        const QSqlRecord rec = q.record();
        const int n = rec.count();
        FieldDefs().Clear();
        for (int i = 0; i < n; ++i) {
            const QString name = rec.fieldName(i);
            const TFieldType t = name.startsWith(QLatin1String("S")) ? ftString
                : name.startsWith(QLatin1String("F")) ? ftFloat : ftInteger;
            FieldDefs().Add(name, t, t == ftString ? 40 : 0);
        }
        while (q.next()) {
            std::vector<QVariant> row(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                row[size_t(i)] = q.value(i);
            AppendFetchedRow(std::move(row));
        }
    }
};

// Heap in use, large blocks (which malloc maps on their own) included.
size_t heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

long peakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

void line(const char *what, double ours, double base, const char *unit)
{
    std::printf("%-44s %12.2f %s   baseline %12.2f %s   ratio %.2f\n", what, ours, unit, base, unit,
                base > 0 ? ours / base : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QString::fromLatin1(connectionName));
        db.setDatabaseName(dir.filePath(QStringLiteral("bench.db")));
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("create table T (ID integer, S1 varchar(40), S2 varchar(40), S3 varchar(40), "
                              "S4 varchar(40), F1 real, F2 real, F3 real, N1 integer, N2 integer)"));
        db.transaction();
        q.prepare(QStringLiteral("insert into T values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        std::mt19937 rnd(7);
        const QString letters = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщэюяABCXYZ");
        for (int i = 0; i < rows; ++i) {
            QString name;
            for (int k = 0; k < 8; ++k)
                name += letters[int(rnd() % letters.size())];
            q.addBindValue(i);
            q.addBindValue(name);
            q.addBindValue(QStringLiteral("ул. Ленина %1").arg(i % 500));
            q.addBindValue(QStringLiteral("дом %1").arg(i % 97));
            q.addBindValue(QString());
            q.addBindValue(i * 0.25);
            q.addBindValue(double(rnd() % 100000) / 100);
            q.addBindValue(-1.5);
            q.addBindValue(int(rnd() % 1000));
            q.addBindValue(i % 7);
            q.exec();
        }
        db.commit();
    }
    const QString sql = QStringLiteral("select * from T");
    QElapsedTimer timer;

    // Baseline: a bare walk over the same rows, the best of three.
    double walkMs = 0;
    for (int run = 0; run < 3; ++run) {
        timer.start();
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(connectionName)));
        q.setForwardOnly(true);
        q.exec(sql);
        qint64 sink = 0;
        while (q.next())
            for (int i = 0; i < 10; ++i)
                sink += q.value(i).isValid();
        if (sink == 42)
            std::puts("");
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        walkMs = run == 0 ? ms : std::min(walkMs, ms);
    }

    // The same values in one flat array, for the per-row cost: what the values alone take.
    size_t before = heapInUse();
    size_t plainBytes = 0;
    {
        std::vector<QVariant> flat;
        flat.reserve(size_t(rows) * 10);
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(connectionName)));
        q.setForwardOnly(true);
        q.exec(sql);
        while (q.next())
            for (int i = 0; i < 10; ++i)
                flat.push_back(q.value(i));
        plainBytes = heapInUse() - before;
    }

    QueryDataSet server;
    server.PSSetCommandText(sql);
    TDataSetProvider provider;
    provider.SetDataSet(&server);
    TClientDataSet cds;
    cds.SetProvider(&provider);
    // The first open also pays for the process taking its memory from the system (page faults), which the
    // walk never does; the repeated opens show the layer's own cost. Both are printed.
    double openMs = 0, firstOpenMs = 0;
    size_t cdsBytes = 0;
    for (int run = 0; run < 3; ++run) {
        if (run > 0)
            cds.Close();
        before = heapInUse();
        timer.start();
        cds.Open();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (run == 0) {
            cdsBytes = heapInUse() - before; // later opens reuse the containers' capacity
            firstOpenMs = openMs = ms;
        }
        openMs = std::min(openMs, ms);
    }
    line("open client dataset through provider", openMs, walkMs, "ms");
    line("  the first open (fresh memory)", firstOpenMs, walkMs, "ms");

    // Index on a text field, ignoring case, with the Russian collator.
    const int column = cds.FieldByName(QStringLiteral("S1"))->FieldNo() - 1;
    std::vector<QString> keys;
    keys.reserve(size_t(rows));
    for (int id = 0; id < rows; ++id) // rows arrive in id order
        keys.push_back(cds.RowData(id).values[size_t(column)].toString());
    timer.start();
    std::stable_sort(keys.begin(), keys.end(),
                     [](const QString &a, const QString &b) { return CompareTextIgnoreCase(a, b) < 0; });
    const double sortMs = double(timer.nsecsElapsed()) / 1e6;
    timer.start();
    cds.AddIndex(QStringLiteral("iS1"), QStringLiteral("S1"), ixCaseInsensitive);
    cds.SetIndexName(QStringLiteral("iS1"));
    const double indexMs = double(timer.nsecsElapsed()) / 1e6;
    for (int pos = 0; pos < rows; pos += rows / 1000 + 1) { // the dataset's order is the sort's
        cds.SetRecNo(pos + 1);
        if (cds.FieldByName(QStringLiteral("S1"))->AsString() != keys[size_t(pos)]) {
            std::printf("index order differs from the sort at row %d\n", pos + 1);
            return 1;
        }
    }
    line("build and switch to an index (text, no case)", indexMs, sortMs, "ms");

    // Locate on the indexed field.
    std::mt19937 rnd(11);
    const int probes = 2000;
    int found = 0;
    timer.start();
    for (int i = 0; i < probes; ++i)
        found += cds.Locate(QStringLiteral("S1"), keys[size_t(rnd() % keys.size())]);
    const double locateUs = double(timer.nsecsElapsed()) / 1e3 / probes;
    std::printf("%-44s %12.2f us   (limit 1000 us; %d of %d found)\n", "Locate on the indexed field", locateUs,
                found, probes);
    timer.start();
    cds.SetIndexName(QString());
    for (int i = 0; i < 20; ++i)
        cds.Locate(QStringLiteral("S1"), keys[size_t(rnd() % keys.size())]);
    std::printf("%-44s %12.2f us   (for comparison)\n", "Locate without the index",
                double(timer.nsecsElapsed()) / 1e3 / 20);

    const double perRow = (double(cdsBytes) - double(plainBytes)) / rows;
    std::printf("%-44s %12.1f B    (limit 200 B; plain values %.1f B a row)\n", "row cost beyond its values",
                perRow, double(plainBytes) / rows);
    std::printf("%-44s %12.1f MB\n", "peak memory", double(peakKb()) / 1024);
    return 0;
}
