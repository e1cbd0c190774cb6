// Figures for building a list report (page header and footer with the page number, a group with SUM and COUNT
// in its footer, five formatted fields, a summary) from a client dataset, beside a bare loop that formats the
// same values with the same routines.
#include "FR_Class.h"
#include "FR_ClassPrepared.h"
#include "FR_DBSet.h"
#include "FR_Globals.h"

#include "ClientDataSet.h"
#include "ComponentRegistry.h"
#include "Formats.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

// Peak and current resident memory of the process, in kB.
long memoryKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toLong();
    return 0;
}

constexpr int AmountFormat = (1 << 24) | (2 << 16) | (2 << 8) | '.';
constexpr int DateFormat = (2 << 24) | (4 << 16);
const char *DatePattern = "dd.mm.yyyy";

TfrBandView *band(TfrPage *page, int type, int top, int height, const QString &name, const QString &source = {},
                  quint16 flags = 0)
{
    auto *b = new TfrBandView;
    b->SetBandType(type);
    b->Name = name;
    b->Top = top;
    b->Width = 700;
    b->Height = height;
    b->FormatText = source;
    b->Flags = flags;
    page->AddObject(b);
    return b;
}

TfrMemoView *memo(TfrPage *page, const QString &name, int left, int top, int width, const QString &text,
                  int format = 0, const QString &pattern = {})
{
    auto *m = new TfrMemoView;
    m->Name = name;
    m->Left = left;
    m->Top = top;
    m->Width = width;
    m->Height = 18;
    m->Flags = 0;
    m->Memo = QStringList{text};
    if (format) {
        m->FormatCode = format;
        m->FormatText = pattern;
    }
    page->AddObject(m);
    return m;
}

void buildTemplate(TfrReport &report)
{
    TfrPage *page = report.Pages().GetPage(report.Pages().Add());
    band(page, btPageHeader, 20, 20, QStringLiteral("PageHeader1"), {}, 0x10);
    memo(page, QStringLiteral("Head"), 40, 20, 300, QStringLiteral("Список абонентов, лист [PAGE#]"));
    band(page, btGroupHeader, 60, 20, QStringLiteral("GroupHeader1"), QStringLiteral("[REGION]"));
    memo(page, QStringLiteral("Region"), 40, 60, 300, QStringLiteral("Район [REGION]"));
    band(page, btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frRows"));
    memo(page, QStringLiteral("Id"), 20, 100, 60, QStringLiteral("[ID]"));
    memo(page, QStringLiteral("Name"), 80, 100, 220, QStringLiteral("[NAME]"));
    memo(page, QStringLiteral("Date"), 300, 100, 100, QStringLiteral("[PAYDATE]"), DateFormat, QString::fromLatin1(DatePattern));
    memo(page, QStringLiteral("Amount"), 400, 100, 120, QStringLiteral("[AMOUNT]"), AmountFormat);
    memo(page, QStringLiteral("Qty"), 520, 100, 60, QStringLiteral("[QTY]"));
    band(page, btGroupFooter, 140, 20, QStringLiteral("GroupFooter1"));
    memo(page, QStringLiteral("GroupTotal"), 300, 140, 300, QStringLiteral("Итого [SUM([AMOUNT])] за [COUNT(MasterData1)]"),
         AmountFormat);
    band(page, btReportSummary, 200, 20, QStringLiteral("Summary"));
    memo(page, QStringLiteral("Total"), 300, 200, 300, QStringLiteral("Всего [SUM([AMOUNT])]"), AmountFormat);
    band(page, btPageFooter, 1000, 20, QStringLiteral("PageFooter1"), {}, 0x30);
    memo(page, QStringLiteral("Foot"), 300, 1000, 100, QStringLiteral("- [PAGE#] -"));
}

void fill(TClientDataSet &rows, int n)
{
    std::vector<std::vector<QVariant>> data;
    data.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        data.push_back({i + 1, QStringLiteral("Район %1").arg(i / 200 + 1, 3, 10, QLatin1Char('0')),
                        QStringLiteral("Абонент %1").arg(i + 1), QDate(2024, 1, 1).addDays(i % 365),
                        (i % 1000) * 1.25, i % 7});
    rows.LoadData({TFieldDef(QStringLiteral("ID"), ftInteger), TFieldDef(QStringLiteral("REGION"), ftString, 20),
                   TFieldDef(QStringLiteral("NAME"), ftString, 40), TFieldDef(QStringLiteral("PAYDATE"), ftDate),
                   TFieldDef(QStringLiteral("AMOUNT"), ftFloat), TFieldDef(QStringLiteral("QTY"), ftInteger)},
                  std::move(data));
}

// The same values formatted by the same routine, record by record, with the same sums.
qint64 bareLoop(TfrReport &report, TClientDataSet &rows, double &sum)
{
    QElapsedTimer timer;
    timer.start();
    qint64 chars = 0;
    sum = 0;
    QString text;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        report.FormatValue(Variant::fromQVariant(rows.FieldByName(QStringLiteral("ID"))->AsVariant()), 0, text, {});
        chars += text.size();
        report.FormatValue(Variant::fromQVariant(rows.FieldByName(QStringLiteral("NAME"))->AsVariant()), 0, text, {});
        chars += text.size();
        report.FormatValue(Variant::fromQVariant(rows.FieldByName(QStringLiteral("PAYDATE"))->AsVariant()),
                           DateFormat, text, QString::fromLatin1(DatePattern));
        chars += text.size();
        const QVariant amount = rows.FieldByName(QStringLiteral("AMOUNT"))->AsVariant();
        report.FormatValue(Variant::fromQVariant(amount), AmountFormat, text, {});
        chars += text.size();
        report.FormatValue(Variant::fromQVariant(rows.FieldByName(QStringLiteral("QTY"))->AsVariant()), 0, text, {});
        chars += text.size();
        sum += amount.toDouble();
    }
    return timer.nsecsElapsed() + chars * 0;
}

void run(int n)
{
    frResetEngine();
    QObject module;
    module.setObjectName(QStringLiteral("BenchModule"));
    ComponentRegistry::instance().registerOwner(&module, QStringLiteral("BenchModule"));
    TClientDataSet rows;
    fill(rows, n);
    TfrDBDataSet source;
    source.SetDataSet(&rows);
    ComponentRegistry::instance().registerComponent(&module, &source, QStringLiteral("frRows"));
    TfrReport report(&module);
    report.ShowProgress = false;
    buildTemplate(report);
    const long before = memoryKb("VmRSS:");

    double sum = 0;
    const qint64 loopNs = bareLoop(report, rows, sum);

    QElapsedTimer timer;
    timer.start();
    const bool built = report.BuildReport();
    const qint64 buildNs = timer.nsecsElapsed();
    TfrEMFPages &pages = report.EMFPages();
    qint64 bytes = 0;
    int pageObjects = 0;
    for (int i = 0; i < pages.GetCount(); ++i) {
        bytes += pages.GetPage(i)->Stream.Size();
        pageObjects += pages.GetPage(i)->Page ? 1 : 0;
    }
    const long after = memoryKb("VmRSS:");
    const int count = pages.GetCount();
    std::printf("%7d rows: build %s, %5d pages\n", n, built ? "ok" : "FAILED", count);
    std::printf("  build            %9.1f ms  %9.0f pages/s\n", buildNs / 1e6, count / (buildNs / 1e9));
    std::printf("  bare format loop %9.1f ms  (build / loop = %.1fx)\n", loopNs / 1e6, double(buildNs) / loopNs);
    std::printf("  prepared         %9.0f bytes/page, %lld bytes in all; page objects kept: %d\n",
                count ? double(bytes) / count : 0.0, static_cast<long long>(bytes), pageObjects);
    std::printf("  memory           %9ld kB resident before the build, %ld kB after (+%ld kB), peak %ld kB\n",
                before, after, after - before, memoryKb("VmHWM:"));
    std::printf("  (checksum %.2f)\n", sum);
    ComponentRegistry::instance().unregister(&module);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    run(10000);
    run(100000);
    return 0;
}
