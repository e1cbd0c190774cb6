#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>

using THttpHeaders = QList<QPair<QByteArray, QByteArray>>;

// A request as the cabinet's server took it in: whole, body included.
struct THttpRequest
{
    QByteArray method;
    // The path and the query as they were sent.
    QByteArray target;
    THttpHeaders headers;
    QByteArray body;

    // The first value of that header, whatever the letter case of its name; empty when there is none.
    QByteArray header(const char *name) const;
};

struct THttpReply
{
    int status = 200;
    THttpHeaders headers;
    QByteArray body;
};

// The cabinet's HTTP/1.1 server. A worker of a fixed pool takes a connection only when something has come on
// it, reads what came and serves each request that has come whole; so a connection that is idle or sends
// slowly costs a file handle, never a waiting worker. A request must come within a time-out and its body
// within a size limit, connections idle for a few seconds are closed, and connections beyond what the
// process may hold wait in the listen queue.
class THttpServer
{
public:
    // Runs on a worker; an exception becomes a 500 reply.
    using Handler = std::function<void(const THttpRequest &, THttpReply &)>;

    THttpServer(Handler handler, int workers);
    ~THttpServer();
    THttpServer(const THttpServer &) = delete;
    THttpServer &operator=(const THttpServer &) = delete;

    // Binds the address (every interface when empty) and the port and starts serving; false when they
    // cannot be taken. A server listens once.
    bool listen(const QString &address, int port);
    bool running() const;
    // Closes every connection, after the requests being served have been answered.
    void stop();

    // A request body may be this long; a longer one is refused unread.
    static constexpr qsizetype MaxBodyBytes = 64 * 1024;

private:
    class Loop;
    std::unique_ptr<Loop> m_loop;
};
