// Figures of the subscribers' cabinet server over an operator of N customers (default 100,000; the first
// argument), on SQLite and on PostgreSQL (when TARVIK_PG_HOST/TARVIK_PG_PORT name a server, as scripts/pg-peer
// sets them; the second argument "sqlite" or "pg" keeps one engine): requests per second for sign-in and for
// account information over kept-alive loopback connections, with one client and with eight, beside the same
// server answering "/" in the same run. Account information also stands beside its yardstick: a minimal handler
// on the same server library running the same statement, prepared once, straight through sqlite3 or libpq on
// one connection per worker, and writing the same reply; the same handler on cpp-httplib's own server is shown
// for reference. The third argument is the seconds each figure is measured (default 3).
//
// Every wait is bounded: a server that does not start listening, or clients that do not finish soon after
// their time is up, end the run with a message saying so.
#include "BenchDatabase.h"
#include "BulkInsert.h"
#include "CodePage.h"
#include "dmuRDM.h"
#include "dmuWebServer.h"
#include "uCabinetText.h"
#include "uHttpServer.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <QElapsedTimer>
#include <QTcpServer>

#include <httplib.h>

#include <charconv>
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

// ---- The yardstick: account information with nothing around the statement

// The cabinet's own statement, with its two markers in the engine's own form.
std::string accountInfoStatement(const char *token, const char *now)
{
    return AccountInfoStatement()
        .replace(QLatin1String(":P_TOKEN"), QLatin1String(token))
        .replace(QLatin1String(":P_NOW"), QLatin1String(now))
        .toStdString();
}

// A row of the statement: the cell's text as the library hands it over, or null.
using Cell = std::function<const char *(int column)>;

void appendJsonText(std::string &out, const char *text)
{
    out += '"';
    for (const char *c = text ? text : ""; *c; ++c) {
        const unsigned char b = static_cast<unsigned char>(*c);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += char(b);
        } else if (b < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
            out += escaped;
        } else {
            out += char(b);
        }
    }
    out += '"';
}

void appendNumber(std::string &out, const char *text)
{
    char buffer[32];
    const double value = text ? std::strtod(text, nullptr) : 0.0;
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, ec == std::errc() ? end : buffer);
}

// The reply built from the rows as they come (kind, id, text1, text2, text3, amount), in the cabinet's form.
class ReplyWriter
{
public:
    void row(const Cell &cell)
    {
        const int kind = std::atoi(cell(0));
        if (kind == 0) {
            m_head = "{\"accountNo\": ";
            appendJsonText(m_head, cell(2));
            m_head += ",\"clientName\": ";
            appendJsonText(m_head, cell(3));
            m_head += ",\"balance\": ";
            appendNumber(m_head, cell(5));
            return;
        }
        std::string &list = kind == 1 ? m_services : m_documents;
        if (!list.empty())
            list += ',';
        if (kind == 1) {
            list += "{\"subscrServiceId\": ";
            appendNumber(list, cell(1));
            list += ",\"serviceName\": ";
            appendJsonText(list, cell(2));
            list += ",\"state\": ";
            list += cell(3);
            list += '}';
        } else {
            list += "{\"docId\": ";
            appendNumber(list, cell(1));
            list += ",\"docName\": ";
            appendJsonText(list, cell(2));
            list += ",\"docUrl\": ";
            appendJsonText(list, cell(3));
            list += ",\"docDate\": ";
            appendJsonText(list, cell(4));
            list += '}';
        }
    }
    // The reply in the cabinet's code page; empty when no account came.
    QByteArray body() const
    {
        if (m_head.empty())
            return {};
        const std::string utf8 = m_head + ",\"services\": [" + m_services + "],\"documents\": [" + m_documents + "]}";
        return QStringToCP1251(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    }

private:
    std::string m_head, m_services, m_documents;
};

// One worker's connection, opened on its first request in the worker's own thread, with the statement prepared
// on it once.
class RawWorker
{
public:
    explicit RawWorker(const TADOConnection &main)
        : m_connection(main.CloneForThread())
    {
        const QVariant handle = m_connection->DriverHandle();
        if (m_connection->Provider() == TADOConnection::TProvider::SQLite) {
            m_sqlite = *static_cast<sqlite3 *const *>(handle.data());
            // The cabinet's own workers map the file the same way.
            sqlite3_exec(m_sqlite, "PRAGMA ZOLT.mmap_size=1073741824", nullptr, nullptr, nullptr);
            const std::string text = accountInfoStatement("?1", "?2");
            if (sqlite3_prepare_v3(m_sqlite, text.c_str(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &m_statement,
                                   nullptr)
                != SQLITE_OK)
                fail(std::string("sqlite3 cannot prepare account information: ") + sqlite3_errmsg(m_sqlite));
        } else {
            m_pg = *static_cast<PGconn *const *>(handle.data());
            const std::string text = accountInfoStatement("$1", "cast($2 as timestamp)");
            PGresult *prepared = PQprepare(m_pg, "account_info", text.c_str(), 2, nullptr);
            const bool ok = PQresultStatus(prepared) == PGRES_COMMAND_OK;
            PQclear(prepared);
            if (!ok)
                fail(std::string("libpq cannot prepare account information: ") + PQerrorMessage(m_pg));
        }
    }
    ~RawWorker()
    {
        if (m_statement)
            sqlite3_finalize(m_statement);
    }
    RawWorker(const RawWorker &) = delete;
    RawWorker &operator=(const RawWorker &) = delete;

    QByteArray accountInfo(const std::string &token, const std::string &now)
    {
        ReplyWriter reply;
        if (m_statement) {
            sqlite3_bind_text(m_statement, 1, token.data(), int(token.size()), SQLITE_STATIC);
            sqlite3_bind_text(m_statement, 2, now.data(), int(now.size()), SQLITE_STATIC);
            const Cell cell = [this](int c) { return reinterpret_cast<const char *>(sqlite3_column_text(m_statement, c)); };
            while (sqlite3_step(m_statement) == SQLITE_ROW)
                reply.row(cell);
            sqlite3_reset(m_statement);
        } else {
            const char *values[] = {token.c_str(), now.c_str()};
            PGresult *rows = PQexecPrepared(m_pg, "account_info", 2, values, nullptr, nullptr, 0);
            int r = 0;
            const Cell cell = [&](int c) { return PQgetisnull(rows, r, c) ? nullptr : PQgetvalue(rows, r, c); };
            for (const int n = PQntuples(rows); r < n; ++r)
                reply.row(cell);
            PQclear(rows);
        }
        return reply.body();
    }

private:
    std::unique_ptr<TADOConnection> m_connection;
    sqlite3 *m_sqlite = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    PGconn *m_pg = nullptr;
};

// The minimal handler: the token taken from the query string, the statement run, the reply written.
QByteArray minimalAccountInfo(const TADOConnection &main, const std::string &target)
{
    thread_local std::unique_ptr<RawWorker> worker;
    if (!worker)
        worker = std::make_unique<RawWorker>(main);
    static const std::string key = "cabinetApiKey=";
    const size_t at = target.find(key);
    const std::string token = at == std::string::npos ? std::string()
                                                        : target.substr(at + key.size(), target.find('&', at) - at - key.size());
    const std::string now
        = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
    return worker->accountInfo(token, now);
}

const THttpHeaders MinimalReplyHeaders = {{"Content-Encoding", "windows-1251"}, {"Content-Language", "ru"},
                                          {"Content-Type", "application/json; charset=windows-1251"},
                                          {"Cache-Control", "no-cache"}, {"Access-Control-Allow-Origin", "*"}};

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

    // The yardstick's servers, with as many workers as the cabinet's.
    TADOConnection &main = *dmr.dbConnection();
    const int workers = qMax(16, QThread::idealThreadCount());
    THttpServer minimal(
        [&main](const THttpRequest &request, THttpReply &reply) {
            reply.body = minimalAccountInfo(main, request.target.toStdString());
            reply.headers = MinimalReplyHeaders;
        },
        workers);
    const int minimalPort = freePort();
    if (!minimal.listen(QString(), minimalPort))
        fail("the minimal server did not start listening on port " + std::to_string(minimalPort));
    httplib::Server library;
    library.set_tcp_nodelay(true);
    library.new_task_queue = [workers] { return new httplib::ThreadPool(size_t(workers)); };
    library.Get(AccountInfoPath, [&main](const httplib::Request &request, httplib::Response &reply) {
        const QByteArray body = minimalAccountInfo(main, request.target);
        for (const auto &[name, value] : MinimalReplyHeaders)
            if (name != "Content-Type")
                reply.set_header(name.toStdString(), value.toStdString());
        reply.set_content(body.toStdString(), "application/json; charset=windows-1251");
    });
    const int libraryPort = library.bind_to_any_port("127.0.0.1");
    if (libraryPort < 0)
        fail("cpp-httplib's server did not bind a port");
    std::thread libraryThread([&library] { library.listen_after_bind(); });
    for (const Clock::time_point until = Clock::now() + std::chrono::seconds(10); !library.is_running();) {
        if (Clock::now() > until)
            fail("cpp-httplib's server did not start listening");
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    std::printf("  %7s  %12s  %12s %8s  %12s %8s  %12s %9s  %12s %9s\n", "clients", "\"/\" req/s", "sign-in", "x \"/\"",
                "account-info", "x \"/\"", "minimal", "x minimal", "cpp-httplib", "x httplib");
    double ratioAtEight = 0;
    double minimalRatios[2] = {0, 0};
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
        const Figure raw = measure(minimalPort, clients, seconds, "minimal account-info", accountInfo);
        const Figure onLibrary = measure(libraryPort, clients, seconds, "account-info on cpp-httplib", accountInfo);
        const auto times = [&](const Figure &f) { return f.perSecond > 0 ? base.perSecond / f.perSecond : 0.0; };
        const auto slower = [&](const Figure &than) { return info.perSecond > 0 ? than.perSecond / info.perSecond : 0.0; };
        std::printf("  %7d  %12.0f  %12.0f %8.1f  %12.0f %8.1f  %12.0f %9.2f  %12.0f %9.2f\n", clients, base.perSecond,
                    in.perSecond, times(in), info.perSecond, times(info), raw.perSecond, slower(raw),
                    onLibrary.perSecond, slower(onLibrary));
        minimalRatios[clients == 1 ? 0 : 1] = slower(raw);
        const std::pair<const char *, const Figure *> kinds[] = {{"\"/\"", &base},
                                                                  {"sign-in", &in},
                                                                  {"account-info", &info},
                                                                  {"minimal account-info", &raw},
                                                                  {"account-info on cpp-httplib", &onLibrary}};
        for (const auto &[name, f] : kinds)
            if (f->failures > 0)
                std::printf("    %s: %lld failed requests, the first: %s\n", name, f->failures, f->firstFailure.c_str());
        std::fflush(stdout);
        if (clients == 8)
            ratioAtEight = times(info);
    }
    std::printf("  account-info with 8 clients: %.1f times \"/\" per request\n", ratioAtEight);
    for (int i = 0; i < 2; ++i)
        std::printf("  account-info with %d client%s: %.2f times the minimal handler (target: within 1.5) %s\n",
                    i == 0 ? 1 : 8, i == 0 ? "" : "s", minimalRatios[i],
                    minimalRatios[i] > 0 && minimalRatios[i] <= 1.5 ? "met" : "NOT MET");
    std::fflush(stdout);
    library.stop();
    libraryThread.join();
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
