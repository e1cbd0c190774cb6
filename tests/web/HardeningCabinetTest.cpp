#include "CabinetFixture.h"

#include "XmlSettingsStorage.h"

#include <QScopeGuard>
#include <QTest>

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr qsizetype BodyLimit = 64 * 1024;

// How a connection of the test's own ended.
enum class Ending { Open, Closed, Reset };

// A loopback connection of the test's own, driven with plain socket calls so that it can be as slow, as idle
// or as rude as a hostile client is.
class RawConnection
{
public:
    // Starts connecting; `connected()` waits for the outcome.
    RawConnection(const char *host, int port)
        : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0))
    {
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(quint16(port));
        ::inet_pton(AF_INET, host, &to.sin_addr);
        if (::connect(m_fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0 && errno != EINPROGRESS)
            m_error = errno;
    }
    ~RawConnection() { ::close(m_fd); }
    RawConnection(const RawConnection &) = delete;
    RawConnection &operator=(const RawConnection &) = delete;

    int fd() const { return m_fd; }

    // True once the connection is established; false when it was refused or did not come within the time.
    bool connected(std::chrono::milliseconds within = 5s)
    {
        pollfd p { m_fd, POLLOUT, 0 };
        if (m_error || ::poll(&p, 1, int(within.count())) != 1)
            return false;
        socklen_t size = sizeof m_error;
        ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &m_error, &size);
        return m_error == 0;
    }

    bool send(const QByteArray &bytes)
    {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            pollfd p { m_fd, POLLOUT, 0 };
            if (::poll(&p, 1, 5000) != 1)
                return false;
            const ssize_t n = ::send(m_fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n <= 0 && errno != EAGAIN)
                return false;
            sent += qMax<ssize_t>(n, 0);
        }
        return true;
    }

    // Whatever arrives within the time, up to the server's close; `ending` tells how the wait ended.
    QByteArray read(std::chrono::milliseconds within, Ending *ending = nullptr)
    {
        QByteArray got;
        const auto deadline = SteadyClock::now() + within;
        Ending end = Ending::Open;
        while (end == Ending::Open && readSome(deadline, got, end)) { }
        if (ending)
            *ending = end;
        return got;
    }

    // One whole reply to a request sent before: its head and as much body as it announces.
    QByteArray readReply(std::chrono::milliseconds within = 5s)
    {
        static const QRegularExpression length(
            QStringLiteral("\r\nContent-Length: *(\\d+)"), QRegularExpression::CaseInsensitiveOption);
        QByteArray got;
        const auto deadline = SteadyClock::now() + within;
        Ending end = Ending::Open;
        while (end == Ending::Open && readSome(deadline, got, end)) {
            const qsizetype headEnd = got.indexOf("\r\n\r\n");
            if (headEnd >= 0
                && got.size()
                    >= headEnd + 4 + length.match(QString::fromLatin1(got.left(headEnd))).captured(1).toLongLong())
                break;
        }
        return got;
    }

private:
    // What one read brings by the deadline; false when nothing came.
    bool readSome(SteadyClock::time_point deadline, QByteArray &got, Ending &end)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        pollfd p { m_fd, POLLIN, 0 };
        if (::poll(&p, 1, int(qMax<qint64>(0, left.count()))) != 1)
            return false;
        char buffer[4096];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n > 0)
            got.append(buffer, n);
        else if (n == 0 || errno != EAGAIN)
            end = n == 0 ? Ending::Closed : Ending::Reset;
        return true;
    }

    int m_fd;
    int m_error = 0;
};

// How many connections the kernel queues for the listening socket on that loopback port; -1 when there is none.
int listenQueueLength(int port)
{
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    struct
    {
        nlmsghdr head;
        inet_diag_req_v2 body;
    } ask {};
    ask.head.nlmsg_len = sizeof ask;
    ask.head.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    ask.head.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    ask.body.sdiag_family = AF_INET;
    ask.body.sdiag_protocol = IPPROTO_TCP;
    ask.body.idiag_states = 1 << TCP_LISTEN;
    int length = -1;
    bool done = ::send(fd, &ask, sizeof ask, 0) != ssize_t(sizeof ask);
    while (!done) {
        alignas(nlmsghdr) char buffer[32768];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        done = n <= 0;
        for (auto *h = reinterpret_cast<nlmsghdr *>(buffer); !done && NLMSG_OK(h, n); h = NLMSG_NEXT(h, n)) {
            done = h->nlmsg_type == NLMSG_DONE || h->nlmsg_type == NLMSG_ERROR;
            const auto *socket = static_cast<const inet_diag_msg *>(NLMSG_DATA(h));
            // Of a listening socket, the kernel reports its queue's length where a connection's send queue is.
            if (!done && ntohs(socket->id.idiag_sport) == port)
                length = int(socket->idiag_wqueue);
        }
    }
    ::close(fd);
    return length;
}

QByteArray request(const QByteArray &method, const QByteArray &target, const QByteArray &headers = {})
{
    return method + ' ' + target + " HTTP/1.1\r\nHost: x\r\n" + headers + "\r\n";
}

// The engine matters where the parameters reach the database.
class HardeningCabinet : public CabinetServer
{
};

// The server's connections; nothing is written, so one engine is enough.
class HardeningCabinetLinks : public CabinetServer
{
protected:
    void TearDown() override
    {
        AppSettings().HTTPAddress = TAppSettings::defaults().HTTPAddress;
        CabinetServer::TearDown();
    }
};

TEST_P(HardeningCabinet, ParametersHoldingANulByteAreRefusedOnEveryEngine)
{
    ASSERT_TRUE(m_web->SetCustomerWebPassword(QStringLiteral("p2"), 2));
    startServer();
    const QString token = tokenOf(signIn("1002", "p2"));
    ASSERT_EQ(token.size(), 32);
    const int tokens = tokenRows();

    // A database server that cuts a bound text at its NUL would take each of these for the text before it.
    struct Case
    {
        const char *method;
        std::string target;
        const char *form;
        const char *parameter;
    };
    const std::string signInPath = "/rest/cabinet/api/v1/signin";
    const Case cases[] = {
        { "GET", signInPath + "?username=1002%00abc&password=p2", "", "username" },
        { "POST", signInPath, "username=1002%00abc&password=p2", "username" },
        { "POST", signInPath, "username=1002&password=p2%00x", "password" },
        { "GET", signInPath + "?username=1002&password=p2&rememberMe=true%00", "", "rememberMe" },
        { "GET", "/rest/cabinet/api/v1/account-info?cabinetApiKey=" + token.toStdString() + "%00zz", "",
            "cabinetApiKey" },
    };
    httplib::Client c = client();
    c.set_url_encode(false);
    for (const Case &k : cases) {
        const httplib::Result r = k.method == std::string("GET")
            ? c.Get(k.target)
            : c.Post(k.target, k.form, "application/x-www-form-urlencoded");
        ASSERT_TRUE(r) << k.target;
        EXPECT_EQ(r->status, 400) << k.target << k.form;
        EXPECT_EQ(s(body(r)), s(QStringLiteral("Параметр %1 содержит символ NUL").arg(QLatin1String(k.parameter))))
            << k.target << k.form;
    }
    EXPECT_EQ(tokenRows(), tokens);
    // The same requests without the byte are served as ever.
    EXPECT_EQ(tokenOf(body(c.Get(signInPath + "?username=1002&password=p2"))).size(), 32);
    EXPECT_TRUE(accountInfo(token).startsWith(QLatin1String("{\"accountNo\": \"1002\"")));
}

TEST_P(HardeningCabinetLinks, BodiesOverTheLimitAreRefusedWithoutBeingRead)
{
    startServer();
    const int port = m_web->Port();
    const QByteArray types[]
        = { "application/x-www-form-urlencoded", "application/json", "multipart/form-data; boundary=b", "" };
    for (const QByteArray &type : types) {
        const QByteArray typeHeader = type.isEmpty() ? QByteArray() : "Content-Type: " + type + "\r\n";

        // A body of the limit is taken whole.
        QByteArray body = "username=9999&password=x&pad=";
        body += QByteArray(BodyLimit - body.size(), 'a');
        RawConnection atLimit("127.0.0.1", port);
        ASSERT_TRUE(atLimit.connected());
        ASSERT_TRUE(atLimit.send(request("POST", "/rest/cabinet/api/v1/signin",
                                     typeHeader + "Content-Length: " + QByteArray::number(BodyLimit) + "\r\n")
            + body));
        const QByteArray taken = atLimit.readReply();
        EXPECT_TRUE(taken.startsWith("HTTP/1.1 200 ")) << type.toStdString() << ": " << taken.left(200).toStdString();

        // One byte more is refused as soon as the head has come; the body is never waited for.
        RawConnection over("127.0.0.1", port);
        ASSERT_TRUE(over.connected());
        ASSERT_TRUE(over.send(request("POST", "/rest/cabinet/api/v1/signin",
                                  typeHeader + "Content-Length: " + QByteArray::number(BodyLimit + 1) + "\r\n")
            + body.left(1000)));
        Ending ending = Ending::Open;
        const QByteArray refused = over.read(5s, &ending);
        EXPECT_TRUE(refused.startsWith("HTTP/1.1 413 ")) << type.toStdString() << ": " << refused.toStdString();
        EXPECT_EQ(ending, Ending::Closed) << type.toStdString();
    }
    EXPECT_EQ(s(body(client().Get("/"))), "HTTP сервер v 1.0");
}

TEST_P(HardeningCabinetLinks, SlowAndIdleClientsLeaveTheServerAnsweringOthers)
{
    // Both ends of every connection live in this process.
    constexpr int IdleCount = 1000;
    rlimit files {};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);
    ASSERT_GE(files.rlim_cur, rlim_t(2 * IdleCount + 512)) << "too few file handles for this test";

    startServer();
    const int port = m_web->Port();

    // A thousand connections that never send a byte, opened at once: the listen queue holds a burst.
    EXPECT_GE(listenQueueLength(port), 128);
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < IdleCount; ++i)
        idle.push_back(std::make_unique<RawConnection>("127.0.0.1", port));
    int established = 0;
    for (auto &c : idle)
        established += c->connected() ? 1 : 0;
    EXPECT_EQ(established, IdleCount);

    // Sixteen clients send a request a byte a second; each notes how its connection ended.
    constexpr int SlowCount = 16;
    std::atomic<bool> stop { false };
    std::atomic<int> slowStarted { 0 }, slowCut { 0 };
    std::vector<std::thread> slow;
    for (int i = 0; i < SlowCount; ++i)
        slow.emplace_back([&, port] {
            RawConnection c("127.0.0.1", port);
            if (!c.connected())
                return;
            const QByteArray text = request("GET", "/rest/cabinet/api/v1/account-info?cabinetApiKey=x");
            for (qsizetype k = 0; k < text.size() && !stop; ++k) {
                if (!c.send(text.mid(k, 1)))
                    break;
                if (k == 0)
                    ++slowStarted;
                // The pause between bytes ends early when the server closes the connection.
                pollfd p { c.fd(), POLLIN, 0 };
                if (::poll(&p, 1, 1000) == 1) {
                    Ending ending = Ending::Open;
                    c.read(0ms, &ending);
                    if (ending != Ending::Open) {
                        ++slowCut;
                        return;
                    }
                }
            }
        });
    const auto joinSlow = qScopeGuard([&] {
        stop = true;
        for (std::thread &t : slow)
            t.join();
    });

    ASSERT_TRUE(QTest::qWaitFor([&] { return slowStarted == SlowCount; }, 5000));

    // A well-behaved client is answered at once, on new connections and on one kept alive.
    RawConnection kept("127.0.0.1", port);
    ASSERT_TRUE(kept.connected());
    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(kept.send(request("GET", "/")));
        const QByteArray reply = kept.readReply(2s);
        EXPECT_TRUE(reply.endsWith(QStringToCP1251(QStringLiteral("HTTP сервер v 1.0")))) << reply.toStdString();
    }
    for (int k = 0; k < 5; ++k) {
        httplib::Client c = client();
        c.set_connection_timeout(2);
        c.set_read_timeout(2);
        const httplib::Result r = c.Get("/rest/cabinet/api/v1/account-info?cabinetApiKey=nope");
        ASSERT_TRUE(r) << "request " << k << ": " << httplib::to_string(r.error());
        EXPECT_EQ(r->status, 200);
    }
    // The slow clients have not finished their requests yet: they are still being read.
    EXPECT_EQ(slowCut, 0);

    // The server closes a request that takes too long to arrive, and a connection left idle, kept alive or
    // never used; closed, not reset.
    EXPECT_TRUE(QTest::qWaitFor([&] { return slowCut == SlowCount; }, 12000)) << slowCut << " of " << SlowCount;
    Ending keptEnding = Ending::Open;
    kept.read(10s, &keptEnding);
    EXPECT_EQ(keptEnding, Ending::Closed);
    std::vector<pollfd> fds;
    for (auto &c : idle)
        fds.push_back({ c->fd(), POLLIN, 0 });
    int closed = 0, reset = 0;
    const auto deadline = SteadyClock::now() + 10s;
    while (closed + reset < IdleCount && SteadyClock::now() < deadline) {
        if (::poll(fds.data(), fds.size(), 500) <= 0)
            continue;
        for (pollfd &p : fds) {
            if (!p.revents)
                continue;
            char byte;
            (::recv(p.fd, &byte, 1, 0) == 0 ? closed : reset) += 1;
            p.fd = -1;
        }
    }
    EXPECT_EQ(closed, IdleCount);
    EXPECT_EQ(reset, 0);
}

TEST_P(HardeningCabinetLinks, TheServerListensOnTheAddressOfItsSettings)
{
    // Every interface unless the settings narrow it, and the address is kept beside the port.
    EXPECT_EQ(s(TAppSettings::defaults().HTTPAddress), "0.0.0.0");
    {
        const TAppSettings before = AppSettings();
        TXmlSettingsStorage file;
        AppSettings().HTTPAddress = QStringLiteral("127.0.0.2");
        persistPreferencesToStorage(file, QStringLiteral("preferences"));
        AppSettings().HTTPAddress.clear();
        readPreferencesFromStorage(file, QStringLiteral("preferences"));
        EXPECT_EQ(s(AppSettings().HTTPAddress), "127.0.0.2");
        AppSettings() = before;
    }
    AppSettings().HTTPAddress = QStringLiteral("127.0.0.2");

    const auto answers = [this](const char *host) {
        RawConnection c(host, m_web->Port());
        return c.connected() && c.send(request("GET", "/")) && c.readReply().startsWith("HTTP/1.1 200 ");
    };
    // 127.0.0.2 is another address of the loopback interface.
    startServer();
    EXPECT_TRUE(answers("127.0.0.2"));
    EXPECT_FALSE(answers("127.0.0.1"));

    // A changed address moves the running server, as a changed port does.
    AppSettings().HTTPAddress = QStringLiteral("127.0.0.1");
    RunCommand(QStringLiteral("actStartWebServer"));
    ASSERT_TRUE(m_web->Active());
    EXPECT_TRUE(answers("127.0.0.1"));
    EXPECT_FALSE(answers("127.0.0.2"));

    AppSettings().HTTPAddress = TAppSettings::defaults().HTTPAddress;
    RunCommand(QStringLiteral("actStartWebServer"));
    EXPECT_TRUE(answers("127.0.0.1"));
    EXPECT_TRUE(answers("127.0.0.2"));
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningCabinet, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);
INSTANTIATE_TEST_SUITE_P(Hardening, HardeningCabinetLinks, ::testing::Values(TestEngine::SQLite), engineName);

} // namespace
