// Figures of the subscribers' cabinet server over an operator of N customers (default 100,000; the first
// argument), on SQLite and on PostgreSQL (when TARVIK_PG_HOST/TARVIK_PG_PORT name a server, as scripts/pg-peer
// sets them; the second argument "sqlite" or "pg" keeps one engine): requests per second for sign-in and for
// account information over kept-alive loopback connections, with one client and with eight, beside the same
// server answering "/" in the same run. The third argument is the seconds each figure is measured (default 3).
//
// Every wait is bounded: a server that does not start listening, or clients that do not finish soon after
// their time is up, end the run with a message saying so.
#include "BenchDatabase.h"
#include "BulkInsert.h"
#include "CodePage.h"
#include "dmuRDM.h"
#include "dmuWebServer.h"
#include "uCabinetText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Slice = 5000;
// Connections are warmed up (each server thread opens its database connection on first need) before counting.
constexpr auto WarmUp = std::chrono::milliseconds(300);
// How long after its time is up a client may still take to finish its last request.
constexpr auto FinishGrace = std::chrono::seconds(30);

const char *const SignInPath = "/rest/cabinet/api/v1/signin";
const char *const AccountInfoPath = "/rest/cabinet/api/v1/account-info";

[[noreturn]] void fail(const std::string &why)
{
    std::printf("FAILED: %s\n", why.c_str());
    std::fflush(stdout);
    // Threads that hang cannot be joined; the run ends without waiting for them.
    std::_Exit(2);
}

std::string accountOf(int customer)
{
    return std::to_string(customer);
}

std::string passwordOf(int customer)
{
    return "pw" + std::to_string(customer);
}

// Three services; every customer subscribes to two of them (one on, one off) and has one document, a web
// password and a balance.
void generate(TDMR &dmr, int customers)
{
    TADOConnection &c = *dmr.dbConnection();
    for (int serv : {901, 902, 903})
        c.Execute(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERV_PACKAGE_ID) values (:P_ID, :P_D, -1)"),
                  ParamsOf({{QStringLiteral("P_ID"), serv}, {QStringLiteral("P_D"), QStringLiteral("Услуга %1").arg(serv)}}));
    for (int first = 1; first <= customers; first += Slice) {
        QList<QVariantList> cust, subscr, docs;
        const int last = std::min(customers, first + Slice - 1);
        for (int id = first; id <= last; ++id) {
            cust.append({id, QString::fromStdString(accountOf(id)), QStringLiteral("Абонент"), QStringLiteral("А.Б."),
                         double(id % 400) / 2 - 100,
                         WebPasswordDigest(QString::fromStdString(passwordOf(id)))});
            subscr.append({2 * id, id, 901 + id % 3, 1});
            subscr.append({2 * id + 1, id, 901 + (id + 1) % 3, 0});
            docs.append({id, id, QStringLiteral("http://docs.local/%1").arg(id), QStringLiteral("Договор"),
                         at(QDate(2020, 1, 1).addDays(id % 1500))});
        }
        c.BeginTrans();
        TBulkInsert::Insert(c, QStringLiteral("ZOLT.CUSTOMER"),
                            {"CUSTOMER_ID", "ACCOUNT_NO", "SURNAME", "INITIALS", "DEBT_SUM", "PASSW"}, cust);
        TBulkInsert::Insert(c, QStringLiteral("ZOLT.SUBSCR_SERV"),
                            {"SUBSCR_SERV_ID", "CUSTOMER_ID", "SERV_ID", "STATE_SGN"}, subscr);
        TBulkInsert::Insert(c, QStringLiteral("ZOLT.CUST_DOC"),
                            {"CUST_DOC_ID", "CUSTOMER_ID", "DOC_URL", "DOC_NAME", "DOC_DATE"}, docs);
        c.CommitTrans();
    }
    if (c.Provider() == TADOConnection::TProvider::PostgreSQL)
        for (const char *table : {"CUSTOMER", "SUBSCR_SERV", "CUST_DOC", "SERV"})
            c.Execute(QStringLiteral("analyze ZOLT.") + QLatin1String(table));
}

// One request of a kind; answers why it went wrong, empty when it did not.
using Request = std::function<std::string(httplib::Client &, std::mt19937 &)>;

std::string checked(const httplib::Result &r, const std::function<bool(const std::string &)> &bodyOk)
{
    if (!r)
        return "no reply (" + httplib::to_string(r.error()) + ")";
    if (r->status != 200)
        return "status " + std::to_string(r->status);
    if (!bodyOk(r->body))
        return "unexpected body: " + r->body.substr(0, 200);
    return {};
}

struct Figure
{
    double perSecond = 0;
    long long failures = 0;
    std::string firstFailure;
};

// `clients` threads, each with one kept-alive connection, send requests of one kind for `seconds` after the
// warm-up; the figure counts the good replies that came within that time.
Figure measure(int port, int clients, double seconds, const char *what, const Request &request)
{
    std::mutex mutex;
    std::condition_variable finishedChanged;
    int finished = 0;
    long long good = 0;
    Figure figure;

    const Clock::time_point countFrom = Clock::now() + WarmUp;
    const Clock::time_point end = countFrom + std::chrono::duration_cast<Clock::duration>(
                                                  std::chrono::duration<double>(seconds));
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
        threads.emplace_back([&, i] {
            long long mine = 0, bad = 0;
            std::string firstBad;
            {
                httplib::Client client("127.0.0.1", port);
                client.set_keep_alive(true);
                client.set_tcp_nodelay(true);
                client.set_connection_timeout(5);
                client.set_read_timeout(10);
                client.set_write_timeout(10);
                std::mt19937 rng(unsigned(i + 1));
                for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
                    const std::string why = request(client, rng);
                    const Clock::time_point done = Clock::now();
                    if (done < countFrom || done >= end)
                        continue;
                    if (why.empty()) {
                        ++mine;
                    } else {
                        ++bad;
                        if (firstBad.empty())
                            firstBad = why;
                    }
                }
            }
            std::lock_guard lock(mutex);
            good += mine;
            figure.failures += bad;
            if (figure.firstFailure.empty())
                figure.firstFailure = firstBad;
            ++finished;
            finishedChanged.notify_all();
        });

    std::unique_lock lock(mutex);
    if (!finishedChanged.wait_until(lock, end + FinishGrace, [&] { return finished == clients; }))
        fail(std::string(what) + ": " + std::to_string(clients - finished) + " of " + std::to_string(clients)
             + " clients still busy " + std::to_string(FinishGrace.count()) + " s after their time was up");
    lock.unlock();
    for (std::thread &t : threads)
        t.join();
    figure.perSecond = double(good) / seconds;
    return figure;
}

int freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        fail("no free loopback port");
    return probe.serverPort();
}

void run(const char *engine, TDMR &dmr, int customers, double seconds)
{
    QElapsedTimer timer;
    timer.start();
    generate(dmr, customers);
    std::printf("%s, %d customers (generated in %.1f s), %.1f s per figure\n", engine, customers,
                timer.elapsed() / 1000.0, seconds);
    std::fflush(stdout);

    TdmWeb::Server server(*dmr.dbConnection());
    const int port = freePort();
    if (!server.start(QString(), port))
        fail("the cabinet server did not start listening on port " + std::to_string(port));

    const std::string rootBody = QStringToCP1251(QStringLiteral("HTTP сервер v 1.0")).toStdString();
    const Request root = [&](httplib::Client &c, std::mt19937 &) {
        return checked(c.Get("/"), [&](const std::string &body) { return body == rootBody; });
    };
    const Request signIn = [&](httplib::Client &c, std::mt19937 &rng) {
        const int customer = int(rng() % unsigned(customers)) + 1;
        const std::string account = accountOf(customer);
        const std::string form = "username=" + account + "&password=" + passwordOf(customer) + "&rememberMe=true";
        return checked(c.Post(SignInPath, form, "application/x-www-form-urlencoded"), [&](const std::string &body) {
            return body.find("\"accNo\": \"" + account + "\"") != std::string::npos
                   && body.find("mock_auth_07") == std::string::npos;
        });
    };
    std::vector<std::string> tokens;
    const Request accountInfo = [&](httplib::Client &c, std::mt19937 &rng) {
        const std::string &token = tokens[rng() % tokens.size()];
        return checked(c.Get(std::string(AccountInfoPath) + "?cabinetApiKey=" + token), [](const std::string &body) {
            return body.rfind("{\"accountNo\": ", 0) == 0 && body.find("\"documents\": [{") != std::string::npos;
        });
    };

    std::printf("  %7s  %12s  %12s %8s  %12s %8s\n", "clients", "\"/\" req/s", "sign-in", "x \"/\"", "account-info",
                "x \"/\"");
    double ratioAtEight = 0;
    for (int clients : {1, 8}) {
        const Figure base = measure(port, clients, seconds, "\"/\"", root);
        const Figure in = measure(port, clients, seconds, "sign-in", signIn);
        if (tokens.empty()) {
            QSqlQuery q = dmr.dbConnection()->OpenQuery(QStringLiteral("select TOKEN_ID from ZOLT.CUSTOMER_TOKEN"));
            while (q.next())
                tokens.push_back(q.value(0).toString().toStdString());
            if (tokens.empty())
                fail("no sign-in gave a token");
        }
        const Figure info = measure(port, clients, seconds, "account-info", accountInfo);
        const auto times = [&](const Figure &f) { return f.perSecond > 0 ? base.perSecond / f.perSecond : 0.0; };
        std::printf("  %7d  %12.0f  %12.0f %8.1f  %12.0f %8.1f\n", clients, base.perSecond, in.perSecond, times(in),
                    info.perSecond, times(info));
        const std::pair<const char *, const Figure *> kinds[] = {{"\"/\"", &base}, {"sign-in", &in},
                                                                  {"account-info", &info}};
        for (const auto &[name, f] : kinds)
            if (f->failures > 0)
                std::printf("    %s: %lld failed requests, the first: %s\n", name, f->failures, f->firstFailure.c_str());
        std::fflush(stdout);
        if (clients == 8)
            ratioAtEight = times(info);
    }
    std::printf("  account-info with 8 clients: %.1f times \"/\" per request (target: within 4) %s\n", ratioAtEight,
                ratioAtEight > 0 && ratioAtEight <= 4 ? "met" : "NOT MET");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int customers = argc > 1 ? std::atoi(argv[1]) : 100000;
    const QString only = argc > 2 ? QString::fromLatin1(argv[2]) : QString();
    const double seconds = argc > 3 ? std::atof(argv[3]) : 3.0;
    if (customers < 1 || seconds <= 0)
        fail("usage: bench_cabinet [customers] [sqlite|pg] [seconds]");

    ForEachBenchDatabase(only, [&](const char *engine, TDMR &dmr) { run(engine, dmr, customers, seconds); });
    return 0;
}
