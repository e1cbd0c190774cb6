// Figures of the payment register import on an operator of N customers (default 100,000; the first argument),
// on SQLite and on PostgreSQL (when TARVIK_PG_HOST/TARVIK_PG_PORT name a server, as scripts/pg-peer sets them):
// an ERIP file and a bank's dBase table of one payment per customer are read, their accounts matched and the
// register stored, with the peak memory. The yardstick, measured in the same run: the same file read raw into
// plain structures, the accounts matched through a raw walk of the customers into a hash, and the document, its
// payments and their queue rows written in one transaction by the engine's fastest plain path. The first file of
// the process pays once for what every later one finds ready: it is run and shown apart.
#include "BenchDatabase.h"
#include "RawReads.h"
#include "BulkInsert.h"
#include "CodePage.h"
#include "Kyv_Dbf.h"
#include "dmuRDM.h"
#include "uRegisterImport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <shapefil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

const QDate AccMonth(2026, 1, 1);
const QDate Today(2026, 1, 20);

double seconds(QElapsedTimer &timer)
{
    const double s = double(timer.nsecsElapsed()) / 1e9;
    timer.restart();
    return s;
}

void generateCustomers(TDMR &dmr, int customers)
{
    TADOConnection &c = *dmr.dbConnection();
    c.Execute(QStringLiteral("delete from ZOLT.MAIN_CFG"));
    c.Execute(QStringLiteral("insert into ZOLT.MAIN_CFG (CFG_ID, COMPANY_ID, INIT_DATE, ACC_DATE, DEBTMODE) "
                             "values (1, 1, :P_INIT, :P_ACC, 0)"),
        { { QStringLiteral("P_INIT"), at(QDate(2025, 1, 1)) }, { QStringLiteral("P_ACC"), at(AccMonth) } });
    c.BeginTrans();
    for (int first = 1; first <= customers; first += 10000) {
        QList<QVariantList> rows;
        for (int id = first; id <= std::min(customers, first + 9999); ++id)
            rows.append({ id, QString::number(100000 + id), QStringLiteral("Абонент"), QStringLiteral("А.Б."), 1 });
        TBulkInsert::Insert(c, QStringLiteral("ZOLT.CUSTOMER"),
            { "CUSTOMER_ID", "ACCOUNT_NO", "SURNAME", "INITIALS", "CUST_STATE" }, rows);
    }
    c.CommitTrans();
    if (c.Provider() == TADOConnection::TProvider::PostgreSQL)
        c.Execute(QStringLiteral("analyze ZOLT.CUSTOMER"));
}

// One payment line per customer, every tenth account unknown to the operator.
QString account(int i)
{
    return i % 10 == 0 ? QString::number(900000000 + i) : QString::number(100000 + i);
}

double sumOf(int i)
{
    return 10 + i % 90 + (i % 4) * 0.25;
}

QString writeErip(const QString &dir, int customers)
{
    QString text = QStringLiteral("1^BANK^H2^15.01.2026^%1^^^^^777^20260115103000^^0^^^^^\r\n").arg(customers);
    for (int i = 1; i <= customers; ++i)
        text += QStringLiteral("%1^^%2^^^^%3^^^20260114120000^^^^^^^^^^\r\n")
                    .arg(i)
                    .arg(account(i))
                    .arg(QString::number(sumOf(i), 'f', 2).replace(QLatin1Char('.'), QLatin1Char(',')));
    const QString path = dir + QStringLiteral("/bench.210");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(QStringToCP1251(text));
    return path;
}

QString writeDbf(const QString &dir, int customers)
{
    const QString path = dir + QStringLiteral("/bench.dbf");
    DBFHandle h = DBFCreateEx(QFile::encodeName(path).constData(), "LDID/38");
    DBFAddNativeFieldType(h, "LICH", 'C', 13, 0);
    DBFAddNativeFieldType(h, "FIO", 'C', 50, 0);
    DBFAddNativeFieldType(h, "ADRES", 'C', 50, 0);
    DBFAddNativeFieldType(h, "SUMMA", 'N', 12, 2);
    DBFAddNativeFieldType(h, "DATEOPL", 'D', 8, 0);
    const QByteArray name = QStringToCP866(QStringLiteral("Абонент А.Б."));
    const QByteArray address = QStringToCP866(QStringLiteral("ул. Лесная, 14"));
    QByteArray date("20260114");
    for (int i = 1; i <= customers; ++i) {
        const int r = i - 1;
        DBFWriteStringAttribute(h, r, 0, account(i).toLatin1().constData());
        DBFWriteStringAttribute(h, r, 1, name.constData());
        DBFWriteStringAttribute(h, r, 2, address.constData());
        DBFWriteDoubleAttribute(h, r, 3, sumOf(i));
        DBFWriteAttributeDirectly(h, r, 4, date.data());
    }
    DBFClose(h);
    return path;
}

// Takes away what a run stored, so that every run writes into tables of the same size.
void removeStored(TDMR &dmr)
{
    TADOConnection &c = *dmr.dbConnection();
    c.Execute(QStringLiteral("delete from ZOLT.PAYMENT"));
    c.Execute(QStringLiteral("delete from ZOLT.PAY_DOC"));
    c.Execute(QStringLiteral("delete from ZOLT.INVALIDCUSTDEBT"));
}

// A payment line read raw.
struct RawPayment
{
    std::string account;
    double sum = 0;
    std::string date;
    int customer = -1;
    std::string name;
};

std::string strippedAccount(std::string_view account)
{
    size_t i = 0;
    while (i < account.size() && static_cast<unsigned char>(account[i]) < '1')
        ++i;
    return std::string(account.substr(i));
}

// The ERIP file's payment lines: account (field 3), sum (field 7, decimal comma) and date (field 10).
std::vector<RawPayment> rawErip(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    std::vector<RawPayment> out;
    const char *p = bytes.constData(), *end = p + bytes.size();
    bool header = true;
    while (p < end) {
        const char *eol = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!eol)
            eol = end;
        if (!header) {
            std::string_view fields[11];
            const char *q = p;
            for (int i = 0; i < 11 && q <= eol; ++i) {
                const char *caret = static_cast<const char *>(std::memchr(q, '^', size_t(eol - q)));
                const char *stop = caret ? caret : eol;
                fields[i] = std::string_view(q, size_t(stop - q));
                q = stop + 1;
            }
            RawPayment r;
            r.account = strippedAccount(fields[2]);
            std::string sum(fields[6]);
            for (char &ch : sum)
                if (ch == ',')
                    ch = '.';
            r.sum = std::strtod(sum.c_str(), nullptr);
            r.date = std::string(fields[9].substr(0, 8));
            out.push_back(std::move(r));
        }
        header = false;
        p = eol + 1;
    }
    return out;
}

std::vector<RawPayment> rawDbf(const QString &path)
{
    std::vector<RawPayment> out;
    DBFHandle h = DBFOpen(QFile::encodeName(path).constData(), "rb");
    const int account = DBFGetFieldIndex(h, "LICH"), sum = DBFGetFieldIndex(h, "SUMMA");
    const int date = DBFGetFieldIndex(h, "DATEOPL");
    const int records = DBFGetRecordCount(h);
    out.reserve(size_t(records));
    for (int r = 0; r < records; ++r) {
        if (DBFIsRecordDeleted(h, r))
            continue;
        RawPayment p;
        p.account = strippedAccount(DBFReadStringAttribute(h, r, account));
        p.sum = std::strtod(DBFReadStringAttribute(h, r, sum), nullptr);
        p.date = DBFReadStringAttribute(h, r, date);
        out.push_back(std::move(p));
    }
    DBFClose(h);
    return out;
}

// Every customer's account read raw into a hash, each payment looked up in it.
void rawMatch(TDMR &dmr, std::vector<RawPayment> &payments)
{
    std::unordered_map<std::string, std::pair<int, std::string>> accounts;
    RawWalk(*dmr.dbConnection(),
        QStringLiteral("select C.ACCOUNT_NO, C.CUSTOMER_ID, COALESCE(C.SURNAME, '') || ' ' || COALESCE(C.INITIALS, '') "
                       "from ZOLT.CUSTOMER C"),
        {}, [&](const RawRow &row) {
            auto &entry = accounts[std::string(row.text(0))];
            const int id = int(row.number(1));
            if (id >= entry.first)
                entry = { id, std::string(row.text(2)) };
        });
    for (RawPayment &p : payments) {
        const auto it = accounts.find(p.account);
        if (it != accounts.end()) {
            p.customer = it->second.first;
            p.name = it->second.second;
        }
    }
}

// The yardstick's writes: the same document, payments and queue rows (the known customers' lines), made in memory
// beforehand and written in one transaction by the engine's fastest plain path.
double batchedInserts(TDMR &dmr, const TPaymentRegister &reg)
{
    TADOConnection &c = *dmr.dbConnection();
    QList<QVariantList> payments, queue;
    int id = 1;
    for (const TRegisterPayment &p : reg.payments)
        if (p.CustomerId != -1) {
            payments.append({ 1, p.CustomerId, id++, -1, RegisterDate(p.PayDateStr), p.PaySum, QVariant() });
            queue.append({ p.CustomerId, at(AccMonth) });
        }
    QElapsedTimer timer;
    timer.start();
    c.BeginTrans();
    TBulkInsert::Insert(c, QStringLiteral("ZOLT.PAY_DOC"),
        { "PAY_DOC_ID", "PAYSOURCE_ID", "PAY_DOC_NO", "PAY_DOC_DATE", "PAY_DOC_SUM", "NOTICE" },
        { { 1, 0, reg.docs[0].PayDocNo, RegisterDate(reg.docs[0].PayDocDateStr), reg.docs[0].PayDocSum,
            QStringLiteral("bench") } });
    TBulkInsert::Insert(c, QStringLiteral("ZOLT.PAYMENT"),
        { "PAY_DOC_ID", "CUSTOMER_ID", "PAYMENT_ID", "SERV_ID", "PAY_DATE", "PAY_SUM", "NOTICE" }, payments);
    TBulkInsert::Insert(c, QStringLiteral("ZOLT.INVALIDCUSTDEBT"), { "CUSTOMER_ID", "DATE_FROM" }, queue);
    c.CommitTrans();
    return seconds(timer);
}

void runOne(const char *what, TDMR &dmr, const std::function<void(TPaymentRegister &)> &read,
    const std::function<std::vector<RawPayment>()> &readRaw)
{
    removeStored(dmr);
    QElapsedTimer timer;
    timer.start();
    TPaymentRegister reg;
    read(reg);
    const double readS = seconds(timer);
    ResolveRegisterAccounts(dmr, reg);
    const double resolveS = seconds(timer);
    const TRegisterStoreResult result = StoreRegister(dmr, reg, false, Today, AccMonth);
    const double storeS = seconds(timer);
    const double total = readS + resolveS + storeS;
    if (!result.checked || !result.problems.isEmpty())
        std::printf("  %s: STORE FAILED: %s\n", what, qPrintable(result.problems.join(QLatin1Char(' '))));
    removeStored(dmr);
    timer.restart();
    std::vector<RawPayment> raw = readRaw();
    const double rawReadS = seconds(timer);
    rawMatch(dmr, raw);
    const double rawMatchS = seconds(timer);
    const long known = long(std::count_if(raw.begin(), raw.end(), [](const RawPayment &p) { return p.customer != -1; }));
    const double writeS = batchedInserts(dmr, reg);
    removeStored(dmr);
    const double baseline = rawReadS + rawMatchS + writeS;
    std::printf("  %-22s %7lld lines  read %5.2f s  resolve %5.2f s  store %5.2f s  total %5.2f s | raw read %5.2f s"
                "  match %5.2f s  write %5.2f s  total %5.2f s | ratio %5.2f | stored %d (raw %ld), unknown %d | "
                "peak %ld MB\n",
        what, static_cast<long long>(reg.payments.size()), readS, resolveS, storeS, total, rawReadS, rawMatchS, writeS,
        baseline, baseline > 0 ? total / baseline : 0.0, result.storedPayments, known, result.skippedPayments, PeakMemoryMb());
    std::fflush(stdout);
}

void run(const char *engine, TDMR &dmr, int customers, const QString &erip, const QString &dbf)
{
    std::printf("%s, %d customers, one payment line each\n", engine, customers);
    QElapsedTimer timer;
    timer.start();
    generateCustomers(dmr, customers);
    std::printf("  generating the customers %.2f s\n", seconds(timer));
    const auto readErip = [&](TPaymentRegister &reg) {
        QFile f(erip);
        f.open(QIODevice::ReadOnly);
        ReadEripRegister(RegisterLines(f.readAll()), QStringLiteral("bench.210"), 1, reg);
    };
    static bool first = true;
    if (first) {
        runOne("ERIP, first of process", dmr, readErip, [&] { return rawErip(erip); });
        first = false;
    }
    runOne("ERIP", dmr, readErip, [&] { return rawErip(erip); });
    runOne("DBF", dmr, [&](TPaymentRegister &reg) { ReadDbfRegister(64, TKyv_Dbf(dbf), Today, reg); },
        [&] { return rawDbf(dbf); });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int customers = argc > 1 ? std::atoi(argv[1]) : 100000;
    const QString only = argc > 2 ? QString::fromLatin1(argv[2]) : QString();
    QTemporaryDir dir;
    const QString erip = writeErip(dir.path(), customers);
    const QString dbf = writeDbf(dir.path(), customers);
    std::printf("register files written, peak memory %ld MB\n", PeakMemoryMb());
    ForEachBenchDatabase(only, [&](const char *engine, TDMR &dmr) { run(engine, dmr, customers, erip, dbf); });
    std::printf("peak memory %ld MB\n", PeakMemoryMb());
    return 0;
}
