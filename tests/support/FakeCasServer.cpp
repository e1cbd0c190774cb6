#include "FakeCasServer.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace tarvik::test {

namespace {

// The delay between the two halves of a split reply.
constexpr int SplitDelayMs = 150;

} // namespace

FakeCasServer::FakeCasServer()
{
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            m_server = new QTcpServer(m_context);
            m_server->listen(QHostAddress::LocalHost, 0);
            m_port = m_server->serverPort();
            QObject::connect(m_server, &QTcpServer::newConnection, m_context, [this] { onConnection(); });
        },
        Qt::BlockingQueuedConnection);
}

FakeCasServer::~FakeCasServer()
{
    QMetaObject::invokeMethod(m_context, [this] { delete m_context; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QByteArray FakeCasServer::replyWith(const char *code)
{
    return QByteArray("00150010") + code + "0000";
}

void FakeCasServer::script(const Step &step)
{
    QMutexLocker lock(&m_mutex);
    m_script << step;
}

void FakeCasServer::sendNow(const QByteArray &bytes)
{
    QMetaObject::invokeMethod(
        m_context,
        [this, bytes] {
            if (!m_client)
                return;
            m_client->write(bytes);
            m_client->waitForBytesWritten(5000);
        },
        Qt::BlockingQueuedConnection);
}

QList<QByteArray> FakeCasServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

QByteArray FakeCasServer::received() const
{
    QMutexLocker lock(&m_mutex);
    return m_received;
}

int FakeCasServer::connections() const
{
    QMutexLocker lock(&m_mutex);
    return m_connections;
}

bool FakeCasServer::waitForRequests(int count) const
{
    return QTest::qWaitFor([&] { return requests().size() >= count; }, 5000);
}

void FakeCasServer::onConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        {
            QMutexLocker lock(&m_mutex);
            ++m_connections;
        }
        // The newest connection is the one the client uses.
        m_client = socket;
        m_pending.clear();
        QObject::connect(socket, &QTcpSocket::readyRead, m_context, [this, socket] { onReadyRead(socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QObject::destroyed, m_context, [this, socket] {
            if (m_client == socket)
                m_client = nullptr;
        });
    }
}

void FakeCasServer::onReadyRead(QTcpSocket *socket)
{
    const QByteArray bytes = socket->readAll();
    {
        QMutexLocker lock(&m_mutex);
        m_received += bytes;
    }
    m_pending += bytes;
    // A request is complete once as many characters as its length field says have come.
    while (m_pending.size() >= 8) {
        bool ok = false;
        const int length = m_pending.mid(4, 4).toInt(&ok, 16);
        const int take = ok && length >= 8 ? length : int(m_pending.size());
        if (m_pending.size() < take)
            return;
        {
            QMutexLocker lock(&m_mutex);
            m_requests << m_pending.left(take);
        }
        m_pending.remove(0, take);
        answer(socket);
    }
}

void FakeCasServer::answer(QTcpSocket *socket)
{
    Step step;
    {
        QMutexLocker lock(&m_mutex);
        step = m_script.isEmpty() ? Step { Action::Reply, replyWith("S000"), 0 } : m_script.takeFirst();
    }
    switch (step.action) {
    case Action::Reply:
        socket->write(step.reply);
        break;
    case Action::Silence:
        break;
    case Action::Close:
        socket->disconnectFromHost();
        break;
    case Action::Split: {
        socket->write(step.reply.left(step.splitAt));
        socket->flush();
        const QByteArray rest = step.reply.mid(step.splitAt);
        QTimer::singleShot(SplitDelayMs, socket, [socket, rest] { socket->write(rest); });
        break;
    }
    }
}

} // namespace tarvik::test
