#pragma once

#include "dmuWeb.h"
#include "uCabinetText.h"

#include <memory>

class THttpServer;
struct THttpReply;
struct THttpRequest;

// The account information statement: the account, its services and its documents in one statement, the token
// in :P_TOKEN and the moment it must not have expired by in :P_NOW.
QString AccountInfoStatement();

// The cabinet's HTTP server: requests are served on the threads of a fixed pool, where each thread opens
// its own database connection on first need, made from a copy of the main connection's settings taken when
// the server was made.
class TdmWeb::Server
{
public:
    explicit Server(const TADOConnection &mainConnection);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    // Listens on the address (every interface when empty) and the port; false when they cannot be taken.
    bool start(const QString &address, int port);
    bool running() const;

private:
    void serve(const THttpRequest &request, THttpReply &response);
    // The reply body of a request, on the calling thread's own connection.
    QString reply(const QString &path, const TRequestParams &params);
    TADOConnection &threadConnection();
    QString signIn(const TRequestParams &params);
    QString accountInfo(const TRequestParams &params);

    std::unique_ptr<TADOConnection> m_settings;
    std::unique_ptr<THttpServer> m_http;
    int m_port = 0;
};
