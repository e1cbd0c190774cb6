#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

class TADOConnection;
class TDMR;

// The data module of the subscribers' cabinet: an HTTP server with a small JSON interface (sign-in with
// account number and password, account information for a token), and the subscribers' web passwords,
// stored as digests. Requests run on the server's threads; each thread has a database connection of its
// own, made like the program's main connection when the server starts. The module registers the main
// window's start and stop commands and fills the database module's initial-password hook while it lives.
class TdmWeb : public QObject
{
public:
    explicit TdmWeb(TDMR *dmr, QObject *parent = nullptr);
    ~TdmWeb() override;

    // Stores the password's digest for the customer and commits; false when it could not.
    bool SetCustomerWebPassword(const QString &plainPassword, const QVariant &customerId);
    // Every customer with a contract date and no web password gets the date as "yyyymmdd".
    void InitEmptyWebPasswords();
    // A new cabinet token: 128 random bits as 32 lower-case hexadecimal digits.
    static QString MakeToken();

    // The main window's commands.
    void actStartWebServer();
    void actStopWebServer();

    bool Active() const;
    int Port() const { return m_port; }

    class Server;

private:
    // Starts listening on the address and the port; false when it cannot bind.
    bool start(const QString &address, int port);

    TDMR *m_dmr;
    int m_port = 8088;
    QString m_address;
    std::unique_ptr<Server> m_server;
};

extern TdmWeb *dmWeb;
