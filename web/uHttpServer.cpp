#include "uHttpServer.h"

#include "Exceptions.h"
#include "uLog.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A request line with its headers may be this long; the cabinet's requests are a fraction of it.
constexpr qsizetype MaxHeadBytes = 16 * 1024;
// How long a connection may wait for its next request, the first one included.
constexpr auto IdleTimeout = 5s;
// How long a request may take to arrive, from its first byte to its last.
constexpr auto RequestTimeout = 5s;
constexpr auto WriteTimeout = 5s;
// How long a refused client is left to read the refusal before its connection is dropped.
constexpr auto RefusalLinger = 1s;
constexpr int ListenBacklog = 1024;
constexpr int KeepAliveRequests = 100;
constexpr int ConnectionsCeiling = 4096;
// File handles left for everything else the program opens: database connections, files, sockets.
constexpr int ReservedHandles = 256;
constexpr size_t ReadChunk = 16 * 1024;
// Connections taken from the listen queue at one wake-up, so that those already open are read in between.
constexpr int AcceptBurst = 256;
// A pause in accepting once the process has run out of file handles, rather than trying again at once.
constexpr auto AcceptPause = 100ms;
// How often the deadlines are looked at; they are seconds long.
constexpr auto ExpiryInterval = 100ms;
// The event of the wake-up handle; connections are numbered from 1.
constexpr quint64 WakeId = 0;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Status";
    }
}

bool isTokenChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
        || std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

bool isToken(const QByteArray &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c && isTokenChar(c); });
}

// True when the comma-separated options of a header (Connection, Expect) hold that one.
bool hasOption(const QByteArray &value, const char *option)
{
    const QList<QByteArray> options = value.split(',');
    return std::any_of(options.begin(), options.end(),
        [option](const QByteArray &o) { return qstricmp(o.trimmed().constData(), option) == 0; });
}

// Where the head ends, just past its blank line; -1 while it has not all come.
qsizetype headEnd(const QByteArray &bytes)
{
    const qsizetype crlf = bytes.indexOf("\n\r\n");
    const qsizetype lf = bytes.indexOf("\n\n");
    if (crlf < 0)
        return lf < 0 ? -1 : lf + 2;
    return lf < 0 || crlf < lf ? crlf + 3 : lf + 2;
}

// The request line and the headers; 0, or the status the request is refused with.
int parseHead(const QByteArray &head, THttpRequest &request, bool &http10)
{
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return 400;
    const QList<QByteArray> parts = lines.first().split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || parts[1].isEmpty())
        return 400;
    if (std::any_of(parts[1].begin(), parts[1].end(), [](char c) { return uchar(c) <= ' ' || c == 0x7f; }))
        return 400;
    if (parts[2] == "HTTP/1.1")
        http10 = false;
    else if (parts[2] == "HTTP/1.0")
        http10 = true;
    else
        return parts[2].startsWith("HTTP/") ? 505 : 400;
    request.method = parts[0];
    request.target = parts[1];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const qsizetype colon = line.indexOf(':');
        // A line that continues the one before it is an old form that lets two readers disagree.
        if (colon < 0 || !isToken(line.left(colon)))
            return 400;
        request.headers.append({ line.left(colon), line.mid(colon + 1).trimmed() });
    }
    return 0;
}

// The length of the body the head announces; 0, or the status the request is refused with. A body is
// announced by its length only: a request sent in chunks could not be refused before it has been read.
int bodyLength(const THttpRequest &request, qsizetype &length)
{
    length = 0;
    bool seen = false;
    for (const auto &[name, value] : request.headers) {
        if (qstricmp(name.constData(), "Transfer-Encoding") == 0)
            return 411;
        if (qstricmp(name.constData(), "Content-Length") != 0)
            continue;
        for (const QByteArray &item : value.split(',')) {
            const QByteArray digits = item.trimmed();
            if (digits.isEmpty()
                || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
                return 400;
            // Beyond the limit however many digits follow, so no length can overflow.
            const qsizetype given = digits.size() > 9 ? THttpServer::MaxBodyBytes + 1 : digits.toLongLong();
            if (seen && given != length)
                return 400;
            length = given;
            seen = true;
        }
    }
    return length > THttpServer::MaxBodyBytes ? 413 : 0;
}

QByteArray replyBytes(const THttpReply &reply, bool headOnly, bool keepAlive, bool http10)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    for (const auto &[name, value] : reply.headers)
        out += name + ": " + value + "\r\n";
    out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    if (!keepAlive)
        out += "Connection: close\r\n";
    else if (http10)
        out += "Connection: keep-alive\r\n";
    if (keepAlive)
        out += "Keep-Alive: timeout=" + QByteArray::number(qint64(IdleTimeout.count())) + "\r\n";
    out += "\r\n";
    if (!headOnly)
        out += reply.body;
    return out;
}

// As many connections as the process's file handles allow, within the ceiling.
int connectionLimit()
{
    rlimit files {};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY)
        return ConnectionsCeiling;
    return int(std::clamp<rlim_t>(
        files.rlim_cur > ReservedHandles ? files.rlim_cur - ReservedHandles : 0, 16, ConnectionsCeiling));
}

} // namespace

QByteArray THttpRequest::header(const char *name) const
{
    for (const auto &[n, value] : headers)
        if (qstricmp(n.constData(), name) == 0)
            return value;
    return {};
}

class THttpServer::Loop
{
public:
    Loop(Handler handler, int workers)
        : m_handler(std::move(handler))
        , m_workerCount(workers)
        , m_maxConnections(connectionLimit())
    {
    }
    ~Loop() { stop(); }

    bool listen(const QString &address, int port);
    bool running() const { return m_running; }
    void stop();

private:
    // A connection waits in the event set until a worker takes it to read what came and to serve every request
    // that has come whole; meanwhile it is the worker's alone. The watching thread closes one whose time is up
    // only while it waits.
    struct Connection
    {
        enum class State { Waiting, Working, Closing, Closed };
        std::mutex mutex;
        quint64 id = 0;
        int fd = -1;
        State state = State::Waiting;
        // Waiting: when the connection is closed idle, or its request refused as late. Closing: when it is dropped.
        Clock::time_point deadline;

        // Touched only by the worker that holds the connection.
        QByteArray buffer;
        std::optional<THttpRequest> request;
        qsizetype bodyLength = 0;
        bool http10 = false;
        bool keepAlive = true;
        int served = 0;
    };
    // What a worker leaves the connection in.
    enum class Outcome { Wait, Refused, Close };

    void watch();
    void work();
    // False when the process has run out of file handles.
    bool acceptSome(Clock::time_point now, size_t room);
    void expire(Clock::time_point now);
    std::shared_ptr<Connection> find(quint64 id);
    void arm(const Connection &c, int op);
    Outcome take(Connection &c);
    int takeIn(Connection &c);
    bool serve(Connection &c);
    // Answers with the status and ends the reply; the caller marks the connection as closing.
    void refuse(Connection &c, int status);
    void close(Connection &c);

    Handler m_handler;
    const int m_workerCount;
    const int m_maxConnections;
    int m_listenFd = -1;
    int m_wakeFd = -1;
    int m_events = -1;
    std::atomic<bool> m_running { false };
    std::atomic<bool> m_stopping { false };
    std::thread m_watcher;
    std::vector<std::thread> m_workers;

    // Taken after a connection's own mutex, never before it.
    std::mutex m_tableMutex;
    std::unordered_map<quint64, std::shared_ptr<Connection>> m_table;
    quint64 m_lastId = 0;
};

bool THttpServer::Loop::listen(const QString &address, int port)
{
    if (m_listenFd >= 0 || m_stopping)
        return false;
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    const QByteArray host = address.trimmed().isEmpty() ? QByteArray("0.0.0.0") : address.trimmed().toUtf8();
    addrinfo *found = nullptr;
    if (::getaddrinfo(host.constData(), QByteArray::number(port).constData(), &hints, &found) != 0)
        return false;
    for (addrinfo *a = found; a && m_listenFd < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        // A port whose last connections are still winding down can be taken again at once.
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, ListenBacklog) == 0)
            m_listenFd = fd;
        else
            ::close(fd);
    }
    ::freeaddrinfo(found);
    if (m_listenFd < 0)
        return false;
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m_events = ::epoll_create1(EPOLL_CLOEXEC);
    // The wake-up handle stays readable once written, so that every worker sees it.
    epoll_event wake { EPOLLIN, { .u64 = WakeId } };
    if (m_wakeFd < 0 || m_events < 0 || ::epoll_ctl(m_events, EPOLL_CTL_ADD, m_wakeFd, &wake) != 0) {
        stop();
        return false;
    }
    SendToEventMonitor(QStringLiteral("HTTP Server AfterBind"));
    m_running = true;
    for (int i = 0; i < m_workerCount; ++i)
        m_workers.emplace_back([this] { work(); });
    m_watcher = std::thread([this] { watch(); });
    return true;
}

void THttpServer::Loop::stop()
{
    m_stopping = true;
    if (m_wakeFd >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    }
    if (m_watcher.joinable())
        m_watcher.join();
    // Workers answer the requests they are serving first.
    for (std::thread &t : m_workers)
        t.join();
    m_workers.clear();
    const auto left = std::exchange(m_table, {});
    for (const auto &[id, c] : left)
        if (c->state != Connection::State::Closed)
            close(*c);
    for (int *fd : { &m_listenFd, &m_wakeFd, &m_events }) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_running = false;
}

void THttpServer::Loop::watch()
{
    SendToEventMonitor(QStringLiteral("HTTP ServerBeforeListenerRun"));
    Clock::time_point acceptPausedUntil;
    while (!m_stopping) {
        Clock::time_point now = Clock::now();
        expire(now);
        size_t open = 0;
        {
            std::lock_guard lock(m_tableMutex);
            open = m_table.size();
        }
        const bool accepting = open < size_t(m_maxConnections) && acceptPausedUntil <= now;
        pollfd fds[] = { { m_wakeFd, POLLIN, 0 }, { accepting ? m_listenFd : -1, POLLIN, 0 } };
        if (::poll(fds, 2, int(ExpiryInterval.count())) < 0 && errno != EINTR) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            SendToEventMonitor(QStringLiteral("HTTP Server ListenException"));
            LogError(QStringLiteral("HTTP: ") + reason);
            m_running = false;
            return;
        }
        now = Clock::now();
        if (fds[1].revents && !acceptSome(now, size_t(m_maxConnections) - open))
            acceptPausedUntil = now + AcceptPause;
    }
}

bool THttpServer::Loop::acceptSome(Clock::time_point now, size_t room)
{
    for (size_t k = 0; k < std::min<size_t>(AcceptBurst, room); ++k) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return errno != EMFILE && errno != ENFILE && errno != ENOBUFS && errno != ENOMEM;
        }
        // A reply leaves in one write; its last segment must not wait for the client's acknowledgement.
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        SendToEventMonitor(QStringLiteral("HTTP Server BeforeConnect"));
        auto c = std::make_shared<Connection>();
        c->fd = fd;
        c->deadline = now + IdleTimeout;
        {
            std::lock_guard lock(m_tableMutex);
            c->id = ++m_lastId;
            m_table.emplace(c->id, c);
        }
        // Its line goes first: once armed, the connection's request may be served at once.
        SendToEventMonitor(QStringLiteral("HTTP Server Connect"));
        arm(*c, EPOLL_CTL_ADD);
    }
    return true;
}

void THttpServer::Loop::expire(Clock::time_point now)
{
    std::vector<std::shared_ptr<Connection>> all;
    {
        std::lock_guard lock(m_tableMutex);
        all.reserve(m_table.size());
        for (const auto &[id, c] : m_table)
            all.push_back(c);
    }
    for (const std::shared_ptr<Connection> &c : all) {
        std::lock_guard lock(c->mutex);
        // A connection a worker holds is the worker's; its deadline is not looked at meanwhile.
        if ((c->state != Connection::State::Waiting && c->state != Connection::State::Closing) || c->deadline > now)
            continue;
        if (c->state == Connection::State::Closing || (c->buffer.isEmpty() && !c->request)) {
            close(*c);
        } else {
            refuse(*c, 408);
            c->state = Connection::State::Closing;
            c->deadline = now + RefusalLinger;
            arm(*c, EPOLL_CTL_MOD);
        }
    }
}

std::shared_ptr<THttpServer::Loop::Connection> THttpServer::Loop::find(quint64 id)
{
    std::lock_guard lock(m_tableMutex);
    const auto found = m_table.find(id);
    return found == m_table.end() ? nullptr : found->second;
}

void THttpServer::Loop::arm(const Connection &c, int op)
{
    // A refused client is not read any more; only its hanging up is awaited.
    const uint32_t wanted = c.state == Connection::State::Closing ? 0u : uint32_t(EPOLLIN);
    epoll_event e { wanted | EPOLLRDHUP | EPOLLONESHOT, { .u64 = c.id } };
    ::epoll_ctl(m_events, op, c.fd, &e);
}

void THttpServer::Loop::work()
{
    while (!m_stopping) {
        epoll_event e {};
        if (::epoll_wait(m_events, &e, 1, -1) != 1 || e.data.u64 == WakeId)
            continue;
        const std::shared_ptr<Connection> c = find(e.data.u64);
        if (!c)
            continue;
        std::unique_lock lock(c->mutex);
        if (c->state == Connection::State::Closing) {
            // Anything but a hang-up was meant for the connection before it was refused.
            if (e.events & (EPOLLRDHUP | EPOLLHUP | EPOLLERR))
                close(*c);
            continue;
        }
        if (c->state != Connection::State::Waiting)
            continue;
        c->state = Connection::State::Working;
        lock.unlock();
        const Outcome outcome = take(*c);
        lock.lock();
        const Clock::time_point now = Clock::now();
        if (outcome == Outcome::Close) {
            close(*c);
            continue;
        }
        if (outcome == Outcome::Refused) {
            c->state = Connection::State::Closing;
            c->deadline = now + RefusalLinger;
        } else {
            c->state = Connection::State::Waiting;
            // A request under way has its own time, which started with its first byte.
            if (c->buffer.isEmpty() && !c->request)
                c->deadline = now + IdleTimeout;
        }
        arm(*c, EPOLL_CTL_MOD);
    }
}

THttpServer::Loop::Outcome THttpServer::Loop::take(Connection &c)
{
    for (;;) {
        char chunk[ReadChunk];
        const ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return Outcome::Wait;
        if (n <= 0)
            return Outcome::Close;
        // A request's time starts with its first byte.
        if (c.buffer.isEmpty() && !c.request)
            c.deadline = Clock::now() + RequestTimeout;
        c.buffer.append(chunk, n);
        // Every request that has come whole is answered, those a client sent ahead included.
        for (;;) {
            const int refusal = takeIn(c);
            if (refusal) {
                refuse(c, refusal);
                return Outcome::Refused;
            }
            if (!c.request || c.buffer.size() < c.bodyLength)
                break;
            c.request->body = c.buffer.left(c.bodyLength);
            c.buffer.remove(0, c.bodyLength);
            if (!serve(c))
                return Outcome::Close;
            if (!c.buffer.isEmpty())
                c.deadline = Clock::now() + RequestTimeout;
        }
    }
}

int THttpServer::Loop::takeIn(Connection &c)
{
    if (c.request)
        return 0;
    // Blank lines between requests are allowed.
    qsizetype blank = 0;
    while (blank < c.buffer.size() && (c.buffer[blank] == '\r' || c.buffer[blank] == '\n'))
        ++blank;
    c.buffer.remove(0, blank);
    const qsizetype end = headEnd(c.buffer);
    if (end < 0)
        return c.buffer.size() > MaxHeadBytes ? 431 : 0;
    if (end > MaxHeadBytes)
        return 431;
    THttpRequest request;
    qsizetype length = 0;
    if (const int refusal = parseHead(c.buffer.left(end), request, c.http10))
        return refusal;
    if (const int refusal = bodyLength(request, length))
        return refusal;
    c.buffer.remove(0, end);
    const QByteArray connection = request.header("Connection");
    c.keepAlive = c.http10 ? hasOption(connection, "keep-alive") : !hasOption(connection, "close");
    c.bodyLength = length;
    // A client that waits for leave to send its body gets it: the body is within the limit.
    if (length > c.buffer.size() && !c.http10 && hasOption(request.header("Expect"), "100-continue")) {
        const QByteArray go = "HTTP/1.1 100 Continue\r\n\r\n";
        [[maybe_unused]] const ssize_t sent
            = ::send(c.fd, go.constData(), size_t(go.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    c.request = std::move(request);
    return 0;
}

bool THttpServer::Loop::serve(Connection &c)
{
    const THttpRequest &request = *c.request;
    THttpReply reply;
    try {
        m_handler(request, reply);
    } catch (const std::exception &e) {
        SendToEventMonitor(QStringLiteral("HTTP Server Exception"));
        LogError(exceptionMessage(e));
        reply = THttpReply { 500, {}, {} };
    } catch (...) {
        // Whatever it is, it must not end the worker, and so the program.
        SendToEventMonitor(QStringLiteral("HTTP Server Exception"));
        LogError(QStringLiteral("HTTP Server Exception"));
        reply = THttpReply { 500, {}, {} };
    }
    ++c.served;
    const bool keepAlive = c.keepAlive && c.served < KeepAliveRequests;
    const QByteArray out = replyBytes(reply, request.method == "HEAD", keepAlive, c.http10);
    c.request.reset();

    bool written = true;
    const auto deadline = Clock::now() + WriteTimeout;
    for (qsizetype sent = 0; written && sent < out.size();) {
        const ssize_t n = ::send(c.fd, out.constData() + sent, size_t(out.size() - sent), MSG_NOSIGNAL);
        const int error = errno;
        if (n > 0) {
            sent += n;
        } else if (n < 0 && (error == EAGAIN || error == EWOULDBLOCK)) {
            // The client reads slowly: it is given the write time-out for the whole reply.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd p { c.fd, POLLOUT, 0 };
            written = left > 0 && ::poll(&p, 1, int(left)) == 1;
        } else {
            written = n < 0 && error == EINTR;
        }
    }
    return written && keepAlive;
}

void THttpServer::Loop::refuse(Connection &c, int status)
{
    const QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status)
        + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    [[maybe_unused]] const ssize_t sent
        = ::send(c.fd, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    // Nothing more is read; the client sees the end of the reply and hangs up, or is dropped.
    ::shutdown(c.fd, SHUT_WR);
    c.buffer.clear();
    c.request.reset();
}

void THttpServer::Loop::close(Connection &c)
{
    ::epoll_ctl(m_events, EPOLL_CTL_DEL, c.fd, nullptr);
    ::close(c.fd);
    c.state = Connection::State::Closed;
    {
        std::lock_guard lock(m_tableMutex);
        m_table.erase(c.id);
    }
    SendToEventMonitor(QStringLiteral("HTTP Server Disconnect"));
}

THttpServer::THttpServer(Handler handler, int workers)
    : m_loop(std::make_unique<Loop>(std::move(handler), workers))
{
}

THttpServer::~THttpServer() = default;

bool THttpServer::listen(const QString &address, int port)
{
    return m_loop->listen(address, port);
}

bool THttpServer::running() const
{
    return m_loop->running();
}

void THttpServer::stop()
{
    m_loop->stop();
}
