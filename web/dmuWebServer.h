#pragma once

#include "dmuWeb.h"
#include "uCabinetText.h"

#include <atomic>
#include <memory>
#include <thread>

namespace httplib {
class Server;
}

// The cabinet's HTTP server: it listens on a thread of its own and serves each connection on a thread of
// a pool, where each thread opens its own database connection on first need, made from a copy of the main
// connection's settings taken when the server was made.
class TdmWeb::Server
{
public:
    explicit Server(const TADOConnection &mainConnection);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    bool start(int port);
    bool running() const;

    // The reply body of a request, on the calling thread's own connection.
    QString reply(const QString &path, const TRequestParams &params);

private:
    TADOConnection &threadConnection();
    QString signIn(const TRequestParams &params);
    QString accountInfo(const TRequestParams &params);

    std::unique_ptr<TADOConnection> m_settings;
    std::unique_ptr<httplib::Server> m_http;
    std::thread m_listener;
    std::atomic<bool> m_stopping { false };
    int m_port = 0;
};
