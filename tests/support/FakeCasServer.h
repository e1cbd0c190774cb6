#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

#include <memory>

class QTcpServer;
class QTcpSocket;

namespace tarvik::test {

// A conditional-access server on 127.0.0.1 for tests. It runs on a thread of its own, because the program's
// client blocks the interface thread while it waits. Requests are framed by their length field; each one
// takes the next scripted step (a success reply when the script is empty). Every byte received is kept too,
// for requests whose oversize fields make them longer than their length field says.
class FakeCasServer
{
public:
    enum class Action {
        Reply, // the reply, at once
        Silence, // no reply at all
        Close, // the connection is closed instead of a reply
        Split, // the reply in two writes, the second a little later, as a slow network delivers it
    };
    struct Step
    {
        Action action = Action::Reply;
        QByteArray reply;
        int splitAt = 0;
    };

    FakeCasServer();
    ~FakeCasServer();
    FakeCasServer(const FakeCasServer &) = delete;
    FakeCasServer &operator=(const FakeCasServer &) = delete;

    quint16 port() const { return m_port; }
    QString portText() const { return QString::number(m_port); }

    // A reply of 16 characters with the status code at characters 9 to 12.
    static QByteArray replyWith(const char *code);

    void script(const Step &step);
    void reply(const QByteArray &bytes) { script({ Action::Reply, bytes, 0 }); }
    void silence() { script({ Action::Silence, {}, 0 }); }
    void closeOnRequest() { script({ Action::Close, {}, 0 }); }
    void splitReply(const QByteArray &bytes, int at) { script({ Action::Split, bytes, at }); }

    // Writes to the connected client now, outside any exchange; returns once the bytes have left.
    void sendNow(const QByteArray &bytes);

    QList<QByteArray> requests() const;
    QByteArray received() const;
    int connections() const;
    // Waits, processing events, until that many requests have come (or five seconds passed).
    bool waitForRequests(int count) const;

private:
    void onConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket);

    QThread m_thread;
    QObject *m_context = nullptr; // lives on m_thread
    QTcpServer *m_server = nullptr;
    QTcpSocket *m_client = nullptr;
    quint16 m_port = 0;
    QByteArray m_pending;

    mutable QMutex m_mutex;
    QList<Step> m_script;
    QList<QByteArray> m_requests;
    QByteArray m_received;
    int m_connections = 0;
};

} // namespace tarvik::test
